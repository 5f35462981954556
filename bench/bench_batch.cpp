// The batch call and the C interface beside the object they wrap, in the
// same run: per point, degree input WGS 1984 -> Belgian datum 1972, every
// output (texts included).
//
//   BM_Object_Conversion      Conversion on a reused object (the reference)
//   BM_C_Conversion           the same through the C handle
//   BM_Batch/threads:1        ConvertBatch on the calling thread
//   BM_Batch/threads:2        ConvertBatch on two threads (real time)
//   BM_Batch_X/threads:N      the same writing X alone
//   BM_Batch_Million/threads:N  a million random points in Belgium, every
//                             output, beside PROJ's proj_trans_generic on
//                             the same arrays (BM_Proj_Generic_Million)
//   BM_Batch_Paths/kind:K/path:P  the same million for each input kind
//                             (1 MGRS, 2 degrees, 3 Lambert 72, 4 IFBL,
//                             5 DMS; the inputs made from the points) on
//                             each batch path (0 scalar, 1 sse2 or
//                             simd128, 2 avx2), beside PROJ's inverse
//                             (BM_Proj_Generic_Million_Inverse, 31370 ->
//                             4326) for the Lambert input
#include <benchmark/benchmark.h>
#include <morvane/morvane.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/zediz_ado.hpp>

#ifdef MORVANE_HAVE_PROJ
#include <proj.h>
#endif

using namespace morvane;

