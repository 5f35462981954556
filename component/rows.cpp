// Rows that say their own kind and datum.  Each row is read (its system
// and datum names, its verbatim text), the rows are gathered by kind and
// datum, and each group goes through the batch call: the conversion is the
// batch call's, and a row's outputs are those a fresh object with the
// row's kind and datum gives.
#include <morvane/batch.hpp>
#include <morvane/columns.hpp>
#include <morvane/names.hpp>
#include <morvane/survey.hpp>
#include <morvane/zediz_ado.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "component/survey.hpp"
#include "component/verbatim.hpp"

namespace morvane {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string_view Trimmed(const char* text) {
  std::string_view view = text ? std::string_view(text) : std::string_view();
  while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) view.remove_prefix(1);
  while (!view.empty() && (view.back() == ' ' || view.back() == '\t')) view.remove_suffix(1);
  return view;
}

// What each row was read as: its kind and datum, its point (when it has
// verbatim text), or its message.
struct Plan {
  std::vector<std::int32_t> kind, datum;
  std::vector<verbatim::Point> point;
  std::vector<std::size_t> message;  // index into messages + 1, 0 for none
  std::vector<std::string> messages;
};

// The message of a row whose text is not one of its kind.
const char* UnreadMessage(std::int32_t kind) {
  switch (kind) {
    case mvLambert72: return message::kBadLambert;
    case mvLambert2008: return message::kBadLambert2008;
    default: return message::kBadDeg;
  }
}

// A message that quotes the row's text: "Datum de départ inconnu (Potsdam)".
void Refuse(Plan& plan, std::size_t i, std::string_view message, std::string_view quoted = {}) {
  std::string& text = plan.messages.emplace_back();
  text.reserve(message.size() + quoted.size() + 3);
  text.append(message);
  if (!quoted.empty()) {
    text.append(" (");
    text.append(quoted);
    text.push_back(')');
  }
  plan.message[i] = plan.messages.size();
}

// Texts looked up and what they named: a table's rows write their system
// and datum in a few ways, over and over.  Beyond kSize distinct texts
// the rest are looked up each time.
struct Lookups {
  static constexpr std::size_t kSize = 16;
  std::vector<std::pair<std::string, std::int32_t>> known;
  template <typename Lookup>
  std::int32_t Of(std::string_view value, Lookup lookup) {
    for (const auto& [text, number] : known)
      if (text == value) return number;
    const std::int32_t number = lookup(value);
    if (known.size() < kSize) known.emplace_back(std::string(value), number);
    return number;
  }
};

void Read(const BatchInput& input, const RowsInput& rows, std::size_t n, Plan& plan) {
  Lookups systems, datums;
  const auto datumOf = [](std::string_view srs) { return SrsUnstated(srs) ? -1 : DatumOfSrs(srs); };
  plan.kind.assign(n, 0);
  plan.datum.assign(n, 0);
  plan.message.assign(n, 0);
  if (rows.Coordinates) plan.point.assign(n, verbatim::Point{});
  for (std::size_t i = 0; i < n; ++i) {
    std::int32_t kind = input.OrigType;
    if (rows.Coordinates && rows.Systems) {
      const std::string_view system = Trimmed(rows.Systems[i]);
      if (!system.empty()) {
        kind = systems.Of(system, KindOfSystem);
        if (kind == 0) {
          Refuse(plan, i, message::kUnknownOrigType, system);
          continue;
        }
      }
    }
    if (kind == 0) {
      Refuse(plan, i, message::kUnknownOrigType);
      continue;
    }
    std::int32_t datum = input.DatumFrom;
    if (rows.Datums) {
      const std::string_view srs = Trimmed(rows.Datums[i]);
      const std::int32_t named = datums.Of(srs, datumOf);  // -1: not stated
      if (named >= 0) {
        datum = named;
        if (datum == 0) {
          Refuse(plan, i, message::kUnknownDatumFrom, srs);
          continue;
        }
      }
    }
    if (rows.Coordinates && kind != mvMgrs && kind != mvIFBL) {
      const std::string_view text = Trimmed(rows.Coordinates[i]);
      verbatim::Point& point = plan.point[i];
      const bool read = kind == mvDeg || kind == mvDegMinSec ? verbatim::ReadGeographic(text, point)
                                                              : verbatim::ReadPair(text, point);
      if (!read) {
        plan.kind[i] = kind == mvDegMinSec ? mvDeg : kind;
        plan.datum[i] = datum;
        Refuse(plan, i, UnreadMessage(kind));
        continue;
      }
      if (kind == mvDeg || kind == mvDegMinSec) kind = point.kind;
    }
    plan.kind[i] = kind;
    plan.datum[i] = datum;
  }
}

