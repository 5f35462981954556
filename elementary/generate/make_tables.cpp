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
#include <initializer_list>

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


// ---- The arctangent's cells (elementary/arctangent.cpp) ----
//
// For c = j/256, j = 0 .. 512, the Taylor coefficients of atan about c:
//     atan(c + h) = atan c + sum over k >= 1 of a_k h^k,
//     a_k = (-1)^(k-1) Im(w^k) / k,  w = 1/(c - i) = (c + i) / (1 + c^2),
// since the k-th derivative of atan is (-1)^(k-1) (k-1)! Im((x - i)^-k);
// |a_k| <= |w|^k / k = (1 + c^2)^(-k/2) / k.  A cell holds a_1 as a pair,
// a_2 .. a_7 rounded to doubles and atan c as a pair; pi/2 - atan c, for
// j <= 128 (the inverses 1/x of x > 2), as pairs in a second table.  The
// fast path evaluates a cell at |h| <= H = 2^-9 + 2^-52 (the half width
// of a cell, and the low part of an inverted argument); the bounds it
// uses, printed into tables.hpp as their largest value over the cells,
// are relative to the least arctangent in the cell, atan(c - H) (for
// j = 0, atan H: there each sum below divided by atan h grows with |h|,
// the terms being odd powers h^k, k >= 3):
//     B2 = |a_2| H^2,  B3 = sum over k = 3 .. 7 of |a_k| H^k,
//     E = sum over k >= 8 of |a_k| H^k (the truncation; to k = 80, the
//         rest below 2 H^81) + sum over k = 2 .. 7 of |a_k - RN(a_k)| H^k.
void PrintAtanCells() {
  constexpr int kCells = 512, kTerms = 80;
  mpfr_t c, d, wr, wi, pr, pim, t, a, h, hk, ymin, b2, b3, e, r;
  mpfr_inits2(kPrec, c, d, wr, wi, pr, pim, t, a, h, hk, ymin, b2, b3, e, r,
              static_cast<mpfr_ptr>(nullptr));
  double maxB2 = 0.0, maxB3 = 0.0, maxE = 0.0;
  std::printf(
      "// The arctangent's cells: c = j/256, atan(c + h) = atan c + a1 h + a[0] h^2\n"
      "// + ... + a[5] h^7 + O(h^8) (elementary/generate/make_tables.cpp).\n"
      "struct alignas(16) AtanCell {\n  Pair a1;\n  double a[6];\n  Pair atanC;\n};\n"
      "inline constexpr AtanCell kAtanCells[%d] = {\n",
      kCells + 1);
  for (int j = 0; j <= kCells; ++j) {
    mpfr_set_si(c, j, MPFR_RNDN);
    mpfr_div_ui(c, c, 256, MPFR_RNDN);
    mpfr_sqr(d, c, MPFR_RNDN);
    mpfr_add_ui(d, d, 1, MPFR_RNDN);
    mpfr_div(wr, c, d, MPFR_RNDN);
    mpfr_ui_div(wi, 1, d, MPFR_RNDN);
    // H = 2^-9 + 2^-52.
    mpfr_set_d(h, 0x1p-9 + 0x1p-52, MPFR_RNDN);
    mpfr_set_ui(pr, 1, MPFR_RNDN);
    mpfr_set_ui(pim, 0, MPFR_RNDN);
    mpfr_set_ui(hk, 1, MPFR_RNDN);
    mpfr_set_ui(b2, 0, MPFR_RNDN);
    mpfr_set_ui(b3, 0, MPFR_RNDN);
    mpfr_set_ui(e, 0, MPFR_RNDN);
    double coefficients[8] = {};
    std::printf("    {");
    for (int k = 1; k <= kTerms; ++k) {
      // (pr + i pim) *= w.
      mpfr_mul(t, pr, wr, MPFR_RNDN);
      mpfr_mul(a, pim, wi, MPFR_RNDN);
      mpfr_sub(t, t, a, MPFR_RNDN);
      mpfr_mul(a, pr, wi, MPFR_RNDN);
      mpfr_fma(pim, pim, wr, a, MPFR_RNDN);
      mpfr_set(pr, t, MPFR_RNDN);
      mpfr_div_si(a, pim, (k % 2 == 1) ? k : -k, MPFR_RNDN);  // a_k
      mpfr_mul(hk, hk, h, MPFR_RNDN);
      if (k == 1) {
        PrintPair(a);
        std::printf(", {");
        continue;
      }
      mpfr_abs(t, a, MPFR_RNDN);
      mpfr_mul(t, t, hk, MPFR_RNDN);
      if (k <= 7) {
        coefficients[k] = mpfr_get_d(a, MPFR_RNDN);
        PrintDouble(coefficients[k]);
        std::printf("%s", k < 7 ? ", " : "}, ");
        mpfr_add(k == 2 ? b2 : b3, k == 2 ? b2 : b3, t, MPFR_RNDN);
        mpfr_sub_d(r, a, coefficients[k], MPFR_RNDN);
        mpfr_abs(r, r, MPFR_RNDN);
        mpfr_mul(r, r, hk, MPFR_RNDN);
        mpfr_add(e, e, r, MPFR_RNDN);
      } else {
        mpfr_add(e, e, t, MPFR_RNDN);
      }
    }
    mpfr_mul(t, hk, h, MPFR_RNDN);
    mpfr_mul_ui(t, t, 2, MPFR_RNDN);
    mpfr_add(e, e, t, MPFR_RNDN);
    // The least arctangent of the cell.
    if (j == 0) {
      mpfr_atan(ymin, h, MPFR_RNDD);
    } else {
      mpfr_sub(ymin, c, h, MPFR_RNDN);
      mpfr_atan(ymin, ymin, MPFR_RNDD);
    }
    for (mpfr_ptr bound : {static_cast<mpfr_ptr>(b2), static_cast<mpfr_ptr>(b3), static_cast<mpfr_ptr>(e)})
      mpfr_div(bound, bound, ymin, MPFR_RNDU);
    const double vb2 = mpfr_get_d(b2, MPFR_RNDU), vb3 = mpfr_get_d(b3, MPFR_RNDU),
                 ve = mpfr_get_d(e, MPFR_RNDU);
    maxB2 = vb2 > maxB2 ? vb2 : maxB2;
    maxB3 = vb3 > maxB3 ? vb3 : maxB3;
    maxE = ve > maxE ? ve : maxE;
    mpfr_atan(a, c, MPFR_RNDN);
    PrintPair(a);
    std::printf("},\n");
  }
  std::printf("};\n");
  std::printf("// pi/2 - atan(j/256), j = 0 .. 128.\ninline constexpr Pair kAtanComplement[129] = {\n");
  for (int j = 0; j <= 128; ++j) {
    mpfr_set_si(c, j, MPFR_RNDN);
    mpfr_div_ui(c, c, 256, MPFR_RNDN);
    mpfr_atan(a, c, MPFR_RNDN);
    mpfr_const_pi(t, MPFR_RNDN);
    mpfr_div_ui(t, t, 2, MPFR_RNDN);
    mpfr_sub(a, t, a, MPFR_RNDN);
    std::printf("    ");
    PrintPair(a);
    std::printf(",\n");
  }
  std::printf("};\n");
  std::printf("// Over the cells: B2 <= %a (2^%.3f), B3 <= %a (2^%.3f), E <= %a (2^%.3f).\n\n",
              maxB2, std::log2(maxB2), maxB3, std::log2(maxB3), maxE, std::log2(maxE));
  mpfr_clears(c, d, wr, wi, pr, pim, t, a, h, hk, ymin, b2, b3, e, r, static_cast<mpfr_ptr>(nullptr));
}
// ---- End of the arctangent's cells ----