namespace {

constexpr std::size_t kBatchPoints = 1 << 17;
constexpr std::size_t kMillion = 1000000;

struct Points {
  std::vector<double> lat, lon;
  explicit Points(std::size_t count) {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> la(49.5, 51.5), lo(2.55, 6.4);
    for (std::size_t i = 0; i < count; ++i) lat.push_back(la(random)), lon.push_back(lo(random));
  }
};
const Points& BelgianPoints() {
  static const Points points(kBatchPoints);
  return points;
}
const Points& MillionPoints() {
  static const Points points(kMillion);
  return points;
}

void BM_Object_Conversion(benchmark::State& state) {
  const Points& p = BelgianPoints();
  ZedizAdo o;
  o.DatumFrom(mvWGS1984);
  o.DatumDest(mvBelgium1972);
  o.OrigType(mvDeg);
  std::size_t i = 0;
  for (auto _ : state) {
    o.Latitude(p.lat[i]);
    o.Longitude(p.lon[i]);
    o.Conversion();
    benchmark::DoNotOptimize(o.X());
    i = (i + 1) % kBatchPoints;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Object_Conversion);

void BM_C_Conversion(benchmark::State& state) {
  const Points& p = BelgianPoints();
  morvane_object* o = morvane_new();
  morvane_set_DatumFrom(o, MORVANE_mvWGS1984);
  morvane_set_DatumDest(o, MORVANE_mvBelgium1972);
  morvane_set_OrigType(o, MORVANE_mvDeg);
  std::size_t i = 0;
  double x = 0;
  for (auto _ : state) {
    morvane_set_Latitude(o, p.lat[i]);
    morvane_set_Longitude(o, p.lon[i]);
    benchmark::DoNotOptimize(morvane_conversion(o));
    morvane_get_X(o, &x);
    benchmark::DoNotOptimize(x);
    i = (i + 1) % kBatchPoints;
  }
  morvane_free(o);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_C_Conversion);

// Every output of the interface, as the Python and WebAssembly packages
// ask for it.
struct AllOutputs {
  std::vector<double> lat, lon, x, y, northing, easting;
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;
  std::vector<char> mgrs, ifbl, error;
  std::vector<std::int32_t> failure;
  BatchOutput out{};
  AllOutputs(const TextWidths& w, std::size_t n) {
    for (auto* v : {&lat, &lon, &x, &y, &northing, &easting}) v->resize(n);
    for (auto* v : {&latD, &latM, &lonD, &lonM}) v->resize(n);
    for (auto* v : {&latS, &lonS}) v->resize(n);
    mgrs.resize(n * w.MGRS), ifbl.resize(n * w.IFBL);
    error.resize(n * w.Error), failure.resize(n);
    out = {lat.data(),  lon.data(),      latD.data(),    latM.data(), latS.data(),
           lonD.data(), lonM.data(),     lonS.data(),    x.data(),    y.data(),
           northing.data(), easting.data(), {mgrs.data(), w.MGRS}, {ifbl.data(), w.IFBL},
           {error.data(), w.Error}, failure.data()};
  }
};

void BM_Batch(benchmark::State& state) {
  const Points& p = BelgianPoints();
  BatchInput in{};
  in.OrigType = mvDeg, in.DatumFrom = mvWGS1984, in.DatumDest = mvBelgium1972;
  in.Latitude = p.lat.data(), in.Longitude = p.lon.data();
  TextWidths widths;
  BatchWidths(in, kBatchPoints, widths);
  AllOutputs out(widths, kBatchPoints);
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertBatch(in, out.out, kBatchPoints, threads));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatchPoints));
}
BENCHMARK(BM_Batch)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same with X alone written, as the object's benchmark reads X alone:
// the conversions compared without the memory traffic of sixteen outputs.
void BM_Batch_X(benchmark::State& state) {
  const Points& p = BelgianPoints();
  BatchInput in{};
  in.OrigType = mvDeg, in.DatumFrom = mvWGS1984, in.DatumDest = mvBelgium1972;
  in.Latitude = p.lat.data(), in.Longitude = p.lon.data();
  std::vector<double> x(kBatchPoints);
  BatchOutput out{};
  out.X = x.data();
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertBatch(in, out, kBatchPoints, threads));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatchPoints));
}
BENCHMARK(BM_Batch_X)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// A million random points, so that no branch predictor learns them: the
// batch call with every output, and PROJ's generic transform of the same
// arrays (EPSG:4326 -> EPSG:31370, Lambert 72 alone) in the same process.
void BM_Batch_Million(benchmark::State& state) {
  const Points& p = MillionPoints();
  BatchInput in{};
  in.OrigType = mvDeg, in.DatumFrom = mvWGS1984, in.DatumDest = mvBelgium1972;
  in.Latitude = p.lat.data(), in.Longitude = p.lon.data();
  TextWidths widths;
  BatchWidths(in, kMillion, widths);
  AllOutputs out(widths, kMillion);
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertBatch(in, out.out, kMillion, threads));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kMillion));
}
BENCHMARK(BM_Batch_Million)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The million points as every input kind, made once by a batch of the
// degree positions (DMS fields, Lambert 72, IFBL codes of 1 km, MGRS
// references of 1 m on the Belgian datum).
struct KindInputs {
  std::vector<double> lat, lon, x, y;
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;
  std::vector<std::string> mgrs, ifbl;
  std::vector<const char*> mgrsTexts, ifblTexts;

  KindInputs() : lat(MillionPoints().lat), lon(MillionPoints().lon) {
    BatchInput in{};
    in.OrigType = mvDeg, in.DatumFrom = mvBelgium1972, in.DatumDest = mvBelgium1972;
    in.IfblPrecision = 6;
    in.Latitude = lat.data(), in.Longitude = lon.data();
    TextWidths widths;
    BatchWidths(in, kMillion, widths);
    AllOutputs out(widths, kMillion);
    ConvertBatch(in, out.out, kMillion, 0);
    x = out.x, y = out.y;
    latD = out.latD, latM = out.latM, lonD = out.lonD, lonM = out.lonM;
    latS = out.latS, lonS = out.lonS;
    for (std::size_t i = 0; i < kMillion; ++i) {
      mgrs.emplace_back(&out.mgrs[i * widths.MGRS], strnlen(&out.mgrs[i * widths.MGRS], widths.MGRS));
      ifbl.emplace_back(&out.ifbl[i * widths.IFBL], strnlen(&out.ifbl[i * widths.IFBL], widths.IFBL));
    }
    for (std::size_t i = 0; i < kMillion; ++i) {
      mgrsTexts.push_back(mgrs[i].c_str());
      ifblTexts.push_back(ifbl[i].c_str());
    }
  }

