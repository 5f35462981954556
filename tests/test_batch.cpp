// The batch call against the object: every point of every input kind and
// pair of datums converts to the same bits as on a fresh object, on one
// thread or several, and bad arguments are refused before anything is
// written.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <morvane/batch.hpp>
#include "base/checks.hpp"
#include "component/batch_lanes.hpp"
#include <morvane/zediz_ado.hpp>

namespace morvane {
namespace {

// Random requests of one kind, with a share of bad ones (out of range, NaN,
// unreadable texts) so that messages are compared as well as numbers.
struct Requests {
  std::int32_t kind;
  std::vector<double> a, b;  // Latitude/Longitude or X/Y
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;
  std::vector<std::string> texts;
  std::vector<const char*> pointers;

  Requests(std::int32_t k, std::size_t n, std::uint32_t seed) : kind(k) {
    std::mt19937 random(seed);
    const auto uniform = [&](double low, double high) {
      return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto odd = [&] { return random() % 16 == 0; };
    for (std::size_t i = 0; i < n; ++i) {
      switch (kind) {
        case mvDeg:
          a.push_back(odd() ? std::nan("") : uniform(-95, 95));
          b.push_back(odd() ? 200.0 : uniform(-180, 180));
          break;
        case mvLambert72:
          a.push_back(odd() ? -1e9 : uniform(-50000, 400000));
          b.push_back(uniform(-50000, 350000));
          break;
        case mvDegMinSec:
          latD.push_back(static_cast<std::int16_t>(random() % 181) - 90);
          latM.push_back(static_cast<std::int16_t>(random() % 62));
          latS.push_back(static_cast<float>(uniform(0, 60.5)));
          lonD.push_back(static_cast<std::int16_t>(random() % 361) - 180);
          lonM.push_back(static_cast<std::int16_t>(random() % 60));
          lonS.push_back(static_cast<float>(uniform(0, 60)));
          break;
        case mvMgrs:
        case mvIFBL: {
          // Codes made by converting random points, some damaged.
          ZedizAdo o;
          o.DatumFrom(mvBelgium1972);
          o.DatumDest(mvBelgium1972);
          o.OrigType(mvLambert72);
          o.X(uniform(0, 330000));
          o.Y(uniform(10000, 270000));
          o.Conversion();
          std::string text = kind == mvMgrs ? o.MGRS() : o.IFBL();
          if (odd()) text += "Z";
          if (odd()) text = std::string(200, '9');
          if (kind == mvMgrs && random() % 4 == 0 && text.size() == 15) text.resize(9);
          texts.push_back(text);
          break;
        }
      }
    }
    for (const auto& t : texts) pointers.push_back(t.c_str());
  }

  BatchInput Input(InternalDatums from, InternalDatums dest) const {
    BatchInput in{};
    in.OrigType = kind;
    in.DatumFrom = from;
    in.DatumDest = dest;
    in.mgrsPrecision = 100;
    in.IfblPrecision = 6;
    in.Latitude = in.X = a.data();
    in.Longitude = in.Y = b.data();
    if (kind == mvLambert72) in.Latitude = in.Longitude = nullptr;
    in.LatDmsDeg = latD.data(), in.LatDmsMin = latM.data(), in.LatDmsSec = latS.data();
    in.LonDmsDeg = lonD.data(), in.LonDmsMin = lonM.data(), in.LonDmsSec = lonS.data();
    in.Texts = pointers.data();
    return in;
  }

  // The point converted on a fresh object with the batch's settings.
  ZedizAdo Fresh(const BatchInput& in, std::size_t i, int& failure) const {
    ZedizAdo o;
    o.DatumFrom(static_cast<InternalDatums>(in.DatumFrom));
    o.DatumDest(static_cast<InternalDatums>(in.DatumDest));
    o.mgrsPrecision = in.mgrsPrecision;
    o.IfblPrecision = in.IfblPrecision;
    EXPECT_EQ(PutPoint(o, in, static_cast<std::ptrdiff_t>(i)), MORVANE_OK);
    failure = 0;
    try {
      o.Conversion();
    } catch (const Failure& f) {
      failure = static_cast<int>(f.kind());
    }
    return o;
  }
};

// Output arrays for n points, text columns as wide as the call needs.
struct Outputs {
  std::vector<double> lat, lon, x, y, northing, easting;
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;
  std::vector<char> mgrs, ifbl, error;
  std::vector<std::int32_t> failure;
  TextWidths widths;
  BatchOutput out{};

