// Raising failures: the kinds (public, <morvane/failure.hpp>), the checked
// 16-bit conversions and the checks of floating-point steps that every
// routine of the core runs.  Inexact results and underflow are not faults.
#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include <morvane/failure.hpp>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2_MATH__) && defined(__GNUC__)
#define MORVANE_FP_MXCSR 1
#elif !defined(FE_INVALID) || !defined(FE_DIVBYZERO) || !defined(FE_OVERFLOW)
// No sticky flags on this target (WebAssembly): faults are read from the
// values the checked steps produce.
#define MORVANE_FP_VALUES 1
#endif

namespace morvane {

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

// The three faults, as bits of the pending set (the bit numbers of MXCSR,
// and of the x87 status word).
inline constexpr unsigned kInvalidBit = 0x01u;
inline constexpr unsigned kDivideByZeroBit = 0x04u;
inline constexpr unsigned kOverflowBit = 0x08u;

// On x86-64 (and 32-bit x86 built for SSE2) double arithmetic runs on SSE
// and its sticky flags live in MXCSR, which can be read in a cycle or two;
// elsewhere <cfenv> is used.  Without flags the pending set is kept here:
// the checks put into it what the values show, and Quotient() the
// divisions by zero.
#if defined(MORVANE_FP_MXCSR)
inline constexpr unsigned kFaultBits = kInvalidBit | kDivideByZeroBit | kOverflowBit;
// A volatile read: the compiler must neither merge two reads nor move one.
inline unsigned PendingBits() noexcept {
  unsigned csr;
  asm volatile("stmxcsr %0" : "=m"(csr));
#if defined(__i386__)
  // 32-bit x86 moves returned doubles and 64-bit integers through the x87
  // unit, whose faults land in its own status word (same bit positions).
  unsigned short status;
  asm volatile("fnstsw %0" : "=am"(status));
  csr |= status;
#endif
  return csr & kFaultBits;
}
#elif defined(MORVANE_FP_VALUES)
inline constexpr unsigned kFaultBits = kInvalidBit | kDivideByZeroBit | kOverflowBit;
inline thread_local unsigned tPending = 0;
inline unsigned PendingBits() noexcept { return tPending; }
#else
inline constexpr int kFaultBits = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
inline int PendingBits() noexcept { return std::fetestexcept(kFaultBits); }
#endif

// Forces a value to exist before the next statement runs.  Without flags
// nothing is read behind the compiler's back, so nothing need be forced.
template <typename T>
inline void Materialize(const T& value) noexcept {
#if defined(MORVANE_FP_MXCSR)
  if constexpr (std::is_floating_point_v<T>) asm volatile("" : : "x"(value));
  else asm volatile("" : : "g"(value));
#elif defined(__GNUC__) && !defined(MORVANE_FP_VALUES)
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
//
// Without flags a check is a look at the value, which costs no wait: a
// conversion runs checked from the start there.  (A routine that defers
// its own checks notes the value of each unchecked step instead, see
// Note(), so that the reading at its end finds what the flags would.)
#if defined(MORVANE_FP_VALUES)
inline constexpr bool kDeferredChecks = false;
#else
inline constexpr bool kDeferredChecks = true;
#endif
inline thread_local bool tDeferred = false;
inline bool Deferred() noexcept { return kDeferredChecks && tDeferred; }

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

// Begin() for a routine whose first step may fault on its input: the
// inputs are passed through the reading of the flags, so that the
// compiler cannot compute that step before the flags are read and
// cleared (and the clearing forget its fault).
template <typename T>
inline void PassThrough(T& value) noexcept {
#if defined(MORVANE_FP_MXCSR)
  asm volatile("" : "+x"(value));
#else
  Materialize(value);
#endif
}

template <typename... T>
inline void Begin(T&... inputs) noexcept {
  Begin();
  (PassThrough(inputs), ...);
}

#if defined(MORVANE_FP_VALUES)
// The fault a checked value shows: a NaN is an invalid operation and an
// infinity an overflow (a division by zero was put in the pending set by
// Quotient(), and outranks it).  The checked steps take finite operands:
// the checked run stops at the first step whose value is not finite, so no
// NaN or infinity reaches a later one (CheckStep() names the operands of
// the steps that take a routine's input as it came).
template <typename T>
inline unsigned FaultOf(const T& value) noexcept {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(value)) [[unlikely]] return kInvalidBit;
    if (std::isinf(value)) [[unlikely]] return kOverflowBit;
  }
  return 0;
}

