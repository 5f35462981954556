// Storage for the identifiers of the type library: the class, the
// interface and the library itself.
#include <initguid.h>

#include "server/morvane.h"
