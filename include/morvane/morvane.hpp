// Morvane: the C++ interface.
//
//   #include <morvane/morvane.hpp>
//
// The ZedizAdo object (component/zediz_ado.hpp), its enumerations
// OriginalCoordinates and InternalDatums, the failures it raises (Failure,
// FailureKind) and the batch call that converts many points at once
// (ConvertBatch, BatchWidths).  The C interface is in morvane.h.
#pragma once

#include "morvane.h"
#include "version.h"
#include "component/batch.hpp"
#include "component/failure.hpp"
#include "component/zediz_ado.hpp"
