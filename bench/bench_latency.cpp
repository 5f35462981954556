// Latency of one call of the core's elementary functions beside the C
// library's: each argument waits for the previous result, as in a
// conversion, where sin phi feeds the power, the power the tangent's
// product, and so on.  The previous result enters the next argument scaled
// far below its last bit, so the arguments are those of the throughput
// benchmarks, but the processor cannot start a call before the previous
// one ends.  The figure is per call (1024 calls an iteration), the chain's
// one addition and multiplication included.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "elementary/elementary.hpp"

namespace {

constexpr std::size_t kCount = 1024;

std::vector<double> Uniform(double low, double high, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(low, high);
  std::vector<double> v(kCount);
  for (double& x : v) x = unit(rng);
  return v;
}

const std::vector<double>& Angles() {
  static const std::vector<double> v = Uniform(-3.14159, 3.14159, 11);
  return v;
}
const std::vector<double>& TanArguments() {
  static const std::vector<double> v = Uniform(0.30, 0.40, 12);  // pi/4 - phi/2 in Belgium and around
  return v;
}
const std::vector<double>& AtanArguments() {
  static const std::vector<double> v = Uniform(-0.1, 0.5, 13);  // dx/dy and t
  return v;
}
const std::vector<double>& EccentricBases() {
  static const std::vector<double> v = Uniform(0.84, 1.19, 14);  // (1 + e sin phi)/(1 - e sin phi)
  return v;
}
const std::vector<double>& ConeBases() {
  static const std::vector<double> v = Uniform(0.30, 0.50, 15);  // t of the Lambert cone
  return v;
}

template <typename F>
void Chain(benchmark::State& state, const std::vector<double>& xs, F f) {
  double previous = 0.0;
  for (auto _ : state) {
    for (const double x : xs) previous = f(x + previous * 0x1p-80);
    benchmark::DoNotOptimize(previous);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCount);
}

namespace el = morvane::elementary;

constexpr double kHalfE = 0.04099594495;  // e/2 of the Hayford ellipsoid
constexpr double kCone = 0.7716421928;

void BM_Latency_Elementary_Sin(benchmark::State& s) { Chain(s, Angles(), el::Sin); }
void BM_Latency_Libm_Sin(benchmark::State& s) { Chain(s, Angles(), [](double x) { return std::sin(x); }); }
void BM_Latency_Elementary_SinCos(benchmark::State& s) {
  Chain(s, Angles(), [](double x) {
    const el::SinCosPair p = el::SinCos(x);
    return p.sin + p.cos;
  });
}
void BM_Latency_Libm_SinCos(benchmark::State& s) {
  Chain(s, Angles(), [](double x) { return std::sin(x) + std::cos(x); });
}
void BM_Latency_Elementary_Tan(benchmark::State& s) { Chain(s, TanArguments(), el::Tan); }
void BM_Latency_Libm_Tan(benchmark::State& s) { Chain(s, TanArguments(), [](double x) { return std::tan(x); }); }
void BM_Latency_Elementary_Atan(benchmark::State& s) { Chain(s, AtanArguments(), el::Atan); }
void BM_Latency_Libm_Atan(benchmark::State& s) { Chain(s, AtanArguments(), [](double x) { return std::atan(x); }); }
void BM_Latency_Elementary_PowHalfE(benchmark::State& s) {
  Chain(s, EccentricBases(), [](double x) { return el::Pow(x, kHalfE); });
}
void BM_Latency_Libm_PowHalfE(benchmark::State& s) {
  Chain(s, EccentricBases(), [](double x) { return std::pow(x, kHalfE); });
}
void BM_Latency_Elementary_PowN(benchmark::State& s) {
  Chain(s, ConeBases(), [](double x) { return el::Pow(x, kCone); });
}
void BM_Latency_Libm_PowN(benchmark::State& s) {
  Chain(s, ConeBases(), [](double x) { return std::pow(x, kCone); });
}

}  // namespace

BENCHMARK(BM_Latency_Elementary_Sin);
BENCHMARK(BM_Latency_Libm_Sin);
BENCHMARK(BM_Latency_Elementary_SinCos);
BENCHMARK(BM_Latency_Libm_SinCos);
BENCHMARK(BM_Latency_Elementary_Tan);
BENCHMARK(BM_Latency_Libm_Tan);
BENCHMARK(BM_Latency_Elementary_Atan);
BENCHMARK(BM_Latency_Libm_Atan);
BENCHMARK(BM_Latency_Elementary_PowHalfE);
BENCHMARK(BM_Latency_Libm_PowHalfE);
BENCHMARK(BM_Latency_Elementary_PowN);
BENCHMARK(BM_Latency_Libm_PowN);