// ---- The tangent's cells (elementary/trigonometric.cpp, TanCellSum) ----
//
// For c = j/256, j = 0 .. 256, the Taylor coefficients of tan about c:
//     tan(c + h) = sum over k >= 0 of t_k h^k,  t_0 = tan c,
// from tan' = 1 + tan^2: (k + 1) t_(k+1) = [k = 0] + sum over i = 0 .. k
// of t_i t_(k-i), all t_k >= 0 for c >= 0.  Then, for tan x = cot z with
// z = pi/2 - x, the cells of cot about c = 2^e (1 + (m + 1/2)/128), the
// centres of the cells [2^e (1 + m/128), 2^e (1 + (m + 1)/128)) for
// e = -6 .. -2, m = 0 .. 127 and e = -1, m = 0 .. 18 (z up to 0.5708 >
// pi/2 - 1): cot' = -(1 + cot^2), so (k + 1) t_(k+1) = -([k = 0] + sum
// over i = 0 .. k of t_i t_(k-i)).  A cell holds t_1 as a pair, t_2 ..
// t_8 rounded to doubles and t_0 as a pair.  The fast path evaluates a
// cell at |h| <= H (2^-9 for tan; 2^(e-8) (1 + 2^-30) for cot, the half
// width and the low part of pi/2 added to h); the bounds it uses, printed
// into tables.hpp as their largest value over the cells, are relative to
// the least value in the cell, tan(c - H) or cot(c + H) (for tan's
// j = 0, H itself: there t_k h^k / tan h <= t_k h^(k-1) <= t_k H^k / H,
// tan h >= h, only odd k >= 1 present):
//     B2 = |t_2| H^2,  B3 = sum over k = 3 .. 8 of |t_k| H^k,
//     E = sum over k >= 9 of |t_k| H^k (the truncation; to k = 120, the
//         rest below 2 |t_120| H^120: the series converges in a radius
//         pi/2 - c >= 0.57 for tan, c for cot, at least 2^8 H, so its
//         terms shrink like (H / radius)^k <= 2^-8k) + sum over k = 2 .. 8 of
//         |t_k - RN(t_k)| H^k;
// and, for the result's size, R0 = |t_0| / (the least value) and R1 =
// |t_1| H / (the least value) (tan's j = 0: t_1 H / H = 1).
struct CellBounds {
  double b2 = 0.0, b3 = 0.0, e = 0.0, r0 = 0.0, r1 = 0.0;
};

