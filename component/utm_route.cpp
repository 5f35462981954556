// The routes of Conversion through UTM and MGRS: the MGRS input branch with
// the completion of short references, and the UTM output step.
#include <string_view>

#include "component/driver.hpp"
#include "base/general.hpp"
#include "component/zediz_state.hpp"
#include "mgrs/mgrs.hpp"

namespace morvane {

namespace driver {

void CompleteMgrsDigits(std::string& rest) {
  if (rest.empty()) return;
  const auto first = rest.find_first_not_of(' ');
  if (first == std::string::npos) {
    rest.clear();
    return;
  }
  rest = rest.substr(first, rest.find_last_not_of(' ') - first + 1);
  if (rest.size() == 12) return;

  std::string t;
  t.reserve(rest.size());
  for (char c : rest)
    if (c != ' ') t += c;
  // Digits per coordinate, and what puts the point 1 m short of the centre
  // of the square the short reference names.
  std::size_t digits;
  std::string_view fill;
  switch (t.size()) {
    case 4: digits = 1, fill = "4999"; break;
    case 6: digits = 2, fill = "499"; break;
    case 8: digits = 3, fill = "49"; break;
    case 10: digits = 4, fill = "4"; break;
    default: return;  // the trimmed text, inner blanks included
  }
  std::string completed;
  completed.reserve(12);
  completed.append(t, 0, 2 + digits).append(fill).append(t, 2 + digits, digits).append(fill);
  rest = std::move(completed);
}

}  // namespace driver

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Digits kept per coordinate for a precision in metres.
std::size_t MgrsDigitsFor(std::int32_t precision) {
  switch (precision) {
    case 10000: return 1;
    case 1000: return 2;
    case 100: return 3;
    case 10: return 4;
    default: return 5;
  }
}

}  // namespace

bool ZedizAdo::State::PrepareMgrsInput(std::string& text) const {
  // The MGRS put trims leading blanks, so a zone written with one digit
  // (" 5QKA...") arrives as "5QKA...": read it as if the blank stood there.
  text = MGRS_;
  if (text.size() >= 2 && IsDigit(text[0]) && IsLetter(text[1])) text.insert(0, 1, ' ');
  if (text.size() < 7 || text.size() > 15) return false;
  std::string rest = text.substr(3);
  driver::CompleteMgrsDigits(rest);
  text.resize(3);
  text += rest;
  return true;
}

void ZedizAdo::State::ConvertMgrs() {
  auto refuse = [this] {
    Error_ = message::kBadMgrsPrefix;
    Error_ += MGRS_;
    Error_ += ')';
  };
  std::string text;
  if (!PrepareMgrsInput(text)) {
    refuse();
    return;
  }

  const auto& ellipsoid = datum::CurrentEllipsoid;
  double latitude = 0, longitude = 0, northing = Northing_, easting = Easting_;
  std::int16_t zone = 0;
  std::int32_t status = 0;
  dma::MgrsToGeo(text, ellipsoid.EllipsoidNumber, ellipsoid.SemiMajorAxis,
                 ellipsoid.Flattening, latitude, longitude, zone, northing, easting, status);
  if (status != 0) {
    refuse();
    return;
  }
  Northing_ = northing;
  Easting_ = easting;
  Latitude_ = general::RadToDeg(latitude);
  Longitude_ = general::RadToDeg(longitude);
  GeographicOutputStep();
  LambertOutputStep();
}

void ZedizAdo::State::UtmOutputStep() {
  std::int16_t zone = 0;
  if (UtmPositionStep(zone)) MgrsOutputStep(zone);
}

// Flattened, as the other output steps (see conversion.cpp).  False when
// the latitude has no MGRS reference: the text is then cleared.
[[gnu::flatten]] bool ZedizAdo::State::UtmPositionStep(std::int16_t& zone) {
  const auto& ellipsoid = datum::CurrentEllipsoid;
  const double latitude = general::DegToRad(Latitude_);
  const double longitude = general::DegToRad(Longitude_);
  return dma::GeoToMgrsPosition(ellipsoid.SemiMajorAxis, ellipsoid.Flattening, latitude,
                                longitude, zone, Northing_, Easting_, MGRS_);
}

[[gnu::flatten]] void ZedizAdo::State::MgrsOutputStep(std::int16_t zone) {
  dma::UtmToMgrs(general::DegToRad(Latitude_), zone, Northing_, Easting_, MGRS_,
                 datum::CurrentEllipsoid.EllipsoidNumber);

  // A reference is cut to the precision asked for, without rounding; the
  // empty text and the messages stay whole.
  const std::size_t digits = MgrsDigitsFor(mgrsPrecision);
  if (digits < 5 && MGRS_.size() == 15 && MGRS_ != dma::kMgrsNotValid) {
    const std::size_t k = digits - 1;
    MGRS_.erase(k + 6, 5 - digits);  // easting digits dropped
    MGRS_.resize(2 * digits + 5);    // northing digits dropped
  }
}

}  // namespace morvane
