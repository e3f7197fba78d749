/* Flat functions of libstoka: correlation. Included by stoka.h; see there for the
   meaning of TWIN and FLAT. Exported variables of this group stand here too. */
#ifndef STOKA_FLAT_CORRELATION_H
#define STOKA_FLAT_CORRELATION_H

#define STOKA_FLAT_CORRELATION(TWIN, FLAT)

#endif