  Outputs(const BatchInput& in, std::size_t n) {
    EXPECT_EQ(BatchWidths(in, static_cast<std::ptrdiff_t>(n), widths), MORVANE_OK);
    for (auto* v : {&lat, &lon, &x, &y, &northing, &easting}) v->assign(n, -7.0);
    for (auto* v : {&latD, &latM, &lonD, &lonM}) v->assign(n, 77);
    for (auto* v : {&latS, &lonS}) v->assign(n, -7.0f);
    mgrs.assign(n * widths.MGRS, 'x');
    ifbl.assign(n * widths.IFBL, 'x');
    error.assign(n * widths.Error, 'x');
    failure.assign(n, -1);
    out = {lat.data(),      lon.data(),  latD.data(),    latM.data(),     latS.data(),
           lonD.data(),     lonM.data(), lonS.data(),    x.data(),        y.data(),
           northing.data(), easting.data(),
           {mgrs.data(), widths.MGRS}, {ifbl.data(), widths.IFBL}, {error.data(), widths.Error},
           failure.data()};
  }

  static std::string Text(const std::vector<char>& column, std::size_t width, std::size_t i) {
    const char* entry = column.data() + i * width;
    return std::string(entry, strnlen(entry, width));
  }
};

template <typename T>
auto Bits(T value) {
  if constexpr (sizeof(T) == 8) return std::bit_cast<std::uint64_t>(value);
  else if constexpr (sizeof(T) == 4) return std::bit_cast<std::uint32_t>(value);
  else return value;
}

void ExpectSame(const Outputs& r, std::size_t i, const ZedizAdo& o, int failure) {
  SCOPED_TRACE(testing::Message() << "point " << i);
  EXPECT_EQ(Bits(r.lat[i]), Bits(o.Latitude()));
  EXPECT_EQ(Bits(r.lon[i]), Bits(o.Longitude()));
  EXPECT_EQ(r.latD[i], o.LatDmsDeg());
  EXPECT_EQ(r.latM[i], o.LatDmsMin());
  EXPECT_EQ(Bits(r.latS[i]), Bits(o.LatDmsSec()));
  EXPECT_EQ(r.lonD[i], o.LonDmsDeg());
  EXPECT_EQ(r.lonM[i], o.LonDmsMin());
  EXPECT_EQ(Bits(r.lonS[i]), Bits(o.LonDmsSec()));
  EXPECT_EQ(Bits(r.x[i]), Bits(o.X()));
  EXPECT_EQ(Bits(r.y[i]), Bits(o.Y()));
  EXPECT_EQ(Bits(r.northing[i]), Bits(o.Northing()));
  EXPECT_EQ(Bits(r.easting[i]), Bits(o.Easting()));
  EXPECT_EQ(Outputs::Text(r.mgrs, r.widths.MGRS, i), o.MGRS());
  EXPECT_EQ(Outputs::Text(r.ifbl, r.widths.IFBL, i), o.IFBL());
  EXPECT_EQ(Outputs::Text(r.error, r.widths.Error, i), o.Error());
  EXPECT_EQ(r.failure[i], failure);
}

constexpr std::int32_t kKinds[] = {mvDeg, mvDegMinSec, mvLambert72, mvMgrs, mvIFBL};

TEST(Batch, EveryKindAndPairOfDatumsGivesTheFreshObjectsBits) {
  constexpr std::size_t kPoints = 60;
  for (std::int32_t kind : kKinds) {
    const Requests requests(kind, kPoints, 1234 + static_cast<std::uint32_t>(kind));
    for (int from = mvEuropeanData1950; from <= mvNTF; ++from) {
      for (int dest = mvEuropeanData1950; dest <= mvNTF; ++dest) {
        SCOPED_TRACE(testing::Message() << "kind " << kind << " from " << from << " to " << dest);
        const BatchInput in = requests.Input(static_cast<InternalDatums>(from),
                                             static_cast<InternalDatums>(dest));
        Outputs result(in, kPoints);
        ASSERT_EQ(ConvertBatch(in, result.out, kPoints, 1), MORVANE_OK);
        for (std::size_t i = 0; i < kPoints; ++i) {
          int failure = 0;
          const ZedizAdo fresh = requests.Fresh(in, i, failure);
          ExpectSame(result, i, fresh, failure);
        }
      }
    }
  }
}

TEST(Batch, ThreadsAndConcurrentCallersGiveTheBitsOfOneThread) {
  constexpr std::size_t kPoints = 20000;
  for (std::int32_t kind : {mvDeg, mvMgrs}) {
    const Requests requests(kind, kPoints, 99);
    const BatchInput in = requests.Input(mvWGS1984, mvBelgium1972);
    Outputs alone(in, kPoints);
    ASSERT_EQ(ConvertBatch(in, alone.out, kPoints, 1), MORVANE_OK);
    // Three callers at once, each on several threads of its own.
    std::vector<Outputs> results;
    for (int k = 0; k < 3; ++k) results.emplace_back(in, kPoints);
    std::vector<std::thread> callers;
    std::vector<int> status(3, -100);
    for (int k = 0; k < 3; ++k)
      callers.emplace_back([&, k] { status[k] = ConvertBatch(in, results[k].out, kPoints, k); });
    for (auto& caller : callers) caller.join();
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(status[k], MORVANE_OK);
      EXPECT_EQ(std::memcmp(alone.lat.data(), results[k].lat.data(), kPoints * 8), 0);
      EXPECT_EQ(std::memcmp(alone.y.data(), results[k].y.data(), kPoints * 8), 0);
      EXPECT_EQ(std::memcmp(alone.northing.data(), results[k].northing.data(), kPoints * 8), 0);
      EXPECT_EQ(alone.mgrs, results[k].mgrs);
      EXPECT_EQ(alone.ifbl, results[k].ifbl);
      EXPECT_EQ(alone.error, results[k].error);
      EXPECT_EQ(alone.failure, results[k].failure);
    }
  }
}

TEST(Batch, NonsensicalArgumentsAreRefusedBeforeAnythingIsWritten) {
  const Requests deg(mvDeg, 4, 1), mgrs(mvMgrs, 4, 2);
  const auto degIn = deg.Input(mvWGS1984, mvBelgium1972);
  struct Case {
    const char* what;
    BatchInput in;
    std::ptrdiff_t count;
    int threads;
    int status;
  };
  std::vector<Case> cases;
  const auto with = [&](const char* what, auto change, std::ptrdiff_t count, int threads,
                        int status, const BatchInput& base) {
    BatchInput in = base;
    change(in);
    cases.push_back({what, in, count, threads, status});
  };
  const auto none = [](BatchInput&) {};
  with("negative count", none, -1, 1, MORVANE_E_COUNT, degIn);
  with("negative threads", none, 4, -2, MORVANE_E_THREADS, degIn);
  with("kind 0", [](BatchInput& in) { in.OrigType = 0; }, 4, 1, MORVANE_E_KIND, degIn);
  with("kind 6", [](BatchInput& in) { in.OrigType = 6; }, 4, 1, MORVANE_E_KIND, degIn);
  with("datum 5", [](BatchInput& in) { in.DatumFrom = 5; }, 4, 1, MORVANE_E_DATUM, degIn);
  with("datum 0", [](BatchInput& in) { in.DatumDest = 0; }, 4, 1, MORVANE_E_DATUM, degIn);
  with("null latitudes", [](BatchInput& in) { in.Latitude = nullptr; }, 4, 1,
       MORVANE_E_NULL_POINTER, degIn);
  with("null DMS seconds",
       [](BatchInput& in) { in.OrigType = mvDegMinSec, in.LonDmsSec = nullptr; }, 4, 1,
       MORVANE_E_NULL_POINTER, degIn);
  with("null X", [](BatchInput& in) { in.OrigType = mvLambert72, in.X = nullptr; }, 4, 1,
       MORVANE_E_NULL_POINTER, degIn);
  with("no texts", [](BatchInput& in) { in.Texts = nullptr, in.TextWidth = 8; }, 4, 1,
       MORVANE_E_NULL_POINTER, mgrs.Input(mvWGS1984, mvWGS1984));
  with("no text column at all", [](BatchInput& in) { in.Texts = nullptr, in.TextWidth = 0; }, 4,
       1, MORVANE_E_NULL_POINTER, mgrs.Input(mvWGS1984, mvWGS1984));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outputs result(degIn, 4);
    const Outputs untouched = result;
    EXPECT_EQ(ConvertBatch(c.in, result.out, c.count, c.threads), c.status);
    EXPECT_EQ(result.lat, untouched.lat);
    EXPECT_EQ(result.error, untouched.error);
    EXPECT_EQ(result.failure, untouched.failure);
  }

