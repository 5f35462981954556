#include <morvane/batch.hpp>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/checks.hpp"
#include "base/fp_environment.hpp"
#include "base/general.hpp"
#include "component/batch_lanes.hpp"
#include "component/batch_points.hpp"
#include "component/dms.hpp"
#include "component/driver.hpp"
#include "component/survey.hpp"
#include "component/zediz_state.hpp"
#include "datum/catalogue.hpp"
#include "mgrs/mgrs.hpp"
#include "mgrs/square_numbers.hpp"

namespace morvane {

namespace {

// Longest text a property can hold after a conversion whose input is not
// its own kind: an MGRS reference or routine message, an IFBL code.
constexpr std::size_t kMgrsChars = 15;
constexpr std::size_t kIfblChars = 6;

constexpr std::size_t LongestMessage() {
  std::size_t longest = 0;
  for (const char* text :
       {message::kUnknownOrigType, message::kUnknownDatumFrom, message::kUnknownDatumDest,
        message::kDatumNotSet, message::kBadDeg, message::kBadDms, message::kBadLambert,
        message::kBadIfbl}) {
    longest = std::max(longest, std::char_traits<char>::length(text));
  }
  return longest;
}

bool IsTextKind(std::int32_t kind) { return kind == mvMgrs || kind == mvIFBL; }

}  // namespace

std::string_view TextAt(const BatchInput& input, std::size_t i) {
  if (input.Texts) return input.Texts[i];
  const char* entry = input.TextData + i * input.TextWidth;
  const char* end = std::find(entry, entry + input.TextWidth, '\0');
  return {entry, static_cast<std::size_t>(end - entry)};
}

namespace {

// Checks the arguments as a whole; MORVANE_OK or the code that refuses them.
int CheckInput(const BatchInput* input, std::ptrdiff_t count) {
  if (!input) return MORVANE_E_NULL_POINTER;
  if (count < 0) return MORVANE_E_COUNT;
  if (input->OrigType < mvMgrs || input->OrigType > mvLambert2008) return MORVANE_E_KIND;
  const auto datumOk = [](std::int32_t d) { return d >= mvEuropeanData1950 && d <= mvETRS89; };
  if (!datumOk(input->DatumFrom) || !datumOk(input->DatumDest)) return MORVANE_E_DATUM;
  if (count == 0) return MORVANE_OK;
  const auto present = [](auto... column) { return ((column != nullptr) && ...); };
  switch (input->OrigType) {
    case mvDeg:
      if (!present(input->Latitude, input->Longitude)) return MORVANE_E_NULL_POINTER;
      break;
    case mvDegMinSec:
      if (!present(input->LatDmsDeg, input->LatDmsMin, input->LatDmsSec, input->LonDmsDeg,
                   input->LonDmsMin, input->LonDmsSec))
        return MORVANE_E_NULL_POINTER;
      break;
    case mvLambert72:
    case mvLambert2008:
      if (!present(input->X, input->Y)) return MORVANE_E_NULL_POINTER;
      break;
    default:
      if (input->Texts) {
        for (std::ptrdiff_t i = 0; i < count; ++i)
          if (!input->Texts[i]) return MORVANE_E_NULL_POINTER;
      } else if (!input->TextData) {
        return MORVANE_E_NULL_POINTER;
      }
      break;
  }
  return MORVANE_OK;
}

// Widths of an input already checked, with the options of a call.
TextWidths WidthsOf(const BatchInput& input, const survey::Options& options, std::size_t count) {
  TextWidths widths{kMgrsChars, kIfblChars, LongestMessage()};
  if (survey::Needed(input, options)) widths.Error = std::max(widths.Error, survey::LongestMessage());
  if (!IsTextKind(input.OrigType)) return widths;
  std::size_t longest = 0;
  if (input.Texts || input.TextData)
    for (std::size_t i = 0; i < count; ++i) longest = std::max(longest, TextAt(input, i).size());
  if (input.OrigType == mvMgrs) {
    // The MGRS put keeps the text (trimmed) and a refusal quotes it.
    widths.MGRS = std::max(widths.MGRS, longest);
    widths.Error = std::max(widths.Error, std::char_traits<char>::length(message::kBadMgrsPrefix) +
                                              longest + 1);
  } else {
    widths.IFBL = std::max(widths.IFBL, longest);
  }
  return widths;
}

bool Wide(const morvane_text_column& column, std::size_t needed) {
  return !column.data || column.width >= needed;
}

void PutText(const morvane_text_column& column, std::size_t i, const std::string& text) {
  if (!column.data) return;
  // Empty texts and full entries are the usual cases: no call for nothing
  // (in WebAssembly each is a call out of the module).
  char* entry = column.data + i * column.width;
  const std::size_t n = text.size();
  if (n != 0) std::memcpy(entry, text.data(), n);
  if (column.width != n) std::memset(entry + n, 0, column.width - n);
}

unsigned ThreadsFor(int threads, std::size_t count) {
  unsigned wanted = threads == 0 ? std::max(1u, std::thread::hardware_concurrency())
                                 : static_cast<unsigned>(threads);
  // Starting a thread costs about as much as converting a few hundred
  // points: small batches stay on fewer threads.
  constexpr std::size_t kPointsPerThread = 1024;
  const std::size_t useful = std::max<std::size_t>(1, count / kPointsPerThread);
  return static_cast<unsigned>(std::min<std::size_t>(wanted, useful));
}

}  // namespace

void PutPointOn(ZedizAdo::State& o, const BatchInput& input, std::size_t i, std::string& text) {
  o.OrigType(static_cast<OriginalCoordinates>(input.OrigType));
  switch (input.OrigType) {
    case mvDeg:
      o.Latitude_ = input.Latitude[i];
      o.Longitude_ = input.Longitude[i];
      break;
    case mvDegMinSec:
      o.LatDmsDeg_ = input.LatDmsDeg[i];
      o.LatDmsMin_ = input.LatDmsMin[i];
      o.LatDmsSec_ = input.LatDmsSec[i];
      o.LonDmsDeg_ = input.LonDmsDeg[i];
      o.LonDmsMin_ = input.LonDmsMin[i];
      o.LonDmsSec_ = input.LonDmsSec[i];
      break;
    case mvLambert72:
      o.X_ = input.X[i];
      o.Y_ = input.Y[i];
      break;
    case mvMgrs: text.assign(TextAt(input, i)); o.MGRS(text); break;
    case mvIFBL: text.assign(TextAt(input, i)); o.IFBL(text); break;
  }
}

int PutPoint(ZedizAdo& object, const BatchInput& input, std::ptrdiff_t i) noexcept {
  if (i < 0) return MORVANE_E_COUNT;
  // The kind and its columns are checked as the batch call checks them,
  // for this one point.
  BatchInput one = input;
  if (input.Texts) one.Texts = input.Texts + i;
  const std::size_t at = input.Texts ? 0 : static_cast<std::size_t>(i);
  if (!input.Texts && input.TextData) one.TextData = input.TextData + at * input.TextWidth;
  // The object's kinds only.
  if (input.OrigType > mvDegMinSec) return MORVANE_E_KIND;
  const int status = CheckInput(&one, 1);
  if (status != MORVANE_OK) return status;
  try {
    std::string text;
    PutPointOn(*object.state_, input, static_cast<std::size_t>(i), text);
    return MORVANE_OK;
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  }
}

// Converts a range of points on one object: the object is brought back to
// the state of a fresh one with the batch's settings before each point.
class BatchConverter {
 public:
  explicit BatchConverter(const BatchInput& input) : input_(input) {
    object_.DatumFrom(static_cast<InternalDatums>(input.DatumFrom));
    object_.DatumDest(static_cast<InternalDatums>(input.DatumDest));
    object_.mgrsPrecision = input.mgrsPrecision;
    object_.IfblPrecision = input.IfblPrecision;
  }

