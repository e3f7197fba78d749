/* Flat functions of libstoka: stats. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_STATS_H
#define STOKA_FLAT_STATS_H

#define STOKA_FLAT_STATS(TWIN, FLAT)

#endif
