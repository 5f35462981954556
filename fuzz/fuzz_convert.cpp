// The batch call of the C interface, fed anything: kinds and datums in and
// out of their tables, counts, thread counts, text columns of any width,
// values at the edges and beyond.  Invariants:
//   - arguments that make no sense are refused with their code and leave
//     every output array as it was;
//   - otherwise every point's outputs are those of a fresh object given
//     the same settings and point, bit for bit, message and failure kind
//     included, on every batch path (one point at a time, or four in
//     vector lanes: groups of four points and a tail), whenever the object
//     takes the call's kind and datums and the three-parameter method,
//     today's outputs asked for or not;
//   - with Lambert 2008, ETRS89, the grid or heights, each point has a
//     message (and no Lambert 2008, heights or route), a failure kind, or
//     finite Lambert 2008 coordinates, heights where a height was given,
//     and an accuracy that is its route's.
#include <morvane/morvane.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/checks.hpp"
#include <morvane/names.hpp>
#include <morvane/zediz_ado.hpp>
#include "fuzz/values.hpp"

namespace {

using namespace morvane;

[[noreturn]] void Broken(const char* invariant, std::size_t point) {
  std::fprintf(stderr, "invariant broken: %s (point %zu)\n", invariant, point);
  std::abort();
}

std::string Entry(const std::vector<char>& column, std::size_t width, std::size_t i) {
  const char* entry = column.data() + i * width;
  return std::string(entry, strnlen(entry, width));
}

template <typename T>
bool SameBits(T a, T b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  static const std::int32_t kKinds[] = {1, 2, 3, 4, 5, 0, 6, -1};
  static const std::int32_t kDatums[] = {1, 2, 3, 4, 0, 5};
  static const std::int32_t kPrecisions[] = {0, 1, 10, 100, 1000, 10000, -10};
  morvane_batch_input in{};
  in.OrigType = fuzz::Pick(data, kKinds);
  in.DatumFrom = fuzz::Pick(data, kDatums);
  in.DatumDest = fuzz::Pick(data, kDatums);
  in.mgrsPrecision = fuzz::Pick(data, kPrecisions);
  in.IfblPrecision = data.ConsumeIntegralInRange<std::int16_t>(0, 7);
  static const char* const kPaths[] = {"scalar", "sse2", "avx2", ""};
  // A path this processor lacks leaves the one before.
  morvane_set_batch_path(fuzz::Pick(data, kPaths));
  const std::size_t n = data.ConsumeIntegralInRange<std::size_t>(0, 9);
  const std::ptrdiff_t count = data.ConsumeIntegralInRange<int>(0, 15) == 0 ? -1
                                                                           : std::ptrdiff_t(n);
  const int threads = data.ConsumeIntegralInRange<int>(-1, 3);

  std::vector<double> a(n), b(n);
  std::vector<std::int16_t> latD(n), latM(n), lonD(n), lonM(n);
  std::vector<float> latS(n), lonS(n);
  std::vector<std::string> texts(n);
  std::vector<const char*> pointers(n);
  for (std::size_t i = 0; i < n; ++i) {
    a[i] = fuzz::AnyDouble(data, -100, 400000);
    b[i] = fuzz::AnyDouble(data, -200, 300000);
    latD[i] = fuzz::AnyDmsInt(data), latM[i] = fuzz::AnyDmsInt(data);
    lonD[i] = fuzz::AnyDmsInt(data), lonM[i] = fuzz::AnyDmsInt(data);
    latS[i] = fuzz::AnySeconds(data), lonS[i] = fuzz::AnySeconds(data);
    texts[i] = data.ConsumeBool() ? fuzz::MgrsLikeText(data) : fuzz::IfblLikeText(data);
    texts[i] = texts[i].c_str();  // no inner null bytes: a C string
    pointers[i] = texts[i].c_str();
  }
  const bool missing = data.ConsumeIntegralInRange<int>(0, 15) == 0;
  in.Latitude = in.X = missing ? nullptr : a.data();
  in.Longitude = in.Y = b.data();
  in.LatDmsDeg = latD.data(), in.LatDmsMin = latM.data(), in.LatDmsSec = missing ? nullptr : latS.data();
  in.LonDmsDeg = lonD.data(), in.LonDmsMin = lonM.data(), in.LonDmsSec = lonS.data();
  // Texts as C strings or packed in a fixed-width column.
  std::vector<char> packed;
  if (data.ConsumeBool()) {
    in.Texts = missing ? nullptr : pointers.data();
  } else {
    std::size_t width = 0;
    for (const auto& t : texts) width = std::max(width, t.size());
    packed.assign(n * width, '\0');
    for (std::size_t i = 0; i < n; ++i)
      if (!texts[i].empty()) std::memcpy(packed.data() + i * width, texts[i].data(), texts[i].size());
    in.TextData = missing ? nullptr : packed.data();
    in.TextWidth = width;
  }

  // Today's settings and outputs, sometimes.
  static const std::int32_t kMethods[] = {0, 1, 0, 2, -1};
  static const std::int32_t kHeightKinds[] = {0, 0, 1, 2, 3};
  morvane_batch_extra extra{};
  extra.size = sizeof extra;
  extra.Method = fuzz::Pick(data, kMethods);
  extra.HeightKind = fuzz::Pick(data, kHeightKinds);
  std::vector<double> heights(n), today(5 * n, -7.25);
  std::vector<std::int32_t> route(n, -99);
  for (std::size_t i = 0; i < n; ++i) heights[i] = fuzz::AnyDouble(data, -500, 5000);
  if (data.ConsumeIntegralInRange<int>(0, 15) != 0) extra.Height = heights.data();
  const bool asked = data.ConsumeBool();
  if (asked) {
    extra.X2008 = today.data(), extra.Y2008 = today.data() + n;
    extra.EllipsoidalHeight = today.data() + 2 * n, extra.OstendHeight = today.data() + 3 * n;
    extra.Accuracy = today.data() + 4 * n, extra.Route = route.data();
  }
  const bool objectCall = in.OrigType <= mvDegMinSec && in.DatumFrom <= mvNTF &&
                          in.DatumDest <= mvNTF && extra.Method == MORVANE_METHOD_SHIFT &&
                          extra.HeightKind == MORVANE_HEIGHT_NONE;

  size_t widths[3] = {};
  const int widthStatus = morvane_batch_widths_extra(&in, &extra, count, widths, widths + 1, widths + 2);
  // Sometimes a column one byte too narrow.
  const int narrow = data.ConsumeIntegralInRange<int>(0, 11);
  if (widthStatus == MORVANE_OK && narrow < 3 && widths[narrow] > 0) widths[narrow] -= 1;
  const bool tooNarrow = widthStatus == MORVANE_OK && narrow < 3;

  constexpr char kFill = '\x7f';
  std::vector<double> out6(6 * n, -7.25);
  std::vector<std::int16_t> out4(4 * n, 777);
  std::vector<float> out2(2 * n, -7.25f);
  std::vector<char> mgrs(n * widths[0] + 1, kFill), ifbl(n * widths[1] + 1, kFill),
      error(n * widths[2] + 1, kFill);
  std::vector<std::int32_t> failure(n, -99);
  morvane_batch_output out{out6.data(),         out6.data() + n,     out4.data(),
                           out4.data() + n,     out2.data(),         out4.data() + 2 * n,
                           out4.data() + 3 * n, out2.data() + n,     out6.data() + 2 * n,
                           out6.data() + 3 * n, out6.data() + 4 * n, out6.data() + 5 * n,
                           {mgrs.data(), widths[0]}, {ifbl.data(), widths[1]},
                           {error.data(), widths[2]}, failure.data()};
  const auto before6 = out6;
  const auto beforeFailure = failure;
  const auto beforeToday = today;
  const int status = morvane_convert_batch_extra(&in, &out, &extra, count, threads);

  const bool refused = widthStatus != MORVANE_OK || threads < 0 || tooNarrow;
  if (refused != (status != MORVANE_OK)) Broken("refused exactly when the arguments make no sense", 0);
  if (widthStatus != MORVANE_OK && status != widthStatus && !(threads < 0 && status == MORVANE_E_THREADS))
    Broken("the batch call refuses with the code the widths gave", 0);
  if (status != MORVANE_OK) {
    if (!std::equal(out6.begin(), out6.end(), before6.begin(),
                    [](double x, double y) { return SameBits(x, y); }) ||
        failure != beforeFailure || mgrs.back() != kFill || error.back() != kFill ||
        !std::equal(today.begin(), today.end(), beforeToday.begin(),
                    [](double x, double y) { return SameBits(x, y); }))
      Broken("a refused call writes nothing", 0);
    return 0;
  }
  if (mgrs.back() != kFill || ifbl.back() != kFill || error.back() != kFill)
    Broken("nothing written past a text column", n);

  if (!objectCall) {
    for (std::size_t i = 0; i < n; ++i) {
      const bool message = !Entry(error, widths[2], i).empty();
      if (!asked) continue;
      const double x2008 = today[i], y2008 = today[n + i], accuracy = today[4 * n + i];
      const double ellipsoidal = today[2 * n + i], ostend = today[3 * n + i];
      if (message || failure[i] != 0) {
        if (!std::isnan(x2008) || !std::isnan(ostend) || route[i] != 0)
          Broken("a point with a message or a failure has none of today's results", i);
        continue;
      }
      if (!std::isfinite(x2008) || !std::isfinite(y2008))
        Broken("a converted point has finite Lambert 2008 coordinates", i);
      if (!SameBits(accuracy, RouteAccuracy(route[i])))
        Broken("a point's accuracy is its route's", i);
      const bool height = extra.HeightKind != MORVANE_HEIGHT_NONE;
      if (height != std::isfinite(ellipsoidal) || height != std::isfinite(ostend))
        Broken("heights exactly where a height was given", i);
    }
    return 0;
  }

  for (std::size_t i = 0; i < n; ++i) {
    ZedizAdo o;
    o.DatumFrom(static_cast<InternalDatums>(in.DatumFrom));
    o.DatumDest(static_cast<InternalDatums>(in.DatumDest));
    o.mgrsPrecision = in.mgrsPrecision;
    o.IfblPrecision = in.IfblPrecision;
    if (PutPoint(o, in, static_cast<std::ptrdiff_t>(i)) != MORVANE_OK)
      Broken("a point of an accepted call can be put", i);
    std::int32_t kind = 0;
    try {
      o.Conversion();
    } catch (const Failure& f) {
      kind = static_cast<std::int32_t>(f.kind());
    }
    const bool same =
        SameBits(out6[i], o.Latitude()) && SameBits(out6[n + i], o.Longitude()) &&
        SameBits(out6[2 * n + i], o.X()) && SameBits(out6[3 * n + i], o.Y()) &&
        SameBits(out6[4 * n + i], o.Northing()) && SameBits(out6[5 * n + i], o.Easting()) &&
        out4[i] == o.LatDmsDeg() && out4[n + i] == o.LatDmsMin() &&
        out4[2 * n + i] == o.LonDmsDeg() && out4[3 * n + i] == o.LonDmsMin() &&
        SameBits(out2[i], o.LatDmsSec()) && SameBits(out2[n + i], o.LonDmsSec()) &&
        Entry(mgrs, widths[0], i) == o.MGRS() && Entry(ifbl, widths[1], i) == o.IFBL() &&
        Entry(error, widths[2], i) == o.Error() && failure[i] == kind;
    if (!same) {
      std::fprintf(stderr,
                   "kind %d datums %d->%d\n batch: lat %.17g lon %.17g x %.17g y %.17g n %.17g e %.17g "
                   "dms %d %d %.9g %d %d %.9g mgrs '%s' ifbl '%s' error '%s' failure %d\n object: "
                   "lat %.17g lon %.17g x %.17g y %.17g n %.17g e %.17g dms %d %d %.9g %d %d %.9g "
                   "mgrs '%s' ifbl '%s' error '%s' failure %d\n",
                   in.OrigType, in.DatumFrom, in.DatumDest, out6[i], out6[n + i], out6[2 * n + i],
                   out6[3 * n + i], out6[4 * n + i], out6[5 * n + i], out4[i], out4[n + i],
                   double(out2[i]), out4[2 * n + i], out4[3 * n + i], double(out2[n + i]),
                   Entry(mgrs, widths[0], i).c_str(), Entry(ifbl, widths[1], i).c_str(),
                   Entry(error, widths[2], i).c_str(), failure[i], o.Latitude(), o.Longitude(),
                   o.X(), o.Y(), o.Northing(), o.Easting(), o.LatDmsDeg(), o.LatDmsMin(),
                   double(o.LatDmsSec()), o.LonDmsDeg(), o.LonDmsMin(), double(o.LonDmsSec()),
                   o.MGRS().c_str(), o.IFBL().c_str(), o.Error().c_str(), kind);
      Broken("each point as a fresh object converts it", i);
    }
  }
  return 0;
}
