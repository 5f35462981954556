#include "component/survey.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include <morvane/names.hpp>

#include "base/checks.hpp"
#include "component/batch_points.hpp"
#include "component/datum_route.hpp"
#include "component/driver.hpp"
#include "datum/grid_shift.hpp"
#include "height/hbg18.hpp"
#include "ifbl/ifbl.hpp"
#include "lambert/lambert2008.hpp"
#include "lambert/lambert72_conic.hpp"

namespace morvane::survey {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

bool IsLambertKind(std::int32_t kind) { return kind == mvLambert72 || kind == mvIFBL; }

using route::ObjectDatum;
using route::ShiftSteps;

}  // namespace

struct Converter::Extras {
  double x2008 = kNoValue, y2008 = kNoValue;
  double ellipsoidal = kNoValue, ostend = kNoValue;
  std::int32_t route = 0;
};

Options OptionsOf(const BatchExtra* extra) {
  Options options;
  if (!extra || extra->size < sizeof(BatchExtra)) return options;
  options.method = extra->Method;
  options.heightKind = extra->HeightKind;
  options.height = extra->Height;
  options.x2008 = extra->X2008;
  options.y2008 = extra->Y2008;
  options.ellipsoidalHeight = extra->EllipsoidalHeight;
  options.ostendHeight = extra->OstendHeight;
  options.route = extra->Route;
  options.accuracy = extra->Accuracy;
  return options;
}

int CheckOptions(const Options& options) {
  if (options.method != MORVANE_METHOD_SHIFT && options.method != MORVANE_METHOD_GRID)
    return MORVANE_E_SETTING;
  if (options.heightKind < MORVANE_HEIGHT_NONE || options.heightKind > MORVANE_HEIGHT_OSTEND)
    return MORVANE_E_SETTING;
  if (options.heightKind != MORVANE_HEIGHT_NONE && !options.height) return MORVANE_E_NULL_POINTER;
  return MORVANE_OK;
}

bool Needed(const BatchInput& input, const Options& options) {
  return input.OrigType == mvLambert2008 || input.DatumFrom == mvETRS89 ||
         input.DatumDest == mvETRS89 || options.method != MORVANE_METHOD_SHIFT ||
         options.heightKind != MORVANE_HEIGHT_NONE || options.x2008 || options.y2008 ||
         options.ellipsoidalHeight || options.ostendHeight || options.route || options.accuracy;
}

std::size_t LongestMessage() {
  std::size_t longest = 0;
  for (const char* text : {message::kBadLambert2008, message::kOutsideShiftGrid,
                           message::kOutsideGeoid, message::kBadHeight,
                           message::kHeightNotEtrs89, message::kNoGrids})
    longest = std::max(longest, std::string_view(text).size());
  return longest;
}

Converter::Converter(ZedizAdo::State& object, const BatchInput& input, const Options& options,
                     bool objectOutputs)
    : o_(object), input_(input), options_(options), objectOutputs_(objectOutputs) {}

bool Converter::ObjectRoute() const {
  return options_.method == MORVANE_METHOD_SHIFT && input_.OrigType != mvLambert2008 &&
         input_.DatumFrom != mvETRS89 && input_.DatumDest != mvETRS89;
}

void Converter::Fresh(std::int32_t from, std::int32_t to) {
  o_.Reset();
  // Reset keeps the DMS fields, which a fresh object has at 0.
  o_.LatDmsDeg_ = o_.LatDmsMin_ = o_.LonDmsDeg_ = o_.LonDmsMin_ = 0;
  o_.LatDmsSec_ = o_.LonDmsSec_ = 0;
  o_.DatumFrom(static_cast<InternalDatums>(from));
  o_.DatumDest(static_cast<InternalDatums>(to));
}

// A point with a message has no other result: the object's fields are
// those of a fresh object given the point, as when the object refuses an
// input (Lambert 2008 coordinates are not the object's X and Y).
void Converter::Message(const char* text) {
  Fresh(ObjectDatum(input_.DatumFrom), ObjectDatum(input_.DatumDest));
  if (input_.OrigType != mvLambert2008) PutPointOn(o_, input_, current_, text_);
  o_.Error_ = text;
}