// The rows of one kind and datum.
using Groups = std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>>;

Groups GroupsOf(const Plan& plan) {
  Groups groups;
  for (std::size_t i = 0; i < plan.kind.size(); ++i)
    if (plan.message[i] == 0) groups[{plan.kind[i], plan.datum[i]}].push_back(i);
  return groups;
}

// The input of one group, gathered from the caller's columns or from the
// rows' verbatim points.
struct GroupInput {
  BatchInput input{};
  std::vector<double> a, b, height;
  std::vector<std::int16_t> dms[4];
  std::vector<float> seconds[2];
  std::vector<std::string> texts;
  std::vector<const char*> textPointers;

  void Gather(const BatchInput& from, const RowsInput& rows, const Plan& plan,
              std::int32_t kind, std::int32_t datum, const std::vector<std::size_t>& at) {
    input = from;
    input.OrigType = kind;
    input.DatumFrom = datum;
    const std::size_t n = at.size();
    const bool verbatim = rows.Coordinates != nullptr;
    switch (kind) {
      case mvDeg:
      case mvLambert72:
      case mvLambert2008: {
        a.resize(n);
        b.resize(n);
        const double* fa = kind == mvDeg ? from.Latitude : from.X;
        const double* fb = kind == mvDeg ? from.Longitude : from.Y;
        for (std::size_t k = 0; k < n; ++k) {
          const std::size_t i = at[k];
          a[k] = verbatim ? plan.point[i].a : fa[i];
          b[k] = verbatim ? plan.point[i].b : fb[i];
        }
        if (kind == mvDeg) input.Latitude = a.data(), input.Longitude = b.data();
        else input.X = a.data(), input.Y = b.data();
        break;
      }
      case mvDegMinSec: {
        const std::int16_t* fields[4] = {from.LatDmsDeg, from.LatDmsMin, from.LonDmsDeg, from.LonDmsMin};
        const float* secs[2] = {from.LatDmsSec, from.LonDmsSec};
        for (auto& column : dms) column.resize(n);
        for (auto& column : seconds) column.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
          const std::size_t i = at[k];
          for (std::size_t f = 0; f < 4; ++f) dms[f][k] = verbatim ? plan.point[i].dms[f] : fields[f][i];
          for (std::size_t f = 0; f < 2; ++f)
            seconds[f][k] = verbatim ? plan.point[i].seconds[f] : secs[f][i];
        }
        input.LatDmsDeg = dms[0].data(), input.LatDmsMin = dms[1].data();
        input.LonDmsDeg = dms[2].data(), input.LonDmsMin = dms[3].data();
        input.LatDmsSec = seconds[0].data(), input.LonDmsSec = seconds[1].data();
        break;
      }
      default: {  // MGRS and IFBL: the texts
        texts.resize(n);
        textPointers.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
          const std::size_t i = at[k];
          if (verbatim) {
            texts[k] = rows.Coordinates[i] ? rows.Coordinates[i] : "";
          } else if (from.Texts) {
            texts[k] = from.Texts[i] ? from.Texts[i] : "";
          } else {
            const char* entry = from.TextData + i * from.TextWidth;
            texts[k].assign(entry, strnlen(entry, from.TextWidth));
          }
          textPointers[k] = texts[k].c_str();
        }
        input.Texts = textPointers.data();
        input.TextData = nullptr;
        input.TextWidth = 0;
        break;
      }
    }
  }
};

