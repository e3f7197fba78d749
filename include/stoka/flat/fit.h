/* Flat functions of libstoka: fit. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_FIT_H
#define STOKA_FLAT_FIT_H

#define STOKA_FLAT_FIT(TWIN, FLAT)

#endif
