/* The version of libstoka, in one place: the build takes its version from
   these three numbers. */
#ifndef STOKA_VERSION_H
#define STOKA_VERSION_H

#define STOKA_VERSION_MAJOR 0
#define STOKA_VERSION_MINOR 1
#define STOKA_VERSION_PATCH 0

#define STOKA_VERSION_TEXT_(x) #x
#define STOKA_VERSION_TEXT(x) STOKA_VERSION_TEXT_(x)
/* "MAJOR.MINOR.PATCH" */
#define STOKA_VERSION                                                     \
  STOKA_VERSION_TEXT(STOKA_VERSION_MAJOR) "." STOKA_VERSION_TEXT(STOKA_VERSION_MINOR) "." \
  STOKA_VERSION_TEXT(STOKA_VERSION_PATCH)

#endif
