// Failures of an operation: the few conditions that make a call fail
// towards its client instead of leaving a message in Error: an index
// outside a table, a 16-bit integer overflow and the three floating-point
// faults (invalid operation, division by zero, overflow).  Input problems
// are never reported this way; they are messages.
#pragma once

#include <exception>

#include "export.h"

namespace morvane {

enum class FailureKind : int {
  IndexOutOfRange = 1,
  IntegerOverflow = 2,
  InvalidOperation = 3,
  DivisionByZero = 4,
  FloatOverflow = 5,
};

// Stable English name of a failure ("IndexOutOfRange", ...), used by the
// tools and the component's error information.
MORVANE_API const char* FailureName(FailureKind kind) noexcept;

class MORVANE_API Failure : public std::exception {
 public:
  explicit Failure(FailureKind kind) noexcept : kind_(kind) {}
  FailureKind kind() const noexcept { return kind_; }
  const char* what() const noexcept override { return FailureName(kind_); }

 private:
  FailureKind kind_;
};

}  // namespace morvane
