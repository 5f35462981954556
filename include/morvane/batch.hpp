// Many points of one input kind in one call: the conversion every front end
// (the C interface, the command-line tool, Python, WebAssembly) uses when it
// has more than one point.
//
// The input and output are the structs of arrays of the C interface (one
// array per property), so that numpy arrays and WebAssembly memory can be
// handed over without copying.  Every point is converted exactly as a fresh
// object with the input's settings would convert it, on a reused object per
// thread.
#pragma once

#include "morvane.h"

#include <cstddef>

#include "export.h"
#include "survey.hpp"
#include "zediz_ado.hpp"

namespace morvane {

using BatchInput = morvane_batch_input;
using BatchOutput = morvane_batch_output;
using BatchExtra = morvane_batch_extra;

// Bytes each text column of the output needs for `count` points.
struct TextWidths {
  std::size_t MGRS = 0;
  std::size_t IFBL = 0;
  std::size_t Error = 0;
};

// The status codes of morvane.h: MORVANE_OK or a negative code.
MORVANE_API int BatchWidths(const BatchInput& input, std::ptrdiff_t count,
                              TextWidths& widths) noexcept;
// The same for a call with `extra`: the Error column also holds the
// messages of Belgium's systems of today (survey.hpp) when the call asks
// for them.
MORVANE_API int BatchWidths(const BatchInput& input, const BatchExtra& extra,
                            std::ptrdiff_t count, TextWidths& widths) noexcept;

// Converts `count` points on `threads` threads (1: the calling thread,
// 0: every core).  Refuses nonsensical arguments as a whole, before
// writing anything; a point that cannot be converted gets its message in
// Error or its failure kind in Failure.  Never throws; the caller's
// floating-point environment is handed back as found.
MORVANE_API int ConvertBatch(const BatchInput& input, const BatchOutput& output,
                               std::ptrdiff_t count, int threads) noexcept;
// The same with the extra outputs and the progress callback of `extra`
// (its size field is the caller's business: this overload takes it whole).
MORVANE_API int ConvertBatch(const BatchInput& input, const BatchOutput& output,
                             const BatchExtra& extra, std::ptrdiff_t count, int threads) noexcept;

// Puts point i of the input into an object as a client would: OrigType and
// the properties its kind reads (the datums and precisions are not
// touched).  A fresh object given the input's settings and then this point
// converts it exactly as the batch call does.  MORVANE_OK, or the code the
// batch call would refuse the point with (kind or datum outside its table,
// a null column, a negative i); the object is then unchanged.
MORVANE_API int PutPoint(ZedizAdo& object, const BatchInput& input, std::ptrdiff_t i) noexcept;

}  // namespace morvane
