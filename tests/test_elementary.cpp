// The core's elementary functions: special values and the exceptions they
// raise (C's Annex F), values checked against MPFR's correctly rounded
// ones, arguments whose values lie close to a midpoint between doubles
// (the accurate path must decide them), symmetry, and SinCos equal to Sin
// and Cos bit for bit.  bench/check_elementary.cpp compares far more
// arguments with MPFR.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/fp_environment.hpp"
#include "elementary/elementary.hpp"
#include "elementary/fixed.hpp"
#include "elementary/lanes.hpp"

namespace morvane::elementary {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

using Function = double (*)(double);

double SinOfPair(double x) { return SinCos(x).sin; }
double CosOfPair(double x) { return SinCos(x).cos; }

struct Named {
  const char* name;
  Function f;
};
constexpr Named kFunctions[] = {{"Sin", Sin},           {"Cos", Cos}, {"Tan", Tan},
                                {"Atan", Atan},         {"SinCos.sin", SinOfPair},
                                {"SinCos.cos", CosOfPair}};

Function ByName(const std::string& name) {
  for (const Named& n : kFunctions)
    if (name == n.name) return n.f;
  return nullptr;
}

bool SameBits(double a, double b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

std::string Hex(double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%a", x);
  return buffer;
}

// The value and the fault flags of one call, the flags cleared before.
struct Outcome {
  double value;
  int faults;
};
Outcome Call(Function f, double x) {
  volatile double argument = x;
  std::feclearexcept(FE_ALL_EXCEPT);
  const double value = f(argument);
  volatile double kept = value;
  const int faults = std::fetestexcept(kFaults);
  return {kept, faults};
}

struct Special {
  const char* function;
  double x, expected;
  int faults;
};

TEST(Elementary, SpecialValuesAndTheirExceptions) {
  const double halfPi = 0x1.921fb54442d18p+0;
  const Special cases[] = {
      {"Sin", 0.0, 0.0, 0},           {"Sin", -0.0, -0.0, 0},
      {"Sin", kInf, kNaN, FE_INVALID}, {"Sin", -kInf, kNaN, FE_INVALID},
      {"Sin", kNaN, kNaN, 0},         {"Cos", 0.0, 1.0, 0},
      {"Cos", -0.0, 1.0, 0},          {"Cos", kInf, kNaN, FE_INVALID},
      {"Cos", -kInf, kNaN, FE_INVALID}, {"Cos", kNaN, kNaN, 0},
      {"Tan", 0.0, 0.0, 0},           {"Tan", -0.0, -0.0, 0},
      {"Tan", kInf, kNaN, FE_INVALID}, {"Tan", -kInf, kNaN, FE_INVALID},
      {"Tan", kNaN, kNaN, 0},         {"Atan", 0.0, 0.0, 0},
      {"Atan", -0.0, -0.0, 0},        {"Atan", kInf, halfPi, 0},
      {"Atan", -kInf, -halfPi, 0},    {"Atan", kNaN, kNaN, 0},
      {"SinCos.sin", -0.0, -0.0, 0},  {"SinCos.cos", -0.0, 1.0, 0},
      {"SinCos.sin", kInf, kNaN, FE_INVALID}, {"SinCos.cos", -kInf, kNaN, FE_INVALID},
      // Tiny arguments: the value is the argument (or 1), inexactly.
      {"Sin", 0x1p-1074, 0x1p-1074, 0}, {"Sin", -0x1p-1022, -0x1p-1022, 0},
      {"Tan", 0x1p-1074, 0x1p-1074, 0}, {"Atan", -0x1p-1074, -0x1p-1074, 0},
      {"Cos", 0x1p-1074, 1.0, 0},     {"Sin", 0x1p-26, 0x1p-26, 0},
      {"Cos", 0x1p-26, 0x1.fffffffffffffp-1, 0}, {"Atan", 0x1p-26, 0x1.fffffffffffffp-27, 0},
      // The largest finite arguments: no fault.
      {"Sin", 0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8, 0},
      {"Cos", 0x1.fffffffffffffp+1023, -0x1.fffe62ecfab75p-1, 0},
      {"Tan", 0x1.fffffffffffffp+1023, -0x1.4530cfe729484p-8, 0},
      {"Atan", -0x1.fffffffffffffp+1023, -halfPi, 0},
  };
  for (const Special& c : cases) {
    const Outcome o = Call(ByName(c.function), c.x);
    EXPECT_TRUE(SameBits(o.value, c.expected))
        << c.function << "(" << Hex(c.x) << ") = " << Hex(o.value) << ", expected " << Hex(c.expected);
    EXPECT_EQ(o.faults, c.faults) << c.function << "(" << Hex(c.x) << ")";
  }
}

struct Known {
  double x, sin, cos, tan, atan;
};

// Correctly rounded values from MPFR.
TEST(Elementary, ValuesCorrectlyRounded) {
  const Known cases[] = {
      {0x1p+0, 0x1.aed548f090ceep-1, 0x1.14a280fb5068cp-1, 0x1.8eb245cbee3a6p+0,
       0x1.921fb54442d18p-1},
      {0x1.0f0cf064dd592p+73, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1, -0x1.a0f79c1b6b257p+0,
       0x1.921fb54442d18p+0},  // 1e22
      {0x1.6a09e667f3bcdp+0, 0x1.f9bc75444858bp-1, 0x1.3f5f6868470b3p-3, 0x1.9562355bda6e7p+2,
       0x1.e91f42805715dp-1},
      // The double closest to a multiple of pi/2.
      {0x1.6ac5b262ca1ffp+849, 0x1p+0, -0x1.14ae72e6ba22fp-61, -0x1.d9ba9a7975636p+60,
       0x1.921fb54442d18p+0},
      // pi/2, pi, pi/4 rounded.
      {0x1.921fb54442d18p+0, 0x1p+0, 0x1.1a62633145c07p-54, 0x1.d02967c31cdb5p+53,
       0x1.00fe987ed02ffp+0},
      {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1p+0, -0x1.1a62633145c07p-53,
       0x1.433b8a322ddd3p+0},
      {0x1.921fb54442d18p-1, 0x1.6a09e667f3bccp-1, 0x1.6a09e667f3bcdp-1, 0x1.fffffffffffffp-1,
       0x1.54e04c05d06ap-1},
      {0x1.0000000000001p-26, 0x1.0000000000001p-26, 0x1.fffffffffffffp-1, 0x1.0000000000001p-26,
       0x1.0000000000001p-26},
      {0x1.7e43c8800759cp+996, -0x1.a2c16b010e385p-1, -0x1.2699022adc4c1p-1, 0x1.6be411f37ac77p+0,
       0x1.921fb54442d18p+0},  // 1e300
  };
  for (const Known& c : cases) {
    EXPECT_TRUE(SameBits(Sin(c.x), c.sin)) << "Sin(" << Hex(c.x) << ") = " << Hex(Sin(c.x));
    EXPECT_TRUE(SameBits(Cos(c.x), c.cos)) << "Cos(" << Hex(c.x) << ") = " << Hex(Cos(c.x));
    EXPECT_TRUE(SameBits(Tan(c.x), c.tan)) << "Tan(" << Hex(c.x) << ") = " << Hex(Tan(c.x));
    EXPECT_TRUE(SameBits(Atan(c.x), c.atan)) << "Atan(" << Hex(c.x) << ") = " << Hex(Atan(c.x));
  }
}

struct Hard {
  const char* function;
  double x, expected;
};

// Arguments of the conversions' domain whose values have some twenty
// equal bits after the rounding bit (found with MPFR among 3 million
// each).
TEST(Elementary, HardCasesTakeTheAccuratePathAndRoundCorrectly) {
  const Hard cases[] = {
      {"Atan", -0x1.a7a4db6a7349dp+2, -0x1.6bbd788de0f59p+0},
      {"Atan", 0x1.74f8c5f549865p+3, 0x1.7c36a09ad00d8p+0},
      {"Atan", -0x1.3a25c5e58be4ep+3, -0x1.7822f6a46c88cp+0},
      {"Atan", -0x1.5c90582786p-4, -0x1.5bb9e01a5241ap-4},
      {"Cos", 0x1.d2bb76fabbc72p+2, 0x1.1086cd36b8384p-1},
      {"Cos", 0x1.09579bce7df0ep+2, -0x1.12beca7ffff0dp-1},
      {"Cos", 0x1.3d6cc4c1f6356p+2, 0x1.f578df1488ae8p-3},
      {"Cos", 0x1.9cf854c9201a4p+1, -0x1.fe29b8ffe47dap-1},
      {"Sin", 0x1.2528885b495ap-2, 0x1.212b8e76110dep-2},
      {"Sin", -0x1.57a082320a5f9p+2, 0x1.957be06e70b35p-1},
      {"Sin", 0x1.5602db6d39ebep+2, -0x1.9d3f1799dd883p-1},
      {"Sin", -0x1.019d2c1470e36p+3, -0x1.f626ce3c915c1p-1},
      {"Tan", 0x1.3ca5bfcd5d9f7p+3, 0x1.045f2a747bcbep-1},
      {"Tan", 0x1.592420c79e4e9p+3, 0x1.2c652bf63f058p+2},
      {"Tan", -0x1.c8fc559d63e71p+2, -0x1.27b07b137f2edp+0},
      {"Tan", -0x1.f1e5aaa8b8254p+1, -0x1.db4944eeca3c6p-1},
  };
  const std::uint64_t before = AccuratePathCount();
  for (const Hard& c : cases) {
    const double value = ByName(c.function)(c.x);
    EXPECT_TRUE(SameBits(value, c.expected))
        << c.function << "(" << Hex(c.x) << ") = " << Hex(value) << ", expected " << Hex(c.expected);
    if (std::string(c.function) == "Sin" || std::string(c.function) == "Cos") {
      const SinCosPair pair = SinCos(c.x);
      EXPECT_TRUE(SameBits(std::string(c.function) == "Sin" ? pair.sin : pair.cos, c.expected));
    }
  }
  // Where the fast path's error is small beside the value it may decide
  // such a case; most take the accurate path.
  EXPECT_GE(AccuratePathCount() - before, 8u);
}

// Atan at the edges of its reductions: the ends of the fast range
// (2^-27, 2^53), the ties between two cells c = j/256 (x = (j + 1/2)/256,
// which round to the even j) and their neighbours, 1, 2 (the end of the
// cells without a division) and the inverses 1/x of x > 2 at a tie (512)
// or next to the last cell (2 + 2^-51): values of MPFR, with Dekker's and
// with fused products, and for -x.
TEST(Elementary, AtanAtTheEdgesOfItsCellsAndRanges) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  const Hard cases[] = {
      {"below 2^-27", 0x1.fffffffffffffp-28, 0x1.fffffffffffffp-28},
      {"2^-27", 0x1p-27, 0x1p-27},
      {"tie 0/1, below", 0x1.fffffffffffffp-10, 0x1.ffffd5555bbbbp-10},
      {"tie 0/1", 0x1p-9, 0x1.ffffd5555bbbcp-10},
      {"tie 0/1, above", 0x1.0000000000001p-9, 0x1.ffffd5555bbbep-10},
      {"tie 1/2", 0x1.8p-8, 0x1.7ffee00184ca6p-8},
      {"tie 1/2, below", 0x1.7ffffffffffffp-8, 0x1.7ffee00184ca5p-8},
      {"tie 255/256", 0x1.ffp-1, 0x1.919f953eed7c9p-1},
      {"tie 255/256, above", 0x1.ff00000000001p-1, 0x1.919f953eed7cap-1},
      {"1, below", 0x1.fffffffffffffp-1, 0x1.921fb54442d18p-1},
      {"1", 1.0, 0x1.921fb54442d18p-1},
      {"1, above", 0x1.0000000000001p+0, 0x1.921fb54442d19p-1},
      {"tie 511/512", 0x1.ff8p+0, 0x1.1b547a757984fp+0},
      {"tie 511/512, above", 0x1.ff80000000001p+0, 0x1.1b547a757984fp+0},
      {"2, below", 0x1.fffffffffffffp+0, 0x1.1b6e192ebbe44p+0},
      {"2", 2.0, 0x1.1b6e192ebbe44p+0},
      {"2, above (1/x in cell 128)", 0x1.0000000000001p+1, 0x1.1b6e192ebbe45p+0},
      {"1/x at the tie 127/128", 0x1.010101010101p+1, 0x1.1bd4940ea3962p+0},
      {"1/x at the tie 0/1, below", 0x1.fffffffffffffp+8, 0x1.919fb54eed7a9p+0},
      {"1/x at the tie 0/1", 512.0, 0x1.919fb54eed7a9p+0},
      {"1/x at the tie 0/1, above", 0x1.0000000000001p+9, 0x1.919fb54eed7a9p+0},
      {"1e15", 1e15, 0x1.921fb54442d14p+0},
      {"2^53, below", 0x1.fffffffffffffp+52, 0x1.921fb54442d18p+0},
      {"2^53", 0x1p53, 0x1.921fb54442d18p+0},
  };
  for (const Products products : {Products::kDekker, Products::kFused}) {
    ForceProducts(products);
    for (const Hard& c : cases) {
      EXPECT_TRUE(SameBits(Atan(c.x), c.expected))
          << c.function << ": Atan(" << Hex(c.x) << ") = " << Hex(Atan(c.x)) << ", expected " << Hex(c.expected);
      EXPECT_TRUE(SameBits(Atan(-c.x), -c.expected)) << c.function << ": Atan(" << Hex(-c.x) << ")";
    }
  }
}

// Sweeps f over the edges of a table's cells (given in increasing order),
// each edge and two neighbours on either side: f must lie within an ulp
// of the C library's function there (a wrong or misplaced entry would be
// far off) and be monotonic across every boundary (direction +1:
// increasing, -1: decreasing).  Only positive arguments.
void ExpectCloseAndMonotonic(Function f, Function reference, const std::vector<double>& edges,
                             int direction) {
  double previous = direction > 0 ? -kInf : kInf;
  for (const double edge : edges) {
    for (int k = -2; k <= 2; ++k) {
      const double x = std::bit_cast<double>(std::bit_cast<std::int64_t>(edge) + k);
      if (!(x > 0.0)) continue;
      const double y = f(x), r = reference(x);
      ASSERT_LE(std::fabs(y - r), std::nextafter(std::fabs(r), kInf) - std::fabs(r)) << Hex(x);
      if (direction > 0) {
        ASSERT_LE(previous, y) << Hex(x);
      } else {
        ASSERT_GE(previous, y) << Hex(x);
      }
      previous = y;
    }
  }
}

// Every cell of Atan's table, through its centre j/256 and both ends.
TEST(Elementary, AtanIsCloseAndIncreasingOverEveryCell) {
  std::vector<double> edges;
  for (int j = 0; j <= 1024; ++j) edges.push_back(j * 0x1p-9);  // j even: a centre; odd: a tie
  ExpectCloseAndMonotonic(Atan, [](double x) { return std::atan(x); }, edges, +1);
}

// Tan's cells (|x| in [2^-27, 1]) and the cotangent's (z = pi/2 - |x| in
// [2^-6, 0.5708)): the ends of the ranges, the ties between cells and
// centres, with each kind of product and both signs; then the
// reduction's path just beyond.
TEST(Elementary, TanAtTheEdgesOfItsCellsAndRanges) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  const Hard cases[] = {
      {"below 2^-27", 0x1.fffffffffffffp-28, 0x1.fffffffffffffp-28},
      {"2^-27", 0x1p-27, 0x1p-27},
      {"tie 0/1, below", 0x1.fffffffffffffp-10, 0x1.0000155557777p-9},
      {"tie 0/1", 0x1p-9, 0x1.0000155557777p-9},
      {"tie 0/1, above", 0x1.0000000000001p-9, 0x1.0000155557778p-9},
      {"tie 1/2", 0x1.8p-8, 0x1.8001200103342p-8},
      {"tie 1/2, below", 0x1.7ffffffffffffp-8, 0x1.8001200103341p-8},
      {"Belgium", 0x1.6666666666666p-2, 0x1.75ca079d9e7e4p-2},
      {"tie 89/90", 0x1.66p-2, 0x1.7556007da3ea9p-2},
      {"tie 89/90, above", 0x1.6600000000001p-2, 0x1.7556007da3eaap-2},
      {"tie 255/256", 0x1.ffp-1, 0x1.8cfd22a7712ffp+0},
      {"tie 255/256, above", 0x1.ff00000000001p-1, 0x1.8cfd22a771301p+0},
      {"1, below", 0x1.fffffffffffffp-1, 0x1.8eb245cbee3a4p+0},
      {"1 (cell 256)", 0x1p+0, 0x1.8eb245cbee3a6p+0},
      {"1, above (cot cell 658)", 0x1.0000000000001p+0, 0x1.8eb245cbee3a9p+0},
      {"1.5", 0x1.8p+0, 0x1.c33ed50b88777p+3},
      {"z = 2^-1 (cot cell 640)", 0x1.121fb54442d18p+0, 0x1.d49ad7e47c0a1p+0},
      {"z below 2^-1 (cot cell 639)", 0x1.121fb54442d19p+0, 0x1.d49ad7e47c0a6p+0},
      {"z = 2^-3 (1 + 1/256), a centre", 0x1.71dfb54442d18p+0, 0x1.f957357f55dd1p+2},
      {"z = 2^-4 (1 + 1/128), a tie", 0x1.81ffb54442d18p+0, 0x1.fb5be4791cc5ap+3},
      {"z = 2^-6 (cot cell 0)", 0x1.8e1fb54442d18p+0, 0x1.fff55549f48bcp+5},
      {"z below 2^-6 (the reduction)", 0x1.8e1fb54442d19p+0, 0x1.fff55549f493cp+5},
      {"RN(pi/2) (the reduction)", 0x1.921fb54442d18p+0, 0x1.d02967c31cdb5p+53},
  };
  for (const Products products : {Products::kDekker, Products::kFused}) {
    if (!ForceProducts(products)) continue;  // no FMA
    for (const Hard& c : cases) {
      EXPECT_TRUE(SameBits(Tan(c.x), c.expected))
          << c.function << ": Tan(" << Hex(c.x) << ") = " << Hex(Tan(c.x)) << ", expected " << Hex(c.expected);
      EXPECT_TRUE(SameBits(Tan(-c.x), -c.expected)) << c.function << ": Tan(" << Hex(-c.x) << ")";
    }
  }
}

