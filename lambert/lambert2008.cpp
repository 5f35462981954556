#include "lambert/lambert2008.hpp"

namespace morvane::lambert {

void GeoToLambert2008(double latitude, double longitude, double& X, double& Y) {
  ConicForward(kLambert2008, latitude, longitude, X, Y);
}

void Lambert2008ToGeo(double X, double Y, double& latitude, double& longitude) {
  ConicInverse(kLambert2008, X, Y, latitude, longitude);
}

bool Lambert2008InRange(double X, double Y) {
  return X >= kLambert2008MinX && X <= kLambert2008MaxX && Y >= kLambert2008MinY &&
         Y <= kLambert2008MaxY;
}

}  // namespace morvane::lambert
