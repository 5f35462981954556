// Module Lambert: Belgian Lambert 1972, the conformal conic projection of
// the Belgian datum 1972.  Every constant is built in; angles at the
// interface are decimal degrees on that datum, plane coordinates metres.
#pragma once

namespace morvane::lambert {

void GeoToLambert72(double latitude, double longitude, double& X, double& Y);

void Lambert72ToGeo(const double& X, const double& Y, double& latitude, double& longitude);

}  // namespace morvane::lambert