// Every cell of Tan's tables, through its centre and both ends.
TEST(Elementary, TanIsCloseAndIncreasingOverEveryCell) {
  std::vector<double> edges;
  for (int j = 0; j <= 512; ++j) edges.push_back(j * 0x1p-9);  // j even: a centre; odd: a tie
  // The cotangent's cells, z = pi/2 - x from 0.5708 down to 2^-6: their
  // ties 2^e (1 + m/128) and centres, e = -1 .. -6.
  constexpr double kHalfPiHi = 0x1.921fb54442d18p+0;
  for (int e = -1; e >= -6; --e)
    for (int m = e == -1 ? 36 : 255; m >= 0; --m)  // z <= pi/2 - 1
      edges.push_back(kHalfPiHi - std::ldexp(1.0 + m / 256.0, e));
  ExpectCloseAndMonotonic(Tan, [](double x) { return std::tan(x); }, edges, +1);
}

// Every entry of the sine and cosine's table (sin and cos at steps of
// pi/1024): the points j pi/2048 of the first quarter, where the sine
// increases and the cosine decreases, and SinCos alike.
TEST(Elementary, SinAndCosAreCloseAndMonotonicOverEveryTableEntry) {
  std::vector<double> edges;
  for (int j = 0; j <= 1024; ++j) edges.push_back(j * (3.141592653589793 / 2048.0));
  ExpectCloseAndMonotonic(Sin, [](double x) { return std::sin(x); }, edges, +1);
  ExpectCloseAndMonotonic(SinOfPair, [](double x) { return std::sin(x); }, edges, +1);
  edges.pop_back();  // cos(pi/2) rounded is not 0: no ulp to compare with
  ExpectCloseAndMonotonic(Cos, [](double x) { return std::cos(x); }, edges, -1);
  ExpectCloseAndMonotonic(CosOfPair, [](double x) { return std::cos(x); }, edges, -1);
}

