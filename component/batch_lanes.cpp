#include "component/batch_lanes.hpp"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <morvane/zediz_ado.hpp>

#include "base/general.hpp"
#include "component/dms.hpp"
#include "component/driver.hpp"
#include "elementary/lane_ops.hpp"
#include "lambert/lambert72.hpp"
#include "utm/transverse_mercator.hpp"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
// AVX2 copies of the group code, chosen at run time.  (Not on Windows,
// whose compilers do not align the stack for 256-bit spills.)
#define MORVANE_BATCH_AVX2 1
#endif

namespace morvane::batch {
namespace {

using lanes::Lanes4;

inline Lanes4 Load(const double (&v)[kGroup]) {
  Lanes4 r;
  std::memcpy(&r, v, sizeof r);
  return r;
}

inline void Store(const Lanes4& v, double (&out)[kGroup]) { std::memcpy(out, &v, sizeof v); }

// The geographic output step's numbers: the position moved from its datum
// to the destination (held in range), and its DMS fields.
[[gnu::always_inline]] inline void GeographicLanes(const GroupSettings& s, const Lanes4& latitude,
                                                   const Lanes4& longitude, std::int32_t datum,
                                                   Lanes4& lat, Lanes4& lon, GroupNumbers& out) {
  driver::ChangeDatumHeldOf(*s.catalogue, latitude, longitude, lat, lon, datum, s.datumDest);
  Store(lat, out.latitude);
  Store(lon, out.longitude);
  lanes::Ints4 latDeg{}, latMin{}, lonDeg{}, lonMin{};
  lanes::Floats4 latSec{}, lonSec{};
  out.dms = DecimalToDmsOf(lat, latDeg, latMin, latSec) &&
            DecimalToDmsOf(lon, lonDeg, lonMin, lonSec);
  std::memcpy(out.latDeg, &latDeg, sizeof latDeg);
  std::memcpy(out.latMin, &latMin, sizeof latMin);
  std::memcpy(out.latSec, &latSec, sizeof latSec);
  std::memcpy(out.lonDeg, &lonDeg, sizeof lonDeg);
  std::memcpy(out.lonMin, &lonMin, sizeof lonMin);
  std::memcpy(out.lonSec, &lonSec, sizeof lonSec);
}

// The Lambert position step's numbers.
[[gnu::always_inline]] inline void LambertPositionLanes(const GroupSettings& s, const Lanes4& lat,
                                                        const Lanes4& lon, GroupNumbers& out) {
  Lanes4 lat72{}, lon72{}, x{}, y{};
  driver::ChangeDatumHeldOf(*s.catalogue, lat, lon, lat72, lon72, s.datumDest, mvBelgium1972);
  lambert::GeoToLambert72Of(lat72, lon72, x, y);
  Store(x, out.x);
  Store(y, out.y);
}

// The UTM position step's numbers, with the zone taken from the longitude.
[[gnu::always_inline]] inline void UtmPositionLanes(const GroupSettings& s, const Lanes4& lat,
                                                    const Lanes4& lon, GroupNumbers& out) {
  Lanes4 zone{}, northing{}, easting{};
  double semiMinorAxis = 0;
  dma::tm::Forward<false>(s.a, s.f, general::DegToRadOf(lat), general::DegToRadOf(lon), zone,
                          northing, easting, 0, semiMinorAxis);
  Store(zone, out.zone);
  Store(northing, out.northing);
  Store(easting, out.easting);
}

// A conversion of degrees: the geographic output step, then the Lambert
// and UTM positions.
[[gnu::always_inline]] inline void DegreeLanes(const GroupSettings& s,
                                               const double (&latitude)[kGroup],
                                               const double (&longitude)[kGroup],
                                               GroupNumbers& out) {
  Lanes4 lat{}, lon{};
  GeographicLanes(s, Load(latitude), Load(longitude), s.datumFrom, lat, lon, out);
  LambertPositionLanes(s, lat, lon, out);
  UtmPositionLanes(s, lat, lon, out);
  out.converged = true;
}

// A conversion of Lambert 72: the position on the Belgian datum, moved to
// the destination, and the UTM position.
[[gnu::always_inline]] inline void LambertLanes(const GroupSettings& s, const double (&x)[kGroup],
                                                const double (&y)[kGroup], GroupNumbers& out) {
  Lanes4 lat72{}, lon72{}, lat{}, lon{};
  out.converged = lambert::Lambert72ToGeoOf(Load(x), Load(y), lat72, lon72) != 0;
  GeographicLanes(s, lat72, lon72, mvBelgium1972, lat, lon, out);
  UtmPositionLanes(s, lat, lon, out);
}

// A conversion of an MGRS reference: the inverse projection of its UTM
// position on the source's ellipsoid, the geographic output step and the
// Lambert position.
[[gnu::always_inline]] inline void MgrsLanes(const GroupSettings& s, const double (&zone)[kGroup],
                                             const double (&northing)[kGroup],
                                             const double (&easting)[kGroup], GroupNumbers& out) {
  Lanes4 phi{}, lambda{}, north = Load(northing);
  double semiMinorAxis = 0;
  dma::tm::Inverse<false>(s.fromA, s.fromF, phi, lambda, Load(zone), Load(northing), north,
                          Load(easting), semiMinorAxis);
  Store(phi, out.utmLatitude);
  Store(lambda, out.utmLongitude);
  Store(north, out.northing);
  std::memcpy(out.easting, easting, sizeof out.easting);
  const Lanes4 latitude = general::RadToDegOf(phi), longitude = general::RadToDegOf(lambda);
  Store(latitude, out.sourceLatitude);
  Store(longitude, out.sourceLongitude);
  Lanes4 lat{}, lon{};
  GeographicLanes(s, latitude, longitude, s.datumFrom, lat, lon, out);
  LambertPositionLanes(s, lat, lon, out);
  out.converged = true;
}

[[gnu::flatten]] void MgrsGroupVector(const GroupSettings& s, const double (&z)[kGroup],
                                      const double (&n)[kGroup], const double (&e)[kGroup],
                                      GroupNumbers& out) {
  MgrsLanes(s, z, n, e, out);
}

[[gnu::flatten]] void DegreeGroupVector(const GroupSettings& s, const double (&a)[kGroup],
                                        const double (&b)[kGroup], GroupNumbers& out) {
  DegreeLanes(s, a, b, out);
}

[[gnu::flatten]] void LambertGroupVector(const GroupSettings& s, const double (&a)[kGroup],
                                         const double (&b)[kGroup], GroupNumbers& out) {
  LambertLanes(s, a, b, out);
}

#if MORVANE_BATCH_AVX2
[[gnu::flatten, gnu::target("avx2,fma")]] void DegreeGroupAvx2(const GroupSettings& s,
                                                               const double (&a)[kGroup],
                                                               const double (&b)[kGroup],
                                                               GroupNumbers& out) {
  DegreeLanes(s, a, b, out);
}

[[gnu::flatten, gnu::target("avx2,fma")]] void LambertGroupAvx2(const GroupSettings& s,
                                                                const double (&a)[kGroup],
                                                                const double (&b)[kGroup],
                                                                GroupNumbers& out) {
  LambertLanes(s, a, b, out);
}

[[gnu::flatten, gnu::target("avx2,fma")]] void MgrsGroupAvx2(const GroupSettings& s,
                                                             const double (&z)[kGroup],
                                                             const double (&n)[kGroup],
                                                             const double (&e)[kGroup],
                                                             GroupNumbers& out) {
  MgrsLanes(s, z, n, e, out);
}

bool HasAvx2() {
  static const bool avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
  }();
  return avx2;
}
#else
bool HasAvx2() { return false; }
#endif

Path BestPath() { return HasAvx2() ? Path::kAvx2 : Path::kVector; }

std::atomic<Path>& CurrentPath() {
  static std::atomic<Path> path = [] {
    // A name this processor cannot take leaves the default.
    Path chosen = BestPath();
    PathByName(std::getenv("MORVANE_SIMD"), chosen);
    return chosen;
  }();
  return path;
}

}  // namespace