  void Convert(const BatchOutput& output, const BatchExtra& extra, std::size_t begin,
               std::size_t end) {
    const fp::EnvironmentScope environment;
    const bool zones = extra.UtmZone || extra.Hemisphere;
    std::size_t i = begin;
    const survey::Options options = survey::OptionsOf(&extra);
    if (survey::Needed(input_, options)) {
      survey::Converter route(object_, input_, options, ObjectOutputsAsked(output, extra));
      for (; i < end; ++i) {
        const std::int32_t failure = route.Convert(i);
        PutOutputs(output, i, failure);
        if (zones) PutZone(extra, i, failure);
      }
      return;
    }
    const batch::Path path = batch::SelectedPath();
    if (path != batch::Path::kScalar && GroupSettingsReady()) {
      for (; i + batch::kGroup <= end; i += batch::kGroup) ConvertGroup(path, output, extra, i);
    }
    for (; i < end; ++i) {
      const std::int32_t failure = ConvertPoint(output, i);
      if (zones) PutZone(extra, i, failure);
    }
  }

 private:
  static bool ObjectOutputsAsked(const BatchOutput& output, const BatchExtra& extra) {
    return output.Latitude || output.Longitude || output.LatDmsDeg || output.LatDmsMin ||
           output.LatDmsSec || output.LonDmsDeg || output.LonDmsMin || output.LonDmsSec ||
           output.X || output.Y || output.Northing || output.Easting || output.MGRS.data ||
           output.IFBL.data || extra.UtmZone || extra.Hemisphere;
  }