  BatchInput Input(std::int32_t kind) const {
    BatchInput in{};
    in.OrigType = kind, in.DatumFrom = mvWGS1984, in.DatumDest = mvBelgium1972;
    if (kind == mvLambert72 || kind == mvIFBL || kind == mvMgrs) in.DatumFrom = mvBelgium1972;
    in.Latitude = lat.data(), in.Longitude = lon.data(), in.X = x.data(), in.Y = y.data();
    in.LatDmsDeg = latD.data(), in.LatDmsMin = latM.data(), in.LatDmsSec = latS.data();
    in.LonDmsDeg = lonD.data(), in.LonDmsMin = lonM.data(), in.LonDmsSec = lonS.data();
    in.Texts = kind == mvMgrs ? mgrsTexts.data() : ifblTexts.data();
    return in;
  }
};

const KindInputs& MillionKinds() {
  static const KindInputs inputs;
  return inputs;
}

void BM_Batch_Paths(benchmark::State& state) {
  const KindInputs& k = MillionKinds();
  const BatchInput in = k.Input(static_cast<std::int32_t>(state.range(0)));
  static const char* const kPaths[] = {"scalar", "sse2", "avx2"};
  const std::string before = morvane_batch_path();
  if (morvane_set_batch_path(kPaths[state.range(1)]) != MORVANE_OK) {
    state.SkipWithError("this processor has no such path");
    return;
  }
  TextWidths widths;
  BatchWidths(in, kMillion, widths);
  AllOutputs out(widths, kMillion);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertBatch(in, out.out, kMillion, 1));
    benchmark::ClobberMemory();
  }
  morvane_set_batch_path(before.c_str());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kMillion));
}
BENCHMARK(BM_Batch_Paths)
    ->ArgNames({"kind", "path"})
    ->ArgsProduct({{mvMgrs, mvDeg, mvLambert72, mvIFBL, mvDegMinSec}, {0, 1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#ifdef MORVANE_HAVE_PROJ
// PROJ's generic transform of a million points from one CRS to another,
// the arrays transformed in place (copied in before each run, untimed).
void ProjMillion(benchmark::State& state, const char* from, const char* to,
                 const std::vector<double>& first, const std::vector<double>& second) {
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* pj = proj_create_crs_to_crs(ctx, from, to, nullptr);
  if (!pj) {
    state.SkipWithError("PROJ could not build the transformation");
    proj_context_destroy(ctx);
    return;
  }
  std::vector<double> a(kMillion), b(kMillion);
  for (auto _ : state) {
    state.PauseTiming();
    a = first, b = second;
    state.ResumeTiming();
    const std::size_t done = proj_trans_generic(pj, PJ_FWD, a.data(), sizeof(double), kMillion, b.data(),
                                                sizeof(double), kMillion, nullptr, 0, 0, nullptr, 0, 0);
    benchmark::DoNotOptimize(done);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kMillion));
  proj_destroy(pj);
  proj_context_destroy(ctx);
}

void BM_Proj_Generic_Million(benchmark::State& state) {
  // EPSG:4326 is latitude first.
  ProjMillion(state, "EPSG:4326", "EPSG:31370", MillionPoints().lat, MillionPoints().lon);
}
BENCHMARK(BM_Proj_Generic_Million)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Proj_Generic_Million_Inverse(benchmark::State& state) {
  ProjMillion(state, "EPSG:31370", "EPSG:4326", MillionKinds().x, MillionKinds().y);
}
BENCHMARK(BM_Proj_Generic_Million_Inverse)->UseRealTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace
