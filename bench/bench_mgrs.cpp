// Cost per point of MGRS encoding and decoding on WGS 1984, over points
// spread across the UTM latitudes, beside GeographicLib's MGRS and UTMUPS
// on the same points when it is installed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mgrs/mgrs.hpp"

#ifdef MORVANE_HAVE_GEOGRAPHICLIB
#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/UTMUPS.hpp>
#endif

namespace {

using namespace morvane;

const double kDegree = std::atan(1.0) / 45.0;
constexpr double kA = 6378137.0;
constexpr double kF = 1 / 298.257223563;
constexpr std::int16_t kWgs84 = 21;

struct Point {
  double latitude, longitude;  // degrees
  std::int16_t zone;
  double northing, easting;
  std::string text;
  std::string peerText;  // without the blank before a one-digit zone
};

const std::vector<Point>& Points() {
  static const std::vector<Point> points = [] {
    std::vector<Point> p(256);
    for (std::size_t i = 0; i < p.size(); ++i) {
      p[i].latitude = -79.5 + 163.0 * static_cast<double>(i % 16) / 15;
      p[i].longitude = -179.7 + 359.0 * static_cast<double>((i * 7) % 256) / 255;
      dma::GeoToMgrs(kA, kF, p[i].latitude * kDegree, p[i].longitude * kDegree, p[i].zone,
                     p[i].northing, p[i].easting, p[i].text, kWgs84);
      p[i].peerText = p[i].text[0] == ' ' ? p[i].text.substr(1) : p[i].text;
    }
    return p;
  }();
  return points;
}

void BM_GeoToMgrs(benchmark::State& state) {
  const auto& points = Points();
  std::string text;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    std::int16_t zone;
    double northing, easting;
    dma::GeoToMgrs(kA, kF, p.latitude * kDegree, p.longitude * kDegree, zone, northing, easting,
                   text, kWgs84);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_GeoToMgrs);

void BM_UtmToMgrs(benchmark::State& state) {
  const auto& points = Points();
  std::string text;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    dma::UtmToMgrs(p.latitude * kDegree, p.zone, p.northing, p.easting, text, kWgs84);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_UtmToMgrs);

void BM_MgrsToGeo(benchmark::State& state) {
  const auto& points = Points();
  std::string text;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    text = p.text;  // the working copy the driver hands over
    double latitude, longitude, northing, easting;
    std::int16_t zone;
    std::int32_t status;
    dma::MgrsToGeo(text, kWgs84, kA, kF, latitude, longitude, zone, northing, easting, status);
    benchmark::DoNotOptimize(latitude);
    benchmark::DoNotOptimize(longitude);
  }
}
BENCHMARK(BM_MgrsToGeo);

#ifdef MORVANE_HAVE_GEOGRAPHICLIB
using GeographicLib::MGRS;
using GeographicLib::UTMUPS;

// Geographic to MGRS: UTMUPS::Forward then MGRS::Forward at 1 m.
void BM_GeographicLib_GeoToMgrs(benchmark::State& state) {
  const auto& points = Points();
  std::string text;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    int zone;
    bool northp;
    double x, y;
    UTMUPS::Forward(p.latitude, p.longitude, zone, northp, x, y);
    MGRS::Forward(zone, northp, x, y, p.latitude, 5, text);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_GeographicLib_GeoToMgrs);

// UTM to MGRS alone: MGRS::Forward with the latitude known.
void BM_GeographicLib_MgrsForward(benchmark::State& state) {
  const auto& points = Points();
  std::string text;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    MGRS::Forward(p.zone, p.latitude >= 0, p.easting, p.northing, p.latitude, 5, text);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_GeographicLib_MgrsForward);

// MGRS to geographic: MGRS::Reverse (south-west corner) then UTMUPS::Reverse.
void BM_GeographicLib_MgrsToGeo(benchmark::State& state) {
  const auto& points = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    int zone, precision;
    bool northp;
    double x, y, latitude, longitude;
    MGRS::Reverse(p.peerText, zone, northp, x, y, precision, false);
    UTMUPS::Reverse(zone, northp, x, y, latitude, longitude);
    benchmark::DoNotOptimize(latitude);
    benchmark::DoNotOptimize(longitude);
  }
}
BENCHMARK(BM_GeographicLib_MgrsToGeo);

// MGRS to UTM alone: MGRS::Reverse.
void BM_GeographicLib_MgrsReverse(benchmark::State& state) {
  const auto& points = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    int zone, precision;
    bool northp;
    double x, y;
    MGRS::Reverse(p.peerText, zone, northp, x, y, precision, false);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  }
}
BENCHMARK(BM_GeographicLib_MgrsReverse);
#endif

}  // namespace
