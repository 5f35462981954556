// Writes elementary/tables.hpp, the constants and tables of the
// elementary functions, from MPFR at 2000 bits:
//
//   g++ -O2 -std=c++20 elementary/generate/make_tables.cpp -lmpfr -lgmp -o make_tables
//   ./make_tables > elementary/tables.hpp
//
// Doubles are written as hexadecimal literals, rounded to nearest; a pair
// (hi, lo) is hi = RN(v), lo = RN(v - hi).  A fixed-point value has eight
// 32-bit digits, the first the integer part, the others the fraction
// (2^-32 ... 2^-224), truncated toward zero.  The polynomial coefficients
// are computed by elementary/coefficients.sollya.
#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr mpfr_prec_t kPrec = 2000;

void PrintDouble(double d) { std::printf("%a", d); }

// hi, lo of v.
void PrintPair(const mpfr_t v) {
  mpfr_t t;
  mpfr_init2(t, kPrec);
  const double hi = mpfr_get_d(v, MPFR_RNDN);
  mpfr_sub_d(t, v, hi, MPFR_RNDN);
  const double lo = mpfr_get_d(t, MPFR_RNDN);
  std::printf("{");
  PrintDouble(hi);
  std::printf(", ");
  PrintDouble(lo);
  std::printf("}");
  mpfr_clear(t);
}

// Eight 32-bit digits of v >= 0, truncated.
void PrintFixed(const mpfr_t v) {
  mpfr_t t, d;
  mpfr_inits2(kPrec, t, d, static_cast<mpfr_ptr>(nullptr));
  mpfr_set(t, v, MPFR_RNDN);
  std::printf("{");
  for (int i = 0; i < 8; ++i) {
    mpfr_floor(d, t);
    const unsigned long digit = mpfr_get_ui(d, MPFR_RNDN);
    std::printf("0x%08lxu%s", digit, i < 7 ? ", " : "");
    mpfr_sub(t, t, d, MPFR_RNDN);
    mpfr_mul_2ui(t, t, 32, MPFR_RNDN);
  }
  std::printf("}");
  mpfr_clears(t, d, static_cast<mpfr_ptr>(nullptr));
}

// Eight 32-bit digits of any |v| < 2^31, in two's complement: those of
// v + 2^32 when v < 0 (the integer digit wraps), truncated toward -inf.
void PrintFixedSigned(const mpfr_t v) {
  mpfr_t t;
  mpfr_init2(t, kPrec);
  mpfr_set(t, v, MPFR_RNDN);
  if (mpfr_sgn(t) < 0) mpfr_add_d(t, t, 4294967296.0, MPFR_RNDN);
  PrintFixed(t);
  mpfr_clear(t);
}

// v rounded to `bits` significant bits, to nearest.
double RoundTo(const mpfr_t v, int bits) {
  mpfr_t t;
  mpfr_init2(t, bits);
  mpfr_set(t, v, MPFR_RNDN);
  const double d = mpfr_get_d(t, MPFR_RNDN);
  mpfr_clear(t);
  return d;
}


[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "make_tables: %s\n", what);
  std::exit(1);
}