  // A text column narrower than the texts it may receive.
  const auto mgrsIn = mgrs.Input(mvWGS1984, mvWGS1984);
  Outputs result(mgrsIn, 4);
  BatchOutput narrow = result.out;
  narrow.Error.width = result.widths.Error - 1;
  EXPECT_EQ(ConvertBatch(mgrsIn, narrow, 4, 1), MORVANE_E_WIDTH);
  EXPECT_EQ(result.failure, std::vector<std::int32_t>(4, -1));
}

TEST(Batch, PointsThatNameNoPositionGetTheirMessageAndTheCallGoesOn) {
  // A NaN among good degrees: one point's message, the others convert.
  std::vector<double> lat{50.8, std::nan(""), 51.0}, lon{4.35, 4.0, 3.7};
  BatchInput in{};
  in.OrigType = mvDeg, in.DatumFrom = mvWGS1984, in.DatumDest = mvBelgium1972;
  in.Latitude = lat.data(), in.Longitude = lon.data();
  Outputs r(in, 3);
  ASSERT_EQ(ConvertBatch(in, r.out, 3, 1), MORVANE_OK);
  EXPECT_EQ(Outputs::Text(r.error, r.widths.Error, 0), "");
  EXPECT_EQ(Outputs::Text(r.error, r.widths.Error, 1), message::kBadDeg);
  EXPECT_EQ(Outputs::Text(r.error, r.widths.Error, 2), "");
  EXPECT_EQ(Outputs::Text(r.ifbl, r.widths.IFBL, 0).size(), 6u);

  // MGRS texts in a fixed-width column (numpy's layout): one of 200
  // characters, whose message quotes it whole, and a good one.
  const std::string longText(200, 'Q');
  const std::size_t width = 200;
  std::vector<char> column(2 * width, '\0');
  std::memcpy(column.data(), longText.data(), 200);
  std::memcpy(column.data() + width, "31UES9521533649", 15);
  BatchInput m{};
  m.OrigType = mvMgrs, m.DatumFrom = mvWGS1984, m.DatumDest = mvWGS1984;
  m.TextData = column.data(), m.TextWidth = width;
  Outputs t(m, 2);
  EXPECT_EQ(t.widths.MGRS, 200u);
  ASSERT_EQ(ConvertBatch(m, t.out, 2, 0), MORVANE_OK);
  EXPECT_EQ(Outputs::Text(t.error, t.widths.Error, 0),
            std::string(message::kBadMgrsPrefix) + longText + ")");
  EXPECT_EQ(Outputs::Text(t.error, t.widths.Error, 1), "");
  EXPECT_NEAR(t.lat[1], 50.8467, 1e-3);
  EXPECT_EQ(t.failure, (std::vector<std::int32_t>{0, 0}));
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

// Degree positions that take every branch of a group: ordinary points of
// Belgium and of the world, points the object refuses or converts apart
// (NaN, infinities, out of range, zero angles, the poles and the
// antimeridian), the edges of the MGRS grid, of its zones and bands, and
// the zones of Norway and Svalbard, all shuffled into groups of four.
std::vector<std::pair<double, double>> GroupTestPositions() {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double tiny = std::numeric_limits<double>::denorm_min();
  std::vector<std::pair<double, double>> p = {
      {nan, 4.0},      {50.0, nan},       {inf, 4.0},         {50.0, -inf},
      {90.5, 4.0},     {50.0, 180.5},     {-90.0, 0.0},       {90.0, 180.0},
      {0.0, 4.0},      {50.0, 0.0},       {-0.0, -0.0},       {tiny, tiny},
      {-tiny, 3.0},    {1e-300, -1e-300}, {84.0, 10.0},       {84.00000003, 10.0},
      {-80.0, 10.0},   {-80.00000003, 1}, {60.0, 5.0},        {58.0, 2.9},
      {63.99, 3.01},   {56.0, 7.0},       {56.00000003, 7.0}, {72.0, 15.0},
      {78.0, 15.0},    {79.0, 9.0},       {80.0, 21.0},       {75.0, 33.0},
      {50.0, 6.0},     {50.0, 5.99999999}, {50.0, 6.00000001}, {-0.00000001, 4.0},
      {0.00000001, 4.0}, {49.5, 2.5},     {51.5, 6.4},        {-89.9999, -179.9999},
      {89.9999, 179.9999}, {-45.0, -180.0}, {45.0, 180.0},    {8.0, -3.0},
  };
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> la(49.4, 51.6), lo(2.4, 6.5), wla(-90, 90),
      wlo(-180, 180);
  for (int i = 0; i < 400; ++i) p.emplace_back(la(random), lo(random));
  for (int i = 0; i < 201; ++i) p.emplace_back(wla(random), wlo(random));
  std::shuffle(p.begin(), p.end(), random);
  return p;
}

// Every output of a batch, as bytes.
std::vector<std::uint8_t> BatchBytes(const BatchInput& in, std::size_t n) {
  Outputs r(in, n);
  std::vector<std::int16_t> zone(n, -1);
  std::vector<char> hemisphere(n, '?');
  const BatchExtra extra{sizeof(BatchExtra), zone.data(), hemisphere.data(), nullptr, nullptr};
  EXPECT_EQ(ConvertBatch(in, r.out, extra, static_cast<std::ptrdiff_t>(n), 1), MORVANE_OK);
  std::vector<std::uint8_t> bytes;
  const auto add = [&](const auto& v) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(v.data());
    bytes.insert(bytes.end(), b, b + v.size() * sizeof(v[0]));
  };
  add(r.lat), add(r.lon), add(r.x), add(r.y), add(r.northing), add(r.easting);
  add(r.latD), add(r.latM), add(r.lonD), add(r.lonM), add(r.latS), add(r.lonS);
  add(r.mgrs), add(r.ifbl), add(r.error), add(r.failure), add(zone), add(hemisphere);
  return bytes;
}

class PathScope {
 public:
  explicit PathScope(batch::Path path) : saved_(batch::SelectedPath()), ok_(batch::ForcePath(path)) {}
  ~PathScope() { batch::ForcePath(saved_); }
  bool ok() const { return ok_; }