  // The zone of a converted point's reference; 0 where it has none.
  void PutZone(const BatchExtra& extra, std::size_t i, std::int32_t failure) {
    std::int16_t zone = 0;
    char hemisphere = 0;
    if (failure != 0 || !object_.Error_.empty() ||
        !dma::ZoneOfReference(object_.MGRS_, zone, hemisphere))
      zone = 0, hemisphere = 0;
    if (extra.UtmZone) extra.UtmZone[i] = zone;
    if (extra.Hemisphere) extra.Hemisphere[i] = hemisphere;
  }

  // Converts point i and writes its outputs; its failure kind, or 0.
  std::int32_t ConvertPoint(const BatchOutput& output, std::size_t i) {
    ZedizAdo::State& o = object_;
    // Reset keeps the DMS fields, which a fresh object has at 0.
    o.Reset();
    o.LatDmsDeg_ = o.LatDmsMin_ = o.LonDmsDeg_ = o.LonDmsMin_ = 0;
    o.LatDmsSec_ = o.LonDmsSec_ = 0;
    PutPointOn(o, input_, i, text_);
    ellipsoidChanged_ = true;
    std::int32_t failure = 0;
    try {
      o.ConversionInEnvironment();
    } catch (const Failure& f) {
      failure = static_cast<std::int32_t>(f.kind());
    }
    PutOutputs(output, i, failure);
    return failure;
  }

  // Writes the object's fields as the outputs of point i.
  void PutOutputs(const BatchOutput& output, std::size_t i, std::int32_t failure) {
    const ZedizAdo::State& o = object_;
    if (output.Latitude) output.Latitude[i] = o.Latitude_;
    if (output.Longitude) output.Longitude[i] = o.Longitude_;
    if (output.LatDmsDeg) output.LatDmsDeg[i] = o.LatDmsDeg_;
    if (output.LatDmsMin) output.LatDmsMin[i] = o.LatDmsMin_;
    if (output.LatDmsSec) output.LatDmsSec[i] = o.LatDmsSec_;
    if (output.LonDmsDeg) output.LonDmsDeg[i] = o.LonDmsDeg_;
    if (output.LonDmsMin) output.LonDmsMin[i] = o.LonDmsMin_;
    if (output.LonDmsSec) output.LonDmsSec[i] = o.LonDmsSec_;
    if (output.X) output.X[i] = o.X_;
    if (output.Y) output.Y[i] = o.Y_;
    if (output.Northing) output.Northing[i] = o.Northing_;
    if (output.Easting) output.Easting[i] = o.Easting_;
    PutText(output.MGRS, i, o.MGRS_);
    PutText(output.IFBL, i, o.IFBL_);
    PutText(output.Error, i, o.Error_);
    if (output.Failure) output.Failure[i] = failure;
  }

  // The settings of the groups, formed once as the object forms them;
  // false (every point then alone) when that raised anything.
  bool GroupSettingsReady() {
    if (groupReady_ >= 0) return groupReady_ != 0;
    groupReady_ = 0;
    const datum::Catalogue& catalogue = object_.Catalogue_;
    try {
      fp::ClearPending();
      datum::SelectEllipsoid(catalogue, object_.DatumFrom_);
      fromEllipsoid_ = datum::CurrentEllipsoid;
      datum::SelectEllipsoid(catalogue, object_.DatumDest_);
      group_ = {&catalogue,
                object_.DatumFrom_,
                object_.DatumDest_,
                datum::CurrentEllipsoid.SemiMajorAxis,
                datum::CurrentEllipsoid.Flattening,
                fromEllipsoid_.SemiMajorAxis,
                fromEllipsoid_.Flattening,
                datum::CurrentEllipsoid.EllipsoidNumber};
      if (fp::PendingBits() == 0) groupReady_ = 1;
    } catch (const Failure&) {
    }
    fp::ClearPending();
    return groupReady_ != 0;
  }

