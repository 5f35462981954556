#include "tools/morvane/table.hpp"

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

std::string_view OrEmpty(const std::string& text, std::string_view empty) {
  return text.empty() ? empty : std::string_view(text);
}

}  // namespace

void WriteTable(const ZedizAdo& object, const Settings& settings, const char* failure,
                OutBuffer& out) {
  Rows row(out);
  row.Label("From").Text(DatumLabel(settings.from)).End();
  row.Label("To").Text(DatumLabel(settings.dest)).End();
  const std::string error = object.Error();
  if (!error.empty() || failure != nullptr) {
    // Nothing was converted: the other properties hold no result.
    if (!error.empty()) row.Label("Error").Text(error).End();
    if (failure != nullptr) row.Label("Failure").Text(failure).End();
    return;
  }
  row.Label("Latitude").Number(object.Latitude()).Text("\xC2\xB0").End();
  row.Label("Longitude").Number(object.Longitude()).Text("\xC2\xB0").End();
  row.Label("Latitude DMS").Dms(object.LatDmsDeg(), object.LatDmsMin(), object.LatDmsSec()).End();
  row.Label("Longitude DMS").Dms(object.LonDmsDeg(), object.LonDmsMin(), object.LonDmsSec()).End();
  row.Label("Lambert 72 X").Number(object.X()).Text(" m (Belgian 1972)").End();
  row.Label("Lambert 72 Y").Number(object.Y()).Text(" m (Belgian 1972)").End();
  const std::string mgrs = object.MGRS();
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
  row.Label("UTM easting").Number(object.Easting()).Text(" m").End();
  row.Label("UTM northing").Number(object.Northing()).Text(" m").End();
  row.Label("MGRS").Text(OrEmpty(mgrs, "-")).End();
  row.Label("IFBL").Text(OrEmpty(object.IFBL(), "-")).Text(" (Belgian 1972)").End();
  row.Label("Error").Text("-").End();
}

}  // namespace morvane::cli
