/* Export macro of libstoka: the shared object is built with hidden visibility
   and exports exactly what is marked STOKA_API. */
#ifndef STOKA_EXPORT_H
#define STOKA_EXPORT_H

#if defined(_WIN32)
#  if defined(STOKA_BUILDING)
#    define STOKA_API __declspec(dllexport)
#  else
#    define STOKA_API __declspec(dllimport)
#  endif
#else
#  define STOKA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#  define STOKA_EXTERN_C extern "C"
#else
#  define STOKA_EXTERN_C extern
#endif

#endif
