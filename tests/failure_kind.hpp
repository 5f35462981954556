// The kind of the morvane::Failure a call raises.
#pragma once

#include <gtest/gtest.h>

#include "base/checks.hpp"

namespace morvane::testing {

inline FailureKind KindOf(const auto& call) {
  try {
    call();
  } catch (const Failure& f) {
    return f.kind();
  }
  ADD_FAILURE() << "no failure raised";
  return FailureKind{};
}

}  // namespace morvane::testing
