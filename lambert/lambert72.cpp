// Belgian Lambert 1972: Lambert conformal conic projection of the Hayford
// ellipsoid with the cone, scale and origins of the Belgian grid.
#include "lambert/lambert72.hpp"

#include <cmath>

#include "base/checks.hpp"
#include "base/general.hpp"
#include "elementary/elementary.hpp"

namespace morvane::lambert {

using namespace constants;

void GeoToLambert72(double latitude, double longitude, double& X, double& Y) {
  GeoToLambert72Of(latitude, longitude, X, Y);
}

namespace detail {

int Lambert72ToGeoCounted(const double& X, const double& Y, double& latitude,
                          double& longitude) {
  return Lambert72ToGeoOf(X, Y, latitude, longitude);
}

}  // namespace detail

void Lambert72ToGeo(const double& X, const double& Y, double& latitude, double& longitude) {
  detail::Lambert72ToGeoCounted(X, Y, latitude, longitude);
}

}  // namespace morvane::lambert