void PrintCell(const mpfr_t c, const mpfr_t h, bool cot, bool zeroCell, CellBounds& max) {
  constexpr int kTerms = 120, kDegree = 8;
  mpfr_t t[kTerms + 1], s, a, hk, ymin, b2, b3, e, r;
  mpfr_inits2(kPrec, s, a, hk, ymin, b2, b3, e, r, static_cast<mpfr_ptr>(nullptr));
  for (auto& tk : t) mpfr_init2(tk, kPrec);
  if (cot) {
    mpfr_tan(t[0], c, MPFR_RNDN);
    mpfr_ui_div(t[0], 1, t[0], MPFR_RNDN);
  } else {
    mpfr_tan(t[0], c, MPFR_RNDN);
  }
  for (int k = 0; k < kTerms; ++k) {
    mpfr_set_ui(s, k == 0 ? 1 : 0, MPFR_RNDN);
    for (int i = 0; i <= k; ++i) {
      mpfr_mul(a, t[i], t[k - i], MPFR_RNDN);
      mpfr_add(s, s, a, MPFR_RNDN);
    }
    mpfr_div_ui(t[k + 1], s, k + 1, MPFR_RNDN);
    if (cot) mpfr_neg(t[k + 1], t[k + 1], MPFR_RNDN);
  }
  mpfr_set_ui(b2, 0, MPFR_RNDN);
  mpfr_set_ui(b3, 0, MPFR_RNDN);
  mpfr_set_ui(e, 0, MPFR_RNDN);
  mpfr_set_ui(hk, 1, MPFR_RNDN);
  std::printf("    {");
  for (int k = 1; k <= kTerms; ++k) {
    mpfr_mul(hk, hk, h, MPFR_RNDU);
    if (k == 1) {
      PrintPair(t[1]);
      std::printf(", {");
      continue;
    }
    mpfr_mul(a, t[k], hk, MPFR_RNDU);
    mpfr_abs(a, a, MPFR_RNDU);
    if (k <= kDegree) {
      const double rounded = mpfr_get_d(t[k], MPFR_RNDN);
      PrintDouble(rounded);
      std::printf("%s", k < kDegree ? ", " : "}, ");
      mpfr_add(k == 2 ? b2 : b3, k == 2 ? b2 : b3, a, MPFR_RNDU);
      mpfr_sub_d(r, t[k], rounded, MPFR_RNDN);
      mpfr_abs(r, r, MPFR_RNDN);
      mpfr_mul(r, r, hk, MPFR_RNDU);
      mpfr_add(e, e, r, MPFR_RNDU);
    } else {
      mpfr_add(e, e, a, MPFR_RNDU);
    }
  }
  mpfr_mul(a, t[kTerms], hk, MPFR_RNDU);
  mpfr_abs(a, a, MPFR_RNDU);
  mpfr_mul_ui(a, a, 2, MPFR_RNDU);
  mpfr_add(e, e, a, MPFR_RNDU);
  if (zeroCell) {
    mpfr_set(ymin, h, MPFR_RNDN);
  } else if (cot) {
    mpfr_add(ymin, c, h, MPFR_RNDU);
    mpfr_tan(ymin, ymin, MPFR_RNDU);
    mpfr_ui_div(ymin, 1, ymin, MPFR_RNDD);
  } else {
    mpfr_sub(ymin, c, h, MPFR_RNDD);
    mpfr_tan(ymin, ymin, MPFR_RNDD);
  }
  mpfr_abs(a, t[0], MPFR_RNDN);
  mpfr_div(a, a, ymin, MPFR_RNDU);
  const double r0 = mpfr_get_d(a, MPFR_RNDU);
  mpfr_mul(a, t[1], h, MPFR_RNDU);
  mpfr_abs(a, a, MPFR_RNDU);
  mpfr_div(a, a, ymin, MPFR_RNDU);
  const double r1 = mpfr_get_d(a, MPFR_RNDU);
  for (mpfr_ptr bound : {static_cast<mpfr_ptr>(b2), static_cast<mpfr_ptr>(b3), static_cast<mpfr_ptr>(e)})
    mpfr_div(bound, bound, ymin, MPFR_RNDU);
  const double vb2 = mpfr_get_d(b2, MPFR_RNDU), vb3 = mpfr_get_d(b3, MPFR_RNDU),
               ve = mpfr_get_d(e, MPFR_RNDU);
  max.b2 = vb2 > max.b2 ? vb2 : max.b2;
  max.b3 = vb3 > max.b3 ? vb3 : max.b3;
  max.e = ve > max.e ? ve : max.e;
  max.r0 = r0 > max.r0 ? r0 : max.r0;
  max.r1 = r1 > max.r1 ? r1 : max.r1;
  PrintPair(t[0]);
  std::printf("},\n");
  for (auto& tk : t) mpfr_clear(tk);
  mpfr_clears(s, a, hk, ymin, b2, b3, e, r, static_cast<mpfr_ptr>(nullptr));
}

