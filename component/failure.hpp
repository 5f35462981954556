// Failures of an operation: the few conditions that make a call fail
// towards its client instead of leaving a message in Error.
//
// Input problems are never reported this way; they are messages.  What is
// reported here is an index outside a table, a 16-bit integer overflow and
// the three floating-point faults (invalid operation, division by zero,
// overflow).  Inexact results and underflow are not faults.
#pragma once

#include <cfenv>
#include <cstdint>
#include <exception>
#include <type_traits>

#include "api.hpp"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2_MATH__) && defined(__GNUC__)
#define MORVANE_FP_MXCSR 1
#endif

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

[[noreturn]] void Fail(FailureKind kind);

// 16-bit signed integer arithmetic that fails instead of wrapping.
[[noreturn]] void FailIntegerOverflow();

template <typename T>
inline std::int16_t ToInt16(T value) {
  if (!(value >= T(-32768) && value <= T(32767))) FailIntegerOverflow();  // NaN fails too
  return static_cast<std::int16_t>(value);
}

// A double converted to a 32-bit integer (it must already be whole or be
// truncated); out of range or NaN fails.
inline std::int32_t ToInt32(double value) {
  if (!(value >= -2147483648.0 && value <= 2147483647.0)) FailIntegerOverflow();
  return static_cast<std::int32_t>(value);
}

// A double truncated toward zero to a 16-bit integer; NaN fails.
inline std::int16_t TruncToInt16(double value) {
  if (!(value > -32769.0 && value < 32768.0)) FailIntegerOverflow();
  return static_cast<std::int16_t>(static_cast<int>(value));
}

namespace fp {

// On x86-64 (and 32-bit x86 built for SSE2) double arithmetic runs on SSE
// and its sticky flags live in MXCSR, which can be read in a cycle or two;
// elsewhere <cfenv> is used.
#ifdef MORVANE_FP_MXCSR
inline constexpr unsigned kFaultBits = 0x01u /*IE*/ | 0x04u /*ZE*/ | 0x08u /*OE*/;
// A volatile read: the compiler must neither merge two reads nor move one.
inline unsigned PendingBits() noexcept {
  unsigned csr;
  asm volatile("stmxcsr %0" : "=m"(csr));
#ifdef _WIN32
  // MinGW's runtime computes sin, cos, tan, atan and pow on the x87 unit,
  // whose faults land in its own status word (same bit positions).
  unsigned short status;
  asm volatile("fnstsw %0" : "=am"(status));
  csr |= status;
#endif
  return csr & kFaultBits;
}
#else
inline constexpr int kFaultBits = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
inline int PendingBits() noexcept { return std::fetestexcept(kFaultBits); }
#endif

// Forces a value to exist before the next statement runs.
template <typename T>
inline void Materialize(const T& value) noexcept {
#if defined(MORVANE_FP_MXCSR)
  if constexpr (std::is_floating_point_v<T>) asm volatile("" : : "x"(value));
  else asm volatile("" : : "g"(value));
#elif defined(__GNUC__)
  asm volatile("" : : "g"(value));
#else
  (void)value;
#endif
}

// Clears the fault flags and raises the failure they name (invalid
// operation first, then division by zero, then overflow).
[[noreturn]] void RaisePending();

// Deferred checking.  Reading the flags waits for the arithmetic in flight,
// which costs a few nanoseconds per read.  A whole conversion therefore
// runs first with the steps unchecked and the flags read once at its end;
// only when a fault is then pending (or a failure was raised) is it run
// again from its saved state with every step checked, which stops at the
// faulting step exactly as the checked run alone would.  While the
// unchecked run is under way, Begin() and Check() do nothing, and a
// routine that handles a failure itself passes it on instead.
inline thread_local bool tDeferred = false;
inline bool Deferred() noexcept { return tDeferred; }

class DeferredScope {
 public:
  DeferredScope() noexcept : previous_(tDeferred) { tDeferred = true; }
  ~DeferredScope() { tDeferred = previous_; }
  DeferredScope(const DeferredScope&) = delete;
  DeferredScope& operator=(const DeferredScope&) = delete;

 private:
  bool previous_;
};

// Forgets faults raised before an operation starts, so that a client's own
// arithmetic cannot make one of our operations fail.
void ClearPending() noexcept;
inline void Begin() noexcept {
  if (Deferred()) return;  // flags raised earlier in the run must stay
  if (PendingBits()) [[unlikely]] ClearPending();
}

// Called after each floating-point step: a fault stops the routine there.
// The compiler does not see the flags as a result of the arithmetic, so
// the values whose steps are checked can be named: they are then computed
// before the flags are read.
template <typename... T>
inline void Check(const T&... values) {
  if (Deferred()) return;
  (Materialize(values), ...);
  if (PendingBits()) [[unlikely]] RaisePending();
}

}  // namespace fp
}  // namespace morvane
