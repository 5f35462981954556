// The routes of Conversion through Belgian Lambert 1972 and the IFBL grid.
// Lambert coordinates and IFBL codes are always on the Belgian datum 1972:
// positions are moved to and from it by setting a datum property to
// mvBelgium1972 for a moment and putting it back.
#include "component/dms.hpp"
#include "component/driver.hpp"
#include "component/zediz_state.hpp"
#include "ifbl/ifbl.hpp"
#include "lambert/lambert72.hpp"

namespace morvane {

namespace driver {

bool LambertInRange(double X, double Y) {
  // NaN fails both tests.
  return X >= 0 && Y >= 0 && X <= 310000 && Y <= 260000;
}

}  // namespace driver

void ZedizAdo::State::ConvertLambert() {
  if (!driver::LambertInRange(X_, Y_)) {
    Error_ = message::kBadLambert;
    return;
  }
  std::int32_t status = 0;
  ifbl::LambertToIfbl(X_, Y_, IFBL_, status, IfblPrecision);
  if (status != 0) IFBL_.clear();  // outside the grid: no square
  LambertTail();
}

bool ZedizAdo::State::ReadIfblInput(std::string& code, double& x, double& y) const {
  // The decoder tidies the text it reads; it is published only when the
  // code names a square.
  code = IFBL_;
  x = X_, y = Y_;
  std::int32_t status = 0;
  if (IFBL_.size() >= 2 && IFBL_.size() <= 6) ifbl::IfblToLambert(code, x, y, status);
  else status = -1;
  return status == 0;
}

void ZedizAdo::State::ConvertIfbl() {
  std::string code;
  double x = 0, y = 0;
  if (!ReadIfblInput(code, x, y)) {
    Error_ = message::kBadIfbl;
    return;
  }
  IFBL_ = std::move(code);
  X_ = x;
  Y_ = y;
  LambertTail();
}

void ZedizAdo::State::LambertTail() {
  double latitude = 0, longitude = 0;
  lambert::Lambert72ToGeo(X_, Y_, latitude, longitude);

  const InternalDatums savedFrom = DatumFrom_;
  DatumFrom(mvBelgium1972);
  driver::ChangeDatumHeld(Catalogue_, latitude, longitude, Latitude_, Longitude_, DatumFrom_,
                          DatumDest_);
  DecimalToDms(Latitude_, LatDmsDeg_, LatDmsMin_, LatDmsSec_);
  DecimalToDms(Longitude_, LonDmsDeg_, LonDmsMin_, LonDmsSec_);
  DatumFrom(savedFrom);

  datum::SelectEllipsoid(Catalogue_, DatumDest_);
  UtmOutputStep();
}

void ZedizAdo::State::LambertOutputStep() {
  LambertPositionStep();
  IfblOutputStep();
}

// Flattened, as the other output steps (see conversion.cpp).
[[gnu::flatten]] void ZedizAdo::State::LambertPositionStep() {
  const InternalDatums savedDest = DatumDest_;
  DatumDest(mvBelgium1972);
  double latitude = 0, longitude = 0;
  driver::ChangeDatumHeld(Catalogue_, Latitude_, Longitude_, latitude, longitude, savedDest,
                          DatumDest_);
  lambert::GeoToLambert72(latitude, longitude, X_, Y_);
  DatumDest(savedDest);
}

[[gnu::flatten]] void ZedizAdo::State::IfblOutputStep() {
  std::int32_t status = 0;
  ifbl::LambertToIfbl(X_, Y_, IFBL_, status, IfblPrecision);
  if (status != 0) IFBL_.clear();  // outside the grid: no square
}

}  // namespace morvane