// Every entry of the power's tables: the logarithm's cells (the bases
// 1 + i/1024 over [1, 2] and 1/2 + i/2048 over [1/2, 1], which meet every
// cell of a table indexed by the leading mantissa bits at its ends and
// centre), with the formulas' exponents, increasing in x; and the
// exponential's 2^(j/1024), reached by 2^(k/1024) over two turns of j,
// increasing in y.
TEST(Elementary, PowIsCloseAndMonotonicOverEveryTableEntry) {
  std::vector<double> bases;
  for (int i = 0; i < 1024; ++i) bases.push_back(0.5 + i * 0x1p-11);
  for (int i = 0; i <= 1024; ++i) bases.push_back(1.0 + i * 0x1p-10);
  ExpectCloseAndMonotonic([](double x) { return Pow(x, 0.7716421928); },
                          [](double x) { return std::pow(x, 0.7716421928); }, bases, +1);
  ExpectCloseAndMonotonic([](double x) { return Pow(x, 0.04099594495); },
                          [](double x) { return std::pow(x, 0.04099594495); }, bases, +1);
  std::vector<double> exponents;
  for (int k = 1; k <= 2048; ++k) exponents.push_back(k * 0x1p-10);
  ExpectCloseAndMonotonic([](double y) { return Pow(2.0, y); }, [](double y) { return std::pow(2.0, y); },
                          exponents, +1);
  ExpectCloseAndMonotonic([](double y) { return Pow(2.0, -y); }, [](double y) { return std::pow(2.0, -y); },
                          exponents, -1);
}

// Arguments over the whole range and the conversions' domain, near
// multiples of pi/4 among them.
std::vector<double> Arguments() {
  std::mt19937_64 rng(2024);
  std::vector<double> xs;
  for (int i = 0; i < 20000; ++i) {
    const double u = static_cast<double>(rng() >> 11) * 0x1p-53;
    switch (i % 4) {
      case 0: xs.push_back((u - 0.5) * 8.0 * 3.141592653589793); break;
      case 1: xs.push_back(std::ldexp(1.0 + u, static_cast<int>(rng() % 120) - 60)); break;
      case 2: {
        double x;
        do x = std::bit_cast<double>(rng()); while (!std::isfinite(x));
        xs.push_back(std::fabs(x));
        break;
      }
      default: {
        const double near = (std::floor(u * 64.0) + 1.0) * 0.78539816339744830962;
        xs.push_back(std::bit_cast<double>(std::bit_cast<std::int64_t>(near) +
                                           static_cast<std::int64_t>(rng() % 9) - 4));
      }
    }
  }
  return xs;
}

TEST(Elementary, Symmetry) {
  for (const double x : Arguments()) {
    ASSERT_TRUE(SameBits(Sin(-x), -Sin(x))) << Hex(x);
    ASSERT_TRUE(SameBits(Cos(-x), Cos(x))) << Hex(x);
    ASSERT_TRUE(SameBits(Tan(-x), -Tan(x))) << Hex(x);
    ASSERT_TRUE(SameBits(Atan(-x), -Atan(x))) << Hex(x);
  }
}

TEST(Elementary, SinCosIsSinAndCosBitForBit) {
  for (const double x : Arguments()) {
    const SinCosPair pair = SinCos(x);
    ASSERT_TRUE(SameBits(pair.sin, Sin(x))) << Hex(x);
    ASSERT_TRUE(SameBits(pair.cos, Cos(x))) << Hex(x);
  }
}

// SinMultiples(phi) gives the bits of Sin(2.0 * phi) ... Sin(8.0 * phi),
// 6.0 * phi rounded first: on the arguments above scaled into |phi| < 2
// (near multiples of pi/4 among them), on latitudes, on the edges of its
// fast range and on special values, with Dekker's and with fused products.
TEST(Elementary, SinMultiplesIsSinOfEachMultipleBitForBit) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  std::vector<double> phis = {0.0, -0.0, 0x1p-40, -0x1p-30, 0x1p-30, 0x1.fffffffffffffp-31,
                              1.5707963267948966, -1.5707963267948966, 0x1.fffffffffffffp0, -2.0,
                              2.0, 1e300, -1e-300, 0x1p-1074, kInf, -kInf, kNaN,
                              0.78539816339744830962, 0.52359877559829887, 0.39269908169872414,
                              0x1p-27, -0x1.fffffffffffffp-28, 0x1.fffffffffffffp1, -4.0, 4.0};
  for (const double x : Arguments()) {
    phis.push_back(std::fmod(x, 2.0));
    phis.push_back(x / 8.0);
  }
  // 2 phi = k pi/2048 + r with 3 k = +-1 modulo 2048: 6 phi within
  // 2.5 pi/2048 of a multiple of pi, where the table's sin(pi/2048) and
  // cos a * 3 r have about the same size; and 6 phi = pi rounded.
  for (const double k : {683.0, -683.0, 1365.0, -1365.0})
    for (const double r : {-0.4999, -0.45, -0.3, -0.17, 0.0, 0.17, 0.3, 0.45, 0.4999})
      phis.push_back((k + r) * 3.141592653589793 / 4096.0);
  for (double phi = 0.5235987755982985; phi < 0.5235987755982992; phi = std::nextafter(phi, 1.0)) {
    phis.push_back(phi);
    phis.push_back(-phi);
  }
  std::mt19937_64 rng(11);
  for (int i = 0; i < 20000; ++i)
    phis.push_back((static_cast<double>(rng() >> 11) * 0x1p-53 - 0.5) * 3.141592653589793);
  for (const Products products : {Products::kDekker, Products::kFused}) {
    if (!ForceProducts(products)) continue;  // no FMA
    for (const double phi : phis) {
      const SinMultiplesOf m = SinMultiples(phi);
      ASSERT_TRUE(SameBits(m.sin2, Sin(2.0 * phi))) << Hex(phi);
      ASSERT_TRUE(SameBits(m.sin4, Sin(4.0 * phi))) << Hex(phi);
      ASSERT_TRUE(SameBits(m.sin6, Sin(6.0 * phi))) << Hex(phi);
      ASSERT_TRUE(SameBits(m.sin8, Sin(8.0 * phi))) << Hex(phi);
    }
  }
}

// The hard cases of Sin above reached as 2 phi, 4 phi, 6.0 * phi (phi
// the neighbour of x/6 whose rounded product is x) and 8 phi: the
// correctly rounded value, whichever path decides it.
TEST(Elementary, SinMultiplesOfHardCasesRoundCorrectly) {
  const std::pair<double, double> cases[] = {
      {0x1.2528885b495ap-2, 0x1.212b8e76110dep-2},
      {-0x1.57a082320a5f9p+2, 0x1.957be06e70b35p-1},
      {0x1.5602db6d39ebep+2, -0x1.9d3f1799dd883p-1},
      {-0x1.019d2c1470e36p+3, -0x1.f626ce3c915c1p-1},
  };
  int reached = 0;
  for (const auto& [x, expected] : cases) {
    for (const int m : {2, 4, 6, 8}) {
      double phi = x / m;
      for (int step = 0; step < 4 && phi * m != x; ++step)
        phi = std::nextafter(phi, phi * m < x ? kInf : -kInf);
      if (phi * m != x) continue;  // no double phi gives x
      ++reached;
      const SinMultiplesOf s = SinMultiples(phi);
      const double got = m == 2 ? s.sin2 : m == 4 ? s.sin4 : m == 6 ? s.sin6 : s.sin8;
      EXPECT_TRUE(SameBits(got, expected))
          << "sin(" << m << " * " << Hex(phi) << ") = " << Hex(got) << ", expected " << Hex(expected);
    }
  }
  EXPECT_GE(reached, 14);  // every power of two, and most of the 6 phi
}

