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

namespace {

constexpr std::size_t kCount = 1024;

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
void BM_Elementary_Tan(benchmark::State& s) { Run(s, Kind::TanArguments, morvane::elementary::Tan); }
void BM_Libm_Tan(benchmark::State& s) { Run(s, Kind::TanArguments, [](double x) { return std::tan(x); }); }
// The Lambert projection's argument alone, the conversions' case.
void BM_Elementary_TanBelgium(benchmark::State& s) { Run(s, Kind::TanBelgium, morvane::elementary::Tan); }
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

void BM_Elementary_Pow(benchmark::State& s) { RunPow(s, PowSet::kAll, morvane::elementary::Pow); }
void BM_Libm_Pow(benchmark::State& s) { RunPow(s, PowSet::kAll, LibmPow); }
void BM_Elementary_PowHalfE(benchmark::State& s) { RunPow(s, PowSet::kHalfE, morvane::elementary::Pow); }
void BM_Libm_PowHalfE(benchmark::State& s) { RunPow(s, PowSet::kHalfE, LibmPow); }
void BM_Elementary_PowN(benchmark::State& s) { RunPow(s, PowSet::kN, morvane::elementary::Pow); }
void BM_Libm_PowN(benchmark::State& s) { RunPow(s, PowSet::kN, LibmPow); }
void BM_Elementary_PowThreeHalves(benchmark::State& s) {
  RunPow(s, PowSet::kThreeHalves, morvane::elementary::Pow);
}
void BM_Libm_PowThreeHalves(benchmark::State& s) { RunPow(s, PowSet::kThreeHalves, LibmPow); }

BENCHMARK(BM_Elementary_Sin);
BENCHMARK(BM_Libm_Sin);
BENCHMARK(BM_Elementary_Cos);
BENCHMARK(BM_Libm_Cos);
BENCHMARK(BM_Elementary_SinCos);
BENCHMARK(BM_Libm_SinCos);
BENCHMARK(BM_Elementary_Tan);
BENCHMARK(BM_Libm_Tan);
BENCHMARK(BM_Elementary_TanBelgium);
BENCHMARK(BM_Libm_TanBelgium);
BENCHMARK(BM_Elementary_SinMultiples);
BENCHMARK(BM_Elementary_FourSin);
BENCHMARK(BM_Libm_FourSin);
BENCHMARK(BM_Elementary_Atan);
BENCHMARK(BM_Libm_Atan);
BENCHMARK(BM_Elementary_Pow);
BENCHMARK(BM_Libm_Pow);
BENCHMARK(BM_Elementary_PowHalfE);
BENCHMARK(BM_Libm_PowHalfE);
BENCHMARK(BM_Elementary_PowN);
BENCHMARK(BM_Libm_PowN);
BENCHMARK(BM_Elementary_PowThreeHalves);
BENCHMARK(BM_Libm_PowThreeHalves);

}  // namespace
