// The fields of a ZedizAdo object and its conversion driver.  The public
// class holds one State and forwards to it; the batch call converts on a
// State directly.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include <morvane/zediz_ado.hpp>

#include "datum/catalogue.hpp"

namespace morvane {

struct ZedizAdo::State {
  State();

  // Conversion inside the floating-point environment a call sets up (the
  // object's Conversion sets it for one point, the batch call once for all
  // its points).
  void ConversionInEnvironment();
  void Reset();

  // The puts that do more than store.
  void OrigType(const OriginalCoordinates& value);
  void DatumFrom(const InternalDatums& value);
  void DatumDest(const InternalDatums& value);
  void MGRS(const std::string& value);
  void IFBL(std::string& value);

  // Equality of the fields an object shows (the precisions are the
  // object's own and take no part).
  bool operator==(const State& other) const;
  bool IdenticalTo(const State& other) const noexcept;

  // Steps of Conversion.
  struct PointState;
  PointState SaveState() const;
  void RestoreState(const PointState& saved);
  void RunBranch();
  void ConvertDeg();
  void ConvertDms();
  void ConvertLambert();
  void ConvertIfbl();
  // The tidied code of an IFBL input and the Lambert 72 position the
  // conversion takes for it; false when the code names no square.
  bool ReadIfblInput(std::string& code, double& x, double& y) const;
  void ConvertMgrs();
  // The reference of an MGRS input as the decoder reads it (a one-digit
  // zone given its blank back, a short reference completed); false when it
  // has too few or too many characters.
  bool PrepareMgrsInput(std::string& text) const;
  void GeographicOutputStep();
  void ProjectionOutputSteps();
  void LambertOutputStep();
  void LambertPositionStep();
  void IfblOutputStep();
  void LambertTail();
  void UtmOutputStep();
  bool UtmPositionStep(std::int16_t& zone);
  void MgrsOutputStep(std::int16_t zone);

  auto Fields() const {
    return std::tie(TypeCodes_, Error_, Catalogue_, X_, Y_, MGRS_, IFBL_, Latitude_, Longitude_,
                    Northing_, Easting_, LatDmsDeg_, LatDmsMin_, LatDmsSec_, LonDmsDeg_,
                    LonDmsMin_, LonDmsSec_, OrigType_, DatumFrom_, DatumDest_);
  }

  // The public data members of the object, copied in for a conversion.
  std::int16_t IfblPrecision = 0;
  std::int32_t mgrsPrecision = 0;

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