// The functions compute in rounding to nearest, which the core's
// EnvironmentScope sets whatever the caller's mode: inside a scope, a
// caller rounding upward, downward or toward zero gets the same bits.
// The edges of the fast paths' reduction x = k pi/1024 + r, with MPFR's
// values, under both kinds of exact products: the nearest doubles to
// (k + 1/2) pi/1024 and their neighbours (the rounding of k, r at its
// largest; k = 0, 1, 511, 512 (tan's pole), 1023, 1024 (the half turn's
// sign), 2047 and 10429, near 32); multiples of pi (sin a = 0 for k != 0:
// tiny results, the reduction's error bound decides); tan next to its
// poles; both sides of 32, where the reduction changes, and of 2^20,
// where the fast path ends.
TEST(Elementary, ReductionEdgesRoundCorrectly) {
  struct Edge {
    double x, sin, cos, tan;
  };
  const Edge cases[] = {
      {0x1.921fb54442d18p-10, 0x1.921faaee6472dp-10, 0x1.ffffd88586ee6p-1, 0x1.921fc9f000fe1p-10},
      {0x1.921fb54442d17p-10, 0x1.921faaee6472cp-10, 0x1.ffffd88586ee6p-1, 0x1.921fc9f000fep-10},
      {0x1.2d97c7f3321d2p-8, 0x1.2d97822f996bcp-8, 0x1.fffe9cb1e2e8dp-1, 0x1.2d98537abaa4ep-8},
      {0x1.2d97c7f3321d1p-8, 0x1.2d97822f996bbp-8, 0x1.fffe9cb1e2e8dp-1, 0x1.2d98537abaa4dp-8},
      {0x1.91bb2d56f1c0dp+0, 0x1.ffffd88586ee6p-1, 0x1.921faaee6473p-10, 0x1.45f2f61b4a23dp+9},
      {0x1.91bb2d56f1c0cp+0, 0x1.ffffd88586ee6p-1, 0x1.921faaee64b3p-10, 0x1.45f2f61b49effp+9},
      {0x1.92843d3193e24p+0, 0x1.ffffd88586ee6p-1, -0x1.921faaee648fbp-10, -0x1.45f2f61b4a0c8p+9},
      {0x1.92843d3193e23p+0, 0x1.ffffd88586ee6p-1, -0x1.921faaee644fbp-10, -0x1.45f2f61b4a406p+9},
      {0x1.91ed714d9a493p+1, 0x1.921faaee6444ap-10, -0x1.ffffd88586ee6p-1, -0x1.921fc9f000cfep-10},
      {0x1.91ed714d9a492p+1, 0x1.921faaee64c4ap-10, -0x1.ffffd88586ee6p-1, -0x1.921fc9f0014fep-10},
      {0x1.9251f93aeb59ep+1, -0x1.921faaee647ep-10, -0x1.ffffd88586ee6p-1, 0x1.921fc9f001094p-10},
      {0x1.9251f93aeb59dp+1, -0x1.921faaee63fep-10, -0x1.ffffd88586ee6p-1, 0x1.921fc9f000894p-10},
      {0x1.92069348ee8d5p+2, -0x1.921faaee64e7fp-10, 0x1.ffffd88586ee6p-1, -0x1.921fc9f001733p-10},
      {0x1.92069348ee8d4p+2, -0x1.921faaee65e7fp-10, 0x1.ffffd88586ee6p-1, -0x1.921fc9f002733p-10},
      {0x1.fff4f65ac3c19p+4, 0x1.192daef7a537cp-1, 0x1.abe1b1b0b8db3p-1, 0x1.5074c0eb76a26p-1},
      {0x1.fff4f65ac3c18p+4, 0x1.192daef7a5362p-1, 0x1.abe1b1b0b8dc4p-1, 0x1.5074c0eb769f8p-1},
      {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1p+0, -0x1.1a62633145c07p-53},
      {0x1.921fb54442d18p+2, -0x1.1a62633145c07p-52, 0x1p+0, -0x1.1a62633145c07p-52},
      {0x1.2d97c7f3321d2p+3, 0x1.a79394c9e8a0ap-52, -0x1p+0, -0x1.a79394c9e8a0ap-52},
      {0x1.f6a7a2955385ep+4, -0x1.60fafbfd97309p-50, 0x1p+0, -0x1.60fafbfd97309p-50},
      {0x1.921fb54442d18p+0, 0x1p+0, 0x1.1a62633145c07p-54, 0x1.d02967c31cdb5p+53},
      {0x1.921fb54442d19p+0, 0x1p+0, -0x1.72cece675d1fdp-53, -0x1.617a15494767ap+52},
      {0x1.2d97c7f3321d2p+2, -0x1p+0, -0x1.a79394c9e8a0ap-53, 0x1.3570efd768923p+52},
      {0x1.2d97c7f3321d3p+2, -0x1p+0, 0x1.961b1acd85d7dp-51, -0x1.42c0d64d5de51p+50},
      {0x1.c463abeccb2bbp+3, 0x1p+0, 0x1.3daeaf976e788p-51, 0x1.9c96951f36184p+50},
      {0x1.c463abeccb2bcp+3, 0x1p+0, -0x1.6128a83448c3cp-50, -0x1.73244d369e0b7p+49},
      {0x1.fffffffffffffp+4, 0x1.1a5499142654bp-1, 0x1.ab1f5305de8f7p-1, 0x1.526f624543276p-1},
      {0x1p+5, 0x1.1a54991426566p-1, 0x1.ab1f5305de8e5p-1, 0x1.526f6245432a4p-1},
      {0x1.0000000000001p+5, 0x1.1a5499142659bp-1, 0x1.ab1f5305de8c2p-1, 0x1.526f6245433p-1},
      {0x1.fffffffffffffp+19, 0x1.526ccb2de52a8p-2, 0x1.e33ada9352c61p-1, 0x1.6692e575533f1p-2},
      {0x1p+20, 0x1.526ccb2fc8656p-2, 0x1.e33ada92fe2aep-1, 0x1.6692e5779206fp-2},
  };
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  for (const Products products : {Products::kDekker, Products::kFused}) {
    if (!ForceProducts(products)) continue;  // no FMA
    for (const Edge& c : cases) {
      for (const double sign : {1.0, -1.0}) {
        const double x = sign * c.x;
        EXPECT_TRUE(SameBits(Sin(x), sign * c.sin)) << "Sin(" << Hex(x) << ") = " << Hex(Sin(x));
        EXPECT_TRUE(SameBits(Cos(x), c.cos)) << "Cos(" << Hex(x) << ") = " << Hex(Cos(x));
        EXPECT_TRUE(SameBits(Tan(x), sign * c.tan)) << "Tan(" << Hex(x) << ") = " << Hex(Tan(x));
        const SinCosPair pair = SinCos(x);
        EXPECT_TRUE(SameBits(pair.sin, sign * c.sin) && SameBits(pair.cos, c.cos))
            << "SinCos(" << Hex(x) << ")";
      }
    }
  }
}

TEST(Elementary, TheCallersRoundingModeChangesNothingInsideAScope) {
  const std::vector<double> xs = Arguments();
  std::vector<double> expected;
  for (std::size_t i = 0; i < xs.size(); i += 7) {
    const double x = xs[i];
    expected.insert(expected.end(), {Sin(x), Cos(x), Tan(x), Atan(x), Pow(std::fabs(x), 0.7716421928),
                                     Pow(1.0 + x * 1e-3, 1.5)});
  }
  for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    std::vector<double> got;
    {
      fp::EnvironmentScope scope;
      for (std::size_t i = 0; i < xs.size(); i += 7) {
        const double x = xs[i];
        got.insert(got.end(), {Sin(x), Cos(x), Tan(x), Atan(x), Pow(std::fabs(x), 0.7716421928),
                               Pow(1.0 + x * 1e-3, 1.5)});
      }
    }
    std::fesetround(FE_TONEAREST);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
      ASSERT_TRUE(SameBits(got[i], expected[i])) << "mode " << mode << ", result " << i;
  }
}

// Bounds any correctly rounded function keeps: |sin|, |cos| <= 1,
// |atan| <= pi/2 rounded, tan = sin / cos within an ulp or two away from
// the poles, and no fault raised by a finite argument.
TEST(Elementary, RangesAndNoFaultsOnFiniteArguments) {
  const double halfPi = 0x1.921fb54442d18p+0;
  for (const double x : Arguments()) {
    std::feclearexcept(FE_ALL_EXCEPT);
    const double s = Sin(x), c = Cos(x), t = Tan(x), a = Atan(x);
    ASSERT_EQ(std::fetestexcept(kFaults), 0) << Hex(x);
    ASSERT_LE(std::fabs(s), 1.0) << Hex(x);
    ASSERT_LE(std::fabs(c), 1.0) << Hex(x);
    ASSERT_LE(std::fabs(a), halfPi) << Hex(x);
    if (std::fabs(c) > 0.01 && std::fabs(s) > 0.01) {
      ASSERT_NEAR(t, s / c, 4e-16 * std::fabs(t)) << Hex(x);
    }
  }
}

// The fast paths' two ways to the exact products, Dekker's and the fused
// multiply-add's, give the same bits on the arguments of every kind (the
// conversions' domain, near multiples of pi/4, the whole range) and on the
// powers of the formulas.  Skipped where the processor has no FMA.
TEST(Elementary, FusedAndDekkerProductsGiveTheSameBits) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  if (!ForceProducts(Products::kFused)) GTEST_SKIP() << "no FMA on this processor";
  std::mt19937_64 rng(5);
  std::vector<double> xs = Arguments();
  std::vector<std::pair<double, double>> powers;
  for (int i = 0; i < 40000; ++i) {
    const double u = static_cast<double>(rng() >> 11) * 0x1p-53;
    xs.push_back((u - 0.5) * 64.0);
    powers.push_back({0.84 + u * 0.35, 0.0409});
    powers.push_back({std::ldexp(1.0 + u, static_cast<int>(rng() % 128) - 64), 0.7716421928});
    powers.push_back({std::ldexp(1.0 + u, static_cast<int>(rng() % 128) - 64), 1.0 / 0.7716421928});
    powers.push_back({0.99 + u * 0.01, 1.5});
    powers.push_back({u * 4.0, (static_cast<double>(rng() >> 11) * 0x1p-53 - 0.5) * 8.0});
  }
  const auto results = [&] {
    std::vector<double> r;
    for (const double x : xs)
      for (const Named& n : kFunctions) r.push_back(n.f(x));
    for (const auto& [x, y] : powers) r.push_back(Pow(x, y));
    return r;
  };
  const std::vector<double> fused = results();
  ASSERT_TRUE(ForceProducts(Products::kDekker));
  const std::vector<double> dekker = results();
  ASSERT_EQ(fused.size(), dekker.size());
  for (std::size_t i = 0; i < fused.size(); ++i)
    ASSERT_TRUE(SameBits(fused[i], dekker[i])) << "result " << i << ": " << Hex(fused[i]) << " and "
                                               << Hex(dekker[i]);
}

