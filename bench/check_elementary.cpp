// check_elementary: compares the core's elementary functions with MPFR's
// correctly rounded values, bit for bit.
//
//   check_elementary [N] [seed] [function] [products]
//
// function: one of the names printed below, or "all" (SinMultiples
// compares each of its four values, 4 N in all), or one of the four-lane
// functions sincos4, pow4, pow4y (one exponent), tan4, multiples4
// (lanes.hpp; not in "all"), which compare every lane of N calls with the
// scalar function's bits on that lane's argument (the scalar functions are checked against MPFR above) and
// their fault flags with those of the four scalar calls; products: auto
// (the default), dekker or fused, the exact products the fast paths use
// (the results must be the same with either).
//
// N arguments per function (default 10^6): a quarter spread over every
// finite double (random bit patterns, a log-uniform magnitude), the rest
// on the domains the conversions use, near multiples of pi/4 and pi/2,
// tiny and huge.  Prints every mismatch and, per function, the arguments
// tried, the mismatches and how often the accurate path ran; the exit
// status is 1 on any mismatch.
#include <mpfr.h>

#include <array>
#include <bit>
#include <cfenv>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "elementary/elementary.hpp"
#include "elementary/lanes.hpp"

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

double CorrectPow(double x, double y) {
  mpfr_t mx, my, mz;
  mpfr_init2(mx, 53);
  mpfr_init2(my, 53);
  mpfr_init2(mz, 53);
  mpfr_set_d(mx, x, MPFR_RNDN);
  mpfr_set_d(my, y, MPFR_RNDN);
  const int inexact = mpfr_pow(mz, mx, my, MPFR_RNDN);
  mpfr_subnormalize(mz, inexact, MPFR_RNDN);
  const double z = mpfr_get_d(mz, MPFR_RNDN);
  mpfr_clears(mx, my, mz, static_cast<mpfr_ptr>(nullptr));
  return z;
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

// Pairs (x, y) for Pow.
class PowArguments {
 public:
  explicit PowArguments(std::uint64_t seed) : rng_(seed) {}

  // The kind of the pair drawn last: true for the conversions' domains
  // and x in (0, 4], y in [-4, 4], false for the special and exact cases.
  bool Ordinary() const { return (kind_ >= 2 && kind_ <= 4) || kind_ >= 10; }

  void Next(double& x, double& y) {
    const std::uint64_t kind = kind_ = rng_() % 16;
    switch (kind) {
      case 0:  // any doubles
        x = std::bit_cast<double>(rng_());
        y = std::bit_cast<double>(rng_());
        return;
      case 1:  // x over the whole range, y with |y log2 x| up to 1100
        x = std::ldexp(1.0 + Unit(), static_cast<int>(rng_() % 2098) - 1074);
        y = (Unit() * 2.0 - 1.0) * 1100.0 / std::fmax(1.0, std::fabs(std::log2(x)));
        return;
      case 2:  // the Lambert projection's (1 + es)/(1 - es) to e/2
        x = 0.84 + Unit() * 0.35;
        y = 0.0409 + Unit() * 0.0002;
        return;
      case 3:  // t^n and (r/aF)^(1/n)
        x = std::ldexp(1.0 + Unit(), static_cast<int>(rng_() % 80) - 40);
        y = (rng_() & 1) ? 0.7716421928 : 1.0 / 0.7716421928;
        return;
      case 4:  // the Molodensky W2^1.5
        x = 0.99 + Unit() * 0.01;
        y = 1.5;
        return;
      case 5: {  // exact cases: integers and their squares and cubes
        const double a = static_cast<double>(1 + rng_() % (1u << 26));
        switch (rng_() % 5) {
          case 0: x = a; y = 2.0; break;
          case 1: x = a * a; y = 0.5; break;
          case 2: x = a * a; y = 1.5; break;
          case 3: x = std::fmod(a, 1u << 17) + 1.0; y = 3.0; break;
          default: x = a * a * 0x1p-40; y = -0.5; break;
        }
        return;
      }
      case 6:  // midpoints: odd 27-bit integers squared
        x = static_cast<double>((1u << 26) | (rng_() & ((1u << 26) - 1)) | 1u);
        y = 2.0;
        return;
      case 7:  // powers of two, with integer and half-integer exponents
        x = std::ldexp(1.0, static_cast<int>(rng_() % 200) - 100);
        y = static_cast<double>(static_cast<int>(rng_() % 41) - 20) / ((rng_() & 1) ? 1.0 : 2.0);
        return;
      case 8:  // x close to 1, large y
        x = std::bit_cast<double>(std::bit_cast<std::int64_t>(1.0) +
                                  static_cast<std::int64_t>(rng_() % 2001) - 1000);
        y = std::ldexp(Unit() * 2.0 - 1.0, static_cast<int>(rng_() % 60));
        return;
      case 9:  // negative x, integer y
        x = -std::ldexp(1.0 + Unit(), static_cast<int>(rng_() % 40) - 20);
        y = static_cast<double>(static_cast<int>(rng_() % 61) - 30);
        return;
      default:  // x in (0, 4], y in [-4, 4]
        x = Unit() * 4.0;
        y = Unit() * 8.0 - 4.0;
        return;
    }
  }

 private:
  double Unit() { return static_cast<double>(rng_() >> 11) * 0x1p-53; }
  std::mt19937_64 rng_;
  std::uint64_t kind_ = 0;
};

// One ulp of a subnormal result: 2^-1074.
bool WithinOneSubnormalUlp(double a, double b) {
  return std::isfinite(a) && std::isfinite(b) && std::fabs(a - b) <= 0x1p-1074 &&
         std::fabs(b) < 0x1p-1022;
}

// The four-lane functions against the scalar ones.  Each lane draws from
// its own stream of the scalar checks' arguments (so the lanes of one
// call mix their kinds), and in one call in four a random lane takes an
// edge value instead: NaN, infinities, zeros, subnormal, huge, and the
// ends of the first stages' ranges and their neighbours.
constexpr int kFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

double Neighbour(double x, std::int64_t ulps) {
  return std::bit_cast<double>(std::bit_cast<std::int64_t>(x) + ulps);
}

constexpr std::array<double, 20> kEdgeArguments = {
    0.0, -0.0, 1.0, -1.0, 0x1p-27, 0x1p-26, 32.0, -32.0, 0x1p20, 1e300, 0x1p-1074, -0x1p-1030,
    0x1.921fb54442d18p+0 - 0x1p-6, 0x1.921fb54442d18p+0, 3.141592653589793, 1e22, -1e-300,
    0x1.fffffffffffffp1023, 0.0, 0.0};

double EdgeArgument(std::mt19937_64& rng) {
  const std::uint64_t i = rng() % (kEdgeArguments.size() + 4);
  if (i == kEdgeArguments.size()) return std::numeric_limits<double>::quiet_NaN();
  if (i == kEdgeArguments.size() + 1) return std::numeric_limits<double>::infinity();
  if (i == kEdgeArguments.size() + 2) return -std::numeric_limits<double>::infinity();
  if (i == kEdgeArguments.size() + 3) return -std::numeric_limits<double>::quiet_NaN();
  const double x = kEdgeArguments[i];
  const std::int64_t step = static_cast<std::int64_t>(rng() % 3) - 1;  // the value or a neighbour
  return x == 0.0 || !std::isfinite(Neighbour(x, step)) ? x : Neighbour(x, step);
}

void EdgePair(std::mt19937_64& rng, double& x, double& y) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  static constexpr double kBases[] = {0.0, -0.0, 1.0, -1.0, -2.0, 0x1p-1074, 0x1p-1030, 2.0, 0.5, 1e300};
  static constexpr double kExponents[] = {0.0, -0.0, 0.5, 1.5, 2.0, -1.0, 3.0, 0x1p64, 0x1.0000000000001p64,
                                          1e300, -0.5, 1100.0, -1100.0, 1075.0, 0x1p-1074};
  const std::uint64_t i = rng() % 12, j = rng() % 17;
  x = i < 10 ? kBases[i] : (i == 10 ? nan : (rng() & 1 ? inf : -inf));
  y = j < 15 ? kExponents[j] * (rng() & 1 ? 1.0 : -1.0) : (j == 15 ? nan : inf);
}