  // What a group takes of point i, as the object reads it: the latitude
  // and longitude of a degree or DMS input, the Lambert 72 X and Y of a
  // Lambert or IFBL input (and an IFBL input's tidied code, kept as lane
  // k's).  False when the object would give the point a message or
  // convert it apart (zero angles, whose signed zeros the datum shift
  // takes apart).
  bool InputOf(std::size_t i, int k, double& a, double& b) {
    switch (input_.OrigType) {
      case mvDeg:
        a = input_.Latitude[i];
        b = input_.Longitude[i];
        break;
      case mvDegMinSec: {
        const std::int16_t latDeg = input_.LatDmsDeg[i], latMin = input_.LatDmsMin[i];
        const std::int16_t lonDeg = input_.LonDmsDeg[i], lonMin = input_.LonDmsMin[i];
        const float latSec = input_.LatDmsSec[i], lonSec = input_.LonDmsSec[i];
        if (!driver::DmsFieldsValid(latDeg, latMin, latSec, 90) ||
            !driver::DmsFieldsValid(lonDeg, lonMin, lonSec, 180))
          return false;
        DmsToDecimal(latDeg, latMin, latSec, a);
        DmsToDecimal(lonDeg, lonMin, lonSec, b);
        break;
      }
      case mvLambert72:
        a = input_.X[i];
        b = input_.Y[i];
        return driver::LambertInRange(a, b);
      case mvIFBL: {
        ZedizAdo::State& o = object_;
        o.Reset();
        PutPointOn(o, input_, i, text_);  // tidies the code as the put does
        return o.ReadIfblInput(codes_[k], a, b);
      }
      case mvMgrs: {
        // The reference as the put trims it, read as the decoder reads it:
        // the zone, the signed northing and the easting for the lanes.
        ZedizAdo::State& o = object_;
        o.Reset();
        PutPointOn(o, input_, i, text_);
        codes_[k] = o.MGRS_;
        std::string& text = text_;
        if (!o.PrepareMgrsInput(text)) return false;
        double latitude = 0, longitude = 0;
        std::int16_t zone = 0;
        std::int32_t status = 0;
        if (!dma::MgrsToUtm(text, fromEllipsoid_.EllipsoidNumber, fromEllipsoid_.SemiMajorAxis,
                            fromEllipsoid_.Flattening, latitude, longitude, zone, a, b, status,
                            limits_[k]))
          return false;
        zones_[k] = zone;
        return true;
      }
      default:
        return false;
    }
    return driver::DegreesInRange(a, b) && a != 0 && b != 0;
  }

  // Converts points i .. i + 3: the numbers of the points the object
  // would convert without a message four at a time, their texts one by
  // one; every point of a group whose numbers or texts raised a fault or a
  // failure, and any other point, alone through the object.
  void ConvertGroup(batch::Path path, const BatchOutput& output, const BatchExtra& extra,
                    std::size_t i) {
    double a[batch::kGroup], b[batch::kGroup];
    bool alone[batch::kGroup];
    const bool geographic = input_.OrigType == mvDeg || input_.OrigType == mvDegMinSec;
    for (int k = 0; k < batch::kGroup; ++k) {
      double first = 0, second = 0;
      try {
        alone[k] = !InputOf(i + k, k, first, second);
      } catch (const Failure&) {
        alone[k] = true;
      }
      // The other lanes compute a harmless position.
      if (alone[k]) {
        const bool mgrs = input_.OrigType == mvMgrs;
        first = geographic ? 50.5 : mgrs ? 5640000.0 : 150000.0;
        second = geographic ? 4.5 : mgrs ? 600000.0 : 170000.0;
        zones_[k] = 31;
      }
      a[k] = first;
      b[k] = second;
    }
    // A point converted alone, or a NaN compared above, may have left flags.
    if (fp::PendingBits()) [[unlikely]] fp::ClearPending();
    batch::GroupNumbers n;
    bool clean = false;
    try {
      if (geographic) batch::DegreeGroup(path, group_, a, b, n);
      else if (input_.OrigType == mvMgrs) batch::MgrsGroup(path, group_, zones_, a, b, n);
      else batch::LambertGroup(path, group_, a, b, n);
      clean = n.converged && n.dms && fp::PendingBits() == 0;
    } catch (const Failure&) {
    }
    const bool zones = extra.UtmZone || extra.Hemisphere;
    if (clean) {
      {
        fp::DeferredScope deferred;
        try {
          if (ellipsoidChanged_) {
            datum::SelectEllipsoid(object_.Catalogue_, object_.DatumDest_);
            ellipsoidChanged_ = false;
          }
          for (int k = 0; k < batch::kGroup; ++k) {
            if (alone[k] || !FinishPoint(n, k, i + k, a[k], b[k])) {
              alone[k] = true;
              continue;
            }
            PutOutputs(output, i + k, 0);
            if (zones) PutZone(extra, i + k, 0);
          }
          clean = fp::PendingBits() == 0;
        } catch (const Failure&) {
          clean = false;
        }
      }
    }
    if (!clean) {
      if (fp::PendingBits()) fp::ClearPending();
      for (bool& alonePoint : alone) alonePoint = true;
    }
    for (int k = 0; k < batch::kGroup; ++k) {
      if (!alone[k]) continue;
      const std::int32_t failure = ConvertPoint(output, i + k);
      if (zones) PutZone(extra, i + k, failure);
    }
  }

