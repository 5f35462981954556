// Cost of one call of the core's elementary functions beside the C
// library's, on the arguments the conversions' formulas pass: latitudes
// and longitudes in radians and their multiples 2 phi .. 8 phi (sin, cos,
// SinCos), pi/4 - phi/2 (tan), the Lambert quotients dx/dy and t (atan),
// the bases and exponents of the Lambert and Molodensky powers (pow).
// Each benchmark runs over 1024 arguments; the figure is per call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "elementary/elementary.hpp"
#include "elementary/lanes.hpp"

namespace {

constexpr std::size_t kCount = 1024;

// The scalar functions (lanes.hpp overloads Tan and Pow for four lanes).
constexpr double (*kTan)(double) = morvane::elementary::Tan;
constexpr double (*kPow)(double, double) = morvane::elementary::Pow;

enum class Kind { Angles, Multiples, TanArguments, AtanArguments, TanBelgium };

const std::vector<double>& Arguments(Kind kind) {
  static const auto make = [](Kind k) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> v(kCount);
    for (double& x : v) {
      const double u = unit(rng);
      switch (k) {
        case Kind::Angles: x = (u * 2.0 - 1.0) * 3.14159; break;  // latitudes, longitudes
        case Kind::Multiples: x = (u * 2.0 - 1.0) * 1.5707 * static_cast<double>(2 + 2 * (rng() % 4)); break;
        case Kind::TanArguments: x = 0.785398163375 - (u * 2.0 - 1.0) * 1.5707 / 2.0; break;
        case Kind::AtanArguments: x = (rng() & 1) ? (u - 0.5) * 0.2 : u * 2.0; break;  // dx/dy, t
        case Kind::TanBelgium: x = 0.30 + u * 0.10; break;  // pi/4 - phi/2 in Belgium and around
      }
    }
    return v;
  };
  static const std::vector<double> all[5] = {make(Kind::Angles), make(Kind::Multiples),
                                             make(Kind::TanArguments), make(Kind::AtanArguments),
                                             make(Kind::TanBelgium)};
  return all[static_cast<int>(kind)];
}

template <typename F>
void Run(benchmark::State& state, Kind kind, F f) {
  const std::vector<double>& xs = Arguments(kind);
  for (auto _ : state) {
    for (const double x : xs) benchmark::DoNotOptimize(f(x));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCount);
}

void BM_Elementary_Sin(benchmark::State& s) { Run(s, Kind::Multiples, morvane::elementary::Sin); }
void BM_Libm_Sin(benchmark::State& s) { Run(s, Kind::Multiples, [](double x) { return std::sin(x); }); }
void BM_Elementary_Cos(benchmark::State& s) { Run(s, Kind::Angles, morvane::elementary::Cos); }
void BM_Libm_Cos(benchmark::State& s) { Run(s, Kind::Angles, [](double x) { return std::cos(x); }); }
void BM_Elementary_SinCos(benchmark::State& s) {
  Run(s, Kind::Angles, [](double x) {
    const morvane::elementary::SinCosPair p = morvane::elementary::SinCos(x);
    return p.sin + p.cos;
  });
}
void BM_Libm_SinCos(benchmark::State& s) {
  Run(s, Kind::Angles, [](double x) { return std::sin(x) + std::cos(x); });
}
void BM_Elementary_Tan(benchmark::State& s) { Run(s, Kind::TanArguments, kTan); }
void BM_Libm_Tan(benchmark::State& s) { Run(s, Kind::TanArguments, [](double x) { return std::tan(x); }); }
// The Lambert projection's argument alone, the conversions' case.
void BM_Elementary_TanBelgium(benchmark::State& s) { Run(s, Kind::TanBelgium, kTan); }
void BM_Libm_TanBelgium(benchmark::State& s) {
  Run(s, Kind::TanBelgium, [](double x) { return std::tan(x); });
}
void BM_Elementary_Atan(benchmark::State& s) { Run(s, Kind::AtanArguments, morvane::elementary::Atan); }
void BM_Libm_Atan(benchmark::State& s) { Run(s, Kind::AtanArguments, [](double x) { return std::atan(x); }); }

// The meridian arc's sin(2 phi) ... sin(8 phi) of one latitude: SinMultiples
// beside four calls of the core's Sin and of the C library's.
const std::vector<double>& Latitudes() {
  static const std::vector<double> v = [] {
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> r(kCount);
    for (double& x : r) x = unit(rng) * 1.5707963267948966;
    return r;
  }();
  return v;
}

template <typename F>
void RunLatitudes(benchmark::State& state, F f) {
  const std::vector<double>& xs = Latitudes();
  for (auto _ : state) {
    for (const double x : xs) benchmark::DoNotOptimize(f(x));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCount);
}

void BM_Elementary_SinMultiples(benchmark::State& s) {
  RunLatitudes(s, [](double phi) {
    const morvane::elementary::SinMultiplesOf m = morvane::elementary::SinMultiples(phi);
    return (m.sin2 + m.sin4) + (m.sin6 + m.sin8);
  });
}
void BM_Elementary_FourSin(benchmark::State& s) {
  RunLatitudes(s, [](double phi) {
    using morvane::elementary::Sin;
    return (Sin(2.0 * phi) + Sin(4.0 * phi)) + (Sin(6.0 * phi) + Sin(8.0 * phi));
  });
}
// Four latitudes at once (lanes.hpp): still per latitude.
void BM_Elementary_LanesSinMultiples(benchmark::State& s) {
  const std::vector<double>& xs = Latitudes();
  for (auto _ : s) {
    for (std::size_t i = 0; i < kCount; i += 4) {
      const morvane::elementary::Lanes4 phi = {xs[i], xs[i + 1], xs[i + 2], xs[i + 3]};
      const morvane::elementary::SinMultiplesLanes4 m = morvane::elementary::SinMultiples(phi);
      morvane::elementary::Lanes4 sum = (m.sin2 + m.sin4) + (m.sin6 + m.sin8);
      benchmark::DoNotOptimize(sum);
    }
  }
  s.SetItemsProcessed(static_cast<std::int64_t>(s.iterations()) * kCount);
}
void BM_Libm_FourSin(benchmark::State& s) {
  RunLatitudes(s, [](double phi) {
    return (std::sin(2.0 * phi) + std::sin(4.0 * phi)) + (std::sin(6.0 * phi) + std::sin(8.0 * phi));
  });
}

// The powers of the formulas: ((1 + es)/(1 - es))^(e/2), t^n, (r/aF)^(1/n),
// W2^1.5, in turn (PowSet::kAll), and each kind alone.
struct PowPair {
  double x, y;
};
enum class PowSet { kAll, kHalfE, kN, kThreeHalves };
const std::vector<PowPair>& PowArguments(PowSet set) {
  static const auto make = [](PowSet which) {
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<PowPair> v(kCount);
    for (std::size_t i = 0; i < v.size(); ++i) {
      const double u = unit(rng);
      std::size_t kind = i % 4;
      if (which == PowSet::kHalfE) kind = 0;
      if (which == PowSet::kN) kind = 1 + i % 2;
      if (which == PowSet::kThreeHalves) kind = 3;
      switch (kind) {
        case 0: v[i] = {1.0 + (u - 0.5) * 0.16, 0.0409}; break;
        case 1: v[i] = {0.3 + u * 0.2, 0.7716421928}; break;
        case 2: v[i] = {0.35 + u * 0.15, 1.0 / 0.7716421928}; break;
        default: v[i] = {0.993 + u * 0.007, 1.5}; break;
      }
    }
    return v;
  };
  static const std::vector<PowPair> all[4] = {make(PowSet::kAll), make(PowSet::kHalfE),
                                              make(PowSet::kN), make(PowSet::kThreeHalves)};
  return all[static_cast<int>(set)];
}

template <typename F>
void RunPow(benchmark::State& state, PowSet set, F f) {
  const std::vector<PowPair>& ps = PowArguments(set);
  for (auto _ : state) {
    for (const PowPair& p : ps) benchmark::DoNotOptimize(f(p.x, p.y));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCount);
}

double LibmPow(double x, double y) { return std::pow(x, y); }

void BM_Elementary_Pow(benchmark::State& s) { RunPow(s, PowSet::kAll, kPow); }
void BM_Libm_Pow(benchmark::State& s) { RunPow(s, PowSet::kAll, LibmPow); }
void BM_Elementary_PowHalfE(benchmark::State& s) { RunPow(s, PowSet::kHalfE, kPow); }
void BM_Libm_PowHalfE(benchmark::State& s) { RunPow(s, PowSet::kHalfE, LibmPow); }
void BM_Elementary_PowN(benchmark::State& s) { RunPow(s, PowSet::kN, kPow); }
void BM_Libm_PowN(benchmark::State& s) { RunPow(s, PowSet::kN, LibmPow); }
void BM_Elementary_PowThreeHalves(benchmark::State& s) {
  RunPow(s, PowSet::kThreeHalves, kPow);
}
void BM_Libm_PowThreeHalves(benchmark::State& s) { RunPow(s, PowSet::kThreeHalves, LibmPow); }

// The four-lane functions (lanes.hpp) on the same arguments, four at a
// time: the figure is still per argument.
using morvane::elementary::Lanes4;

