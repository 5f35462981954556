// Morvane: the C++ interface.
//
//   #include <morvane/morvane.hpp>
//
// The ZedizAdo object (zediz_ado.hpp), its enumerations
// OriginalCoordinates and InternalDatums, the failures it raises (Failure,
// FailureKind, failure.hpp), the batch call that converts many points at
// once (ConvertBatch, BatchWidths, batch.hpp) and the table of the
// interface's names (names.hpp).  The C interface is in morvane.h.  These
// headers compile as C++17 and C++20.
#pragma once

#include "morvane.h"
#include "version.h"
#include "batch.hpp"
#include "failure.hpp"
#include "names.hpp"
#include "zediz_ado.hpp"
