// The batch call and the C interface beside the object they wrap, in the
// same run: per point, degree input WGS 1984 -> Belgian datum 1972, every
// output (texts included).
//
//   BM_Object_Conversion      Conversion on a reused object (the reference)
//   BM_C_Conversion           the same through the C handle
//   BM_Batch/threads:1        ConvertBatch on the calling thread
//   BM_Batch/threads:2        ConvertBatch on two threads (real time)
//   BM_Batch_X/threads:N      the same writing X alone
#include <benchmark/benchmark.h>
#include <morvane/morvane.h>

#include <cstddef>
#include <random>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/zediz_ado.hpp>

using namespace morvane;

namespace {

constexpr std::size_t kBatchPoints = 1 << 17;

struct Points {
  std::vector<double> lat, lon;
  Points() {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> la(49.5, 51.5), lo(2.55, 6.4);
    for (std::size_t i = 0; i < kBatchPoints; ++i) lat.push_back(la(random)), lon.push_back(lo(random));
  }
};
const Points& BelgianPoints() {
  static const Points points;
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
  explicit AllOutputs(const TextWidths& w) {
    for (auto* v : {&lat, &lon, &x, &y, &northing, &easting}) v->resize(kBatchPoints);
    for (auto* v : {&latD, &latM, &lonD, &lonM}) v->resize(kBatchPoints);
    for (auto* v : {&latS, &lonS}) v->resize(kBatchPoints);
    mgrs.resize(kBatchPoints * w.MGRS), ifbl.resize(kBatchPoints * w.IFBL);
    error.resize(kBatchPoints * w.Error), failure.resize(kBatchPoints);
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
  AllOutputs out(widths);
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

}  // namespace
