// Conversion per point, by input kind, beside PROJ's EPSG:4326 ->
// EPSG:31370 transform of one point (a single output, Lambert 72).
#include <benchmark/benchmark.h>

#include <vector>

#include <morvane/zediz_ado.hpp>

#ifdef MORVANE_HAVE_PROJ
#include <proj.h>
#endif

using namespace morvane;

namespace {

struct LatLon { double lat, lon; };

// A fixed cloud of points over Belgium.
const std::vector<LatLon>& BelgianPoints() {
  static const std::vector<LatLon> points = [] {
    std::vector<LatLon> p;
    for (int i = 0; i < 4096; ++i)
      p.push_back({49.6 + 1.8 * ((i * 37) % 4096) / 4096.0, 2.6 + 3.7 * ((i * 101) % 4096) / 4096.0});
    return p;
  }();
  return points;
}

ZedizAdo Prepared(InternalDatums from, InternalDatums to, OriginalCoordinates type) {
  ZedizAdo o;
  o.DatumFrom(from);
  o.DatumDest(to);
  o.OrigType(type);
  return o;
}

// Degree input with every output: the headline figure.
void RunDeg(benchmark::State& state, InternalDatums from, InternalDatums to) {
  ZedizAdo o = Prepared(from, to, mvDeg);
  const auto& points = BelgianPoints();
  std::size_t i = 0;
  for (auto _ : state) {
    const LatLon& p = points[i++ & 4095];
    o.Latitude(p.lat);
    o.Longitude(p.lon);
    o.Conversion();
    benchmark::DoNotOptimize(o.X());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Conversion_Deg_WGS84_to_BD72(benchmark::State& state) {
  RunDeg(state, mvWGS1984, mvBelgium1972);
}
BENCHMARK(BM_Conversion_Deg_WGS84_to_BD72);

void BM_Conversion_Deg_SameDatum(benchmark::State& state) {
  RunDeg(state, mvBelgium1972, mvBelgium1972);
}
BENCHMARK(BM_Conversion_Deg_SameDatum);

// Inputs of the other kinds are the outputs of degree conversions.
template <typename Setter>
void RunKind(benchmark::State& state, OriginalCoordinates type, Setter set) {
  std::vector<ZedizAdo> sources;
  for (const LatLon& p : BelgianPoints()) {
    ZedizAdo s = Prepared(mvWGS1984, mvBelgium1972, mvDeg);
    s.Latitude(p.lat);
    s.Longitude(p.lon);
    s.Conversion();
    sources.push_back(s);
    if (sources.size() == 1024) break;
  }
  ZedizAdo o = Prepared(mvBelgium1972, mvWGS1984, type);
  std::size_t i = 0;
  for (auto _ : state) {
    set(o, sources[i++ & 1023]);
    o.Conversion();
    benchmark::DoNotOptimize(o.Latitude());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Conversion_Dms(benchmark::State& state) {
  RunKind(state, mvDegMinSec, [](ZedizAdo& o, const ZedizAdo& s) {
    o.LatDmsDeg(s.LatDmsDeg()), o.LatDmsMin(s.LatDmsMin()), o.LatDmsSec(s.LatDmsSec());
    o.LonDmsDeg(s.LonDmsDeg()), o.LonDmsMin(s.LonDmsMin()), o.LonDmsSec(s.LonDmsSec());
  });
}
BENCHMARK(BM_Conversion_Dms);

void BM_Conversion_Lambert(benchmark::State& state) {
  RunKind(state, mvLambert72, [](ZedizAdo& o, const ZedizAdo& s) { o.X(s.X()), o.Y(s.Y()); });
}
BENCHMARK(BM_Conversion_Lambert);

void BM_Conversion_Ifbl(benchmark::State& state) {
  RunKind(state, mvIFBL, [](ZedizAdo& o, const ZedizAdo& s) { o.IFBL(s.IFBL()); });
}
BENCHMARK(BM_Conversion_Ifbl);

void BM_Conversion_Mgrs(benchmark::State& state) {
  RunKind(state, mvMgrs, [](ZedizAdo& o, const ZedizAdo& s) { o.MGRS(s.MGRS()); });
}
BENCHMARK(BM_Conversion_Mgrs);

#ifdef MORVANE_HAVE_PROJ
void BM_Proj_4326_to_31370(benchmark::State& state) {
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* pj = proj_create_crs_to_crs(ctx, "EPSG:4326", "EPSG:31370", nullptr);
  if (!pj) {
    state.SkipWithError("PROJ could not build EPSG:4326 -> EPSG:31370");
    proj_context_destroy(ctx);
    return;
  }
  const auto& points = BelgianPoints();
  std::size_t i = 0;
  for (auto _ : state) {
    const LatLon& p = points[i++ & 4095];
    PJ_COORD c = proj_coord(p.lat, p.lon, 0, 0);  // EPSG:4326 is latitude first
    PJ_COORD r = proj_trans(pj, PJ_FWD, c);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
  proj_destroy(pj);
  proj_context_destroy(ctx);
}
BENCHMARK(BM_Proj_4326_to_31370);
#endif

}  // namespace
