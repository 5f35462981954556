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
#include <benchmark/benchmark.h>
#include <morvane/morvane.h>

#include <cstddef>
#include <random>
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

#ifdef MORVANE_HAVE_PROJ
void BM_Proj_Generic_Million(benchmark::State& state) {
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* pj = proj_create_crs_to_crs(ctx, "EPSG:4326", "EPSG:31370", nullptr);
  if (!pj) {
    state.SkipWithError("PROJ could not build EPSG:4326 -> EPSG:31370");
    proj_context_destroy(ctx);
    return;
  }
  const Points& p = MillionPoints();
  std::vector<double> a(kMillion), b(kMillion);
  for (auto _ : state) {
    state.PauseTiming();
    a = p.lat, b = p.lon;  // transformed in place; EPSG:4326 is latitude first
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
BENCHMARK(BM_Proj_Generic_Million)->UseRealTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace
