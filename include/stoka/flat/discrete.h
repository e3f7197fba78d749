/* Flat functions of libstoka: discrete. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_DISCRETE_H
#define STOKA_FLAT_DISCRETE_H

#define STOKA_FLAT_DISCRETE(TWIN, FLAT)

#endif