// pow4y: one exponent for the four lanes, passed once (Pow(Lanes4,
// double)) and in every lane (Pow(Lanes4, Lanes4)).  Half of
// the calls take an exponent of the conversions (e/2 of the ellipsoids,
// n and 1/n of the Lambert projections, 1.5) or one a few ulps from
// them, with bases from their domains in three lanes of four; the others
// take the exponent drawn for lane 0 (random pairs), one of the edge
// exponents or one of those PowAll treats apart, and their neighbours.
double UniformExponent(std::mt19937_64& rng, double drawn, bool& conversion) {
  static constexpr double kConversion[] = {0.0409095955, 0.0409959450, 0.7716421928,
                                           1.0 / 0.7716421928, 1.5};
  static constexpr double kApart[] = {0.5, 2.0, 1.5, -0.5, -2.0, -1.5, 3.0, 0.25, 0x1p64, 1.0};
  const std::uint64_t k = rng() % 8;
  conversion = k < 4;
  if (k < 4) {
    const double y = kConversion[rng() % std::size(kConversion)];
    return k == 0 ? Neighbour(y, static_cast<std::int64_t>(rng() % 9) - 4) : y;
  }
  if (k < 6) return drawn;
  if (k == 6) {
    double x, y;
    EdgePair(rng, x, y);
    return y;
  }
  const double y = kApart[rng() % std::size(kApart)];
  return Neighbour(y, static_cast<std::int64_t>(rng() % 3) - 1);
}

