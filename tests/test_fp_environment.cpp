// The caller's floating-point environment never changes a result: rounding
// upward or toward zero, pending flags and exceptions unmasked on the
// calling thread give the same bits, never trap, and come back as found;
// on x86, every combination of x87 precision, rounding and exception masks
// on threads converting at the same time as well.
#include <gtest/gtest.h>
#include <morvane/morvane.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/zediz_ado.hpp>

namespace morvane {
namespace {

// Every output of a conversion, as bits, for whole-result comparison.
std::vector<std::uint64_t> Digest(const ZedizAdo& o) {
  std::vector<std::uint64_t> d{std::bit_cast<std::uint64_t>(o.Latitude()),
                               std::bit_cast<std::uint64_t>(o.Longitude()),
                               std::bit_cast<std::uint64_t>(o.X()),
                               std::bit_cast<std::uint64_t>(o.Y()),
                               std::bit_cast<std::uint64_t>(o.Northing()),
                               std::bit_cast<std::uint64_t>(o.Easting()),
                               std::bit_cast<std::uint32_t>(o.LatDmsSec()),
                               std::bit_cast<std::uint32_t>(o.LonDmsSec()),
                               static_cast<std::uint64_t>(o.LatDmsMin())};
  for (char c : o.MGRS() + "|" + o.IFBL() + "|" + o.Error()) d.push_back(static_cast<unsigned char>(c));
  return d;
}

// Points drawn once, in the default environment: the caller's rounding
// mode would change the drawing itself.
struct Points {
  std::vector<double> lats, lons;
  Points() {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lat(49.4, 51.6), lon(2.5, 6.4);
    for (int i = 0; i < 3000; ++i) lats.push_back(lat(random)), lons.push_back(lon(random));
  }
};

// Conversions of every kind through the object, the C handle and the batch.
std::vector<std::uint64_t> ConvertEverything(const Points& points) {
  std::vector<std::uint64_t> all;
  for (int i = 0; i < 200; ++i) {
    ZedizAdo o;
    o.DatumFrom(static_cast<InternalDatums>(1 + i % 4));
    o.DatumDest(static_cast<InternalDatums>(1 + (i / 4) % 4));
    o.OrigType(mvDeg);
    o.Latitude(points.lats[static_cast<std::size_t>(i)]);
    o.Longitude(points.lons[static_cast<std::size_t>(i)]);
    o.Conversion();
    const auto d = Digest(o);
    all.insert(all.end(), d.begin(), d.end());
    // Back from the outputs: Lambert, MGRS and DMS input.
    ZedizAdo back = o;
    back.OrigType(static_cast<OriginalCoordinates>(i % 2 ? mvLambert72 : mvMgrs));
    back.Conversion();
    const auto b = Digest(back);
    all.insert(all.end(), b.begin(), b.end());
  }

  morvane_object* handle = morvane_new();
  morvane_set_DatumFrom(handle, MORVANE_mvWGS1984);
  morvane_set_DatumDest(handle, MORVANE_mvNTF);
  morvane_set_OrigType(handle, MORVANE_mvDeg);
  morvane_set_Latitude(handle, 50.1);
  morvane_set_Longitude(handle, 5.2);
  all.push_back(static_cast<std::uint64_t>(morvane_conversion(handle)));
  double y = 0;
  morvane_get_Y(handle, &y);
  all.push_back(std::bit_cast<std::uint64_t>(y));
  morvane_free(handle);

  std::vector<double> xs(3000), ys(3000);
  BatchInput in{};
  in.OrigType = mvDeg, in.DatumFrom = mvWGS1984, in.DatumDest = mvBelgium1972;
  in.Latitude = points.lats.data(), in.Longitude = points.lons.data();
  BatchOutput out{};
  out.X = xs.data(), out.Y = ys.data();
  all.push_back(static_cast<std::uint64_t>(ConvertBatch(in, out, 3000, 2)));
  for (std::size_t i = 0; i < xs.size(); ++i) {
    all.push_back(std::bit_cast<std::uint64_t>(xs[i]));
    all.push_back(std::bit_cast<std::uint64_t>(ys[i]));
  }
  return all;
}

struct Environment {
  const char* what;
  std::function<void()> set;
};

TEST(FloatingPointEnvironment, TheCallersStateChangesNoResultAndComesBack) {
  const Points points;
  const std::vector<std::uint64_t> reference = ConvertEverything(points);
  const std::vector<Environment> environments = {
      {"rounding upward", [] { std::fesetround(FE_UPWARD); }},
      {"rounding downward", [] { std::fesetround(FE_DOWNWARD); }},
      {"rounding toward zero", [] { std::fesetround(FE_TOWARDZERO); }},
      {"pending flags", [] { std::feraiseexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_INEXACT); }},
#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
      {"traps enabled", [] { feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW); }},
      {"traps and upward",
       [] {
         std::fesetround(FE_UPWARD);
         feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW);
       }},
#endif
  };
  for (const Environment& e : environments) {
    SCOPED_TRACE(e.what);
    std::fenv_t clean;
    std::fegetenv(&clean);
    e.set();
    std::fenv_t before;
    std::fegetenv(&before);
    const int flagsBefore = std::fetestexcept(FE_ALL_EXCEPT);
    const int roundBefore = std::fegetround();
#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
    const int trapsBefore = fegetexcept();
#endif
    const std::vector<std::uint64_t> result = ConvertEverything(points);
    const int flagsAfter = std::fetestexcept(FE_ALL_EXCEPT);
    const int roundAfter = std::fegetround();
#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
    const int trapsAfter = fegetexcept();
    fedisableexcept(FE_ALL_EXCEPT);
#endif
    std::fesetenv(&clean);
    EXPECT_TRUE(result == reference);
    EXPECT_EQ(flagsAfter, flagsBefore);
    EXPECT_EQ(roundAfter, roundBefore);
#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
    EXPECT_EQ(trapsAfter, trapsBefore);
#endif
  }
}

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
// The control registers of x86 as a host leaves them on its threads.
struct X86State {
  unsigned short x87Control;
  unsigned mxcsr;
};

