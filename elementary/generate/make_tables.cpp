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

#include <cstdint>
#include <cstdio>

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

  // Sine and cosine: sin(j pi/1024) and cos(j pi/1024), j = 0 .. 1023 (a
  // half turn), as pairs; an entry fills half a 64-byte line.
  std::printf(
      "struct SinCosEntry {\n  double sinHi, cosHi, sinLo, cosLo;\n};\n"
      "alignas(64) inline constexpr SinCosEntry kSinCosHalfTurn[1024] = {\n");
  for (int j = 0; j < 1024; ++j) {
    mpfr_mul_si(v, pi, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 1024, MPFR_RNDN);
    mpfr_cos(w, v, MPFR_RNDN);
    mpfr_sin(v, v, MPFR_RNDN);
    const double sinHi = mpfr_get_d(v, MPFR_RNDN), cosHi = mpfr_get_d(w, MPFR_RNDN);
    mpfr_sub_d(v, v, sinHi, MPFR_RNDN);
    mpfr_sub_d(w, w, cosHi, MPFR_RNDN);
    std::printf("    {");
    PrintDouble(sinHi);
    std::printf(", ");
    PrintDouble(cosHi);
    std::printf(", ");
    PrintDouble(mpfr_get_d(v, MPFR_RNDN));
    std::printf(", ");
    PrintDouble(mpfr_get_d(w, MPFR_RNDN));
    std::printf("},\n");
  }
  std::printf("};\n\n");

  // 1/m!, m = 0 .. 51, in fixed point: the accurate path's Taylor series
  // of sin and cos.
  std::printf("inline constexpr Digits kInverseFactorials[52] = {\n");
  mpfr_set_ui(v, 1, MPFR_RNDN);
  for (int m = 0; m < 52; ++m) {
    if (m > 0) mpfr_div_ui(v, v, m, MPFR_RNDN);
    std::printf("    ");
    PrintFixed(v);
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

  // pi/1024 in five parts of 23 bits: k * part is exact for |k| < 2^30.
  std::printf("inline constexpr double kPiOver1024Parts[5] = {");
  mpfr_div_ui(v, pi, 1024, MPFR_RNDN);
  for (int i = 0; i < 5; ++i) {
    const double part = RoundTo(v, 23);
    PrintDouble(part);
    std::printf("%s", i < 4 ? ", " : "};\n");
    mpfr_sub_d(v, v, part, MPFR_RNDN);
  }
  std::printf("// |pi/1024 - sum of the parts| = %.3e\n", mpfr_get_d(v, MPFR_RNDN));
  // For |x| < 32 (|k| < 2^13.4): pi/1024 in two parts of 38 bits, k times
  // each exact, and the rest rounded to a double.
  std::printf("inline constexpr double kPiOver1024Short[3] = {");
  mpfr_div_ui(v, pi, 1024, MPFR_RNDN);
  for (int i = 0; i < 3; ++i) {
    const double part = i < 2 ? RoundTo(v, 38) : mpfr_get_d(v, MPFR_RNDN);
    PrintDouble(part);
    std::printf("%s", i < 2 ? ", " : "};\n");
    mpfr_sub_d(v, v, part, MPFR_RNDN);
  }
  std::printf("// |pi/1024 - sum of the three| = %.3e\n", mpfr_get_d(v, MPFR_RNDN));
  mpfr_ui_div(v, 1024, pi, MPFR_RNDN);
  std::printf("inline constexpr double k1024OverPi = ");
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

  // 2^(j/128), j = 0 .. 127.
  std::printf("inline constexpr Pair kExp2Table[128] = {\n");
  for (int j = 0; j < 128; ++j) {
    mpfr_set_si(v, j, MPFR_RNDN);
    mpfr_div_ui(v, v, 128, MPFR_RNDN);
    mpfr_ui_pow(v, 2, v, MPFR_RNDN);
    std::printf("    ");
    PrintPair(v);
    std::printf(",\n");
  }
  std::printf("};\n\n");

  // ln 2: 42 bits (e ln2 exact for |e| < 2^11) and the rest; ln2/128 in
  // three parts, the first two of 35 bits (k part exact for |k| < 2^18).
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
  mpfr_div_ui(v, v, 128, MPFR_RNDN);
  std::printf("inline constexpr double kLn2Over128Parts[3] = {");
  for (int i = 0; i < 3; ++i) {
    const double part = i < 2 ? RoundTo(v, 35) : mpfr_get_d(v, MPFR_RNDN);
    PrintDouble(part);
    std::printf("%s", i < 2 ? ", " : "};\n");
    mpfr_sub_d(v, v, part, MPFR_RNDN);
  }
  mpfr_const_log2(v, MPFR_RNDN);
  mpfr_ui_div(v, 128, v, MPFR_RNDN);
  std::printf("inline constexpr double k128OverLn2 = ");
  PrintDouble(mpfr_get_d(v, MPFR_RNDN));
  std::printf(";\n\n");

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
