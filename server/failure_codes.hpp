// The failure HRESULTs through which a failed operation reaches its
// client, one per failure kind, with the description that goes into the
// error information.  The values are part of the interface: clients test
// them (a script sees them as Err.Number), so they never change.
#pragma once

#include <windows.h>

#include <morvane/failure.hpp>

namespace morvane::server {

inline constexpr HRESULT kIndexOutOfRange = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);
inline constexpr HRESULT kIntegerOverflow = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0202);
inline constexpr HRESULT kInvalidOperation = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0203);
inline constexpr HRESULT kDivisionByZero = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0204);
inline constexpr HRESULT kFloatOverflow = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0205);

// Failure codes of this interface (FACILITY_ITF, above the range the
// platform reserves), one per kind.
static_assert(FAILED(kIndexOutOfRange) && HRESULT_FACILITY(kIndexOutOfRange) == FACILITY_ITF);
static_assert(kIndexOutOfRange != kIntegerOverflow && kIntegerOverflow != kInvalidOperation &&
              kInvalidOperation != kDivisionByZero && kDivisionByZero != kFloatOverflow);
static_assert(static_cast<unsigned long>(kIndexOutOfRange) == 0x80040201ul &&
              static_cast<unsigned long>(kFloatOverflow) == 0x80040205ul);

struct FailureCode {
  HRESULT Result;
  const wchar_t* Description;  // starts with the failure's stable name
};

constexpr FailureCode CodeOf(FailureKind kind) noexcept {
  switch (kind) {
    case FailureKind::IndexOutOfRange:
      return {kIndexOutOfRange, L"IndexOutOfRange: an index lies outside its table"};
    case FailureKind::IntegerOverflow:
      return {kIntegerOverflow, L"IntegerOverflow: a 16-bit integer overflowed"};
    case FailureKind::InvalidOperation:
      return {kInvalidOperation, L"InvalidOperation: invalid floating-point operation"};
    case FailureKind::DivisionByZero:
      return {kDivisionByZero, L"DivisionByZero: floating-point division by zero"};
    case FailureKind::FloatOverflow:
      return {kFloatOverflow, L"FloatOverflow: floating-point overflow"};
  }
  return {E_UNEXPECTED, L"Unknown failure"};
}

}  // namespace morvane::server
