// What the shared library exports: the public classes and functions are
// marked, everything else stays hidden.
#pragma once

#if defined(__GNUC__) && !defined(_WIN32)
#define MORVANE_API __attribute__((visibility("default")))
// A member of an exported class that is not part of the interface.
#define MORVANE_LOCAL __attribute__((visibility("hidden")))
#else
#define MORVANE_API
#define MORVANE_LOCAL
#endif