// The number of significant bits of a double (0 for 0).
int SignificantBits(double d) {
  if (d == 0.0) return 0;
  std::uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  b = (b & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  return 53 - std::countr_zero(b);
}

// ---- The power's fast path (elementary/power.cpp) ----
//
// The logarithm's reduction: x = 2^e m with the bits of m in
// [kPowLogOffset, kPowLogOffset + 2^52), m in [0.7071, 1.4142); entry i
// covers the bits kPowLogOffset + i 2^43 .. + (i + 1) 2^43 (512 entries;
// the one of i = 299 has m = 1 at its centre).  Its c is the multiple of
// 2^-q (any q) nearest 2/(lo + hi) that keeps m c - 1 a double over the
// whole interval, the one of the smallest max |m c - 1| (below 2^-9.46 for
// all): m is a multiple of u = 2^-53 (m < 1) or 2^-52, m c - 1 of u 2^-q,
// and a double when below 2^53 u 2^-q.  minusLogC is -ln c as th, a
// multiple of 2^-42 (so that e ln2hi + th is exact, ln2hi of 42 bits, |e|
// < 2^11), and tl = RN(-ln c - th).  The program stops if an entry
// breaks a condition that power.cpp relies on (checked here).
constexpr std::uint64_t kPowLogOffset = 0x3fe6a40000000000u;

void PowerTables(mpfr_t v, mpfr_t w) {
  mpfr_t lo, hi, z, best, bound;
  mpfr_inits2(kPrec, lo, hi, z, best, bound, static_cast<mpfr_ptr>(nullptr));
  const auto fromBits = [](std::uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
  };
  double worst = 0.0;
  std::printf("inline constexpr std::uint64_t kPowLogOffset = 0x%016llxu;\n",
              static_cast<unsigned long long>(kPowLogOffset));
  std::printf("struct PowLogEntry {\n  double c, th, tl;\n};\n");
  std::printf("inline constexpr PowLogEntry kPowLogTable[512] = {\n");
  for (std::uint64_t i = 0; i < 512; ++i) {
    const double a = fromBits(kPowLogOffset + (i << 43));
    const double b = fromBits(kPowLogOffset + ((i + 1) << 43));
    mpfr_set_d(lo, a, MPFR_RNDN);
    mpfr_set_d(hi, b, MPFR_RNDN);
    double c = 1.0;
    double zmax = 0.0;
    if (a <= 1.0 && 1.0 < b) {
      zmax = std::fmax(1.0 - a, b - 1.0);  // c = 1: z = m - 1 (Sterbenz)
    } else {
      const int uExp = b <= 1.0 ? -53 : -52;
      // 2 / (lo + hi)
      mpfr_add(v, lo, hi, MPFR_RNDN);
      mpfr_ui_div(v, 2, v, MPFR_RNDN);
      bool found = false;
      for (int q = 1; q <= 40; ++q) {
        mpfr_mul_2si(w, v, q, MPFR_RNDN);
        for (int side = 0; side < 2; ++side) {
          mpfr_t cq;
          mpfr_init2(cq, kPrec);
          if (side == 0)
            mpfr_floor(cq, w);
          else
            mpfr_ceil(cq, w);
          mpfr_div_2si(cq, cq, q, MPFR_RNDN);
          // max |m c - 1| at the ends
          mpfr_mul(z, lo, cq, MPFR_RNDN);
          mpfr_sub_ui(z, z, 1, MPFR_RNDN);
          mpfr_abs(z, z, MPFR_RNDN);
          mpfr_mul(bound, hi, cq, MPFR_RNDN);
          mpfr_sub_ui(bound, bound, 1, MPFR_RNDN);
          mpfr_abs(bound, bound, MPFR_RNDN);
          mpfr_max(z, z, bound, MPFR_RNDN);
          // a double below 2^53 u 2^-q
          mpfr_set_ui_2exp(bound, 1, 53 + uExp - q, MPFR_RNDN);
          if (mpfr_cmp(z, bound) < 0 && (!found || mpfr_cmp(z, best) < 0)) {
            found = true;
            mpfr_set(best, z, MPFR_RNDN);
            c = mpfr_get_d(cq, MPFR_RNDN);
          }
          mpfr_clear(cq);
        }
      }
      if (!found) Fail("no c for a logarithm entry");
      zmax = mpfr_get_d(best, MPFR_RNDU);
    }
    if (SignificantBits(c) > 26) Fail("c longer than 26 bits");
    worst = std::fmax(worst, zmax);
    mpfr_set_d(v, c, MPFR_RNDN);
    mpfr_log(v, v, MPFR_RNDN);
    mpfr_neg(v, v, MPFR_RNDN);
    mpfr_mul_2si(w, v, 42, MPFR_RNDN);
    mpfr_round(w, w);
    mpfr_div_2si(w, w, 42, MPFR_RNDN);
    const double th = mpfr_get_d(w, MPFR_RNDN);
    mpfr_sub(v, v, w, MPFR_RNDN);
    const double tl = mpfr_get_d(v, MPFR_RNDN);
    // For e = 0, s = th + z by FastTwoSum: th = 0 or its exponent at least
    // that of every z; and |th| - max |z| >= 2^-15, so that |s| is far
    // above |z^2/2| (the second FastTwoSum).
    if (th != 0.0 && (std::ilogb(th) < std::ilogb(zmax) || std::fabs(th) - zmax < 0x1p-15))
      Fail("th too small beside z");
    std::printf("    {");
    PrintDouble(c);
    std::printf(", ");
    PrintDouble(th);
    std::printf(", ");
    PrintDouble(tl);
    std::printf("},\n");
  }
  std::printf("};\n// max |m c - 1| = 2^%.4f\n\n", std::log2(worst));
  if (worst > std::exp2(-9.46)) Fail("max |m c - 1| above 2^-9.46");

  // 2^(j/1024), j = 0 .. 1023, as pairs.
  std::printf("inline constexpr Pair kPowExp2Table[1024] = {\n");
  for (int j = 0; j < 1024; ++j) {
    mpfr_set_si(v, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 1024, MPFR_RNDN);
    mpfr_ui_pow(v, 2, v, MPFR_RNDN);
    std::printf("    ");
    PrintPair(v);
    std::printf(",\n");
  }
  std::printf("};\n");
  // ln2/1024: C = RN(ln2/1024), C = Ch + Cl with Ch of 26 bits (Cl of 27
  // at most, so k Ch and k Cl are exact for |k| < 2^26), and the rest
  // RN(ln2/1024 - C); 1024/ln2 rounded.
  mpfr_const_log2(v, MPFR_RNDN);
  mpfr_div_ui(v, v, 1024, MPFR_RNDN);
  {
    const double c = mpfr_get_d(v, MPFR_RNDN);
    mpfr_set_d(w, c, MPFR_RNDN);
    const double ch = RoundTo(w, 26);
    const double cl = c - ch;
    mpfr_sub_d(v, v, c, MPFR_RNDN);
    std::printf("inline constexpr double kPowLn2Over1024[4] = {");
    PrintDouble(c);
    std::printf(", ");
    PrintDouble(ch);
    std::printf(", ");
    PrintDouble(cl);
    std::printf(", ");
    PrintDouble(mpfr_get_d(v, MPFR_RNDN));
    std::printf("};\n");
    if (SignificantBits(cl) > 27) Fail("Cl longer than 27 bits");
  }
  mpfr_const_log2(v, MPFR_RNDN);
  mpfr_ui_div(v, 1024, v, MPFR_RNDN);
  std::printf("inline constexpr double kPow1024OverLn2 = ");
  PrintDouble(mpfr_get_d(v, MPFR_RNDN));
  std::printf(";\n// ---- end of the power's fast path ----\n\n");
  mpfr_clears(lo, hi, z, best, bound, static_cast<mpfr_ptr>(nullptr));
}
}  // namespace