// The 224-bit fixed point of the accurate paths.
TEST(ElementaryFixed, ConversionsArithmeticAndRounding) {
  using namespace detail;
  for (const double x : {1.0, -1.0, 0.1, -0x1.fffffffffffffp+28, 0x1p-170, -3.75, 0x1.921fb54442d18p+0}) {
    EXPECT_TRUE(SameBits(Approximate(FromDouble(x)), x)) << Hex(x);
    EXPECT_TRUE(SameBits(RoundToDouble(FromDouble(x), 0, 0).value, x)) << Hex(x);
    EXPECT_TRUE(SameBits(Approximate(Neg(FromDouble(x))), -x)) << Hex(x);
    EXPECT_TRUE(SameBits(Approximate(Add(FromDouble(x), FromDouble(x))), 2 * x)) << Hex(x);
    EXPECT_TRUE(SameBits(Approximate(Mul(FromDouble(x), FromDouble(-4.0))), -4 * x)) << Hex(x);
    EXPECT_TRUE(SameBits(Approximate(ShiftRight(FromDouble(x), 3)), x / 8)) << Hex(x);
    EXPECT_TRUE(SameBits(Approximate(ShiftLeft(FromDouble(x), 1)), 2 * x)) << Hex(x);
  }
  // 1/3 * 3 is 1 less a unit; the reciprocal of 3 the same within a few.
  const Fixed third = DivSmall(FromInt(1), 3);
  const Fixed diff = Sub(Reciprocal(FromInt(3)), third);
  EXPECT_LT(std::fabs(Approximate(diff)), 0x1p-220);
  EXPECT_TRUE(IsZero(Sub(Add(MulSmall(third, 3), Fixed{{1, 0, 0, 0, 0, 0, 0, 0}}), FromInt(1))));
  EXPECT_EQ(LeadingBit(FromInt(1)), 224);
  EXPECT_EQ(LeadingBit(FromDouble(-0x1p-224)), 0);
  // Below the last bit, nothing is kept and nothing is written outside the
  // number (subnormals, and values whose bits all lie below 2^-224).
  for (const double tiny : {0x1p-225, -0x1p-260, 0x1p-300, 0x1p-1000, 0x1p-1074, -0x1.8p-1030})
    EXPECT_TRUE(IsZero(FromDouble(tiny))) << Hex(tiny);
  EXPECT_EQ(Approximate(FromDouble(0x1.8p-224)), 0x1p-224);  // the half bit dropped
  // A shift by a negative count is the shift the other way.
  EXPECT_EQ(Approximate(ShiftLeft(FromDouble(0.75), -2)), 0.1875);
  EXPECT_EQ(Approximate(ShiftRight(FromDouble(0.75), -2)), 3.0);
  // 1 + 2^-53 is the midpoint between 1 and 1 + 2^-52: decided only when
  // exact, and rounded to even (1) when taken for the midpoint.
  const Fixed mid = Add(FromInt(1), FromDouble(0x1p-53));
  EXPECT_EQ(RoundToDouble(mid, 0, 0).value, 1.0);
  EXPECT_FALSE(RoundToDouble(mid, 4, 0).decided);
  const Fixed above = Add(mid, FromDouble(0x1p-200));
  EXPECT_EQ(RoundToDouble(above, 0, 0).value, 1.0 + 0x1p-52);
  EXPECT_TRUE(RoundToDouble(above, 4, 0).decided);
  EXPECT_FALSE(RoundToDouble(above, 30, 0).decided);
  EXPECT_EQ(RoundToDouble(above, 30, 0, true).value, 1.0);
  const Fixed midOdd = Add(FromDouble(1.0 + 0x1p-52), FromDouble(0x1p-53));
  EXPECT_EQ(RoundToDouble(Sub(midOdd, FromDouble(0x1p-200)), 30, 0, true).value, 1.0 + 0x1p-51);
  EXPECT_EQ(RoundToDouble(FromInt(3), 0, -2).value, 0.75);
}

// Reduction modulo pi/2 of pi/2, pi and 2^1000 rounded: the quadrant and
// the remainder (x - q pi/2, from MPFR).
TEST(ElementaryFixed, ReductionByHalfPi) {
  using namespace detail;
  struct Case {
    double x;
    int quadrant;
    double r;
  };
  const Case cases[] = {
      {0x1.921fb54442d18p+0, 1, -0x1.1a62633145c07p-54},
      {0x1.921fb54442d18p+1, 2, -0x1.1a62633145c07p-53},
      {-0x1.921fb54442d18p+1, 2, 0x1.1a62633145c07p-53},
      {0x1.6ac5b262ca1ffp+849, 1, 0x1.14ae72e6ba22fp-61},
      {1.0, 1, -0x1.243f6a8885a31p-1},
  };
  for (const Case& c : cases) {
    const Reduced red = ReduceHalfPi(c.x);
    EXPECT_EQ(red.quadrant, c.quadrant) << Hex(c.x);
    EXPECT_NEAR(Approximate(red.r), c.r, std::fabs(c.r) * 0x1p-50) << Hex(c.x);
  }
}

// A digest of 210000 results on fixed arguments (latitudes, any
// double, large angles; powers of the formulas and others).  The value is
// the one every build computes: GCC and Clang at any optimisation, MinGW
// 32-bit and 64-bit, Emscripten's WebAssembly; a change of any last bit on
// any platform changes it.
TEST(Elementary, SameResultsOnEveryPlatform) {
  std::uint64_t h = 1469598103934665603ull;
  const auto mix = [&h](double v) {
    const std::uint64_t b = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) {
      h ^= (b >> (8 * i)) & 0xff;
      h *= 1099511628211ull;
    }
  };
  std::uint64_t s = 88172645463325252ull;
  const auto next = [&s] {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  };
  for (int i = 0; i < 30000; ++i) {
    const double u = static_cast<double>(next() >> 11) * 0x1p-53;
    double x;
    switch (i % 3) {
      case 0: x = (u - 0.5) * 25.0; break;
      case 1:
        x = std::bit_cast<double>(next());
        if (x != x) x = u;
        break;
      default: x = (u - 0.5) * 1e9; break;
    }
    mix(Sin(x));
    mix(Cos(x));
    mix(Tan(x));
    mix(Atan(x));
    const double y = (static_cast<double>(next() >> 11) * 0x1p-53 - 0.5) * 8.0;
    mix(Pow(u * 4.0, y));
    mix(Pow(0.84 + u * 0.35, 0.0409));
    mix(Pow(x, 2.0));
  }
  EXPECT_EQ(h, 0x16d1966d51f156d0ull);
}

struct PowSpecial {
  double x, y, expected;
  int faults;
};

// C's Annex F cases of pow, with the exceptions each raises.
TEST(Elementary, PowSpecialValuesAndTheirExceptions) {
  const double big = 0x1.fffffffffffffp+1023;
  const PowSpecial cases[] = {
      {kNaN, 0.0, 1.0, 0},       {kNaN, -0.0, 1.0, 0},     {1.0, kNaN, 1.0, 0},
      {1.0, kInf, 1.0, 0},       {-1.0, kInf, 1.0, 0},     {-1.0, -kInf, 1.0, 0},
      {kNaN, 2.0, kNaN, 0},      {2.0, kNaN, kNaN, 0},
      // pow(+-0, y)
      {0.0, -3.0, kInf, FE_DIVBYZERO},   {-0.0, -3.0, -kInf, FE_DIVBYZERO},
      {0.0, -2.0, kInf, FE_DIVBYZERO},   {-0.0, -2.0, kInf, FE_DIVBYZERO},
      {-0.0, -0.5, kInf, FE_DIVBYZERO},  {-0.0, -kInf, kInf, 0},
      {0.0, 3.0, 0.0, 0},        {-0.0, 3.0, -0.0, 0},     {-0.0, 2.0, 0.0, 0},
      {-0.0, 0.5, 0.0, 0},       {-0.0, kInf, 0.0, 0},
      // y infinite
      {0.5, -kInf, kInf, 0},     {2.0, -kInf, 0.0, 0},     {-0.5, kInf, 0.0, 0},
      {-2.0, kInf, kInf, 0},
      // x infinite
      {-kInf, -3.0, -0.0, 0},    {-kInf, -2.0, 0.0, 0},    {-kInf, -0.5, 0.0, 0},
      {-kInf, 3.0, -kInf, 0},    {-kInf, 2.0, kInf, 0},    {-kInf, 0.5, kInf, 0},
      {kInf, -1.0, 0.0, 0},      {kInf, 0.5, kInf, 0},
      // negative x: integer y or invalid
      {-2.0, 0.5, kNaN, FE_INVALID},     {-0x1p-1074, 1.5, kNaN, FE_INVALID},
      {-2.0, 3.0, -8.0, 0},      {-2.0, 2.0, 4.0, 0},      {-2.0, 0x1p60, kInf, FE_OVERFLOW},
      {-2.0, 0x1p60 + 0x1p8, kInf, FE_OVERFLOW},
      // overflow and underflow
      {10.0, 309.0, kInf, FE_OVERFLOW},  {-10.0, 309.0, -kInf, FE_OVERFLOW},
      {big, 2.0, kInf, FE_OVERFLOW},     {2.0, 1024.0, kInf, FE_OVERFLOW},
      {0.5, -1024.0, kInf, FE_OVERFLOW}, {1.0 + 0x1p-52, 0x1p70, kInf, FE_OVERFLOW},
      {10.0, -400.0, 0.0, 0},    {-10.0, -401.0, -0.0, 0}, {1.0 - 0x1p-53, 0x1p70, 0.0, 0},
      {2.0, -1075.0, 0.0, 0},    {2.0, -1074.0, 0x1p-1074, 0},
      // exact results and the largest ones
      {2.0, 1023.0, 0x1p+1023, 0},       {big, 1.0, big, 0},       {big, -1.0, 0x1p-1024, 0},
      {0x1p-1074, 1.0, 0x1p-1074, 0},    {0x1p-1074, -0.5, 0x1p537, 0},
  };
  for (const PowSpecial& c : cases) {
    volatile double x = c.x, y = c.y;
    std::feclearexcept(FE_ALL_EXCEPT);
    volatile double value = Pow(x, y);
    const int faults = std::fetestexcept(kFaults);
    EXPECT_TRUE(SameBits(value, c.expected)) << "Pow(" << Hex(c.x) << ", " << Hex(c.y)
                                             << ") = " << Hex(value) << ", expected " << Hex(c.expected);
    EXPECT_EQ(faults, c.faults) << "Pow(" << Hex(c.x) << ", " << Hex(c.y) << ")";
  }
}

