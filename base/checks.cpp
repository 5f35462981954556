#include "base/checks.hpp"

namespace morvane {

const char* FailureName(FailureKind kind) noexcept {
  switch (kind) {
    case FailureKind::IndexOutOfRange: return "IndexOutOfRange";
    case FailureKind::IntegerOverflow: return "IntegerOverflow";
    case FailureKind::InvalidOperation: return "InvalidOperation";
    case FailureKind::DivisionByZero: return "DivisionByZero";
    case FailureKind::FloatOverflow: return "FloatOverflow";
  }
  return "Unknown";
}

void Fail(FailureKind kind) { throw Failure(kind); }

void FailIntegerOverflow() { throw Failure(FailureKind::IntegerOverflow); }

namespace fp {

void ClearPending() noexcept {
#if defined(MORVANE_FP_VALUES)
  tPending = 0;
#else
#ifdef MORVANE_FP_MXCSR
  // The flags PendingBits() reads, and no others: on x86-64 the x87 unit
  // does none of our arithmetic, and its flags may be the caller's (the
  // batch call clears the flags after every group of points).
  unsigned csr;
  asm volatile("stmxcsr %0" : "=m"(csr));
  csr &= ~kFaultBits;
  asm volatile("ldmxcsr %0" : : "m"(csr));
#if defined(__i386__) || defined(_WIN32)
  asm volatile("fnclex");
#endif
#else
  std::feclearexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
#endif
#endif
}

void RaisePending() {
#if defined(MORVANE_FP_MXCSR) || defined(MORVANE_FP_VALUES)
  const unsigned bits = PendingBits();
  const bool invalid = bits & kInvalidBit, divide = bits & kDivideByZeroBit;
#else
  const int bits = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
  const bool invalid = bits & FE_INVALID, divide = bits & FE_DIVBYZERO;
#endif
  ClearPending();
  if (invalid) throw Failure(FailureKind::InvalidOperation);
  if (divide) throw Failure(FailureKind::DivisionByZero);
  throw Failure(FailureKind::FloatOverflow);
}

}  // namespace fp
}  // namespace morvane
