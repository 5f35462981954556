// The floating-point environment a conversion runs in.
//
// Every result is defined for IEEE double arithmetic rounded to nearest,
// with every exception masked.  A caller may have left anything on its
// thread: another rounding mode, exceptions unmasked (feenableexcept),
// pending flags, flush-to-zero, or x87 exceptions unmasked.  An
// EnvironmentScope sets the environment the arithmetic needs for the time
// of a call and gives the caller's back, exactly as it found it, at the
// end: its mode, its masks and its pending flags, none of ours.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define MORVANE_FP_X86 1
#elif !defined(__wasm__)
#include <cfenv>
#endif

namespace morvane::fp {

#if defined(MORVANE_FP_X86)

class EnvironmentScope {
 public:
  // MXCSR: rounding to nearest, every exception masked, no flush-to-zero;
  // its six sticky flags, of which three are faults.
  static constexpr unsigned kMxcsr = 0x1F80u;
  static constexpr unsigned kMxcsrFlags = 0x3Fu;
  static constexpr unsigned kMxcsrFaults = 0x0Du;
#if defined(__i386__)
  // 32-bit x86 still passes the doubles that functions return through the
  // x87 unit, and converts 64-bit integers there: its control word (every
  // exception masked, rounding to nearest) is made sure of, and its flags
  // are ours to read and to leave as found.  Its precision (bits 8-9) is
  // left as the caller set it: no arithmetic runs there, and loads, stores
  // and integer conversions do not depend on it.  On x86-64 the x87 unit
  // plays no part.
  static constexpr bool kX87 = true;
#else
  static constexpr bool kX87 = false;
#endif
  static constexpr unsigned short kX87Control = 0x037Fu;
  static constexpr unsigned short kX87Flags = 0x3Fu;
  static constexpr unsigned short kX87Precision = 0x0300u;

  // Each load of a control register costs a few dozen cycles: a caller
  // already in our modes with no fault pending (the usual case) is left
  // as it is, and at the end only what changed is put back.
  EnvironmentScope() noexcept {
    asm volatile("stmxcsr %0" : "=m"(mxcsr_));
    if ((mxcsr_ & ~kMxcsrFlags) != kMxcsr || (mxcsr_ & kMxcsrFaults)) {
      const unsigned ours = kMxcsr;
      asm volatile("ldmxcsr %0" : : "m"(ours));
    }
    if constexpr (kX87) {
      unsigned short control, status;
      asm volatile("fnstcw %0" : "=m"(control));
      asm volatile("fnstsw %0" : "=am"(status));
      if ((control | kX87Precision) != kX87Control || (status & kX87Flags)) {
        // The whole x87 environment, flags and masks, comes back at the end.
        x87Saved_ = true;
        asm volatile("fnstenv %0" : "=m"(x87_));
        asm volatile("fnclex");
        asm volatile("fldcw %0" : : "m"(kX87Control));
      }
    }
  }

  ~EnvironmentScope() {
    if (x87Saved_) {
      asm volatile("fldenv %0" : : "m"(x87_));
    } else if constexpr (kX87) {
      // The caller had no x87 flag pending: clear any ours raised.
      unsigned short status;
      asm volatile("fnstsw %0" : "=am"(status));
      if (status & kX87Flags) asm volatile("fnclex");
    }
    unsigned now;
    asm volatile("stmxcsr %0" : "=m"(now));
    if (now != mxcsr_) asm volatile("ldmxcsr %0" : : "m"(mxcsr_));
  }

  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

 private:
  unsigned mxcsr_ = 0;
  bool x87Saved_ = false;
  struct {
    unsigned char bytes[28];  // the 32-bit protected-mode layout of fnstenv
  } x87_{};
};

#elif defined(__wasm__)

// WebAssembly always rounds to nearest and has neither traps nor flags.
// The constructor is user-provided, so that a scope held for its lifetime
// is not taken for an unused variable.
class EnvironmentScope {
 public:
  EnvironmentScope() noexcept {}
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;
};

#else

class EnvironmentScope {
 public:
  EnvironmentScope() noexcept {
    std::fegetenv(&saved_);
    std::fesetenv(FE_DFL_ENV);
  }
  ~EnvironmentScope() { std::fesetenv(&saved_); }
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

 private:
  std::fenv_t saved_;
};

#endif

}  // namespace morvane::fp
