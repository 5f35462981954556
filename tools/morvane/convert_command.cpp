#include <array>
#include <string>

#include <morvane/failure.hpp>
#include <morvane/zediz_ado.hpp>
#include "tools/morvane/commands.hpp"
#include "tools/morvane/json_mode.hpp"
#include "tools/morvane/point_batch.hpp"
#include "tools/morvane/point_fields.hpp"
#include "tools/morvane/table.hpp"

namespace morvane::cli {

namespace {

constexpr const char* kExampleLat = "50.8467";
constexpr const char* kExampleLon = "4.3525";

// The point through a batch of one, with the settings of today.
int ConvertToday(const Settings& settings, const std::array<std::string_view, 6>& fields,
                 const PointArgs& args) {
  PointInput point;
  std::string problem;
  if (!ReadPoint(settings.input, settings.lonFirst, fields,
                 InputFieldsOf(settings.input, settings.lonFirst).names, point, problem) ||
      (!args.height.empty() && !ReadHeight(args.height, args.height, point.height, problem))) {
    Complain(problem);
    return kUsage;
  }
  PointBatch batch(settings, 1, 1);
  batch.Add(point);
  batch.Convert();
  const PointValues values = batch.Values(0);
  const std::string_view error = batch.Error(0);
  const char* failure = nullptr;
  if (const std::int32_t kind = batch.Failure(0)) failure = FailureName(static_cast<FailureKind>(kind));

  OutBuffer out;
  if (args.json) {
    JsonPoint json;
    json.datums = PutDatums{settings.from, settings.dest};
    json.origType = OrigTypeOf(settings.input);
    json.values = values;
    json.mgrsPrecision = settings.mgrsPrecision;
    json.ifblPrecision = settings.ifblPrecision;
    json.error = error;
    json.failure = failure;
    json.today = true;
    WriteJson(json, out);
    out.Append('\n');
  } else {
    WriteTable(values, error, failure, settings, out);
  }
  Print(out.View());
  return failure != nullptr || !error.empty() ? kSomeFailed : kOk;
}

}  // namespace

int Convert(const Settings& settings, const PointArgs& args) {
  InputKind kind = InputKind::Deg;
  std::array<std::string_view, 6> fields{};
  const auto take = [&](const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size() && i < fields.size(); ++i) fields[i] = values[i];
  };
  if (!args.deg.empty()) kind = InputKind::Deg, take(args.deg);
  else if (!args.dms.empty()) kind = InputKind::Dms, take(args.dms);
  else if (!args.lambert.empty()) kind = InputKind::Lambert, take(args.lambert);
  else if (!args.lambert2008.empty()) kind = InputKind::Lambert2008, take(args.lambert2008);
  else if (!args.mgrs.empty()) kind = InputKind::Mgrs, fields[0] = args.mgrs;
  else kind = InputKind::Ifbl, fields[0] = args.ifbl;

  Settings today = settings;
  today.input = kind;
  SetToday(today, settings.today);
  if (today.today) return ConvertToday(today, fields, args);

  ZedizAdo object;
  object.DatumFrom(settings.from);
  object.DatumDest(settings.dest);
  object.mgrsPrecision = settings.mgrsPrecision;
  object.IfblPrecision = settings.ifblPrecision;
  object.OrigType(OrigTypeOf(kind));
  std::string text, problem;
  if (!PutInput(object, kind, settings.lonFirst, fields, text, problem)) {
    Complain(problem);
    return kUsage;
  }
  const char* failure = nullptr;
  try {
    object.Conversion();
  } catch (const Failure& caught) {
    failure = FailureName(caught.kind());
  }

  OutBuffer out;
  if (args.json) {
    WriteJson(object, PutDatums{settings.from, settings.dest}, failure, out);
    out.Append('\n');
  } else {
    WriteTable(object, settings, failure, out);
  }
  Print(out.View());
  return failure != nullptr || !object.Error().empty() ? kSomeFailed : kOk;
}

int Example() {
  Settings settings;
  settings.from = mvWGS1984;
  settings.dest = mvBelgium1972;
  PointArgs args;
  args.deg = {kExampleLat, kExampleLon};
  std::string intro = "Brussels, Grand-Place, given in WGS 1984, on the Belgian datum 1972:\n"
                      "  morvane convert --from wgs84 --to bd72 --deg ";
  intro += kExampleLat;
  intro += ' ';
  intro += kExampleLon;
  intro += "\n\n";
  Print(intro);
  const int status = Convert(settings, args);
  Print("\nMore: morvane --help, morvane convert --help, morvane batch --help\n");
  return status;
}

}  // namespace morvane::cli