X86State CurrentX86State() {
  X86State state;
  asm volatile("fnstcw %0" : "=m"(state.x87Control));
  asm volatile("stmxcsr %0" : "=m"(state.mxcsr));
  state.mxcsr &= ~0x3Fu;  // the sticky flags are not part of the state compared
  return state;
}

void EnterX86State(const X86State& state) {
  asm volatile("fnclex");
  asm volatile("fldcw %0" : : "m"(state.x87Control));
  asm volatile("ldmxcsr %0" : : "m"(state.mxcsr));
}

// Every x87 precision (24, 53, 64 bits) with every rounding direction, the
// exceptions masked or unmasked (all but inexact, in the x87 unit and in
// MXCSR alike), each on its own thread, all threads converting at once.
// The x87 control word: precision in bits 8-9, rounding in bits 10-11,
// masks in bits 0-5; MXCSR: masks in bits 7-12, rounding in bits 13-14.
TEST(FloatingPointEnvironment, EveryThreadStateGivesTheSameBits) {
  const Points points;
  const std::vector<std::uint64_t> reference = ConvertEverything(points);
  struct Case {
    std::string what;
    X86State state;
  };
  std::vector<Case> cases;
  const struct { const char* name; unsigned short bits; } precisions[] = {
      {"24-bit", 0x0000}, {"53-bit", 0x0200}, {"64-bit", 0x0300}};
  const char* roundings[] = {"to nearest", "downward", "upward", "toward zero"};
  for (const auto& precision : precisions) {
    for (unsigned rounding = 0; rounding < 4; ++rounding) {
      for (bool unmasked : {false, true}) {
        const unsigned short x87Masks = unmasked ? 0x20 : 0x3F;
        const unsigned mxcsrMasks = unmasked ? 0x1000u : 0x1F80u;
        cases.push_back({std::string("x87 ") + precision.name + ", rounding " + roundings[rounding] +
                             (unmasked ? ", exceptions unmasked" : ", exceptions masked"),
                         {static_cast<unsigned short>(0x0040 | precision.bits | (rounding << 10) | x87Masks),
                          mxcsrMasks | (rounding << 13)}});
      }
    }
  }
  struct Outcome {
    std::vector<std::uint64_t> result;
    bool stateKept = false;
  };
  std::vector<Outcome> outcomes(cases.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    threads.emplace_back([&, i] {
      const X86State original = CurrentX86State();
      EnterX86State(cases[i].state);
      outcomes[i].result = ConvertEverything(points);
      outcomes[i].stateKept = CurrentX86State().x87Control == cases[i].state.x87Control &&
                              CurrentX86State().mxcsr == cases[i].state.mxcsr;
      EnterX86State(original);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    EXPECT_TRUE(outcomes[i].result == reference);
    EXPECT_TRUE(outcomes[i].stateKept);
  }
}
#endif

}  // namespace
}  // namespace morvane
