// check_elementary: compares the core's elementary functions with MPFR's
// correctly rounded values, bit for bit.
//
//   check_elementary [N] [seed] [function]
//
// N arguments per function (default 10^6): a quarter spread over every
// finite double (random bit patterns, a log-uniform magnitude), the rest
// on the domains the conversions use, near multiples of pi/4 and pi/2,
// tiny and huge.  Prints every mismatch and, per function, the arguments
// tried, the mismatches and how often the accurate path ran; the exit
// status is 1 on any mismatch.
#include <mpfr.h>

#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "elementary/elementary.hpp"

namespace {

using Function = double (*)(double);
using Reference = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

double Correct(Reference f, double x) {
  mpfr_t mx, my;
  mpfr_init2(mx, 53);
  mpfr_init2(my, 53);
  mpfr_set_d(mx, x, MPFR_RNDN);
  const int inexact = f(my, mx, MPFR_RNDN);
  mpfr_subnormalize(my, inexact, MPFR_RNDN);
  const double y = mpfr_get_d(my, MPFR_RNDN);
  mpfr_clear(mx);
  mpfr_clear(my);
  return y;
}

bool Same(double a, double b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

double SinOfPair(double x) { return morvane::elementary::SinCos(x).sin; }
double CosOfPair(double x) { return morvane::elementary::SinCos(x).cos; }

struct Checked {
  const char* name;
  Function f;
  Reference ref;
  bool periodic;  // arguments near multiples of pi/4
};

class Arguments {
 public:
  Arguments(std::uint64_t seed, bool periodic) : rng_(seed), periodic_(periodic) {}

  double Next() {
    const std::uint64_t kind = rng_() % 16;
    const double sign = (rng_() & 1) ? -1.0 : 1.0;
    switch (kind) {
      case 0: {  // any finite double
        double x;
        do x = std::bit_cast<double>(rng_()); while (!std::isfinite(x));
        return x;
      }
      case 1:  // log-uniform over the whole range
        return sign * std::ldexp(1.0 + Unit(), static_cast<int>(rng_() % 2098) - 1074);
      case 2:  // tiny
        return sign * std::ldexp(1.0 + Unit(), -static_cast<int>(rng_() % 40) - 1);
      case 3:  // large
        return sign * std::ldexp(1.0 + Unit(), static_cast<int>(rng_() % 40));
      case 4:
      case 5:
      case 6:
        if (periodic_) {  // near k pi/4, a few ulps or a little more away
          const double scale = std::ldexp(1.0, static_cast<int>(rng_() % 22));
          const double k = std::floor(Unit() * scale) + 1.0;
          const double x = sign * k * 0.78539816339744830962;
          const std::int64_t ulps = static_cast<std::int64_t>(rng_() % 2001) - 1000;
          return std::bit_cast<double>(std::bit_cast<std::int64_t>(x) + ulps);
        }
        return sign * Unit() * 10.0;
      case 7:  // latitudes (radians) and their multiples up to 8
        return sign * Unit() * 1.5707963267948966 * static_cast<double>(1 + rng_() % 8);
      case 8:  // quotients dx/dy, t of the Lambert projection
        return sign * std::ldexp(Unit(), static_cast<int>(rng_() % 8));
      default:  // the conversion domain: |x| <= 4 pi
        return sign * Unit() * 12.566370614359172;
    }
  }

 private:
  double Unit() { return static_cast<double>(rng_() >> 11) * 0x1p-53; }
  std::mt19937_64 rng_;
  bool periodic_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const std::string only = argc > 3 ? argv[3] : "";
  mpfr_set_emin(-1073);
  mpfr_set_emax(1024);

  const Checked functions[] = {
      {"Sin", morvane::elementary::Sin, mpfr_sin, true},
      {"Cos", morvane::elementary::Cos, mpfr_cos, true},
      {"SinCos.sin", SinOfPair, mpfr_sin, true},
      {"SinCos.cos", CosOfPair, mpfr_cos, true},
      {"Tan", morvane::elementary::Tan, mpfr_tan, true},
      {"Atan", morvane::elementary::Atan, mpfr_atan, false},
  };
  std::uint64_t total = 0;
  for (const Checked& c : functions) {
    if (!only.empty() && only != c.name) continue;
    Arguments args(seed * 1000003u + std::hash<std::string>{}(c.name), c.periodic);
    std::uint64_t mismatches = 0, inFast = 0, accurateInFast = 0;
    const std::uint64_t before = morvane::elementary::AccuratePathCount();
    for (std::uint64_t i = 0; i < n; ++i) {
      const double x = args.Next();
      const std::uint64_t start = morvane::elementary::AccuratePathCount();
      const double got = c.f(x);
      // The fast paths' range: |x| < 2^20 for the trigonometric functions.
      if (!c.periodic || std::fabs(x) < 0x1p20) {
        ++inFast;
        accurateInFast += morvane::elementary::AccuratePathCount() - start;
      }
      const double want = Correct(c.ref, x);
      if (!Same(got, want)) {
        if (++mismatches <= 20)
          std::printf("MISMATCH %s(%a) = %a, correctly rounded %a\n", c.name, x, got, want);
      }
    }
    const std::uint64_t accurate = morvane::elementary::AccuratePathCount() - before;
    std::printf("%-11s %12" PRIu64 " arguments %8" PRIu64 " mismatches %10" PRIu64
                " accurate paths; in the fast range %.2e of %" PRIu64 "\n",
                c.name, n, mismatches, accurate,
                static_cast<double>(accurateInFast) / static_cast<double>(inFast ? inFast : 1), inFast);
    total += mismatches;
  }
  return total ? 1 : 0;
}
