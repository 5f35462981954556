/* Morvane: the version of the library (the build reads it from here). */
#ifndef MORVANE_VERSION_H
#define MORVANE_VERSION_H

#define MORVANE_VERSION_MAJOR 0
#define MORVANE_VERSION_MINOR 3
#define MORVANE_VERSION_PATCH 0
#define MORVANE_VERSION_STRING "0.3.0"

#endif /* MORVANE_VERSION_H */