  // The object's fields after the conversion of point i, whose input is
  // (a, b) and whose numbers are lane k of n: the texts by the object's
  // steps, as its unchecked run runs them (the caller reads the flags).
  // False, with nothing done, when the reference may lie outside the grid
  // or in Norway's or Svalbard's zones: the point is then converted alone.
  bool FinishPoint(const batch::GroupNumbers& n, int k, std::size_t i, double a, double b) {
    ZedizAdo::State& o = object_;
    const bool mgrs = input_.OrigType == mvMgrs;
    std::int16_t zone = 0;  // of the reference made (MGRS input makes none)
    if (mgrs) {
      // Outside its grid zone, a reference gets a message; zero angles go
      // alone, as above.
      if (!dma::InsideGridZone(n.utmLatitude[k], n.utmLongitude[k], limits_[k]) ||
          n.sourceLatitude[k] == 0 || n.sourceLongitude[k] == 0)
        return false;
    } else {
      // A zone from a finite longitude, within 1..60.
      zone = static_cast<std::int16_t>(n.zone[k]);
      const double phi = general::DegToRadOf(n.latitude[k]);  // a finite latitude
      if (!dma::InMgrsGrid(phi) || !dma::RegularZoneHolds(phi, zone)) return false;
    }
    o.Error_.clear();
    o.Latitude_ = n.latitude[k];
    o.Longitude_ = n.longitude[k];
    o.Northing_ = n.northing[k];
    o.Easting_ = n.easting[k];
    if (input_.OrigType == mvDegMinSec && o.DatumFrom_ == o.DatumDest_) {
      // With equal datums the fields keep the values as entered.
      o.LatDmsDeg_ = input_.LatDmsDeg[i], o.LatDmsMin_ = input_.LatDmsMin[i];
      o.LatDmsSec_ = input_.LatDmsSec[i];
      o.LonDmsDeg_ = input_.LonDmsDeg[i], o.LonDmsMin_ = input_.LonDmsMin[i];
      o.LonDmsSec_ = input_.LonDmsSec[i];
    } else {
      o.LatDmsDeg_ = static_cast<std::int16_t>(n.latDeg[k]);
      o.LatDmsMin_ = static_cast<std::int16_t>(n.latMin[k]);
      o.LatDmsSec_ = n.latSec[k];
      o.LonDmsDeg_ = static_cast<std::int16_t>(n.lonDeg[k]);
      o.LonDmsMin_ = static_cast<std::int16_t>(n.lonMin[k]);
      o.LonDmsSec_ = n.lonSec[k];
    }
    switch (input_.OrigType) {
      case mvIFBL:
        // The code as tidied, and the position it names.
        o.IFBL_ = codes_[k];
        o.X_ = a;
        o.Y_ = b;
        break;
      case mvLambert72:
        o.X_ = a;
        o.Y_ = b;
        o.IfblOutputStep();
        break;
      case mvMgrs:
        // The reference as put; no other is made of it.
        o.MGRS_ = codes_[k];
        o.X_ = n.x[k];
        o.Y_ = n.y[k];
        o.IfblOutputStep();
        return true;
      default:
        o.X_ = n.x[k];
        o.Y_ = n.y[k];
        o.IfblOutputStep();
        break;
    }
    if (n.square[k]) {
      // The reference from the numbers of the lanes, as the step makes it.
      dma::MgrsTextOf(zone, batch::SquareOf(n, k), o.MGRS_);
      o.CutMgrsToPrecision();
    } else {
      o.MgrsOutputStep(zone);
    }
    return true;
  }