template <typename T>
inline bool IsNaN(const T& value) noexcept {
  if constexpr (std::is_floating_point_v<T>) return std::isnan(value);
  else return false;
}

template <typename T>
inline bool IsFinite(const T& value) noexcept {
  if constexpr (std::is_floating_point_v<T>) return std::isfinite(value);
  else return true;
}
#endif

// Called after each floating-point step: a fault stops the routine there.
// The compiler does not see the flags as a result of the arithmetic, so
// the values whose steps are checked can be named: they are then computed
// before the flags are read.
#if defined(MORVANE_FP_VALUES)
// Puts the faults the values show into the pending set and raises them.
template <typename... T>
[[noreturn, gnu::cold, gnu::noinline]] void RaiseWith(const T&... values) {
  tPending = (tPending | ... | FaultOf(values));
  RaisePending();
}
#endif

template <typename... T>
inline void Check(const T&... values) {
  if (Deferred()) return;
#if defined(MORVANE_FP_VALUES)
  // One comparison a value while nothing is wrong.
  if (tPending != 0 || !(IsFinite(values) && ...)) [[unlikely]] RaiseWith(values...);
#else
  (Materialize(values), ...);
  if (PendingBits()) [[unlikely]] RaisePending();
#endif
}

// The value of a step run unchecked, for a reading of the flags at the end
// of the run.  With flags the arithmetic has set them; without, the value's
// fault goes into the pending set.
template <typename T>
inline void Note([[maybe_unused]] const T& value) noexcept {
#if defined(MORVANE_FP_VALUES)
  if (!IsFinite(value)) [[unlikely]] tPending |= FaultOf(value);
#endif
}

// Check() of a step that takes a routine's input as it came, which may be
// a NaN or an infinity.  Arithmetic passes those through without a fault
// (a quiet NaN stays a NaN, an infinity times a number an infinity), so
// without flags the result of a non-finite operand counts only when it is
// a NaN made from infinities (the sine of an infinity, infinity minus
// infinity).  With flags the operands need not be named.
template <typename R, typename... T>
inline void CheckStep(const R& result, [[maybe_unused]] const T&... operands) {
#if defined(MORVANE_FP_VALUES)
  if (!Deferred() && !(IsFinite(operands) && ...)) {
    const bool madeNaN = IsNaN(result) && !(IsNaN(operands) || ...);
    if (madeNaN) tPending |= kInvalidBit;
    Check();
    return;
  }
#endif
  Check(result);
}

// The quotient of a checked division whose divisor may be zero.  With
// flags it is the division alone; without, a finite non-zero dividend over
// a zero divisor puts the division by zero in the pending set, where the
// step's check finds it, as the flag would be.
inline double Quotient(double dividend, double divisor) noexcept {
#if defined(MORVANE_FP_VALUES)
  if (divisor == 0 && dividend != 0 && std::isfinite(dividend)) [[unlikely]]
    tPending |= kDivideByZeroBit;
#endif
  return dividend / divisor;
}

// An ordered comparison (a < b) on input as it came.  With flags, a NaN
// makes it raise an invalid operation, which the next check finds; without,
// that fault goes into the pending set.
template <typename T>
inline bool Less(T a, T b) noexcept {
#if defined(MORVANE_FP_VALUES)
  if (std::isnan(a) || std::isnan(b)) [[unlikely]] tPending |= kInvalidBit;
#endif
  return a < b;
}

}  // namespace fp
}  // namespace morvane