// Correctly rounded values from MPFR: exact results, exact midpoints
// (rounded to even), the conversions' calls, x close to 1.
TEST(Elementary, PowValuesCorrectlyRounded) {
  const PowSpecial cases[] = {
      {0x1.8p+1, 0x1p+1, 0x1.2p+3, 0},
      {0x1.ffffffcp+26, 0x1p+1, 0x1.ffffff8p+53, 0},          // (2^27 - 1)^2, a midpoint
      {0x1.ffffff4p+26, 0x1p+1, 0x1.fffffe8000004p+53, 0},    // (2^27 - 3)^2, a midpoint
      {0x1p+4, 0x1p-1, 0x1p+2, 0},
      {0x1p+2, 0x1.8p+0, 0x1p+3, 0},
      {0x1.2p+3, 0x1p-1, 0x1.8p+1, 0},
      {0x1p-1022, 0x1p-1, 0x1p-511, 0},
      {0x1.4p+3, 0x1.34p+8, 0x1.1ccf385ebc8ap+1023, 0},       // 10^308
      {0x1.ff7ced916872bp-1, 0x1.8p+0, 0x1.ff3b70efdfe22p-1, 0},
      {0x1.12ca57a786c22p+0, 0x1.4f0d844d013a9p-5, 0x1.00be21fc63aa8p+0, 0},
      {0x1.8p-3, 0x1.8b14af7c94571p-1, 0x1.19653bebfb4f7p-2, 0},
      {0x1.4p+1, 0x1.4bc28e2e4e3bbp+0, 0x1.a3ad598e2a214p+1, 0},
      {-0x1.8p+1, -0x1.8p+1, -0x1.2f684bda12f68p-5, 0},
      {0x1.0000000000001p+0, 0x1p+52, 0x1.5bf0a8b145769p+1, 0},  // e rounded
      // y ln x far from 0: k = round(128 y ln x / ln 2) up to 2^17, where
      // the rounding of k times the second part of ln2/128 counts
      {0x1.4p+3, 0x1.339999999999ap+8, 0x1.c589eb155b8f8p+1021, 0},
      {0x1.d99999999999ap+1, -0x1.0e26666666666p+9, 0x1.2008c01d52451p-1020, 0},
      {0x1.000001ad7f29bp+0, 0x1.a13b86p+32, 0x1.d941ae6e762d4p+1009, 0},
      {0x1.fffffffffffffp-1, -0x1.5p+61, 0x1.ad354ad6e371cp+484, 0},
      {0x1p-1, 0x1.fed999999999ap+9, 0x1.3b2c47bff827ap-1022, 0},
      {0x1.dp+2, -0x1.4f0d844d013a9p-5, 0x1.d826ff0c968e3p-1, 0},
      {0x1p-1000, 0x1.8b14af7c94571p-1, 0x1.480edaaf9906ep-772, 0},
  };
  for (const PowSpecial& c : cases) {
    const double value = Pow(c.x, c.y);
    EXPECT_TRUE(SameBits(value, c.expected)) << "Pow(" << Hex(c.x) << ", " << Hex(c.y)
                                             << ") = " << Hex(value) << ", expected " << Hex(c.expected);
  }
}

// The exponents with their own paths, 1.5 (x sqrt x, for x in
// [2^-600, 2^600]), 0.5 and 2, at the edges of those ranges, at an exact
// cube and a midpoint (208065^3 has 54 bits: to even), with overflow and
// underflow (MPFR's values; the flags are the caller's to see).
TEST(Elementary, PowThreeHalvesSquareRootAndSquare) {
  const PowSpecial cases[] = {
      {0x1p-600, 1.5, 0x1p-900, 0},
      {0x1.0000000000001p-600, 1.5, 0x1.0000000000002p-900, 0},
      {0x1.fffffffffffffp-601, 1.5, 0x1.fffffffffffffp-901, 0},  // general path
      {0x1.fffffffffffffp+599, 1.5, 0x1.fffffffffffffp+899, 0},
      {0x1p+600, 1.5, 0x1p+900, 0},                              // general path
      {0x1.428b1d302p+35, 1.5, 0x1.00011add69b2p+53, 0},        // 208065^3, a midpoint
      {0x1.428cb3912p+35, 1.5, 0x1.0002feaf4642ep+53, 0},       // 208067^3
      {0x1.ffffffffffffep-1, 1.5, 0x1.ffffffffffffdp-1, 0},
      {0x1.fd70a3d70a3d7p-1, 1.5, 0x1.fc2a30986e8bp-1, 0},
      {3.0, 1.5, 0x1.4c8dc2e42398p+2, 0},
      {2.0, 0.5, 0x1.6a09e667f3bcdp+0, 0},
      {3.0, 0.5, 0x1.bb67ae8584caap+0, 0},
      {0x1.fffffffffffffp+1023, 0.5, 0x1.fffffffffffffp+511, 0},
      {0x1p-1022, 0.5, 0x1p-511, 0},
      {0x1.8p-538, 2.0, 0x1p-1074, 0},
      {0x1p-540, 2.0, 0.0, 0},
      {0x1p+512, 2.0, kInf, FE_OVERFLOW},
      {0x1.fffffffp+30, 2.0, 0x1.ffffffep+61, 0},
      {0x1.0000000000001p+0, 2.0, 0x1.0000000000002p+0, 0},
  };
  for (const Products products : {Products::kDekker, Products::kAuto}) {
    ForceProducts(products);
    for (const PowSpecial& c : cases) {
      volatile double x = c.x, y = c.y;
      std::feclearexcept(FE_ALL_EXCEPT);
      volatile double value = Pow(x, y);
      const int faults = std::fetestexcept(kFaults);
      EXPECT_TRUE(SameBits(value, c.expected)) << "Pow(" << Hex(c.x) << ", " << Hex(c.y) << ") = "
                                               << Hex(value) << ", expected " << Hex(c.expected);
      EXPECT_EQ(faults, c.faults) << "Pow(" << Hex(c.x) << ", " << Hex(c.y) << ")";
    }
  }
  ForceProducts(Products::kAuto);
}

// The fast path's edges, in both kinds of product (MPFR's values): the
// first and last x of logarithm entries (the ends of the table, the entry
// of x = 1 and its neighbours), x next to the table's offset, x within an
// ulp of 1; y ln x on either side of 8 (where the exponential's index
// stops coming from the early product) and |y| on either side of 2 (the
// constant error bound); T close to the ends of the normal range.
TEST(Elementary, PowFastPathEdges) {
  const PowSpecial cases[] = {
      {0x1.6a4p-1, 0x1.8b14af7c94571p-1, 0x1.88084197186e7p-1, 0},  // entry 0, first m
      {0x1.6abffffffffffp-1, -0x1.4bc01a36e2eb2p+0, 0x1.901e1ac4592b3p+0, 0},  // entry 0, last m
      {0x1.6acp-1, 0x1.8b14af7c94571p-1, 0x1.887321433c0d7p-1, 0},  // entry 1, first m
      {0x1.6b3ffffffffffp-1, -0x1.4bc01a36e2eb2p+0, 0x1.8f676e68d3d8dp+0, 0},  // entry 1, last m
      {0x1.ff4p-1, 0x1.8b14af7c94571p-1, 0x1.ff6bd1e542f4dp-1, 0},  // entry 298, first m
      {0x1.ffbffffffffffp-1, -0x1.4bc01a36e2eb2p+0, 0x1.00297df76d077p+0, 0},  // entry 298, last m
      {0x1.ffcp-1, 0x1.8b14af7c94571p-1, 0x1.ffce9cb596a8ep-1, 0},  // entry 299, first m
      {0x1.003ffffffffffp+0, -0x1.4bc01a36e2eb2p+0, 0x1.ff5a4f807bc8ap-1, 0},  // entry 299, last m
      {0x1.004p+0, 0x1.8b14af7c94571p-1, 0x1.0031612d336ebp+0, 0},  // entry 300, first m
      {0x1.00bffffffffffp+0, -0x1.4bc01a36e2eb2p+0, 0x1.fe100ae8a1a36p-1, 0},  // entry 300, last m
      {0x1.694p+0, 0x1.8b14af7c94571p-1, 0x1.4ded929d084d2p+0, 0},  // entry 510, first m
      {0x1.69bffffffffffp+0, -0x1.4bc01a36e2eb2p+0, 0x1.4716e4a751915p-1, 0},  // entry 510, last m
      {0x1.69cp+0, 0x1.8b14af7c94571p-1, 0x1.4e48dbbb08b91p+0, 0},  // entry 511, first m
      {0x1.6a3ffffffffffp+0, -0x1.4bc01a36e2eb2p+0, 0x1.468126108b198p-1, 0},  // entry 511, last m
      {0x1.6a4p-4, 0x1.fffffffffffffp+0, 0x1.004c880000002p-7, 0},  // m at the offset, e = -4, largest |y| < 2
      {0x1.6a3ffffffffffp-1, 0x1.e666666666666p+0, 0x1.095263727324fp-1, 0},  // just below the offset: the entry 511 of e - 1
      {0x1.0000000000001p+0, -0x1.fffffffffffffp+0, 0x1.ffffffffffffcp-1, 0},  // x = 1 + ulp
      {0x1.fffffffffffffp-1, 0x1.8000000000001p+0, 0x1.ffffffffffffep-1, 0},  // x = 1 - ulp/2
      {0x1.0d91686f6c2ap+6, 0x1.e666666666666p+0, 0x1.749ea7d470c69p+11, 0},  // y ln x close to 8
      {0x1.0d91686f6c29fp+6, 0x1.e666666666666p+0, 0x1.749ea7d470c66p+11, 0},  // y ln x close to 8, below
      {0x1.0d91686f6c2a1p+6, 0x1.e666666666666p+0, 0x1.749ea7d470c6cp+11, 0},  // above
      {0x1.0d91686f6c2ap+6, -0x1.e666666666666p+0, 0x1.5fc21041027b1p-12, 0},  // y ln x close to -8
      {0x1.4p+3, 0x1.ccp-1, 0x1.fa8b5a6606fa9p+2, 0},  // 10^0.9
      {0x1.62p+6, 0x1.f4p+0, 0x1.8cbce130cf6bdp+12, 0},  // y just below 2, y ln x = 8.4: k from T.hi
      {0x1.62p+6, 0x1.00001p+1, 0x1.e98512504b306p+12, 0},  // y just above 2
      {0x1p-1000, 0x1.fffffffffffffp-1, 0x1.000000000015bp-1000, 0},  // T = -693
      {0x1.fffffffffffffp+1023, 0x1.fep-1, 0x1.fffffffffffffp+1019, 0},  // T = 706
      {0x1.6p+0, 0x1.169aa32e0963ap+11, 0x1.fe9ce5c4c50cep+1023, 0},  // T = 709.78, below the overflow
      {0x1p-1, 0x1.fed999999999ap+9, 0x1.3b2c47bff827ap-1022, 0},  // T = -708.2, 2^-1021.7: the smallest normal results
  };
  for (const Products products : {Products::kDekker, Products::kAuto}) {
    ForceProducts(products);
    for (const PowSpecial& c : cases) {
      const double value = Pow(c.x, c.y);
      EXPECT_TRUE(SameBits(value, c.expected)) << "Pow(" << Hex(c.x) << ", " << Hex(c.y) << ") = "
                                               << Hex(value) << ", expected " << Hex(c.expected);
    }
  }
  ForceProducts(Products::kAuto);
}