double ConversionBase(std::mt19937_64& rng, double y) {
  const double unit = static_cast<double>(rng() >> 11) * 0x1p-53;
  if (y < 0.1) return 0.84 + unit * 0.35;                      // (1 + es)/(1 - es)
  if (y > 1.4 && y < 1.6) return 0.99 + unit * 0.01;         // W2
  return std::ldexp(1.0 + unit, static_cast<int>(rng() % 80) - 40);  // t, r/aF
}

// multiples4: SinMultiples on four latitudes at once, each lane's four
// values against SinMultiples on that lane's phi; phi drawn as in the
// SinMultiples check above (arguments, near k pi/4 divided by the
// multiple, latitudes), and the edge arguments.
std::uint64_t CheckMultiplesLanes(std::uint64_t n, std::uint64_t seed) {
  using morvane::elementary::Lanes4;
  std::mt19937_64 pick(seed * 37 + 11);
  Arguments args[4] = {Arguments(seed * 4 + 1, true), Arguments(seed * 4 + 2, true),
                       Arguments(seed * 4 + 3, true), Arguments(seed * 4 + 4, true)};
  std::uint64_t mismatches = 0, flagMismatches = 0, edges = 0, accurate = 0;
  for (std::uint64_t i = 0; i < n; ++i) {
    Lanes4 phi;
    for (int l = 0; l < 4; ++l) {
      double p = args[l].Next();
      const std::uint64_t choice = pick() % 8;
      if (choice < 4) p /= static_cast<double>(2 * (choice + 1));
      if (choice == 4 || choice == 5) p = (static_cast<double>(pick() >> 11) * 0x1p-52 - 1.0) * 2.0;
      phi[l] = p;
    }
    if (pick() % 4 == 0) {
      ++edges;
      phi[pick() % 4] = EdgeArgument(pick);
    }
    const std::uint64_t start = morvane::elementary::AccuratePathCount();
    std::feclearexcept(FE_ALL_EXCEPT);
    const morvane::elementary::SinMultiplesLanes4 got = morvane::elementary::SinMultiples(phi);
    const int lanesFlags = std::fetestexcept(kFaults);
    accurate += morvane::elementary::AccuratePathCount() - start;
    std::feclearexcept(FE_ALL_EXCEPT);
    morvane::elementary::SinMultiplesOf want[4];
    for (int l = 0; l < 4; ++l) want[l] = morvane::elementary::SinMultiples(phi[l]);
    const int scalarFlags = std::fetestexcept(kFaults);
    if ((lanesFlags & ~scalarFlags) != 0 && ++flagMismatches <= 20) {
      std::printf("FLAGS multiples4(%a, %a, %a, %a): lanes 0x%x, scalar 0x%x\n", phi[0], phi[1], phi[2],
                  phi[3], lanesFlags, scalarFlags);
    }
    for (int l = 0; l < 4; ++l) {
      const double gotValues[4] = {got.sin2[l], got.sin4[l], got.sin6[l], got.sin8[l]};
      const double wantValues[4] = {want[l].sin2, want[l].sin4, want[l].sin6, want[l].sin8};
      for (int m = 0; m < 4; ++m) {
        if (Same(gotValues[m], wantValues[m])) continue;
        if (++mismatches <= 20)
          std::printf("MISMATCH multiples4 lane %d (%a) sin%d = %a, scalar %a\n", l, phi[l], 2 * (m + 1),
                      gotValues[m], wantValues[m]);
      }
    }
  }
  std::printf("%-11s %12" PRIu64 " calls (%" PRIu64 " lanes, %" PRIu64 " with an edge lane) %8" PRIu64
              " mismatches %8" PRIu64 " extra fault flags %10" PRIu64
              " accurate paths in the lanes' calls (%.2e per lane)\n",
              "multiples4", n, 4 * n, edges, mismatches, flagMismatches, accurate,
              static_cast<double>(accurate) / static_cast<double>(4 * (n ? n : 1)));
  return mismatches + flagMismatches;
}