void PrintBounds(const CellBounds& m) {
  std::printf(
      "// Over the cells: B2 <= %a (2^%.3f), B3 <= %a (2^%.3f), E <= %a (2^%.3f),\n"
      "// R0 <= %a (%.5f), R1 <= %a (%.5f).\n\n",
      m.b2, std::log2(m.b2), m.b3, std::log2(m.b3), m.e, std::log2(m.e), m.r0, m.r0, m.r1, m.r1);
}

void PrintTanCells() {
  constexpr int kCells = 256;
  mpfr_t c, h;
  mpfr_inits2(kPrec, c, h, static_cast<mpfr_ptr>(nullptr));
  CellBounds max;
  std::printf(
      "// The tangent's cells: c = j/256, tan(c + h) = t0 + t1 h + t[0] h^2\n"
      "// + ... + t[6] h^8 + O(h^9) (elementary/generate/make_tables.cpp).\n"
      "struct alignas(16) TanCell {\n  Pair t1;\n  double t[7];\n  Pair t0;\n};\n"
      "inline constexpr TanCell kTanCells[%d] = {\n",
      kCells + 1);
  mpfr_set_d(h, 0x1p-9, MPFR_RNDN);
  for (int j = 0; j <= kCells; ++j) {
    mpfr_set_si(c, j, MPFR_RNDN);
    mpfr_div_ui(c, c, 256, MPFR_RNDN);
    PrintCell(c, h, false, j == 0, max);
  }
  std::printf("};\n");
  PrintBounds(max);
  // The cotangent's cells, index 128 (e + 6) + m.
  CellBounds maxCot;
  std::printf(
      "// The cotangent's cells: c = 2^e (1 + (m + 1/2)/128), e = -6 .. -1, the\n"
      "// index 128 (e + 6) + m; cot(c + h) = t0 + t1 h + t[0] h^2 + ... + t[6] h^8\n"
      "// + O(h^9) (elementary/generate/make_tables.cpp).\n"
      "inline constexpr TanCell kCotCells[%d] = {\n",
      5 * 128 + 19);
  for (int e = -6; e <= -1; ++e) {
    for (int m = 0; m < (e == -1 ? 19 : 128); ++m) {
      mpfr_set_si(c, 2 * (128 + m) + 1, MPFR_RNDN);
      mpfr_mul_2si(c, c, e - 8, MPFR_RNDN);
      mpfr_set_d(h, std::ldexp(1.0 + 0x1p-30, e - 8), MPFR_RNDN);
      PrintCell(c, h, true, false, maxCot);
    }
  }
  std::printf("};\n");
  PrintBounds(maxCot);
  mpfr_clears(c, h, static_cast<mpfr_ptr>(nullptr));
}
// ---- End of the tangent's cells ----

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

  // atan(j/64), j = 0 .. 64, in fixed point (the accurate path).
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
  std::printf("\n};\n\n");
  PrintAtanCells();
  PrintTanCells();
  std::printf("}  // namespace morvane::elementary::detail\n");
  mpfr_clears(pi, v, w, static_cast<mpfr_ptr>(nullptr));
  return 0;
}
