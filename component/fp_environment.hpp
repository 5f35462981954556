// The floating-point environment a conversion runs in.
//
// Every result is defined for IEEE double arithmetic rounded to nearest,
// with every exception masked.  A caller may have left anything on its
// thread: another rounding mode, exceptions unmasked (feenableexcept),
// pending flags, flush-to-zero, or on x87 a 53-bit precision.  An
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
  // Rounding to nearest, every exception masked, no flag pending, no
  // flush-to-zero; on x87 64-bit precision, rounding to nearest, masked.
  static constexpr unsigned kMxcsr = 0x1F80u;
  static constexpr unsigned short kX87Control = 0x037Fu;
  static constexpr unsigned short kX87Flags = 0x3Fu;

  EnvironmentScope() noexcept {
    asm volatile("stmxcsr %0" : "=m"(mxcsr_));
    unsigned short control, status;
    asm volatile("fnstcw %0" : "=m"(control));
    asm volatile("fnstsw %0" : "=am"(status));
    if (control != kX87Control || (status & kX87Flags)) {
      // Saving the whole x87 environment is slow, so only when it is not
      // the default: the caller's flags and masks then come back with it.
      x87Saved_ = true;
      asm volatile("fnstenv %0" : "=m"(x87_));
      asm volatile("fnclex");
      asm volatile("fldcw %0" : : "m"(kX87Control));
    }
    const unsigned ours = kMxcsr;
    asm volatile("ldmxcsr %0" : : "m"(ours));
  }

  ~EnvironmentScope() {
    if (x87Saved_) {
      asm volatile("fldenv %0" : : "m"(x87_));
    } else {
      // The caller had no x87 flag pending: clear any ours raised.
      unsigned short status;
      asm volatile("fnstsw %0" : "=am"(status));
      if (status & kX87Flags) asm volatile("fnclex");
    }
    asm volatile("ldmxcsr %0" : : "m"(mxcsr_));
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