std::uint64_t CheckLanes(const std::string& name, std::uint64_t n, std::uint64_t seed) {
  using morvane::elementary::Lanes4;
  const bool uniform = name == "pow4y";
  const bool pow = name == "pow4" || uniform;
  std::mt19937_64 pick(seed * 31 + 3);
  Arguments args[4] = {Arguments(seed * 4 + 1, true), Arguments(seed * 4 + 2, true),
                       Arguments(seed * 4 + 3, true), Arguments(seed * 4 + 4, true)};
  PowArguments powArgs[4] = {PowArguments(seed * 4 + 1), PowArguments(seed * 4 + 2),
                             PowArguments(seed * 4 + 3), PowArguments(seed * 4 + 4)};
  std::uint64_t mismatches = 0, flagMismatches = 0, edges = 0, accurate = 0;
  for (std::uint64_t i = 0; i < n; ++i) {
    Lanes4 x, y = {1.0, 1.0, 1.0, 1.0};
    for (int l = 0; l < 4; ++l) {
      if (pow) {
        double a, b;
        powArgs[l].Next(a, b);
        x[l] = a;
        y[l] = b;
      } else {
        x[l] = args[l].Next();
      }
    }
    if (uniform) {
      bool conversion;
      const double yu = UniformExponent(pick, y[0], conversion);
      for (int l = 0; l < 4; ++l) {
        y[l] = yu;
        if (conversion && pick() % 4 != 0) x[l] = ConversionBase(pick, yu);
      }
    }
    if (pick() % 4 == 0) {
      ++edges;
      const int l = static_cast<int>(pick() % 4);
      if (pow) {
        double a, b;
        EdgePair(pick, a, b);
        x[l] = a;
        if (!uniform) y[l] = b;
      } else {
        x[l] = EdgeArgument(pick);
      }
    }
    Lanes4 got[2], want[2];
    const std::uint64_t start = morvane::elementary::AccuratePathCount();
    std::feclearexcept(FE_ALL_EXCEPT);
    if (name == "sincos4") {
      const morvane::elementary::SinCosLanes4 r = morvane::elementary::SinCos(x);
      got[0] = r.sin;
      got[1] = r.cos;
    } else if (uniform) {
      // Passed once, and in the four lanes (the same bits).
      got[0] = morvane::elementary::Pow(x, y[0]);
      got[1] = morvane::elementary::Pow(x, y);
    } else if (pow) {
      got[0] = got[1] = morvane::elementary::Pow(x, y);
    } else {
      got[0] = got[1] = morvane::elementary::Tan(x);
    }
    const int lanesFlags = std::fetestexcept(kFaults);
    accurate += morvane::elementary::AccuratePathCount() - start;
    std::feclearexcept(FE_ALL_EXCEPT);
    for (int l = 0; l < 4; ++l) {
      if (name == "sincos4") {
        const morvane::elementary::SinCosPair r = morvane::elementary::SinCos(x[l]);
        want[0][l] = r.sin;
        want[1][l] = r.cos;
      } else if (pow) {
        want[0][l] = want[1][l] = morvane::elementary::Pow(x[l], y[l]);
      } else {
        want[0][l] = want[1][l] = morvane::elementary::Tan(x[l]);
      }
    }
    const int scalarFlags = std::fetestexcept(kFaults);
    if ((lanesFlags & ~scalarFlags) != 0 && ++flagMismatches <= 20) {
      std::printf("FLAGS %s(%a, %a, %a, %a; %a, %a, %a, %a): lanes 0x%x, scalar 0x%x\n", name.c_str(),
                  x[0], x[1], x[2], x[3], y[0], y[1], y[2], y[3], lanesFlags, scalarFlags);
    }
    for (int v = 0; v < (name == "sincos4" || uniform ? 2 : 1); ++v) {
      for (int l = 0; l < 4; ++l) {
        if (Same(got[v][l], want[v][l])) continue;
        if (++mismatches <= 20)
          std::printf("MISMATCH %s lane %d (%a, %a) value %d = %a, scalar %a\n", name.c_str(), l, x[l],
                      y[l], v, got[v][l], want[v][l]);
      }
    }
  }
  std::printf("%-11s %12" PRIu64 " calls (%" PRIu64 " lanes, %" PRIu64 " with an edge lane) %8" PRIu64
              " mismatches %8" PRIu64 " extra fault flags %10" PRIu64
              " accurate paths in the lanes' calls (%.2e per lane)\n",
              name.c_str(), n, 4 * n, edges, mismatches, flagMismatches, accurate,
              static_cast<double>(accurate) / static_cast<double>(4 * (n ? n : 1)));
  return mismatches + flagMismatches;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const std::string only = argc > 3 && std::string(argv[3]) != "all" ? argv[3] : "";
  const std::string products = argc > 4 ? argv[4] : "auto";
  if (products == "dekker") {
    morvane::elementary::ForceProducts(morvane::elementary::Products::kDekker);
  } else if (products == "fused") {
    if (!morvane::elementary::ForceProducts(morvane::elementary::Products::kFused)) {
      std::fprintf(stderr, "check_elementary: this processor has no FMA\n");
      return 2;
    }
  } else if (products != "auto") {
    std::fprintf(stderr, "check_elementary: products must be auto, dekker or fused\n");
    return 2;
  }
  if (only == "sincos4" || only == "pow4" || only == "pow4y" || only == "tan4") return CheckLanes(only, n, seed) ? 1 : 0;
  if (only == "multiples4") return CheckMultiplesLanes(n, seed) ? 1 : 0;
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
  // SinMultiples: each of its four values against MPFR's sine of the
  // double argument (6.0 * phi rounded, as Sin's caller computes it).
  // phi: in half of the draws the arguments above divided by 2, 4, 6 or 8,
  // which puts the multiples near k pi/4; in a quarter latitudes, |phi| < 2;
  // in a quarter the arguments above themselves.
  if (only.empty() || only == "SinMultiples") {
    Arguments args(seed * 1000003u + 91, true);
    std::mt19937_64 pick(seed + 5);
    std::uint64_t mismatches = 0, inFast = 0, accurateInFast = 0;
    const std::uint64_t before = morvane::elementary::AccuratePathCount();
    for (std::uint64_t i = 0; i < n; ++i) {
      double phi = args.Next();
      const std::uint64_t choice = pick() % 8;
      if (choice < 4) phi /= static_cast<double>(2 * (choice + 1));
      if (choice == 4 || choice == 5) phi = (static_cast<double>(pick() >> 11) * 0x1p-52 - 1.0) * 2.0;
      const std::uint64_t start = morvane::elementary::AccuratePathCount();
      const morvane::elementary::SinMultiplesOf got = morvane::elementary::SinMultiples(phi);
      if (std::fabs(phi) < 2.0) {
        ++inFast;
        accurateInFast += morvane::elementary::AccuratePathCount() - start;
      }
      const double xs[4] = {2.0 * phi, 4.0 * phi, 6.0 * phi, 8.0 * phi};
      const double values[4] = {got.sin2, got.sin4, got.sin6, got.sin8};
      for (int m = 0; m < 4; ++m) {
        const double want = Correct(mpfr_sin, xs[m]);
        if (Same(values[m], want)) continue;
        if (++mismatches <= 20)
          std::printf("MISMATCH SinMultiples(%a).sin%d = sin(%a) = %a, correctly rounded %a\n", phi,
                      2 * (m + 1), xs[m], values[m], want);
      }
    }
    const std::uint64_t accurate = morvane::elementary::AccuratePathCount() - before;
    std::printf("%-11s %12" PRIu64 " arguments %8" PRIu64 " mismatches %10" PRIu64
                " accurate paths; |phi| < 2: %.2e per call of %" PRIu64 "\n",
                "SinMultiples", n, mismatches, accurate,
                static_cast<double>(accurateInFast) / static_cast<double>(inFast ? inFast : 1), inFast);
    total += mismatches;
  }
  if (only.empty() || only == "Pow") {
    PowArguments args(seed * 1000003u + 77);
    std::uint64_t mismatches = 0, subnormal = 0, inFast = 0, accurateInFast = 0;
    const std::uint64_t before = morvane::elementary::AccuratePathCount();
    for (std::uint64_t i = 0; i < n; ++i) {
      double x, y;
      args.Next(x, y);
      const std::uint64_t start = morvane::elementary::AccuratePathCount();
      const double got = morvane::elementary::Pow(x, y);
      if (args.Ordinary()) {
        ++inFast;
        accurateInFast += morvane::elementary::AccuratePathCount() - start;
      }
      const double want = CorrectPow(x, y);
      if (Same(got, want)) continue;
      if (WithinOneSubnormalUlp(got, want)) {
        ++subnormal;  // results below 2^-1022 are within one ulp
        continue;
      }
      if (++mismatches <= 20)
        std::printf("MISMATCH Pow(%a, %a) = %a, correctly rounded %a\n", x, y, got, want);
    }
    const std::uint64_t accurate = morvane::elementary::AccuratePathCount() - before;
    std::printf("%-11s %12" PRIu64 " arguments %8" PRIu64 " mismatches %10" PRIu64
                " accurate paths; on ordinary pairs %.2e of %" PRIu64
                "; subnormal results one ulp away: %" PRIu64 "\n",
                "Pow", n, mismatches, accurate,
                static_cast<double>(accurateInFast) / static_cast<double>(inFast ? inFast : 1), inFast,
                subnormal);
    total += mismatches;
  }
  return total ? 1 : 0;
}