// The extra settings of a group: the caller's, without progress, with the
// group's heights.
BatchExtra GroupExtra(const BatchExtra* extra, const std::vector<std::size_t>& at,
                      std::vector<double>& height) {
  BatchExtra group{};
  group.size = sizeof group;
  if (!extra) return group;
  group.Method = extra->Method;
  group.HeightKind = extra->HeightKind;
  if (extra->HeightKind != MORVANE_HEIGHT_NONE && extra->Height) {
    height.resize(at.size());
    for (std::size_t k = 0; k < at.size(); ++k) height[k] = extra->Height[at[k]];
    group.Height = height.data();
  }
  return group;
}

// The caller's extra structure as this version knows it (as the batch
// call reads it).
bool Known(const BatchExtra* extra, BatchExtra& known) {
  known = BatchExtra{};
  known.size = sizeof known;
  if (!extra) return true;
  if (extra->size < MORVANE_BATCH_EXTRA_V1_SIZE) return false;
  std::memcpy(&known, extra, std::min(extra->size, sizeof known));
  known.size = sizeof known;
  return true;
}

int Check(const BatchInput& input, const RowsInput& rows, std::ptrdiff_t count) {
  if (rows.size < sizeof(RowsInput)) return MORVANE_E_NULL_POINTER;
  if (count < 0) return MORVANE_E_COUNT;
  if (!DatumByNumber(input.DatumFrom) || !DatumByNumber(input.DatumDest)) return MORVANE_E_DATUM;
  if (input.OrigType == 0 ? !rows.Coordinates : !KindByNumber(input.OrigType)) return MORVANE_E_KIND;
  if (!rows.Coordinates) {
    // The columns of the kind must be there, as the batch call says.
    TextWidths widths;
    const int status = BatchWidths(input, count, widths);
    if (status != MORVANE_OK) return status;
  }
  return MORVANE_OK;
}

// The widths of the rows' text outputs.  The groups' inputs are gathered
// for it into `gathered`, one per group in the groups' order, for the
// conversion to use (left empty when the rows go to the batch call as they
// are).
int Widths(const BatchInput& input, const RowsInput& rows, const BatchExtra& extra,
           const Plan& plan, const Groups& groups, TextWidths& widths,
           std::vector<GroupInput>& gathered) {
  widths = TextWidths{};
  const std::size_t n = plan.kind.size();
  if (!rows.Coordinates && groups.size() == 1 && groups.begin()->second.size() == n) {
    // Every row of one kind and datum, in the batch input's columns.
    BatchInput same = input;
    same.DatumFrom = groups.begin()->first.second;
    return BatchWidths(same, extra, static_cast<std::ptrdiff_t>(n), widths);
  }
  gathered.reserve(groups.size());  // gathered in place: their columns point into them
  for (const auto& [key, at] : groups) {
    GroupInput& group = gathered.emplace_back();
    group.Gather(input, rows, plan, key.first, key.second, at);
    std::vector<double> height;
    const BatchExtra groupExtra = GroupExtra(&extra, at, height);
    TextWidths some;
    const int status = BatchWidths(group.input, groupExtra, static_cast<std::ptrdiff_t>(at.size()), some);
    if (status != MORVANE_OK) return status;
    widths.MGRS = std::max(widths.MGRS, some.MGRS);
    widths.IFBL = std::max(widths.IFBL, some.IFBL);
    widths.Error = std::max(widths.Error, some.Error);
  }
  for (const std::string& text : plan.messages) widths.Error = std::max(widths.Error, text.size());
  return MORVANE_OK;
}