int main() {
  mpfr_t pi, v, w;
  mpfr_inits2(kPrec, pi, v, w, static_cast<mpfr_ptr>(nullptr));
  mpfr_const_pi(pi, MPFR_RNDN);

  std::printf(
      "// The constants and tables of the elementary functions, written by\n"
      "// elementary/generate/make_tables.cpp.\n"
      "#pragma once\n\n#include <cstdint>\n\n"
      "#include \"elementary/double_double.hpp\"\n#include \"elementary/fixed.hpp\"\n\n"
      "namespace morvane::elementary::detail {\n\n");

  // sin(j pi/2048), j = 0 .. 1024 (a quarter wave).
  std::printf("inline constexpr Pair kSinQuarter[1025] = {\n");
  for (int j = 0; j <= 1024; ++j) {
    mpfr_mul_si(v, pi, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 2048, MPFR_RNDN);
    mpfr_sin(v, v, MPFR_RNDN);
    std::printf("    ");
    PrintPair(v);
    std::printf(",\n");
  }
  std::printf("};\n\n");

  // atan(j/64), j = 0 .. 64, as pairs and in fixed point.
  std::printf("inline constexpr Pair kAtanTable[65] = {\n");
  for (int j = 0; j <= 64; ++j) {
    mpfr_set_si(v, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 64, MPFR_RNDN);
    mpfr_atan(v, v, MPFR_RNDN);
    std::printf("    ");
    PrintPair(v);
    std::printf(",\n");
  }
  std::printf("};\n\n");
  // pi/2 - atan(j/64), j = 0 .. 64, as pairs (the arctangent of x > 1).
  std::printf("inline constexpr Pair kAtanComplement[65] = {\n");
  for (int j = 0; j <= 64; ++j) {
    mpfr_set_si(v, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 64, MPFR_RNDN);
    mpfr_atan(v, v, MPFR_RNDN);
    mpfr_div_ui(w, pi, 2, MPFR_RNDN);
    mpfr_sub(v, w, v, MPFR_RNDN);
    std::printf("    ");
    PrintPair(v);
    std::printf(",\n");
  }
  std::printf("};\n\n");
  std::printf("inline constexpr Digits kAtanFixed[65] = {\n");
  for (int j = 0; j <= 64; ++j) {
    mpfr_set_si(v, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 64, MPFR_RNDN);
    mpfr_atan(v, v, MPFR_RNDN);
    std::printf("    ");
    PrintFixed(v);
    std::printf(",\n");
  }
  std::printf("};\n\n");

  // pi/2048 in five parts of 23 bits: k * part is exact for |k| < 2^30.
  std::printf("inline constexpr double kPiOver2048Parts[5] = {");
  mpfr_div_ui(v, pi, 2048, MPFR_RNDN);
  for (int i = 0; i < 5; ++i) {
    const double part = RoundTo(v, 23);
    PrintDouble(part);
    std::printf("%s", i < 4 ? ", " : "};\n");
    mpfr_sub_d(v, v, part, MPFR_RNDN);
  }
  std::printf("// |pi/2048 - sum of the parts| = %.3e\n", mpfr_get_d(v, MPFR_RNDN));
  // For |x| < 32 (|k| < 2^14.4): pi/2048 in two parts of 38 bits, k times
  // each exact, and the rest rounded to a double.
  std::printf("inline constexpr double kPiOver2048Short[3] = {");
  mpfr_div_ui(v, pi, 2048, MPFR_RNDN);
  for (int i = 0; i < 3; ++i) {
    const double part = i < 2 ? RoundTo(v, 38) : mpfr_get_d(v, MPFR_RNDN);
    PrintDouble(part);
    std::printf("%s", i < 2 ? ", " : "};\n");
    mpfr_sub_d(v, v, part, MPFR_RNDN);
  }
  std::printf("// |pi/2048 - sum of the three| = %.3e\n", mpfr_get_d(v, MPFR_RNDN));
  mpfr_ui_div(v, 2048, pi, MPFR_RNDN);
  std::printf("inline constexpr double k2048OverPi = ");
  PrintDouble(mpfr_get_d(v, MPFR_RNDN));
  std::printf(";\n");

  mpfr_div_ui(v, pi, 2, MPFR_RNDN);
  std::printf("inline constexpr Pair kHalfPi = ");
  PrintPair(v);
  std::printf(";\n\n");

  // Fixed-point constants.
  mpfr_div_ui(v, pi, 2, MPFR_RNDN);
  std::printf("inline constexpr Digits kHalfPiFixed = ");
  PrintFixed(v);
  std::printf(";\n");
  mpfr_ui_div(v, 2, pi, MPFR_RNDN);
  std::printf("inline constexpr Digits kTwoOverPiFixed = ");
  PrintFixed(v);
  std::printf(";\n");
  mpfr_const_log2(v, MPFR_RNDN);
  std::printf("inline constexpr Digits kLn2Fixed = ");
  PrintFixed(v);
  std::printf(";\n\n");

  // The logarithm's reduction: for m in [0.7, 1.42] and i = round(128 m)
  // (90 .. 182), c_i = 128 / i rounded to 10 bits, so that m c_i - 1 is a
  // double; -ln(c_i) as a pair and in fixed point.
  std::printf("struct LogEntry {\n  double c;\n  Pair minusLogC;\n};\n");
  std::printf("inline constexpr LogEntry kLogTable[93] = {\n");
  for (int i = 90; i <= 182; ++i) {
    mpfr_set_ui(v, 128, MPFR_RNDN);
    mpfr_div_ui(v, v, i, MPFR_RNDN);
    const double c = RoundTo(v, 10);
    mpfr_set_d(v, c, MPFR_RNDN);
    mpfr_log(v, v, MPFR_RNDN);
    mpfr_neg(v, v, MPFR_RNDN);
    std::printf("    {");
    PrintDouble(c);
    std::printf(", ");
    PrintPair(v);
    std::printf("},\n");
  }
  std::printf("};\n\n");
  std::printf("inline constexpr Digits kMinusLogCFixed[93] = {\n");
  for (int i = 90; i <= 182; ++i) {
    mpfr_set_ui(v, 128, MPFR_RNDN);
    mpfr_div_ui(v, v, i, MPFR_RNDN);
    mpfr_set_d(v, RoundTo(v, 10), MPFR_RNDN);
    mpfr_log(v, v, MPFR_RNDN);
    mpfr_neg(v, v, MPFR_RNDN);
    std::printf("    ");
    PrintFixedSigned(v);
    std::printf(",\n");
  }
  std::printf("};\n\n");

  // ln 2: 42 bits (e ln2 exact for |e| < 2^11) and the rest.
  mpfr_const_log2(v, MPFR_RNDN);
  {
    const double a = RoundTo(v, 42);
    mpfr_sub_d(w, v, a, MPFR_RNDN);
    std::printf("inline constexpr double kLn2Parts[2] = {");
    PrintDouble(a);
    std::printf(", ");
    PrintDouble(mpfr_get_d(w, MPFR_RNDN));
    std::printf("};\n");
  }
  std::printf("\n");

  // ---- The power's fast path (elementary/power.cpp) ----
  PowerTables(v, w);

  // The binary digits of 2/pi, 32 to a word: word i holds the bits of
  // weight 2^-(32i+1) .. 2^-(32i+32).  1376 bits reach past the last bit
  // that the largest double (2^1024) needs, plus 300.
  std::printf("inline constexpr std::uint32_t kTwoOverPiBits[43] = {\n   ");
  mpfr_ui_div(v, 2, pi, MPFR_RNDN);
  for (int i = 0; i < 43; ++i) {
    mpfr_mul_2ui(v, v, 32, MPFR_RNDN);
    mpfr_floor(w, v);
    std::printf(" 0x%08lxu,%s", mpfr_get_ui(w, MPFR_RNDN), i % 6 == 5 ? "\n   " : "");
    mpfr_sub(v, v, w, MPFR_RNDN);
  }
  std::printf("\n};\n\n}  // namespace morvane::elementary::detail\n");
  mpfr_clears(pi, v, w, static_cast<mpfr_ptr>(nullptr));
  return 0;
}
