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
// the const overload without argument, a put the overload with one.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "../datum/catalogue.hpp"
#include "api.hpp"

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

  void Conversion();
  void Reset();

  std::int16_t LatDmsDeg() const { return LatDmsDeg_; }
  void LatDmsDeg(const std::int16_t& value) { LatDmsDeg_ = value; }
  std::int16_t LatDmsMin() const { return LatDmsMin_; }
  void LatDmsMin(const std::int16_t& value) { LatDmsMin_ = value; }
  float LatDmsSec() const { return LatDmsSec_; }
  void LatDmsSec(const float& value) { LatDmsSec_ = value; }
  std::int16_t LonDmsDeg() const { return LonDmsDeg_; }
  void LonDmsDeg(const std::int16_t& value) { LonDmsDeg_ = value; }
  std::int16_t LonDmsMin() const { return LonDmsMin_; }
  void LonDmsMin(const std::int16_t& value) { LonDmsMin_ = value; }
  float LonDmsSec() const { return LonDmsSec_; }
  void LonDmsSec(const float& value) { LonDmsSec_ = value; }

  double Easting() const { return Easting_; }
  void Easting(const double& value) { Easting_ = value; }
  double Northing() const { return Northing_; }
  void Northing(const double& value) { Northing_ = value; }
  double Latitude() const { return Latitude_; }
  void Latitude(const double& value) { Latitude_ = value; }
  double Longitude() const { return Longitude_; }
  void Longitude(const double& value) { Longitude_ = value; }
  double X() const { return X_; }
  void X(const double& value) { X_ = value; }
  double Y() const { return Y_; }
  void Y(const double& value) { Y_ = value; }

  // Write-only: stored whatever the value, with a message outside 1..4.
  void DatumDest(const InternalDatums& value);
  void DatumFrom(const InternalDatums& value);

  // Read-only.
  std::string Error() const { return Error_; }

  std::string IFBL() const { return IFBL_; }
  // Removes every blank, full stop and hyphen from the caller's value
  // (written back), then stores it.
  void IFBL(std::string& value);
  void IFBL(std::string&& value) { IFBL(value); }

  std::string MGRS() const { return MGRS_; }
  // Stores the value without its leading and trailing blanks.
  void MGRS(const std::string& value);

  OriginalCoordinates OrigType() const { return OrigType_; }
  void OrigType(const OriginalCoordinates& value);

  // Whole-state comparison, datums and catalogue included (the datums have
  // no get, so this is how a caller can tell two objects apart).
  bool operator==(const ZedizAdo&) const = default;
  // The same, with numbers compared bit for bit (a NaN equals itself).
  bool IdenticalTo(const ZedizAdo& other) const noexcept;

 private:
  friend class BatchConverter;  // converts many points on one object

  // Conversion without setting up the floating-point environment, for a
  // caller that already has (the batch call, once for all its points).
  MORVANE_LOCAL void ConversionInEnvironment();

  // Steps of Conversion.
  struct PointState;
  MORVANE_LOCAL PointState SaveState() const;
  MORVANE_LOCAL void RestoreState(const PointState& saved);
  MORVANE_LOCAL void RunBranch();
  MORVANE_LOCAL void ConvertDeg();
  MORVANE_LOCAL void ConvertDms();
  MORVANE_LOCAL void ConvertLambert();
  MORVANE_LOCAL void ConvertIfbl();
  MORVANE_LOCAL void ConvertMgrs();
  MORVANE_LOCAL void GeographicOutputStep();
  MORVANE_LOCAL void LambertOutputStep();
  MORVANE_LOCAL void LambertTail();
  MORVANE_LOCAL void UtmOutputStep();

  std::array<const char*, 5> TypeCodes_{};
  std::string Error_;
  datum::Catalogue Catalogue_;
  double X_ = 0;
  double Y_ = 0;
  std::string MGRS_;
  std::string IFBL_;
  double Latitude_ = 0;
  double Longitude_ = 0;
  double Northing_ = 0;
  double Easting_ = 0;
  std::int16_t LatDmsDeg_ = 0;
  std::int16_t LatDmsMin_ = 0;
  float LatDmsSec_ = 0;
  std::int16_t LonDmsDeg_ = 0;
  std::int16_t LonDmsMin_ = 0;
  float LonDmsSec_ = 0;
  OriginalCoordinates OrigType_{};
  InternalDatums DatumFrom_{};
  InternalDatums DatumDest_{};
};

}  // namespace morvane