bool PathByName(const char* name, Path& path) {
  const std::string_view n = name ? name : "";
  if (n.empty()) path = BestPath();
  else if (n == "scalar") path = Path::kScalar;
  else if (n == "sse2" || n == "simd128" || n == "vector") path = Path::kVector;
  else if (n == "avx2" && HasAvx2()) path = Path::kAvx2;
  else return false;
  return true;
}

Path SelectedPath() { return CurrentPath().load(std::memory_order_relaxed); }

const char* PathName(Path path) {
  switch (path) {
    case Path::kScalar: return "scalar";
    case Path::kAvx2: return "avx2";
    case Path::kVector:
#if defined(__wasm__)
      return "simd128";
#elif defined(__x86_64__) || defined(__i386__)
      return "sse2";
#else
      return "vector";
#endif
  }
  return "scalar";
}

bool ForcePath(Path path) {
  if (path == Path::kAvx2 && !HasAvx2()) return false;
  CurrentPath().store(path, std::memory_order_relaxed);
  return true;
}

namespace {

#if !MORVANE_BATCH_AVX2
// Without AVX2 copies, their path is never chosen; these keep the calls
// below the same.
constexpr auto DegreeGroupAvx2 = DegreeGroupVector;
constexpr auto LambertGroupAvx2 = LambertGroupVector;
constexpr auto MgrsGroupAvx2 = MgrsGroupVector;
#endif

// A group's copy for the path.
template <typename F, typename... A>
void OnPath(Path path, F* avx2, F* vector, A&... arguments) {
  (path == Path::kAvx2 ? avx2 : vector)(arguments...);
}

}  // namespace

void DegreeGroup(Path path, const GroupSettings& settings, const double (&latitude)[kGroup],
                 const double (&longitude)[kGroup], GroupNumbers& numbers) {
  OnPath(path, DegreeGroupAvx2, DegreeGroupVector, settings, latitude, longitude, numbers);
}

void MgrsGroup(Path path, const GroupSettings& settings, const double (&zone)[kGroup],
               const double (&northing)[kGroup], const double (&easting)[kGroup],
               GroupNumbers& numbers) {
  OnPath(path, MgrsGroupAvx2, MgrsGroupVector, settings, zone, northing, easting, numbers);
}

void LambertGroup(Path path, const GroupSettings& settings, const double (&x)[kGroup],
                  const double (&y)[kGroup], GroupNumbers& numbers) {
  OnPath(path, LambertGroupAvx2, LambertGroupVector, settings, x, y, numbers);
}

}  // namespace morvane::batch
