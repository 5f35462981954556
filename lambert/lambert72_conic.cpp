#include "lambert/lambert72_conic.hpp"

namespace morvane::lambert {

void GeoToLambert72Conic(double latitude, double longitude, double& X, double& Y) {
  ConicForward(kLambert72Conic, latitude, longitude, X, Y);
}

void Lambert72ConicToGeo(double X, double Y, double& latitude, double& longitude) {
  ConicInverse(kLambert72Conic, X, Y, latitude, longitude);
}

}  // namespace morvane::lambert