bool Wide(const morvane_text_column& column, std::size_t width) {
  return !column.data || column.width >= width;
}

void PutText(const morvane_text_column& column, std::size_t i, std::string_view text) {
  if (!column.data) return;
  char* entry = column.data + i * column.width;
  std::memset(entry, 0, column.width);
  if (!text.empty()) std::memcpy(entry, text.data(), std::min(text.size(), column.width));
}

// A row that is not converted: its message, no numbers, no texts.
void WriteUnconverted(const BatchOutput& out, const BatchExtra& extra, std::size_t i,
                      std::string_view message) {
  for (double* column : {out.Latitude, out.Longitude, out.X, out.Y, out.Northing, out.Easting})
    if (column) column[i] = kNaN;
  for (std::int16_t* column : {out.LatDmsDeg, out.LatDmsMin, out.LonDmsDeg, out.LonDmsMin})
    if (column) column[i] = 0;
  for (float* column : {out.LatDmsSec, out.LonDmsSec})
    if (column) column[i] = 0;
  if (out.Failure) out.Failure[i] = 0;
  PutText(out.MGRS, i, {});
  PutText(out.IFBL, i, {});
  PutText(out.Error, i, message);
  if (extra.UtmZone) extra.UtmZone[i] = 0;
  if (extra.Hemisphere) extra.Hemisphere[i] = 0;
  for (double* column : {extra.X2008, extra.Y2008, extra.EllipsoidalHeight, extra.OstendHeight,
                         extra.Accuracy})
    if (column) column[i] = kNaN;
  if (extra.Route) extra.Route[i] = 0;
}