 private:
  batch::Path saved_;
  bool ok_;
};

TEST(BatchPaths, EveryPathGivesTheScalarBytesForEveryDatumPairAndPrecision) {
  const auto positions = GroupTestPositions();
  std::vector<double> lat, lon;
  for (const auto& [a, b] : positions) lat.push_back(a), lon.push_back(b);
  const std::size_t n = lat.size();  // not a multiple of four: a tail too
  ASSERT_NE(n % batch::kGroup, 0u);
  struct Precisions {
    std::int32_t mgrs;
    std::int16_t ifbl;
  };
  for (const Precisions precision : {Precisions{0, 0}, Precisions{10000, 2}, Precisions{1000, 4},
                                     Precisions{100, 6}, Precisions{1, 6}}) {
    for (int from = mvEuropeanData1950; from <= mvNTF; ++from) {
      for (int dest = mvEuropeanData1950; dest <= mvNTF; ++dest) {
        SCOPED_TRACE(testing::Message() << "from " << from << " to " << dest << " precisions "
                                        << precision.mgrs << "/" << precision.ifbl);
        BatchInput in{};
        in.OrigType = mvDeg;
        in.DatumFrom = from;
        in.DatumDest = dest;
        in.mgrsPrecision = precision.mgrs;
        in.IfblPrecision = precision.ifbl;
        in.Latitude = lat.data();
        in.Longitude = lon.data();
        std::vector<std::uint8_t> scalar;
        {
          const PathScope path(batch::Path::kScalar);
          scalar = BatchBytes(in, n);
        }
        for (const batch::Path p : {batch::Path::kVector, batch::Path::kAvx2}) {
          const PathScope path(p);
          if (!path.ok()) continue;  // no AVX2 here
          SCOPED_TRACE(batch::PathName(p));
          EXPECT_TRUE(BatchBytes(in, n) == scalar);
        }
      }
    }
  }
}

}  // namespace
}  // namespace morvane
