// Module General: the unit conversions shared by all code.
//
// Both use pi cut to ten decimals, 3.1415926535, not the full-precision
// value: every stored result of the system depends on it.
#pragma once

#include "component/failure.hpp"

namespace morvane::general {

inline constexpr double kPi = 3.1415926535;

// (value x 180) / pi, multiplication first.
inline double RadToDeg(double value) {
  const double result = (value * 180.0) / kPi;
  fp::Check(result);
  return result;
}

// (pi / 180) x value, division first.
inline double DegToRad(double value) {
  const double result = (kPi / 180.0) * value;
  fp::Check(result);
  return result;
}

}  // namespace morvane::general
