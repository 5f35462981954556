// Cost per point of the Lambert 72 projection and the IFBL grid routines,
// over a small set of points spread across Belgium.
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ifbl/ifbl.hpp"
#include "lambert/lambert72.hpp"

namespace {

using namespace morvane;

struct Point {
  double latitude, longitude, X, Y;
  std::string code;
};

const std::array<Point, 64>& Points() {
  static const std::array<Point, 64> points = [] {
    std::array<Point, 64> p{};
    for (std::size_t i = 0; i < p.size(); ++i) {
      p[i].latitude = 49.6 + 1.8 * static_cast<double>(i % 8) / 7;
      p[i].longitude = 2.7 + 3.5 * static_cast<double>(i / 8) / 7;
      lambert::GeoToLambert72(p[i].latitude, p[i].longitude, p[i].X, p[i].Y);
      std::int32_t status = 0;
      ifbl::LambertToIfbl(p[i].X, p[i].Y, p[i].code, status, 6);
    }
    return p;
  }();
  return points;
}

void BM_GeoToLambert72(benchmark::State& state) {
  const auto& points = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    double X, Y;
    lambert::GeoToLambert72(p.latitude, p.longitude, X, Y);
    benchmark::DoNotOptimize(X);
    benchmark::DoNotOptimize(Y);
  }
}
BENCHMARK(BM_GeoToLambert72);

void BM_Lambert72ToGeo(benchmark::State& state) {
  const auto& points = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    double latitude, longitude;
    lambert::Lambert72ToGeo(p.X, p.Y, latitude, longitude);
    benchmark::DoNotOptimize(latitude);
    benchmark::DoNotOptimize(longitude);
  }
}
BENCHMARK(BM_Lambert72ToGeo);

void BM_LambertToIfbl(benchmark::State& state) {
  const auto& points = Points();
  const auto precision = static_cast<std::int16_t>(state.range(0));
  std::string text = "E53541";
  std::int32_t status = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    const Point& p = points[i++ % points.size()];
    ifbl::LambertToIfbl(p.X, p.Y, text, status, precision);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_LambertToIfbl)->Arg(2)->Arg(4)->Arg(6);

void BM_IfblToLambert(benchmark::State& state) {
  const auto& points = Points();
  std::string text;
  text.reserve(16);
  double X = 0, Y = 0;
  std::int32_t status = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    text = points[i++ % points.size()].code;  // the decoder tidies its text in place
    ifbl::IfblToLambert(text, X, Y, status);
    benchmark::DoNotOptimize(X);
    benchmark::DoNotOptimize(Y);
  }
}
BENCHMARK(BM_IfblToLambert);

}  // namespace
