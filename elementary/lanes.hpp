// The elementary functions on four arguments at once, for the batch
// conversions written over a lane type: every lane gives the bits of the
// scalar function (elementary.hpp) on that lane's argument, with either
// kind of exact product (ForceProducts).
//
// Each runs the scalar function's first stage on the four lanes side by
// side (the same IEEE operations, lane by lane) with the same bound and
// Ziv's test per lane; a lane whose test fails, or whose argument lies
// outside that stage's range (tiny, huge, NaN, infinite, a negative or
// subnormal base, an exponent the scalar code treats apart), is computed
// by the scalar function alone.
//
// Exceptions.  The lanes share their flags, so a flag cannot be told to
// come from one lane; but no lane raises invalid, divide-by-zero or
// overflow unless the scalar function does on one of the four arguments:
// the lanes handed to the scalar function take a harmless argument in the
// vector arithmetic.  (A batch reruns a group point by point when a flag
// is pending.)
#pragma once

// Four doubles by value change the calling convention between processors
// with and without 256-bit registers; every caller of these is compiled
// with the same options as the library, so the compilers' note on it is
// moot.  GCC gives it after the translation unit is read, so it is
// silenced for the rest of the unit (a pop at the end would come too
// early).
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wpsabi"
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace morvane::elementary {

using Lanes4 = double __attribute__((vector_size(32)));

struct SinCosLanes4 {
  Lanes4 sin, cos;
};

// Sin and Cos of each lane (SinCos's bits).
void SinCos(const Lanes4& x, SinCosLanes4& result);
// Pow of each lane's pair.
void Pow(const Lanes4& x, const Lanes4& y, Lanes4& result);
// Pow of each lane with one exponent for all four: the bits of Pow(x[i],
// y), y's cases decided once.
void Pow(const Lanes4& x, double y, Lanes4& result);
// Tan of each lane.
void Tan(const Lanes4& x, Lanes4& result);
// SinMultiples of each lane: sin2[i] .. sin8[i] are the bits of
// SinMultiples(phi[i]).
struct SinMultiplesLanes4 {
  Lanes4 sin2, sin4, sin6, sin8;
};
void SinMultiples(const Lanes4& phi, SinMultiplesLanes4& result);

// The same by value.  The functions above take and give their vectors in
// memory, so code compiled for AVX (whose calling convention passes them
// in registers) calls the same functions as code compiled without; these
// are always inlined into their caller.
[[gnu::always_inline]] inline SinCosLanes4 SinCos(Lanes4 x) {
  SinCosLanes4 result;
  SinCos(x, result);
  return result;
}
[[gnu::always_inline]] inline Lanes4 Pow(Lanes4 x, Lanes4 y) {
  Lanes4 result;
  Pow(x, y, result);
  return result;
}
[[gnu::always_inline]] inline Lanes4 Pow(Lanes4 x, double y) {
  Lanes4 result;
  Pow(x, y, result);
  return result;
}
[[gnu::always_inline]] inline Lanes4 Tan(Lanes4 x) {
  Lanes4 result;
  Tan(x, result);
  return result;
}
[[gnu::always_inline]] inline SinMultiplesLanes4 SinMultiples(Lanes4 phi) {
  SinMultiplesLanes4 result;
  SinMultiples(phi, result);
  return result;
}

}  // namespace morvane::elementary
