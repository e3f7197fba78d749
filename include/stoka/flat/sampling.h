/* Flat functions of libstoka: sampling. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_SAMPLING_H
#define STOKA_FLAT_SAMPLING_H

#define STOKA_FLAT_SAMPLING(TWIN, FLAT)

#endif
