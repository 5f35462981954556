#include "elementary/fixed.hpp"

#include <bit>

#include "elementary/tables.hpp"

namespace morvane::elementary::detail {
namespace {



constexpr int kWords = 8;

Fixed Abs(const Fixed& a, bool& negative) {
  negative = IsNegative(a);
  return negative ? Neg(a) : a;
}

// 2^k for -1022 <= k <= 1023.
double PowerOfTwo(int k) {
  return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

int Bit(const Fixed& a, int i) { return (a.d[i >> 5] >> (i & 31)) & 1; }

}  // namespace

Fixed FromDigits(const Digits& digits) {
  Fixed r;
  for (int i = 0; i < kWords; ++i) r.d[i] = digits[kWords - 1 - i];
  return r;
}

Fixed FromInt(std::int32_t value) {
  Fixed r{};
  r.d[7] = static_cast<std::uint32_t>(value);
  return r;
}

Fixed FromDouble(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  Fixed r{};
  if (biased == 0 && m == 0) return r;
  m |= std::uint64_t{1} << 52;
  // x = m 2^(shift - 224).  shift is negative for |x| < 2^-172: the bits
  // below 2^-224 are dropped (the words below d[0] are not written).
  const int shift = biased - 1075 + 224;
  const int word = shift >> 5, bit = shift & 31;  // floor division, also below 0
  // m << bit spans at most three words.
  const std::uint64_t lo = m << bit;
  const std::uint32_t top = bit ? static_cast<std::uint32_t>(m >> (64 - bit)) : 0;
  const auto put = [&r](int at, std::uint32_t value) {
    if (at >= 0 && at < kWords) r.d[at] = value;
  };
  put(word, static_cast<std::uint32_t>(lo));
  put(word + 1, static_cast<std::uint32_t>(lo >> 32));
  put(word + 2, top);
  return (bits >> 63) ? Neg(r) : r;
}

Fixed Neg(const Fixed& a) {
  Fixed r;
  std::uint64_t carry = 1;
  for (int i = 0; i < kWords; ++i) {
    const std::uint64_t t = static_cast<std::uint64_t>(~a.d[i]) + carry;
    r.d[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return r;
}

Fixed Add(const Fixed& a, const Fixed& b) {
  Fixed r;
  std::uint64_t carry = 0;
  for (int i = 0; i < kWords; ++i) {
    const std::uint64_t t = std::uint64_t{a.d[i]} + b.d[i] + carry;
    r.d[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return r;
}

Fixed Sub(const Fixed& a, const Fixed& b) { return Add(a, Neg(b)); }

bool IsNegative(const Fixed& a) { return (a.d[7] >> 31) != 0; }

bool IsZero(const Fixed& a) {
  std::uint32_t any = 0;
  for (int i = 0; i < kWords; ++i) any |= a.d[i];
  return any == 0;
}

Fixed Mul(const Fixed& a, const Fixed& b) {
  bool na, nb;
  const Fixed x = Abs(a, na), y = Abs(b, nb);
  std::uint32_t p[2 * kWords] = {};
  for (int i = 0; i < kWords; ++i) {
    std::uint64_t carry = 0;
    for (int j = 0; j < kWords; ++j) {
      const std::uint64_t t = std::uint64_t{x.d[i]} * y.d[j] + p[i + j] + carry;
      p[i + j] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    p[i + kWords] = static_cast<std::uint32_t>(carry);
  }
  Fixed r;
  for (int i = 0; i < kWords; ++i) r.d[i] = p[i + 7];  // drop 224 bits
  return na != nb ? Neg(r) : r;
}

Fixed MulSmall(const Fixed& a, std::uint32_t n) {
  bool na;
  const Fixed x = Abs(a, na);
  Fixed r;
  std::uint64_t carry = 0;
  for (int i = 0; i < kWords; ++i) {
    const std::uint64_t t = std::uint64_t{x.d[i]} * n + carry;
    r.d[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return na ? Neg(r) : r;
}

Fixed DivSmall(const Fixed& a, std::uint32_t n) {
  bool na;
  const Fixed x = Abs(a, na);
  Fixed r;
  std::uint64_t rem = 0;
  for (int i = kWords - 1; i >= 0; --i) {
    const std::uint64_t cur = (rem << 32) | x.d[i];
    r.d[i] = static_cast<std::uint32_t>(cur / n);
    rem = cur % n;
  }
  return na ? Neg(r) : r;
}

Fixed ShiftLeft(const Fixed& a, int n) {
  if (n < 0) return ShiftRight(a, -n);
  Fixed r{};
  const int words = n >> 5, bits = n & 31;
  for (int i = kWords - 1; i >= words; --i) {
    std::uint32_t v = a.d[i - words] << bits;
    if (bits && i - words - 1 >= 0) v |= a.d[i - words - 1] >> (32 - bits);
    r.d[i] = v;
  }
  return r;
}

Fixed ShiftRight(const Fixed& a, int n) {
  if (n < 0) return ShiftLeft(a, -n);
  bool na;
  const Fixed x = Abs(a, na);
  Fixed r{};
  const int words = n >> 5, bits = n & 31;
  for (int i = 0; i + words < kWords; ++i) {
    std::uint32_t v = x.d[i + words] >> bits;
    if (bits && i + words + 1 < kWords) v |= x.d[i + words + 1] << (32 - bits);
    r.d[i] = v;
  }
  return na ? Neg(r) : r;
}

int LeadingBit(const Fixed& a) {
  bool na;
  const Fixed x = Abs(a, na);
  for (int i = kWords - 1; i >= 0; --i)
    if (x.d[i]) return 32 * i + 31 - std::countl_zero(x.d[i]);
  return -1;
}

double Approximate(const Fixed& a) {
  bool na;
  const Fixed x = Abs(a, na);
  const int lead = LeadingBit(x);
  if (lead < 0) return 0.0;
  // The 64 bits from the leading one, converted (rounded) and scaled.
  std::uint64_t top = 0;
  for (int i = 0; i < 64; ++i) {
    const int pos = lead - i;
    top = (top << 1) | (pos >= 0 ? static_cast<std::uint64_t>(Bit(x, pos)) : 0);
  }
  const double v = static_cast<double>(top) * PowerOfTwo(lead - 63 - 224);
  return na ? -v : v;
}

Fixed Reciprocal(const Fixed& a) {
  const Fixed one = FromInt(1);
  Fixed y = FromDouble(1.0 / Approximate(a));
  // Each pass squares the relative error: 2^-50, 2^-100, 2^-200, then
  // the truncations of the last pass.
  for (int pass = 0; pass < 4; ++pass) y = Add(y, Mul(y, Sub(one, Mul(a, y))));
  return y;
}

Rounded RoundToDouble(const Fixed& a, int errBit, int scale, bool tieIfUndecided) {
  bool na;
  const Fixed x = Abs(a, na);
  const int lead = LeadingBit(x);
  // The 53 bits of the significand, the round bit and what lies below.
  const int roundBit = lead - 53;
  std::uint64_t m = 0;
  for (int pos = lead; pos > roundBit; --pos) m = (m << 1) | static_cast<std::uint64_t>(Bit(x, pos));
  const int rb = Bit(x, roundBit);
  bool sticky = false;
  for (int pos = roundBit - 1; pos >= 0 && !sticky; --pos) sticky = Bit(x, pos) != 0;
  // Within 2^errBit of the midpoint: the bits between the round bit and
  // the error's bit all 0 after a round bit of 1, or all 1 after 0.
  bool decided = false;
  const int floor = errBit < 0 ? 0 : errBit + 1;
  for (int pos = roundBit - 1; pos >= floor && !decided; --pos) decided = Bit(x, pos) != (rb ^ 1);
  if (!decided && tieIfUndecided) {
    // The midpoint between m and m + 1 (m as truncated): the even one.
    if (m & 1) ++m;
  } else if (rb && (sticky || (m & 1))) {
    ++m;
  }
  const double v = static_cast<double>(m) * PowerOfTwo(lead - 52 - 224 + scale);
  return {na ? -v : v, decided};
}

Reduced ReduceHalfPi(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e;
  if (biased == 0) {
    e = -1074;
  } else {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  // |x| 2/pi = m sum b_i 2^(e-i), b_i the bits of 2/pi: the terms of
  // e - i >= 2 are multiples of 4 and drop out.  Eleven words from the one
  // holding bit e - 1 leave a tail below m 2^(e - 32 (w0 + 11)), far below
  // a unit of the result.
  constexpr int kUsed = 11;
  const int w0 = e - 2 >= 0 ? (e - 2) / 32 : 0;
  std::uint32_t p[kUsed + 2] = {};
  const std::uint32_t m0 = static_cast<std::uint32_t>(m), m1 = static_cast<std::uint32_t>(m >> 32);
  for (int k = 0; k < kUsed; ++k) {
    const std::uint32_t w = kTwoOverPiBits[w0 + kUsed - 1 - k];  // k-th least significant
    std::uint64_t t = std::uint64_t{w} * m0 + p[k];
    p[k] = static_cast<std::uint32_t>(t);
    t = std::uint64_t{w} * m1 + p[k + 1] + (t >> 32);
    p[k + 1] = static_cast<std::uint32_t>(t);
    std::uint64_t carry = t >> 32;
    for (int i = k + 2; carry && i < kUsed + 2; ++i) {
      const std::uint64_t s = std::uint64_t{p[i]} + carry;
      p[i] = static_cast<std::uint32_t>(s);
      carry = s >> 32;
    }
  }
  // The product is worth p 2^(e - 32 (w0 + kUsed)): units of 2^-224 are
  // p shifted right by `right` bits.
  const int right = 32 * (w0 + kUsed) - 224 - e;
  Fixed f{};
  const int words = right >> 5, bitShift = right & 31;
  for (int i = 0; i < kWords; ++i) {
    const int src = i + words;
    if (src >= kUsed + 2) break;
    std::uint32_t v = p[src] >> bitShift;
    if (bitShift && src + 1 < kUsed + 2) v |= p[src + 1] << (32 - bitShift);
    f.d[i] = v;
  }
  int quadrant = static_cast<int>(f.d[7] & 3);
  f.d[7] = 0;
  if (f.d[6] >> 31) {  // fraction >= 1/2: the next quadrant, r < 0
    quadrant = (quadrant + 1) & 3;
    f.d[7] = 0xffffffffu;
  }
  Fixed r = Mul(f, FromDigits(kHalfPiFixed));
  if (bits >> 63) {
    quadrant = (4 - quadrant) & 3;
    r = Neg(r);
  }
  return {quadrant, r};
}

}  // namespace morvane::elementary::detail
