/* Flat functions of libstoka: fit_normal. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_FIT_NORMAL_H
#define STOKA_FLAT_FIT_NORMAL_H

#define STOKA_FLAT_FIT_NORMAL(TWIN, FLAT)

#endif
