/* What the shared library exports: the public classes and functions are
 * marked, everything else stays hidden. */
#ifndef MORVANE_EXPORT_H
#define MORVANE_EXPORT_H

#if defined(__GNUC__) && !defined(_WIN32)
#define MORVANE_API __attribute__((visibility("default")))
#else
#define MORVANE_API
#endif

#endif
