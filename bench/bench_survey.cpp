// Belgium's systems of today: Lambert 72 to Lambert 2008 by the national
// agency's grid, through the batch call on one thread, beside PROJ's
// proj_trans for EPSG:31370 -> EPSG:3812 with the same grid (the
// GeoTIFF in data/be_ign), point by point over the same arrays.
//
//   BM_Survey_Grid/outputs:0   only Lambert 2008 asked for
//   BM_Survey_Grid/outputs:1   every output (degrees, DMS, UTM, MGRS, IFBL,
//                              Lambert 2008, route)
//   BM_Survey_Proj_Trans       PROJ, the grid found through the context's
//                              search path (the run fails if PROJ picks an
//                              operation without it)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <morvane/batch.hpp>

#include "lambert/lambert72_conic.hpp"

#ifdef MORVANE_HAVE_PROJ
#include <proj.h>
#endif

#ifndef MORVANE_GRID_DIR
#define MORVANE_GRID_DIR "data/be_ign"
#endif

using namespace morvane;

namespace {

constexpr std::size_t kPoints = 1 << 16;

// Lambert 72 positions of random points over Belgium.
struct LambertPoints {
  std::vector<double> x, y;
  LambertPoints() {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> la(49.6, 51.4), lo(2.6, 6.3);
    for (std::size_t i = 0; i < kPoints; ++i) {
      double X = 0, Y = 0;
      lambert::GeoToLambert72Conic(la(random), lo(random), X, Y);
      x.push_back(X), y.push_back(Y);
    }
  }
};
const LambertPoints& Points() {
  static const LambertPoints points;
  return points;
}

struct Columns {
  std::vector<double> lat, lon, x, y, northing, easting, x2008, y2008, accuracy;
  std::vector<std::int16_t> latD, latM, lonD, lonM;
  std::vector<float> latS, lonS;
  std::vector<std::int32_t> route, failure;
  std::vector<char> mgrs, ifbl, error;
};

void BM_Survey_Grid(benchmark::State& state) {
  const bool every = state.range(0) != 0;
  const LambertPoints& p = Points();
  BatchInput in{};
  in.OrigType = mvLambert72, in.DatumFrom = mvBelgium1972, in.DatumDest = mvETRS89;
  in.X = p.x.data(), in.Y = p.y.data();
  BatchExtra extra{};
  extra.size = sizeof extra;
  extra.Method = MORVANE_METHOD_GRID;
  Columns c;
  c.x2008.resize(kPoints), c.y2008.resize(kPoints);
  extra.X2008 = c.x2008.data(), extra.Y2008 = c.y2008.data();
  BatchOutput out{};
  TextWidths w;
  BatchWidths(in, extra, kPoints, w);
  if (every) {
    for (auto* v : {&c.lat, &c.lon, &c.x, &c.y, &c.northing, &c.easting, &c.accuracy}) v->resize(kPoints);
    for (auto* v : {&c.latD, &c.latM, &c.lonD, &c.lonM}) v->resize(kPoints);
    c.latS.resize(kPoints), c.lonS.resize(kPoints), c.route.resize(kPoints), c.failure.resize(kPoints);
    c.mgrs.resize(kPoints * w.MGRS), c.ifbl.resize(kPoints * w.IFBL), c.error.resize(kPoints * w.Error);
    out = {c.lat.data(),  c.lon.data(),  c.latD.data(), c.latM.data(), c.latS.data(),
           c.lonD.data(), c.lonM.data(), c.lonS.data(), c.x.data(),    c.y.data(),
           c.northing.data(), c.easting.data(), {c.mgrs.data(), w.MGRS}, {c.ifbl.data(), w.IFBL},
           {c.error.data(), w.Error}, c.failure.data()};
    extra.Route = c.route.data(), extra.Accuracy = c.accuracy.data();
  }
  for (auto _ : state) {
    if (ConvertBatch(in, out, extra, kPoints, 1) != MORVANE_OK) state.SkipWithError("refused");
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
}
BENCHMARK(BM_Survey_Grid)->ArgName("outputs")->Arg(0)->Arg(1)->UseRealTime();

#ifdef MORVANE_HAVE_PROJ
void BM_Survey_Proj_Trans(benchmark::State& state) {
  const LambertPoints& p = Points();
  PJ_CONTEXT* ctx = proj_context_create();
  proj_context_set_enable_network(ctx, 0);
  // The grid's folder before PROJ's own (where its database is).
  std::vector<std::string> folders{MORVANE_GRID_DIR};
  const std::string own = proj_info().searchpath ? proj_info().searchpath : "";
  for (std::size_t at = 0; at <= own.size();) {
    const std::size_t end = std::min(own.find(':', at), own.size());
    if (end > at) folders.push_back(own.substr(at, end - at));
    at = end + 1;
  }
  std::vector<const char*> paths;
  for (const auto& folder : folders) paths.push_back(folder.c_str());
  proj_context_set_search_paths(ctx, static_cast<int>(paths.size()), paths.data());
  PJ* pj = proj_create_crs_to_crs(ctx, "EPSG:31370", "EPSG:3812", nullptr);
  if (!pj) {
    state.SkipWithError("PROJ could not build the transformation");
    proj_context_destroy(ctx);
    return;
  }
  // The grid's check point: PROJ must have taken the grid.
  const PJ_COORD check = proj_trans(pj, PJ_FWD, proj_coord(149186.41, 170810.74, 0, 0));
  if (std::fabs(check.xy.x - 649186.03701863) > 1e-3 || std::fabs(check.xy.y - 670811.16949360) > 1e-3) {
    state.SkipWithError("PROJ did not take the grid (is data/be_ign on its search path?)");
  }
  double sink = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < kPoints; ++i) {
      const PJ_COORD r = proj_trans(pj, PJ_FWD, proj_coord(p.x[i], p.y[i], 0, 0));
      sink += r.xy.x;
    }
    benchmark::DoNotOptimize(sink);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPoints));
  proj_destroy(pj);
  proj_context_destroy(ctx);
}
BENCHMARK(BM_Survey_Proj_Trans)->UseRealTime();
#endif

}  // namespace
