// Cost per point of the UTM projection, both directions, on WGS 1984,
// beside GeographicLib's Transverse Mercator of the UTM grid.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "utm/utm.hpp"

#ifdef MORVANE_HAVE_GEOGRAPHICLIB
#include <GeographicLib/TransverseMercator.hpp>
#endif

namespace {

using namespace morvane;

constexpr double kA = 6378137.0;
constexpr double kF = 1.0 / 298.257223563;
const double kDeg = std::atan(1.0) / 45.0;

struct Point {
  double latitude, longitude;  // degrees
  std::int16_t zone;
  double northing, easting;    // northing signed by hemisphere, for the inverse
  double x, y;                 // grid offsets from the central meridian and equator
};

// Points spread over both hemispheres and across their zones.
const std::array<Point, 64>& Points() {
  static const std::array<Point, 64> points = [] {
    std::array<Point, 64> p{};
    for (std::size_t i = 0; i < p.size(); ++i) {
      p[i].latitude = -78.0 + 160.0 * static_cast<double>(i % 8) / 7;
      p[i].longitude = -170.0 + 5.8 * static_cast<double>(i / 8) + 43.0 * (i % 5);
      double northing = 0, easting = 0;
      dma::GeoToUtm(kA, kF, p[i].latitude * kDeg, p[i].longitude * kDeg, p[i].zone, northing,
                    easting, 0);
      p[i].northing = p[i].latitude < 0 ? -northing : northing;
      p[i].easting = easting;
      p[i].x = easting - 500000.0;
      p[i].y = p[i].latitude < 0 ? northing - 10000000.0 : northing;
    }
    return p;
  }();
  return points;
}

void BM_GeoToUtm(benchmark::State& state) {
  const auto& points = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    std::int16_t zone = 0;
    double northing, easting;
    dma::GeoToUtm(kA, kF, p.latitude * kDeg, p.longitude * kDeg, zone, northing, easting, 0);
    benchmark::DoNotOptimize(zone);
    benchmark::DoNotOptimize(northing);
    benchmark::DoNotOptimize(easting);
  }
}
BENCHMARK(BM_GeoToUtm);

void BM_UtmToGeo(benchmark::State& state) {
  const auto& points = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    double latitude, longitude, northing = p.northing;
    dma::UtmToGeo(kA, kF, latitude, longitude, p.zone, northing, p.easting);
    benchmark::DoNotOptimize(latitude);
    benchmark::DoNotOptimize(longitude);
  }
}
BENCHMARK(BM_UtmToGeo);

#ifdef MORVANE_HAVE_GEOGRAPHICLIB

void BM_GeographicLib_TransverseMercatorUtm_Forward(benchmark::State& state) {
  const auto& points = Points();
  const GeographicLib::TransverseMercator& utm = GeographicLib::TransverseMercator::UTM();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    const double centralMeridian = 6.0 * p.zone - 183.0;
    double x, y;
    utm.Forward(centralMeridian, p.latitude, p.longitude, x, y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  }
}
BENCHMARK(BM_GeographicLib_TransverseMercatorUtm_Forward);

void BM_GeographicLib_TransverseMercatorUtm_Reverse(benchmark::State& state) {
  const auto& points = Points();
  const GeographicLib::TransverseMercator& utm = GeographicLib::TransverseMercator::UTM();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    const double centralMeridian = 6.0 * p.zone - 183.0;
    double latitude, longitude;
    utm.Reverse(centralMeridian, p.x, p.y, latitude, longitude);
    benchmark::DoNotOptimize(latitude);
    benchmark::DoNotOptimize(longitude);
  }
}
BENCHMARK(BM_GeographicLib_TransverseMercatorUtm_Reverse);

#endif  // MORVANE_HAVE_GEOGRAPHICLIB

}  // namespace