// One group's outputs, converted into columns of their own and then put
// in the caller's rows.
int ConvertGroup(const GroupInput& group, const std::vector<std::size_t>& at, const BatchOutput& out,
                 const BatchExtra& extra, int threads) {
  const std::size_t n = at.size();
  std::vector<double> height;
  BatchExtra groupExtra = GroupExtra(&extra, at, height);

  // Each column the caller asked for, in the group's order.
  std::vector<std::vector<double>> doubles;
  std::vector<std::pair<double*, double**>> doubleColumns;  // the caller's, the group's
  BatchOutput groupOut{};
  const auto doubleColumn = [&](double* callers, double*& mine) {
    if (!callers) return;
    doubles.emplace_back(n);
    mine = doubles.back().data();
  };
  doubles.reserve(12);
  doubleColumn(out.Latitude, groupOut.Latitude);
  doubleColumn(out.Longitude, groupOut.Longitude);
  doubleColumn(out.X, groupOut.X);
  doubleColumn(out.Y, groupOut.Y);
  doubleColumn(out.Northing, groupOut.Northing);
  doubleColumn(out.Easting, groupOut.Easting);
  doubleColumn(extra.X2008, groupExtra.X2008);
  doubleColumn(extra.Y2008, groupExtra.Y2008);
  doubleColumn(extra.EllipsoidalHeight, groupExtra.EllipsoidalHeight);
  doubleColumn(extra.OstendHeight, groupExtra.OstendHeight);
  doubleColumn(extra.Accuracy, groupExtra.Accuracy);
  std::vector<std::int16_t> shorts[5];
  const auto shortColumn = [&](std::int16_t* callers, std::int16_t*& mine, std::size_t slot) {
    if (!callers) return;
    shorts[slot].resize(n);
    mine = shorts[slot].data();
  };
  shortColumn(out.LatDmsDeg, groupOut.LatDmsDeg, 0);
  shortColumn(out.LatDmsMin, groupOut.LatDmsMin, 1);
  shortColumn(out.LonDmsDeg, groupOut.LonDmsDeg, 2);
  shortColumn(out.LonDmsMin, groupOut.LonDmsMin, 3);
  shortColumn(extra.UtmZone, groupExtra.UtmZone, 4);
  std::vector<float> floats[2];
  if (out.LatDmsSec) floats[0].resize(n), groupOut.LatDmsSec = floats[0].data();
  if (out.LonDmsSec) floats[1].resize(n), groupOut.LonDmsSec = floats[1].data();
  std::vector<std::int32_t> ints[2];
  if (out.Failure) ints[0].resize(n), groupOut.Failure = ints[0].data();
  if (extra.Route) ints[1].resize(n), groupExtra.Route = ints[1].data();
  std::vector<char> hemispheres;
  if (extra.Hemisphere) hemispheres.resize(n), groupExtra.Hemisphere = hemispheres.data();
  std::vector<char> texts[3];
  const auto textColumn = [&](const morvane_text_column& callers, morvane_text_column& mine,
                              std::size_t slot) {
    if (!callers.data) return;
    texts[slot].assign(n * callers.width + 1, 0);
    mine = {texts[slot].data(), callers.width};
  };
  textColumn(out.MGRS, groupOut.MGRS, 0);
  textColumn(out.IFBL, groupOut.IFBL, 1);
  textColumn(out.Error, groupOut.Error, 2);

  const int status = ConvertBatch(group.input, groupOut, groupExtra, static_cast<std::ptrdiff_t>(n), threads);
  if (status != MORVANE_OK) return status;

  const auto scatter = [&](auto* callers, const auto* mine) {
    if (!callers) return;
    for (std::size_t k = 0; k < n; ++k) callers[at[k]] = mine[k];
  };
  scatter(out.Latitude, groupOut.Latitude);
  scatter(out.Longitude, groupOut.Longitude);
  scatter(out.X, groupOut.X);
  scatter(out.Y, groupOut.Y);
  scatter(out.Northing, groupOut.Northing);
  scatter(out.Easting, groupOut.Easting);
  scatter(extra.X2008, groupExtra.X2008);
  scatter(extra.Y2008, groupExtra.Y2008);
  scatter(extra.EllipsoidalHeight, groupExtra.EllipsoidalHeight);
  scatter(extra.OstendHeight, groupExtra.OstendHeight);
  scatter(extra.Accuracy, groupExtra.Accuracy);
  scatter(out.LatDmsDeg, groupOut.LatDmsDeg);
  scatter(out.LatDmsMin, groupOut.LatDmsMin);
  scatter(out.LonDmsDeg, groupOut.LonDmsDeg);
  scatter(out.LonDmsMin, groupOut.LonDmsMin);
  scatter(extra.UtmZone, groupExtra.UtmZone);
  scatter(out.LatDmsSec, groupOut.LatDmsSec);
  scatter(out.LonDmsSec, groupOut.LonDmsSec);
  scatter(out.Failure, groupOut.Failure);
  scatter(extra.Route, groupExtra.Route);
  scatter(extra.Hemisphere, groupExtra.Hemisphere);
  for (const auto& [callers, mine] : {std::pair{&out.MGRS, &groupOut.MGRS}, std::pair{&out.IFBL, &groupOut.IFBL},
                                      std::pair{&out.Error, &groupOut.Error}}) {
    if (!callers->data) continue;
    for (std::size_t k = 0; k < n; ++k)
      std::memcpy(callers->data + at[k] * callers->width, mine->data + k * mine->width, callers->width);
  }
  return MORVANE_OK;
}

}  // namespace

