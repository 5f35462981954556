// The batch call's four-point groups: the numbers of a conversion of
// degrees for four positions at once, and the vector instructions that
// compute them.
//
// A group computes, lane by lane, the arithmetic the object runs for one
// point (the same templates, elementary/lane_ops.hpp), so each lane holds
// the object's bits.  The batch gives a group only positions the object
// would convert without a message, and uses its numbers only when no
// fault flag was raised: everything else is converted point by point.
#pragma once

#include <cstdint>

#include "datum/catalogue.hpp"

namespace morvane::batch {

// How groups are computed.  kScalar converts every point alone;
// kVector uses the compilers' vectors with the instructions the library
// was built for (SSE2 and up on x86, 128-bit SIMD in WebAssembly); kAvx2
// the same code compiled for AVX2, on x86-64 processors that have it.
enum class Path { kScalar, kVector, kAvx2 };

// The path batches take: MORVANE_SIMD (a name of PathByName) when set and
// possible, otherwise the best the processor has.  Read once.
Path SelectedPath();
// The name of a path: "scalar", "sse2" (or "simd128", "vector"), "avx2".
const char* PathName(Path path);
// For tests and benchmarks: the path from now on, false (and nothing
// changed) when this processor or build cannot take it.
bool ForcePath(Path path);
// The path of a name ("scalar", "sse2", "simd128" or "vector", "avx2";
// null or "" the default); false, with path unchanged, for a name this
// processor or build cannot take.
bool PathByName(const char* name, Path& path);

inline constexpr int kGroup = 4;

struct GroupSettings {
  const datum::Catalogue* catalogue;
  std::int32_t datumFrom, datumDest;
  double a, f;          // the destination's ellipsoid, for UTM
  double fromA, fromF;  // the source's, for MGRS input
};

// The numbers of four conversions: the position on the destination datum
// and its DMS fields (when dms holds), Lambert 72 (of a degree input),
// and the UTM zone (from the longitude), northing and easting; converged
// is false when an inverse Lambert iteration met a NaN.
struct GroupNumbers {
  bool converged;
  double latitude[kGroup], longitude[kGroup];
  // The DMS fields of the latitude and the longitude, when dms holds.
  bool dms;
  std::int32_t latDeg[kGroup], latMin[kGroup], lonDeg[kGroup], lonMin[kGroup];
  float latSec[kGroup], lonSec[kGroup];
  double x[kGroup], y[kGroup];
  double zone[kGroup], northing[kGroup], easting[kGroup];
  // Of an MGRS input: the position the inverse projection gave (radians)
  // and in degrees, before the datum change.
  double utmLatitude[kGroup], utmLongitude[kGroup], sourceLatitude[kGroup], sourceLongitude[kGroup];
};

// Computes the numbers of four positions in degrees (finite, in range,
// neither angle zero) on a path other than kScalar.  May throw a Failure;
// the caller reads the fault flags afterwards.
void DegreeGroup(Path path, const GroupSettings& settings, const double (&latitude)[kGroup],
                 const double (&longitude)[kGroup], GroupNumbers& numbers);
// The same for four UTM positions read from MGRS references (the zone, the
// signed northing, the easting, on the source's ellipsoid).
void MgrsGroup(Path path, const GroupSettings& settings, const double (&zone)[kGroup],
               const double (&northing)[kGroup], const double (&easting)[kGroup],
               GroupNumbers& numbers);
// The same for four Lambert 72 positions (in the Lambert input's range).
void LambertGroup(Path path, const GroupSettings& settings, const double (&x)[kGroup],
                  const double (&y)[kGroup], GroupNumbers& numbers);

}  // namespace morvane::batch