// Integer exponents: x^n equals the exact product when that is a double,
// and (-x)^n = +-x^n.
TEST(Elementary, PowIntegerExponents) {
  std::mt19937_64 rng(11);
  for (int i = 0; i < 5000; ++i) {
    const double a = static_cast<double>(1 + rng() % (1u << 17));
    ASSERT_EQ(Pow(a, 2.0), a * a) << a;
    ASSERT_EQ(Pow(a, 3.0), a * a * a) << a;
    ASSERT_EQ(Pow(a * a, 0.5), a) << a;
    ASSERT_EQ(Pow(-a, 3.0), -(a * a * a)) << a;
    const double x = std::ldexp(1.0 + static_cast<double>(rng() >> 11) * 0x1p-53, static_cast<int>(rng() % 40) - 20);
    const double n = static_cast<double>(static_cast<int>(rng() % 21) - 10);
    const double p = Pow(x, n);
    ASSERT_TRUE(SameBits(Pow(-x, n), (static_cast<int>(n) % 2 != 0) ? -p : p)) << Hex(x) << " " << n;
  }
}


// The four-lane functions (lanes.hpp): every lane gives the scalar
// function's bits on its own argument, whichever path each lane takes,
// with Dekker's and with fused products; and the lanes together raise no
// fault flag that none of the four scalar calls raises.
namespace lanes {

using Row = std::array<double, 4>;

struct LanesOutcome {
  Lanes4 first, second;  // SinCos: sin and cos; Pow, Tan: the values twice
  int faults;
};

LanesOutcome CallLanes(const std::string& function, const Row& xs, const Row& ys, bool lanes) {
  const Lanes4 x = {xs[0], xs[1], xs[2], xs[3]}, y = {ys[0], ys[1], ys[2], ys[3]};
  LanesOutcome out{};
  std::feclearexcept(FE_ALL_EXCEPT);
  if (lanes) {
    if (function == "SinCos") {
      const SinCosLanes4 r = SinCos(x);
      out.first = r.sin;
      out.second = r.cos;
    } else {
      out.first = out.second = function == "Pow" ? Pow(x, y) : function == "PowY" ? Pow(x, y[0]) : Tan(x);
      // One exponent passed in four lanes: the same bits as passed once.
      if (function == "PowY") out.second = Pow(x, y);
    }
  } else {
    for (int l = 0; l < 4; ++l) {
      if (function == "SinCos") {
        const SinCosPair r = SinCos(x[l]);
        out.first[l] = r.sin;
        out.second[l] = r.cos;
      } else {
        out.first[l] = out.second[l] = function == "Tan" ? Tan(x[l]) : Pow(x[l], y[l]);
      }
    }
  }
  out.faults = std::fetestexcept(kFaults);
  return out;
}

void ExpectSameAsScalar(const std::string& function, const Row& xs, const Row& ys) {
  const LanesOutcome got = CallLanes(function, xs, ys, true);
  const LanesOutcome want = CallLanes(function, xs, ys, false);
  for (int l = 0; l < 4; ++l) {
    EXPECT_TRUE(SameBits(got.first[l], want.first[l]) && SameBits(got.second[l], want.second[l]))
        << function << " lane " << l << " (" << Hex(xs[l]) << ", " << Hex(ys[l]) << "): "
        << Hex(got.first[l]) << " " << Hex(got.second[l]) << ", scalar " << Hex(want.first[l]) << " "
        << Hex(want.second[l]);
  }
  EXPECT_EQ(got.faults & ~want.faults, 0)
      << function << " (" << Hex(xs[0]) << ", " << Hex(xs[1]) << ", " << Hex(xs[2]) << ", "
      << Hex(xs[3]) << "): flags 0x" << std::hex << got.faults << ", scalar 0x" << want.faults;
}

constexpr double kHalfPiRounded = 0x1.921fb54442d18p+0;
constexpr Row kOnes = {1.0, 1.0, 1.0, 1.0};

struct LanesCase {
  const char* function;
  Row x, y;
};

// Ordinary lanes beside the lanes that leave the first stage: NaN, +-inf,
// +-0, tiny, subnormal, huge, the ends of the ranges and their
// neighbours, and arguments whose first-stage test fails (the hard cases
// above; Tan's and Pow's found among random ones by their accurate path).
const LanesCase kLanesCases[] = {
    // Quiet NaNs beside finite lanes: no scalar call raises a fault, so
    // the lanes must raise none (no arithmetic on the NaN lanes).
    {"SinCos", {kNaN, 0.5, -kNaN, 1e300}, kOnes},
    {"Tan", {kNaN, 0.5, -kNaN, 1e300}, kOnes},
    {"Pow", {kNaN, 2.0, 1.0, 0x1p-1074}, {1.0, kNaN, kNaN, 0.5}},
    {"Pow", {kNaN, 0.9, 1e300, 2.0}, {0.0409, kNaN, 0.5, 1e-300}},
    {"SinCos", {0.5, -1.2, 3.0, 31.9}, kOnes},
    {"SinCos", {kNaN, 1.0, -kInf, 0.0}, kOnes},
    {"SinCos", {-0.0, 0x1p-28, 1e300, 0x1p-1074}, kOnes},
    {"SinCos", {0x1.d2bb76fabbc72p+2, 0x1.2528885b495ap-2, -0x1.57a082320a5f9p+2, 0.7}, kOnes},
    {"SinCos", {0x1.09579bce7df0ep+2, -0.3, 0x1.9cf854c9201a4p+1, -0x1.019d2c1470e36p+3}, kOnes},
    {"SinCos", {32.0, -0x1.fffffffffffffp4, 0x1p-27, -0x1.fffffffffffffp-28}, kOnes},
    {"SinCos", {kInf, -kNaN, 1e22, 0x1p20}, kOnes},
    {"SinCos", {3.141592653589793, -1.5707963267948966, 0x1.921fb54442d18p+2, 1e-300}, kOnes},
    {"Tan", {0.35, -0.3, 1.2, -1.5}, kOnes},
    {"Tan", {1.0, 0x1.0000000000001p0, kHalfPiRounded - 0x1p-6, -(kHalfPiRounded - 0x1p-6)}, kOnes},
    {"Tan", {std::nextafter(kHalfPiRounded - 0x1p-6, 2.0), kHalfPiRounded, 0x1p-27, -0x1p-28}, kOnes},
    {"Tan", {kNaN, kInf, -0.0, 0x1p-1074}, kOnes},
    {"Tan", {0x1.179c74a283678p-1, 0x1.4620c6a9673c6p+0, -0x1.0394c1967e818p+0, 0.4}, kOnes},
    {"Tan", {0x1.5f299fa1c6f56p+0, -0x1.89028704f78f4p+0, 0x1.872f3630daf49p-1, 0.9}, kOnes},
    {"Tan", {2.0, 10.0, 1e10, -kInf}, kOnes},
    // Every lane in the tangent's cells (or outside the range, given 0.5):
    // the form without the cotangent's operations, a failing test among
    // them.
    {"Tan", {0.31, -0.39, 0x1.179c74a283678p-1, 1.0}, kOnes},
    {"Tan", {kNaN, 0.35, -0x1p-28, -kInf}, kOnes},
    {"Tan", {0x1.3ca5bfcd5d9f7p+3, -0x1.c8fc559d63e71p+2, 0.78539816339744828, -0.5}, kOnes},
    {"Pow", {0.9, 1.1, 3.0, 0.995}, {0.0409, 0.7716421928, 1.2959, 2.7}},
    {"Pow", {4.0, 9.0, 3.0, 2.0}, {0.5, 1.5, 2.0, -1.0}},
    {"Pow", {-8.0, 0.0, 10.0, kNaN}, {1.0 / 3.0, -1.0, 400.0, 1.0}},
    {"Pow", {1.0, 5.0, 0x1p-1074, -2.0}, {kNaN, 0.0, 0.5, 3.0}},
    {"Pow", {kInf, -kInf, 0.5, -0.0}, {-2.0, 3.0, kInf, -3.0}},
    {"Pow", {1.0000001, 0.9999999, 2.0, 2.0}, {0x1p65, 0x1p64, 1020.0, 1023.0}},
    {"Pow", {2.0, 2.0, 0.5, 2.0}, {-1022.0, -1074.0, 1074.5, -1021.5}},
    {"Pow",
     {0x1.9d71685d7852p-4, 0x1.bad210d49a54p+0, 0x1.fbc05a38056c7p-1, 0x1.ff24d3a30be18p-1},
     {0x1.6e7dfa3e5b1b8p-1, 0x1.7b0f707a4d33p-1, 0x1.600887ed640b2p+1, 0x1.af2d9c92ac85ap+1}},
    {"Pow", {0x1.beec056d99364p-1, 0x1.ff422ef594d31p-1, 0x1.12ca57a786c22p+0, 0x1p-1000},
     {0x1.508dc121e98e7p-5, 0x1.476054f3d61f8p+1, 0x1.4f0d844d013a9p-5, 0x1.8b14af7c94571p-1}},
    // The exponents with their own paths beside each other and beyond
    // their ranges: the square overflowing, 1.5 outside [2^-600, 2^600],
    // 1.5 at a midpoint (208065^3 has 54 bits: the test fails).
    {"Pow", {1e200, 1e300, 0x1p-700, 43291044225.0}, {2.0, 1.5, 1.5, 1.5}},
    {"Pow", {0x1.0000000000001p0, 0x1p-600, 0x1p600, 0.3}, {0.5, 1.5, 1.5, 0.0409}},
    // The ends of the common case: the least normal and the largest x, a
    // subnormal one; the least |y| and |y| = 2^64, just beyond.
    {"Pow", {0x1p-1022, 0x1.fffffffffffffp1023, 0x0.fffffffffffffp-1022, 1.5},
     {0.7, -0.001, 0.7, 0x1p64}},
    {"Pow", {3.0, 0.999, 2.0, 7.0}, {0x1p-1074, -0x1p64, -0x0.0000000000001p-1022, 0x1.0000000000001p64}},
    {"Pow", {0x1.ffffffcp+26, 0x1.0000000000001p+0, 0x1p-1, 0x1.fffffffffffffp-1},
     {2.0, 0x1p+52, 0x1.fed999999999ap+9, -0x1.5p+61}},
    // Four equal exponents take the lanes of one exponent, whatever the
    // bases; exponents equal as numbers but not in their bits (+-0) do
    // not, nor do NaNs of other signs.
    {"Pow", {0.9, 1e-300, -2.0, 0x1p-1074}, {0.0409, 0.0409, 0.0409, 0.0409}},
    {"Pow", {1e300, 0.0, 0.99, -8.0}, {1.5, 1.5, 1.5, 1.5}},
    {"Pow", {2.0, 0.0, 3.0, -0.0}, {0.0, -0.0, 0.0, 0.0}},
    {"Pow", {2.0, 1.0, kNaN, 0.5}, {kNaN, kNaN, -kNaN, kNaN}},
};

TEST(ElementaryLanes, EachLaneIsTheScalarFunctionBitForBit) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  for (const Products products : {Products::kDekker, Products::kFused}) {
    if (!ForceProducts(products)) continue;  // no FMA
    for (const LanesCase& c : kLanesCases) {
      ExpectSameAsScalar(c.function, c.x, c.y);
      // The same lanes in the other orders: a lane's path does not depend
      // on its place.
      ExpectSameAsScalar(c.function, {c.x[3], c.x[0], c.x[1], c.x[2]}, {c.y[3], c.y[0], c.y[1], c.y[2]});
      ExpectSameAsScalar(c.function, {c.x[2], c.x[3], c.x[0], c.x[1]}, {c.y[2], c.y[3], c.y[0], c.y[1]});
    }
  }
}

