// ZedizAdo: one point in every representation the system knows.
//
// A client sets DatumFrom, DatumDest and OrigType, fills the input
// properties that OrigType selects, calls Conversion and reads the other
// properties back.  Input problems leave a French message in Error (which
// stays until Reset); Conversion throws morvane::Failure only for an index
// outside a table, a 16-bit overflow or a floating-point fault, and then
// leaves the object exactly as it was before the call.
//
// Accessors are named after the properties of the interface: a get is
// the const overload without argument, a put the overload with one.  The
// object's state and the conversion driver are the library's own: this
// header is all a client sees, and compiles as C++17 and C++20.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "export.h"

struct morvane_batch_input;

namespace morvane {

enum OriginalCoordinates : std::int32_t {
  mvMgrs = 1,
  mvDeg = 2,
  mvIFBL = 3,
  mvLambert72 = 4,
  mvDegMinSec = 5,
};

enum InternalDatums : std::int32_t {
  mvEuropeanData1950 = 1,
  mvBelgium1972 = 2,
  mvWGS1984 = 3,
  mvNTF = 4,
};

// The messages of Error.
namespace message {
inline constexpr const char* kUnknownOrigType = "Type de coordonnées originales inconnu";
inline constexpr const char* kUnknownDatumFrom = "Datum de départ inconnu";
inline constexpr const char* kUnknownDatumDest = "Datum destination inconnu";
inline constexpr const char* kDatumNotSet = "Datum non initialisé";
inline constexpr const char* kBadDeg = "Coordonnées DEG incorrectes";
inline constexpr const char* kBadDms = "Coordonnées DMS incorrectes";
inline constexpr const char* kBadLambert = "Coordonnées Lambert incorrectes";
inline constexpr const char* kBadIfbl = "Coordonnée IFBL incorrecte";
inline constexpr const char* kBadMgrsPrefix = "Coordonnées MGRS erronées (";  // + text + ")"
}  // namespace message

class MORVANE_API ZedizAdo {
 public:
  // Public data members of the interface.
  std::int16_t IfblPrecision = 0;   // 2 or 4 characters; anything else 6
  std::int32_t mgrsPrecision = 0;   // 10000, 1000, 100, 10; anything else 1 m

  ZedizAdo();
  ~ZedizAdo();
  // A copy holds the same state as the original (a move copies too, so
  // that no object is ever left without a state).
  ZedizAdo(const ZedizAdo& other);
  ZedizAdo& operator=(const ZedizAdo& other);

  void Conversion();
  void Reset();

  std::int16_t LatDmsDeg() const;
  void LatDmsDeg(const std::int16_t& value);
  std::int16_t LatDmsMin() const;
  void LatDmsMin(const std::int16_t& value);
  float LatDmsSec() const;
  void LatDmsSec(const float& value);
  std::int16_t LonDmsDeg() const;
  void LonDmsDeg(const std::int16_t& value);
  std::int16_t LonDmsMin() const;
  void LonDmsMin(const std::int16_t& value);
  float LonDmsSec() const;
  void LonDmsSec(const float& value);

  double Easting() const;
  void Easting(const double& value);
  double Northing() const;
  void Northing(const double& value);
  double Latitude() const;
  void Latitude(const double& value);
  double Longitude() const;
  void Longitude(const double& value);
  double X() const;
  void X(const double& value);
  double Y() const;
  void Y(const double& value);

  // Write-only: stored whatever the value, with a message outside 1..4.
  void DatumDest(const InternalDatums& value);
  void DatumFrom(const InternalDatums& value);

  // Read-only.
  std::string Error() const;

  std::string IFBL() const;
  // Removes every blank, full stop and hyphen from the caller's value
  // (written back), then stores it.
  void IFBL(std::string& value);
  void IFBL(std::string&& value) { IFBL(value); }

  std::string MGRS() const;
  // Stores the value without its leading and trailing blanks.
  void MGRS(const std::string& value);

  OriginalCoordinates OrigType() const;
  void OrigType(const OriginalCoordinates& value);

  // Whole-state comparison, datums and catalogue included (the datums have
  // no get, so this is how a caller can tell two objects apart).
  bool operator==(const ZedizAdo& other) const;
  bool operator!=(const ZedizAdo& other) const { return !(*this == other); }
  // The same, with numbers compared bit for bit (a NaN equals itself).
  bool IdenticalTo(const ZedizAdo& other) const noexcept;

  // The object's fields and the conversion driver, defined inside the
  // library.
  struct State;

 private:
  friend int PutPoint(ZedizAdo& object, const morvane_batch_input& input,
                      std::ptrdiff_t i) noexcept;
  std::unique_ptr<State> state_;
};

}  // namespace morvane