  const BatchInput& input_;
  ZedizAdo::State object_;
  std::string text_;
  // A group's texts as put (IFBL codes tidied, MGRS references trimmed),
  // and what an MGRS group's references name.
  std::string codes_[batch::kGroup];
  double zones_[batch::kGroup] = {};
  dma::GridZoneLimits limits_[batch::kGroup] = {};
  datum::CurrentEllipsoidRecord fromEllipsoid_{};
  batch::GroupSettings group_{};
  int groupReady_ = -1;  // not yet formed
  // Whether the thread's current ellipsoid may no longer be the
  // destination's, which the MGRS texts of a group read.
  bool ellipsoidChanged_ = true;
};

int BatchWidths(const BatchInput& input, std::ptrdiff_t count, TextWidths& widths) noexcept {
  BatchExtra none{};
  none.size = sizeof none;
  return BatchWidths(input, none, count, widths);
}

int BatchWidths(const BatchInput& input, const BatchExtra& extra, std::ptrdiff_t count,
                TextWidths& widths) noexcept {
  int status = CheckInput(&input, count);
  if (status != MORVANE_OK) return status;
  const survey::Options options = survey::OptionsOf(&extra);
  status = survey::CheckOptions(options);
  if (status != MORVANE_OK) return status;
  widths = WidthsOf(input, options, static_cast<std::size_t>(count));
  return MORVANE_OK;
}

int ConvertBatch(const BatchInput& input, const BatchOutput& output, std::ptrdiff_t count,
                 int threads) noexcept {
  BatchExtra none{};
  none.size = sizeof none;
  return ConvertBatch(input, output, none, count, threads);
}

namespace {

// Converts points [begin, end) on `workers` threads in contiguous shares;
// the calling thread takes the first.
void ConvertShares(const BatchInput& input, const BatchOutput& output, const BatchExtra& extra,
                   std::size_t begin, std::size_t end, unsigned workers) {
  const std::size_t n = end - begin;
  if (workers == 1) {
    BatchConverter(input).Convert(output, extra, begin, end);
    return;
  }
  std::vector<std::exception_ptr> errors(workers);
  std::vector<std::thread> pool;
  pool.reserve(workers - 1);
  const auto share = [&](unsigned k) {
    try {
      BatchConverter(input).Convert(output, extra, begin + n * k / workers,
                                    begin + n * (k + 1) / workers);
    } catch (...) {
      errors[k] = std::current_exception();
    }
  };
  for (unsigned k = 1; k < workers; ++k) {
    try {
      pool.emplace_back(share, k);
    } catch (const std::system_error&) {
      share(k);  // no thread to be had: this one converts the share
    }
  }
  share(0);
  for (auto& thread : pool) thread.join();
  for (const auto& error : errors)
    if (error) std::rethrow_exception(error);
}

}  // namespace

int ConvertBatch(const BatchInput& input, const BatchOutput& output, const BatchExtra& extra,
                 std::ptrdiff_t count, int threads) noexcept {
  int status = CheckInput(&input, count);
  if (status != MORVANE_OK) return status;
  const survey::Options options = survey::OptionsOf(&extra);
  status = survey::CheckOptions(options);
  if (status != MORVANE_OK) return status;
  if (threads < 0) return MORVANE_E_THREADS;
  const auto n = static_cast<std::size_t>(count);
  const TextWidths widths = WidthsOf(input, options, n);
  if (!Wide(output.MGRS, widths.MGRS) || !Wide(output.IFBL, widths.IFBL) ||
      !Wide(output.Error, widths.Error))
    return MORVANE_E_WIDTH;
  if (n == 0) return MORVANE_OK;

  try {
    const unsigned workers = ThreadsFor(threads, n);
    if (!extra.Progress) {
      ConvertShares(input, output, extra, 0, n, workers);
      return MORVANE_OK;
    }
    // With a progress callback: chunks of a few thousand points a thread,
    // the callback between them.
    constexpr std::size_t kChunkPerThread = 8192;
    const std::size_t chunk = kChunkPerThread * workers;
    for (std::size_t begin = 0; begin < n;) {
      const std::size_t end = std::min(n, begin + chunk);
      ConvertShares(input, output, extra, begin, end,
                    static_cast<unsigned>(std::min<std::size_t>(workers, ThreadsFor(threads, end - begin))));
      begin = end;
      if (extra.Progress(extra.ProgressContext, static_cast<std::ptrdiff_t>(end)) != 0)
        return end == n ? MORVANE_OK : MORVANE_E_STOPPED;
    }
    return MORVANE_OK;
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

}  // namespace morvane