// SinMultiples on four latitudes: each lane's four values are the bits of
// SinMultiples on its phi, and no fault flag comes that the scalar calls
// do not raise.
void ExpectMultiplesSameAsScalar(const Row& phis) {
  const Lanes4 phi = {phis[0], phis[1], phis[2], phis[3]};
  std::feclearexcept(FE_ALL_EXCEPT);
  const SinMultiplesLanes4 got = SinMultiples(phi);
  const int lanesFaults = std::fetestexcept(kFaults);
  std::feclearexcept(FE_ALL_EXCEPT);
  SinMultiplesOf want[4];
  for (int l = 0; l < 4; ++l) want[l] = SinMultiples(phis[l]);
  const int scalarFaults = std::fetestexcept(kFaults);
  for (int l = 0; l < 4; ++l) {
    const double gotValues[4] = {got.sin2[l], got.sin4[l], got.sin6[l], got.sin8[l]};
    const double wantValues[4] = {want[l].sin2, want[l].sin4, want[l].sin6, want[l].sin8};
    for (int m = 0; m < 4; ++m) {
      EXPECT_TRUE(SameBits(gotValues[m], wantValues[m]))
          << "SinMultiples lane " << l << " (" << Hex(phis[l]) << ") sin" << 2 * (m + 1) << ": "
          << Hex(gotValues[m]) << ", scalar " << Hex(wantValues[m]);
    }
  }
  EXPECT_EQ(lanesFaults & ~scalarFaults, 0) << "SinMultiples (" << Hex(phis[0]) << ", " << Hex(phis[1])
                                            << ", " << Hex(phis[2]) << ", " << Hex(phis[3]) << ")";
}

// The latitudes, the ends of the fast range [2^-27, 4) and their
// neighbours, the arguments out of it (NaN, infinite, zero, subnormal,
// huge), multiples landing near k pi/4; then random groups of latitudes
// and of phi near k pi/(4 m), where some values' tests fail.
TEST(ElementaryLanes, SinMultiplesOfFourLatitudesIsTheScalarOne) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  const Row rows[] = {
      {0.88, -0.3, 1.5707963267948966, 0.5},
      {kNaN, 0x1p-27, std::nextafter(0x1p-27, 0.0), 4.0},
      {std::nextafter(4.0, 0.0), -kInf, 0.0, -0.0},
      {1e300, 0x1p-1074, 0.7853981633974483, -0.39269908169872414},
      {-3.9, 0.2617993877991494, -0.5235987755982988, 1.0471975511965976},
  };
  std::mt19937_64 rng(23);
  const auto unit = [&] { return static_cast<double>(rng() >> 11) * 0x1p-53; };
  for (const Products products : {Products::kDekker, Products::kFused}) {
    if (!ForceProducts(products)) continue;
    for (const Row& phis : rows) ExpectMultiplesSameAsScalar(phis);
    for (int i = 0; i < 3000 && !HasFailure(); ++i) {
      Row phis;
      for (double& phi : phis) {
        if (rng() % 2 == 0) {
          phi = (unit() * 2.0 - 1.0) * 1.5707963267948966;
        } else {
          const double k = static_cast<double>(1 + rng() % 40);
          const double m = static_cast<double>(2 + 2 * (rng() % 4));
          phi = std::nextafter(k * 0.7853981633974483 / m, rng() % 2 ? 0.0 : 4.0);
        }
      }
      ExpectMultiplesSameAsScalar(phis);
    }
  }
}

// One exponent for the four lanes ("PowY": Pow(Lanes4, double)): each of
// PowAll's cases of y (the conversions', those with their own paths and
// their neighbours, the ends of |y| < 2 and of the common case, those left
// to the scalar function) on groups of bases that take every path of the
// lanes: the conversions' domains, the ends of 1.5's range, |y ln x|
// beyond 8 and beyond 708, a midpoint, subnormal, negative, zero, NaN and
// infinite bases.
TEST(ElementaryLanes, OneExponentForFourLanesIsTheScalarPow) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  const double exponents[] = {0.0409095955, 0.7716421928, 1.0 / 0.7716421928, 1.5, 0.5, 2.0,
                              std::nextafter(1.5, 2.0), std::nextafter(2.0, 0.0), -0.5, -1.5, -2.0,
                              3.0, 1020.0, -1074.0, 0x1p64, 0x1.0000000000001p64, 0x1p-1074, 0.0,
                              -0.0, 1.0, kNaN, kInf, -kInf};
  const Row bases[] = {
      {0.9, 1.1, 0.3, 0.995},
      {kNaN, 0.0, -0.0, 1.0},
      {-2.0, -8.0, kInf, -kInf},
      {0x1p-600, 0x1p600, std::nextafter(0x1p-600, 0.0), 0x1p601},
      {0x1p-1022, 0x0.fffffffffffffp-1022, 0x1.fffffffffffffp1023, 1e-300},
      {43291044225.0, 1e200, 1e-20, 7.0},
      {0x1.ffffffcp+26, 4.0, 9.0, 0x1.0000000000001p0},
  };
  for (const Products products : {Products::kDekker, Products::kFused}) {
    if (!ForceProducts(products)) continue;
    for (const double y : exponents) {
      for (const Row& x : bases) ExpectSameAsScalar("PowY", x, {y, y, y, y});
    }
  }
}

// Groups drawn from the conversions' domains, with one lane in four an
// argument of the whole range, under both kinds of product.
TEST(ElementaryLanes, RandomGroupsMatchTheScalarFunctions) {
  struct Restore {
    ~Restore() { ForceProducts(Products::kAuto); }
  } restore;
  std::mt19937_64 rng(17);
  const auto unit = [&] { return static_cast<double>(rng() >> 11) * 0x1p-53; };
  const auto any = [&] {
    double v;
    do v = std::bit_cast<double>(rng()); while (std::isnan(v));
    return v;
  };
  for (const Products products : {Products::kDekker, Products::kFused}) {
    if (!ForceProducts(products)) continue;
    for (int i = 0; i < 3000; ++i) {
      Row angles, tans, belgium, bases, exponents;
      for (int l = 0; l < 4; ++l) {
        const bool wild = rng() % 4 == 0;
        angles[l] = wild ? any() : (unit() * 2.0 - 1.0) * 12.566370614359172;
        tans[l] = wild ? any() : 0.785398163375 - (unit() * 2.0 - 1.0) * 0.78535;
        belgium[l] = 0.30 + unit() * 0.10;
        switch (rng() % 4) {
          case 0: bases[l] = 0.84 + unit() * 0.35; exponents[l] = 0.0409 + unit() * 0.0002; break;
          case 1: bases[l] = std::ldexp(1.0 + unit(), static_cast<int>(rng() % 80) - 40);
                  exponents[l] = 1.0 / 0.7716421928; break;
          case 2: bases[l] = 0.99 + unit() * 0.01; exponents[l] = 1.5; break;
          default: bases[l] = wild ? any() : unit() * 4.0; exponents[l] = wild ? any() : unit() * 8.0 - 4.0;
        }
      }
      ExpectSameAsScalar("SinCos", angles, kOnes);
      ExpectSameAsScalar("Tan", tans, kOnes);
      ExpectSameAsScalar("Tan", belgium, kOnes);
      ExpectSameAsScalar("Pow", bases, exponents);
      const double y = exponents[i % 4];
      ExpectSameAsScalar("PowY", bases, {y, y, y, y});
      if (HasFailure()) return;
    }
  }
}

}  // namespace lanes

}  // namespace
}  // namespace morvane::elementary
