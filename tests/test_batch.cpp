// The batch call against the object: every point of every input kind and
// pair of datums converts to the same bits as on a fresh object, on one
// thread or several, and bad arguments are refused before anything is
// written.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/morvane.h>
#include "tests/batch_outputs.hpp"
#include "base/checks.hpp"
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

// The path may be changed by any thread while batches run on others:
// every call still gives the bits of one point at a time.
TEST(Batch, ChangingThePathWhileBatchesRunChangesNoBit) {
  constexpr std::size_t kPoints = 8000;
  for (std::int32_t kind : {mvDeg, mvLambert72}) {
    const Requests requests(kind, kPoints, 7);
    const BatchInput in = requests.Input(mvWGS1984, mvBelgium1972);
    const std::string before = morvane_batch_path();
    ASSERT_EQ(morvane_set_batch_path("scalar"), MORVANE_OK);
    Outputs alone(in, kPoints);
    ASSERT_EQ(ConvertBatch(in, alone.out, kPoints, 1), MORVANE_OK);

    std::atomic<bool> running = true;
    std::thread changer([&] {
      const char* paths[] = {"scalar", "sse2", "avx2", ""};
      for (std::size_t k = 0; running; ++k) morvane_set_batch_path(paths[k % 4]);
    });
    std::vector<Outputs> results;
    for (int k = 0; k < 4; ++k) results.emplace_back(in, kPoints);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(ConvertBatch(in, results[k].out, kPoints, 1 + k % 2), MORVANE_OK);
    running = false;
    changer.join();
    morvane_set_batch_path(before.c_str());
    for (const Outputs& r : results) {
      EXPECT_EQ(std::memcmp(alone.lat.data(), r.lat.data(), kPoints * 8), 0);
      EXPECT_EQ(std::memcmp(alone.x.data(), r.x.data(), kPoints * 8), 0);
      EXPECT_EQ(std::memcmp(alone.easting.data(), r.easting.data(), kPoints * 8), 0);
      EXPECT_EQ(alone.latS, r.latS);
      EXPECT_EQ(alone.mgrs, r.mgrs);
      EXPECT_EQ(alone.ifbl, r.ifbl);
      EXPECT_EQ(alone.error, r.error);
      EXPECT_EQ(alone.failure, r.failure);
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
  with("kind 7", [](BatchInput& in) { in.OrigType = 7; }, 4, 1, MORVANE_E_KIND, degIn);
  with("datum 6", [](BatchInput& in) { in.DatumFrom = 6; }, 4, 1, MORVANE_E_DATUM, degIn);
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

