#include "tools/morvane/table.hpp"

#include <cmath>
#include <string>
#include <string_view>

#include <morvane/names.hpp>
#include "mgrs/mgrs.hpp"
#include "tools/morvane/numbers.hpp"

namespace morvane::cli {

namespace {

constexpr std::size_t kLabelWidth = 16;

class Rows {
 public:
  explicit Rows(OutBuffer& out) : out_(out) {}

  Rows& Label(std::string_view label) {
    out_.Append(label);
    for (std::size_t i = label.size(); i < kLabelWidth; ++i) out_.Append(' ');
    return *this;
  }
  Rows& Text(std::string_view text) {
    out_.Append(text);
    return *this;
  }
  Rows& Number(double value) {
    char digits[kNumberChars];
    out_.Append({digits, static_cast<std::size_t>(FormatDouble(digits, value) - digits)});
    return *this;
  }
  Rows& Seconds(float value) {
    char digits[kNumberChars];
    out_.Append({digits, static_cast<std::size_t>(FormatFloat(digits, value) - digits)});
    return *this;
  }
  Rows& Whole(std::int32_t value) {
    char digits[kNumberChars];
    out_.Append({digits, static_cast<std::size_t>(FormatInt(digits, value) - digits)});
    return *this;
  }
  Rows& Dms(std::int16_t degrees, std::int16_t minutes, float seconds) {
    return Whole(degrees).Text("\xC2\xB0 ").Whole(minutes).Text("' ").Seconds(seconds).Text("\"");
  }
  void End() { out_.Append('\n'); }

 private:
  OutBuffer& out_;
};

const char* DatumLabel(InternalDatums datum) {
  const DatumName* name = DatumByNumber(datum);
  return name != nullptr ? name->label : "unknown datum";
}

std::string_view OrEmpty(std::string_view text, std::string_view empty) {
  return text.empty() ? empty : text;
}

}  // namespace

void WriteTable(const ZedizAdo& object, const Settings& settings, const char* failure,
                OutBuffer& out) {
  const std::string mgrs = object.MGRS(), ifbl = object.IFBL(), error = object.Error();
  PointValues v;
  v.latitude = object.Latitude(), v.longitude = object.Longitude();
  v.latDmsDeg = object.LatDmsDeg(), v.latDmsMin = object.LatDmsMin(), v.latDmsSec = object.LatDmsSec();
  v.lonDmsDeg = object.LonDmsDeg(), v.lonDmsMin = object.LonDmsMin(), v.lonDmsSec = object.LonDmsSec();
  v.x = object.X(), v.y = object.Y();
  v.northing = object.Northing(), v.easting = object.Easting();
  v.mgrs = mgrs, v.ifbl = ifbl;
  WriteTable(v, error, failure, settings, out);
}

void WriteTable(const PointValues& v, std::string_view error, const char* failure,
                const Settings& settings, OutBuffer& out) {
  Rows row(out);
  // Lambert 2008 input is on ETRS89 whatever --from says.
  row.Label("From")
      .Text(settings.input == InputKind::Lambert2008 ? DatumLabel(static_cast<InternalDatums>(MORVANE_mvETRS89))
                                                     : DatumLabel(settings.from))
      .End();
  row.Label("To").Text(DatumLabel(settings.dest)).End();
  if (!error.empty() || failure != nullptr) {
    // Nothing was converted: the other properties hold no result.
    if (!error.empty()) row.Label("Error").Text(error).End();
    if (failure != nullptr) row.Label("Failure").Text(failure).End();
    return;
  }
  row.Label("Latitude").Number(v.latitude).Text("\xC2\xB0").End();
  row.Label("Longitude").Number(v.longitude).Text("\xC2\xB0").End();
  row.Label("Latitude DMS").Dms(v.latDmsDeg, v.latDmsMin, v.latDmsSec).End();
  row.Label("Longitude DMS").Dms(v.lonDmsDeg, v.lonDmsMin, v.lonDmsSec).End();
  row.Label("Lambert 72 X").Number(v.x).Text(" m (Belgian 1972)").End();
  row.Label("Lambert 72 Y").Number(v.y).Text(" m (Belgian 1972)").End();
  const std::string mgrs(v.mgrs);
  std::int16_t zone = 0;
  char hemisphere = 0;
  if (dma::ZoneOfReference(mgrs, zone, hemisphere)) {
    row.Label("UTM zone")
        .Whole(zone)
        .Text(hemisphere == 'N' ? " N (northern hemisphere)" : " S (southern hemisphere)")
        .End();
  } else {
    row.Label("UTM zone").Text("-").End();
  }
  row.Label("UTM easting").Number(v.easting).Text(" m").End();
  row.Label("UTM northing").Number(v.northing).Text(" m").End();
  row.Label("MGRS").Text(OrEmpty(v.mgrs, "-")).End();
  row.Label("IFBL").Text(OrEmpty(v.ifbl, "-")).Text(" (Belgian 1972)").End();
  if (settings.today) {
    row.Label("Lambert 2008 X").Number(v.x2008).Text(" m (ETRS89)").End();
    row.Label("Lambert 2008 Y").Number(v.y2008).Text(" m (ETRS89)").End();
    // The heights only when the point was given one.
    if (!std::isnan(v.ellipsoidalHeight))
      row.Label("Height ETRS89").Number(v.ellipsoidalHeight).Text(" m (ellipsoidal)").End();
    if (!std::isnan(v.ostendHeight))
      row.Label("Height Ostend").Number(v.ostendHeight).Text(" m (EPSG:5710)").End();
    row.Label("Route").Text(RouteTextOf(v.route)).End();
    row.Label("Accuracy").Number(v.accuracy).Text(" m").End();
  }
  row.Label("Error").Text("-").End();
}

}  // namespace morvane::cli
