#include "tools/morvane/point_batch.hpp"

#include <algorithm>
#include <cstring>
#include <thread>

namespace morvane::cli {

namespace {

// Bytes the texts of one batch may take in a text column, per point of
// its capacity (points times the longest text): a long MGRS text would
// otherwise widen every entry.
constexpr std::size_t kTextBudgetPerPoint = 256;

bool Needs(const Settings& settings, Columns group) {
  return std::find(settings.columns.begin(), settings.columns.end(), group) !=
         settings.columns.end();
}

}  // namespace

void PointBatch::Texts::Add(std::size_t i, std::string_view text) {
  if (start.size() <= i) start.resize(i + 1);
  start[i] = bytes.size();
  bytes.append(text);
  bytes.push_back('\0');
}

const char* const* PointBatch::Texts::Pointers(std::size_t count) {
  pointers.resize(count);
  for (std::size_t i = 0; i < count; ++i) pointers[i] = bytes.data() + start[i];
  return pointers.data();
}

std::string_view PointBatch::TextColumn::At(std::size_t i) const {
  if (width == 0) return {};
  const char* entry = data.data() + i * width;
  const char* end = std::find(entry, entry + width, '\0');
  return {entry, static_cast<std::size_t>(end - entry)};
}

PointBatch::PointBatch(const Settings& settings, unsigned threads, std::size_t capacity)
    : threads_(static_cast<int>(threads)),
      capacity_(capacity != 0 ? capacity
                              : kPointsPerThread *
                                    std::max(1u, threads != 0 ? threads : std::thread::hardware_concurrency())),
      today_(settings.today) {
  const auto sized = [this](auto& column) { column.resize(capacity_); };
  input_.OrigType = settings.verbatimRows ? settings.rowsKind : OrigTypeOf(settings.input);
  verbatimRows_ = settings.verbatimRows;
  rowDatums_ = settings.rowDatums;
  rowsInput_.size = sizeof rowsInput_;
  input_.DatumFrom = settings.from;
  input_.DatumDest = settings.dest;
  input_.mgrsPrecision = settings.mgrsPrecision;
  input_.IfblPrecision = settings.ifblPrecision;
  switch (settings.verbatimRows ? InputKind::Mgrs : settings.input) {
    case InputKind::Deg:
      sized(a_), sized(b_);
      input_.Latitude = a_.data(), input_.Longitude = b_.data();
      break;
    case InputKind::Lambert:
    case InputKind::Lambert2008:
      sized(a_), sized(b_);
      input_.X = a_.data(), input_.Y = b_.data();
      break;
    case InputKind::Dms:
      for (auto& column : dms_) sized(column);
      for (auto& column : seconds_) sized(column);
      input_.LatDmsDeg = dms_[0].data(), input_.LatDmsMin = dms_[1].data();
      input_.LonDmsDeg = dms_[2].data(), input_.LonDmsMin = dms_[3].data();
      input_.LatDmsSec = seconds_[0].data(), input_.LonDmsSec = seconds_[1].data();
      break;
    case InputKind::Mgrs:
    case InputKind::Ifbl:
      sized(texts_.start);
      break;
  }

  // Only the outputs that are printed are written.  The UTM columns take
  // the zone of the MGRS reference, and print nothing without a reference.
  if (Needs(settings, Columns::Deg)) {
    sized(latitude_), sized(longitude_);
    output_.Latitude = latitude_.data(), output_.Longitude = longitude_.data();
  }
  if (Needs(settings, Columns::Dms)) {
    for (auto& column : outDms_) sized(column);
    for (auto& column : outSeconds_) sized(column);
    output_.LatDmsDeg = outDms_[0].data(), output_.LatDmsMin = outDms_[1].data();
    output_.LonDmsDeg = outDms_[2].data(), output_.LonDmsMin = outDms_[3].data();
    output_.LatDmsSec = outSeconds_[0].data(), output_.LonDmsSec = outSeconds_[1].data();
  }
  if (Needs(settings, Columns::Lambert)) {
    sized(x_), sized(y_);
    output_.X = x_.data(), output_.Y = y_.data();
  }
  if (Needs(settings, Columns::Utm)) {
    sized(northing_), sized(easting_), sized(zone_), sized(hemisphere_);
    output_.Northing = northing_.data(), output_.Easting = easting_.data();
    extra_.UtmZone = zone_.data(), extra_.Hemisphere = hemisphere_.data();
  }
  if (today_) {
    // Version 2 of the extra settings; without today's systems the call
    // leaves them at their defaults, which give the object's bits.
    extra_.Method = settings.method;
    extra_.HeightKind = settings.heightKind;
    if (settings.heightKind != MORVANE_HEIGHT_NONE) sized(height_), extra_.Height = height_.data();
    if (Needs(settings, Columns::Today)) {
      sized(x2008_), sized(y2008_), sized(ellipsoidalHeight_), sized(ostendHeight_);
      sized(route_), sized(accuracy_);
      extra_.X2008 = x2008_.data(), extra_.Y2008 = y2008_.data();
      extra_.EllipsoidalHeight = ellipsoidalHeight_.data();
      extra_.OstendHeight = ostendHeight_.data();
      extra_.Route = route_.data(), extra_.Accuracy = accuracy_.data();
    }
  }
  wantMgrs_ = Needs(settings, Columns::Utm) || Needs(settings, Columns::Mgrs);
  wantIfbl_ = Needs(settings, Columns::Ifbl);
  sized(failure_);
  output_.Failure = failure_.data();
}

bool PointBatch::Fits(const PointInput& point) const {
  if (count_ == 0) return true;
  // The rows' messages quote their systems and datums.
  const std::size_t longest =
      std::max({longestText_, point.text.size(), point.system.size(), point.datum.size()});
  return (count_ + 1) * longest <= capacity_ * kTextBudgetPerPoint;
}

void PointBatch::Add(const PointInput& point) {
  const std::size_t i = count_++;
  if (verbatimRows_) systems_.Add(i, point.system);
  if (rowDatums_) datums_.Add(i, point.datum);
  longestText_ = std::max({longestText_, point.system.size(), point.datum.size()});
  switch (verbatimRows_ ? mvMgrs : input_.OrigType) {
    case mvDeg: a_[i] = point.latitude, b_[i] = point.longitude; break;
    case mvLambert72:
    case MORVANE_mvLambert2008: a_[i] = point.x, b_[i] = point.y; break;
    case mvDegMinSec:
      for (std::size_t k = 0; k < 4; ++k) dms_[k][i] = point.dms[k];
      seconds_[0][i] = point.seconds[0], seconds_[1][i] = point.seconds[1];
      break;
    default:
      texts_.Add(i, point.text);
      longestText_ = std::max(longestText_, point.text.size());
      break;
  }
  if (!height_.empty()) height_[i] = point.height;
}

void PointBatch::Allocate(TextColumn& column, std::size_t width) {
  column.width = width;
  column.data.resize(count_ * width);
}

void PointBatch::Convert() {
  refused_.clear();
  if (count_ == 0) return;
  if (verbatimRows_) {
    rowsInput_.Coordinates = texts_.Pointers(count_);
    rowsInput_.Systems = systems_.Pointers(count_);
  } else if (!texts_.start.empty()) {
    input_.Texts = texts_.Pointers(count_);
  }
  if (rowDatums_) rowsInput_.Datums = datums_.Pointers(count_);
  const bool rows = verbatimRows_ || rowDatums_;
  const auto n = static_cast<std::ptrdiff_t>(count_);
  TextWidths widths;
  int status = MORVANE_OK;
  if (rows) {
    status = RowsWidths(input_, rowsInput_, &extra_, n, widths.MGRS, widths.IFBL, widths.Error);
  } else {
    // With today's systems the Error column must also hold their messages.
    status = today_ ? BatchWidths(input_, extra_, n, widths) : BatchWidths(input_, n, widths);
  }
  if (status == MORVANE_OK) {
    Allocate(error_, widths.Error);
    output_.Error = {error_.data.data(), error_.width};
    if (wantMgrs_) Allocate(mgrs_, widths.MGRS), output_.MGRS = {mgrs_.data.data(), mgrs_.width};
    if (wantIfbl_) Allocate(ifbl_, widths.IFBL), output_.IFBL = {ifbl_.data.data(), ifbl_.width};
    status = rows ? ConvertRows(input_, rowsInput_, output_, &extra_, n, threads_)
                   : ConvertBatch(input_, output_, extra_, n, threads_);
  }
  if (status != MORVANE_OK) {
    // Cannot happen with the settings the tool accepts, but for want of
    // memory: every point of the batch gets the reason.
    refused_ = "cannot convert: the batch call refused the points (status ";
    refused_ += std::to_string(status);
    refused_ += ')';
    std::fill_n(failure_.begin(), count_, 0);
  }
}

PointValues PointBatch::Values(std::size_t i) const {
  PointValues v;
  if (output_.Latitude) v.latitude = latitude_[i], v.longitude = longitude_[i];
  if (output_.LatDmsDeg) {
    v.latDmsDeg = outDms_[0][i], v.latDmsMin = outDms_[1][i], v.latDmsSec = outSeconds_[0][i];
    v.lonDmsDeg = outDms_[2][i], v.lonDmsMin = outDms_[3][i], v.lonDmsSec = outSeconds_[1][i];
  }
  if (output_.X) v.x = x_[i], v.y = y_[i];
  if (output_.Northing) {
    v.northing = northing_[i], v.easting = easting_[i];
    v.zone = zone_[i], v.hemisphere = hemisphere_[i];
  }
  if (wantMgrs_) v.mgrs = mgrs_.At(i);
  if (wantIfbl_) v.ifbl = ifbl_.At(i);
  if (extra_.X2008) {
    v.x2008 = x2008_[i], v.y2008 = y2008_[i];
    v.ellipsoidalHeight = ellipsoidalHeight_[i], v.ostendHeight = ostendHeight_[i];
    v.route = route_[i], v.accuracy = accuracy_[i];
  }
  return v;
}

std::string_view PointBatch::Error(std::size_t i) const {
  if (!refused_.empty()) return refused_;
  return error_.At(i);
}

void PointBatch::Clear() {
  count_ = 0;
  for (Texts* texts : {&texts_, &systems_, &datums_}) texts->bytes.clear();
  longestText_ = 0;
}

PointAt PointBatches::Add(const PointInput& point) {
  if (used_ != 0 && (batches_[used_ - 1]->Full() || !batches_[used_ - 1]->Fits(point))) {
    ++used_;
  } else if (used_ == 0) {
    used_ = 1;
  }
  if (batches_.size() < used_) batches_.push_back(std::make_unique<PointBatch>(settings_, threads_));
  PointBatch& batch = *batches_[used_ - 1];
  const PointAt at{used_ - 1, batch.Size()};
  batch.Add(point);
  return at;
}

void PointBatches::Convert() {
  for (std::size_t i = 0; i < used_; ++i) batches_[i]->Convert();
}

void PointBatches::Clear() {
  for (std::size_t i = 0; i < used_; ++i) batches_[i]->Clear();
  used_ = 0;
}

}  // namespace morvane::cli