int RowsWidths(const BatchInput& input, const RowsInput& rows, const BatchExtra* extra,
               std::ptrdiff_t count, std::size_t& mgrs, std::size_t& ifbl, std::size_t& error) noexcept {
  try {
    int status = Check(input, rows, count);
    if (status != MORVANE_OK) return status;
    BatchExtra known{};
    if (!Known(extra, known)) return MORVANE_E_NULL_POINTER;
    Plan plan;
    Read(input, rows, static_cast<std::size_t>(count), plan);
    TextWidths widths;
    std::vector<GroupInput> gathered;
    status = Widths(input, rows, known, plan, GroupsOf(plan), widths, gathered);
    if (status != MORVANE_OK) return status;
    mgrs = widths.MGRS;
    ifbl = widths.IFBL;
    error = widths.Error;
    return MORVANE_OK;
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

int ConvertRows(const BatchInput& input, const RowsInput& rows, const BatchOutput& output,
                const BatchExtra* extra, std::ptrdiff_t count, int threads) noexcept {
  try {
    int status = Check(input, rows, count);
    if (status != MORVANE_OK) return status;
    if (threads < 0) return MORVANE_E_THREADS;
    BatchExtra known{};
    if (!Known(extra, known)) return MORVANE_E_NULL_POINTER;
    status = survey::CheckOptions(survey::OptionsOf(&known));
    if (status != MORVANE_OK) return status;
    const auto n = static_cast<std::size_t>(count);
    Plan plan;
    Read(input, rows, n, plan);
    const Groups groups = GroupsOf(plan);
    TextWidths widths;
    std::vector<GroupInput> gathered;
    status = Widths(input, rows, known, plan, groups, widths, gathered);
    if (status != MORVANE_OK) return status;
    if (!Wide(output.MGRS, widths.MGRS) || !Wide(output.IFBL, widths.IFBL) ||
        !Wide(output.Error, widths.Error))
      return MORVANE_E_WIDTH;

    // Rows of one kind and datum in the batch input's columns (a GBIF
    // download, whose rows all say WGS84): the batch call on them as they
    // are.
    const bool one = !rows.Coordinates && groups.size() == 1 && groups.begin()->second.size() == n;
    if (one) {
      BatchInput same = input;
      same.DatumFrom = groups.begin()->first.second;
      status = ConvertBatch(same, output, known, count, threads);
      if (status != MORVANE_OK) return status;
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (rows.KindsRead) rows.KindsRead[i] = plan.kind[i];
      if (rows.DatumsRead) rows.DatumsRead[i] = plan.datum[i];
      if (plan.message[i] != 0) WriteUnconverted(output, known, i, plan.messages[plan.message[i] - 1]);
    }
    if (one) return MORVANE_OK;
    std::size_t done = 0;
    std::size_t g = 0;
    for (const auto& [key, at] : groups) {
      status = ConvertGroup(gathered[g++], at, output, known, threads);
      if (status != MORVANE_OK) return status;
      done += at.size();
      if (known.Progress && known.Progress(known.ProgressContext, static_cast<std::ptrdiff_t>(done)) != 0)
        return done < n ? MORVANE_E_STOPPED : MORVANE_OK;
    }
    return MORVANE_OK;
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

}  // namespace morvane

extern "C" {

int morvane_rows_widths(const morvane_batch_input* input, const morvane_rows_input* rows,
                        const morvane_batch_extra* extra, ptrdiff_t count, size_t* mgrs_width,
                        size_t* ifbl_width, size_t* error_width) {
  if (!input || !rows) return MORVANE_E_NULL_POINTER;
  std::size_t mgrs = 0, ifbl = 0, error = 0;
  const int status = morvane::RowsWidths(*input, *rows, extra, count, mgrs, ifbl, error);
  if (status != MORVANE_OK) return status;
  if (mgrs_width) *mgrs_width = mgrs;
  if (ifbl_width) *ifbl_width = ifbl;
  if (error_width) *error_width = error;
  return MORVANE_OK;
}

int morvane_convert_rows(const morvane_batch_input* input, const morvane_rows_input* rows,
                         const morvane_batch_output* output, const morvane_batch_extra* extra,
                         ptrdiff_t count, int threads) {
  if (!input || !rows || !output) return MORVANE_E_NULL_POINTER;
  return morvane::ConvertRows(*input, *rows, *output, extra, count, threads);
}

}  // extern "C"