template <typename F>
void RunLanes(benchmark::State& state, Kind kind, F f) {
  const std::vector<double>& xs = Arguments(kind);
  for (auto _ : state) {
    for (std::size_t i = 0; i < kCount; i += 4) {
      const Lanes4 x = {xs[i], xs[i + 1], xs[i + 2], xs[i + 3]};
      Lanes4 r = f(x);
      benchmark::DoNotOptimize(r);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCount);
}

template <typename F>
void RunPowLanes(benchmark::State& state, PowSet set, F f) {
  const std::vector<PowPair>& ps = PowArguments(set);
  for (auto _ : state) {
    for (std::size_t i = 0; i < kCount; i += 4) {
      const Lanes4 x = {ps[i].x, ps[i + 1].x, ps[i + 2].x, ps[i + 3].x};
      const Lanes4 y = {ps[i].y, ps[i + 1].y, ps[i + 2].y, ps[i + 3].y};
      Lanes4 r = f(x, y);
      benchmark::DoNotOptimize(r);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCount);
}

// One exponent for the four lanes (every call of the conversions): the
// same bases, the exponent of lane (g mod 4) of group g for the group, so
// that the mixed sets still take each kind of exponent in turn.
template <typename F>
void RunPowUniformLanes(benchmark::State& state, PowSet set, F f) {
  const std::vector<PowPair>& ps = PowArguments(set);
  for (auto _ : state) {
    for (std::size_t i = 0; i < kCount; i += 4) {
      const Lanes4 x = {ps[i].x, ps[i + 1].x, ps[i + 2].x, ps[i + 3].x};
      Lanes4 r = f(x, ps[i + (i / 4) % 4].y);
      benchmark::DoNotOptimize(r);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kCount);
}

Lanes4 SinCosSum(Lanes4 x) {
  const morvane::elementary::SinCosLanes4 p = morvane::elementary::SinCos(x);
  return p.sin + p.cos;
}
Lanes4 TanLanes(Lanes4 x) { return morvane::elementary::Tan(x); }
Lanes4 PowLanes(Lanes4 x, Lanes4 y) { return morvane::elementary::Pow(x, y); }
Lanes4 PowUniformLanes(Lanes4 x, double y) { return morvane::elementary::Pow(x, y); }

void BM_Elementary_LanesSinCos(benchmark::State& s) { RunLanes(s, Kind::Angles, SinCosSum); }
void BM_Elementary_LanesTan(benchmark::State& s) { RunLanes(s, Kind::TanArguments, TanLanes); }
void BM_Elementary_LanesTanBelgium(benchmark::State& s) { RunLanes(s, Kind::TanBelgium, TanLanes); }
void BM_Elementary_LanesPow(benchmark::State& s) { RunPowLanes(s, PowSet::kAll, PowLanes); }
void BM_Elementary_LanesPowHalfE(benchmark::State& s) { RunPowLanes(s, PowSet::kHalfE, PowLanes); }
void BM_Elementary_LanesPowN(benchmark::State& s) { RunPowLanes(s, PowSet::kN, PowLanes); }
void BM_Elementary_LanesPowThreeHalves(benchmark::State& s) {
  RunPowLanes(s, PowSet::kThreeHalves, PowLanes);
}
void BM_Elementary_LanesPowUniform(benchmark::State& s) {
  RunPowUniformLanes(s, PowSet::kAll, PowUniformLanes);
}
void BM_Elementary_LanesPowUniformHalfE(benchmark::State& s) {
  RunPowUniformLanes(s, PowSet::kHalfE, PowUniformLanes);
}
void BM_Elementary_LanesPowUniformN(benchmark::State& s) {
  RunPowUniformLanes(s, PowSet::kN, PowUniformLanes);
}
void BM_Elementary_LanesPowUniformThreeHalves(benchmark::State& s) {
  RunPowUniformLanes(s, PowSet::kThreeHalves, PowUniformLanes);
}

BENCHMARK(BM_Elementary_Sin);
BENCHMARK(BM_Libm_Sin);
BENCHMARK(BM_Elementary_Cos);
BENCHMARK(BM_Libm_Cos);
BENCHMARK(BM_Elementary_SinCos);
BENCHMARK(BM_Libm_SinCos);
BENCHMARK(BM_Elementary_LanesSinCos);
BENCHMARK(BM_Elementary_Tan);
BENCHMARK(BM_Libm_Tan);
BENCHMARK(BM_Elementary_LanesTan);
BENCHMARK(BM_Elementary_TanBelgium);
BENCHMARK(BM_Libm_TanBelgium);
BENCHMARK(BM_Elementary_LanesTanBelgium);
BENCHMARK(BM_Elementary_SinMultiples);
BENCHMARK(BM_Elementary_LanesSinMultiples);
BENCHMARK(BM_Elementary_FourSin);
BENCHMARK(BM_Libm_FourSin);
BENCHMARK(BM_Elementary_Atan);
BENCHMARK(BM_Libm_Atan);
BENCHMARK(BM_Elementary_Pow);
BENCHMARK(BM_Libm_Pow);
BENCHMARK(BM_Elementary_LanesPow);
BENCHMARK(BM_Elementary_LanesPowUniform);
BENCHMARK(BM_Elementary_PowHalfE);
BENCHMARK(BM_Libm_PowHalfE);
BENCHMARK(BM_Elementary_LanesPowHalfE);
BENCHMARK(BM_Elementary_LanesPowUniformHalfE);
BENCHMARK(BM_Elementary_PowN);
BENCHMARK(BM_Libm_PowN);
BENCHMARK(BM_Elementary_LanesPowN);
BENCHMARK(BM_Elementary_LanesPowUniformN);
BENCHMARK(BM_Elementary_PowThreeHalves);
BENCHMARK(BM_Libm_PowThreeHalves);
BENCHMARK(BM_Elementary_LanesPowThreeHalves);
BENCHMARK(BM_Elementary_LanesPowUniformThreeHalves);

}  // namespace