bool Converter::Change(Position from, std::int32_t fromDatum, std::int32_t toDatum, Position& to,
                       std::int32_t& route) {
  const auto status =
      route::Change(o_.Catalogue_, options_.method, from, fromDatum, toDatum, to, route);
  if (status == datum::GridStatus::kDone) return true;
  Message(status == datum::GridStatus::kNoGrids ? message::kNoGrids : message::kOutsideShiftGrid);
  return false;
}

void Converter::Run(std::size_t i, Extras& extras) {
  current_ = i;
  const std::int32_t kind = input_.OrigType;
  const std::int32_t from = input_.DatumFrom, to = input_.DatumDest;
  const bool gridMethod = options_.method == MORVANE_METHOD_GRID;
  const bool heights = options_.heightKind != MORVANE_HEIGHT_NONE;
  const double height = heights ? options_.height[i] : kNoValue;
  if (heights && !std::isfinite(height)) return Message(message::kBadHeight);

  // The datum the input's position is on, that position, and what of the
  // input the outputs keep as given.
  std::int32_t inputDatum = IsLambertKind(kind) ? mvBelgium1972 : kind == mvLambert2008 ? mvETRS89 : from;
  Position input;  // unset on the object's route
  bool keepLambert = false, keepMgrs = false;
  double x72 = 0, y72 = 0, northing = 0, easting = 0;
  std::string ifbl, mgrs;
  Position destination, etrs89;

  if (ObjectRoute()) {
    // The object computes every output it has, with its own bits.
    Fresh(from, to);
    PutPointOn(o_, input_, i, text_);
    o_.ConversionInEnvironment();
    if (!o_.Error_.empty()) return;
    destination = {o_.Latitude_, o_.Longitude_};
    // Lambert 2008 from the destination's position, as the object's
    // Lambert 72 is made from it.
    Change(destination, to, mvETRS89, etrs89, extras.route);
    extras.route |= ShiftSteps(inputDatum, to) | ShiftSteps(to, mvBelgium1972);
  } else {
    if (kind == mvLambert2008) {
      const double x = input_.X[i], y = input_.Y[i];
      if (!lambert::Lambert2008InRange(x, y)) return Message(message::kBadLambert2008);
      lambert::Lambert2008ToGeo(x, y, input.latitude, input.longitude);
      extras.x2008 = x, extras.y2008 = y;
    } else if (gridMethod && IsLambertKind(kind)) {
      // The object's checks and square, with Lambert 72 as the agency
      // defines it: the grid is defined on those coordinates.
      if (kind == mvLambert72) {
        x72 = input_.X[i], y72 = input_.Y[i];
        if (!driver::LambertInRange(x72, y72)) return Message(message::kBadLambert);
        std::int32_t status = 0;
        if (objectOutputs_) ifbl::LambertToIfbl(x72, y72, ifbl, status, o_.IfblPrecision);
        if (status != 0) ifbl.clear();
      } else {
        Fresh(mvBelgium1972, mvBelgium1972);
        PutPointOn(o_, input_, i, text_);
        if (!o_.ReadIfblInput(ifbl, x72, y72)) return Message(message::kBadIfbl);
      }
      lambert::Lambert72ConicToGeo(x72, y72, input.latitude, input.longitude);
      keepLambert = true;
    } else {
      // The object reads the input onto its own datum (ETRS89 as WGS 1984).
      const std::int32_t own = IsLambertKind(kind) ? mvBelgium1972 : ObjectDatum(from);
      Fresh(ObjectDatum(from), own);
      PutPointOn(o_, input_, i, text_);
      o_.ConversionInEnvironment();
      if (!o_.Error_.empty()) return;
      input = {o_.Latitude_, o_.Longitude_};
      if (IsLambertKind(kind)) keepLambert = true, x72 = o_.X_, y72 = o_.Y_, ifbl = o_.IFBL_;
      if (kind == mvMgrs) keepMgrs = true, mgrs = o_.MGRS_, northing = o_.Northing_, easting = o_.Easting_;
    }

    Position bd72;
    if (!Change(input, inputDatum, to, destination, extras.route)) return;
    if (to == mvETRS89) etrs89 = destination;
    else if (!Change(input, inputDatum, mvETRS89, etrs89, extras.route)) return;
    const bool ownLambert = gridMethod && !keepLambert && objectOutputs_;
    if (ownLambert && !Change(input, inputDatum, mvBelgium1972, bd72, extras.route)) return;

    if (objectOutputs_) {
      // The object's outputs of the position on the destination datum.
      const std::int32_t own = ObjectDatum(to);
      Fresh(own, own);
      o_.OrigType(mvDeg);
      o_.Latitude_ = destination.latitude;
      o_.Longitude_ = destination.longitude;
      o_.ConversionInEnvironment();
      if (!o_.Error_.empty()) return;
      if (!gridMethod && !keepLambert) extras.route |= ShiftSteps(to, mvBelgium1972);
      if (ownLambert) {
        lambert::GeoToLambert72Conic(bd72.latitude, bd72.longitude, o_.X_, o_.Y_);
        std::int32_t status = 0;
        ifbl::LambertToIfbl(o_.X_, o_.Y_, o_.IFBL_, status, o_.IfblPrecision);
        if (status != 0) o_.IFBL_.clear();
      }
      if (keepLambert) o_.X_ = x72, o_.Y_ = y72, o_.IFBL_ = std::move(ifbl);
      if (keepMgrs) o_.MGRS_ = std::move(mgrs), o_.Northing_ = northing, o_.Easting_ = easting;
    }
  }

  if (kind != mvLambert2008)
    lambert::GeoToLambert2008(etrs89.latitude, etrs89.longitude, extras.x2008, extras.y2008);

  if (heights) {
    const bool ellipsoidal = options_.heightKind == MORVANE_HEIGHT_ELLIPSOIDAL;
    // An ellipsoidal height is one above GRS 1980 in ETRS89 (or WGS 1984,
    // taken for it).
    if (ellipsoidal && inputDatum != mvETRS89 && inputDatum != mvWGS1984)
      return Message(message::kHeightNotEtrs89);
    double n = 0;
    const auto status = height::QuasiGeoidHeight(etrs89.latitude, etrs89.longitude, n);
    if (status != datum::GridStatus::kDone)
      return Message(status == datum::GridStatus::kNoGrids ? message::kNoGrids
                                                           : message::kOutsideGeoid);
    extras.ellipsoidal = ellipsoidal ? height : height + n;
    extras.ostend = ellipsoidal ? height - n : height;
    if (inputDatum == mvWGS1984) extras.route |= kStepWgs84AsEtrs89;
  }
  // The heights are NaN when none was asked for: only the values computed
  // are checked (where a check reads the value, as in WebAssembly, a NaN
  // is an invalid operation).
  if (heights) fp::Check(extras.x2008, extras.y2008, extras.ellipsoidal, extras.ostend);
  else fp::Check(extras.x2008, extras.y2008);
}

std::int32_t Converter::Convert(std::size_t i) {
  Extras extras;
  std::int32_t failure = 0;
  // Nothing of the previous point (or of the batch's own settings, which
  // may name datums the object does not take) stays in the object.
  Fresh(ObjectDatum(input_.DatumFrom), ObjectDatum(input_.DatumDest));
  try {
    fp::Begin();
    Run(i, extras);
  } catch (const Failure& f) {
    failure = static_cast<std::int32_t>(f.kind());
  }
  if (failure != 0) {
    // As the object after a failure: a fresh object with the point put.
    Fresh(ObjectDatum(input_.DatumFrom), ObjectDatum(input_.DatumDest));
    if (input_.OrigType != mvLambert2008) PutPointOn(o_, input_, i, text_);
    else o_.X_ = input_.X[i], o_.Y_ = input_.Y[i];
    o_.Error_.clear();
  }
  if (failure != 0 || !o_.Error_.empty()) extras = Extras{};
  PutExtras(i, extras);
  return failure;
}

void Converter::PutExtras(std::size_t i, const Extras& extras) const {
  if (options_.x2008) options_.x2008[i] = extras.x2008;
  if (options_.y2008) options_.y2008[i] = extras.y2008;
  if (options_.ellipsoidalHeight) options_.ellipsoidalHeight[i] = extras.ellipsoidal;
  if (options_.ostendHeight) options_.ostendHeight[i] = extras.ostend;
  if (options_.route) options_.route[i] = extras.route;
  if (options_.accuracy)
    options_.accuracy[i] = extras.route == 0 && std::isnan(extras.x2008)
                               ? kNoValue
                               : RouteAccuracy(extras.route);
}

}  // namespace morvane::survey
