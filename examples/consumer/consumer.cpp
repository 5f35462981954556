// Converts a point in Brussels with the installed C++ interface, one point
// on the object and three through the batch call, and checks the results.
#include <morvane/morvane.hpp>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

int main() {
  morvane::ZedizAdo o;
  o.DatumFrom(morvane::mvWGS1984);
  o.DatumDest(morvane::mvBelgium1972);
  o.OrigType(morvane::mvDeg);
  o.Latitude(50.8467);
  o.Longitude(4.3525);
  o.Conversion();
  std::printf("X %.3f Y %.3f IFBL %s MGRS %s\n", o.X(), o.Y(), o.IFBL().c_str(),
              o.MGRS().c_str());
  if (!o.Error().empty() || std::fabs(o.X() - 149800) > 1000 || o.IFBL().size() != 6) return 1;

  o.OrigType(static_cast<morvane::OriginalCoordinates>(6));
  try {
    o.Conversion();
    return 1;
  } catch (const morvane::Failure& failure) {
    if (failure.kind() != morvane::FailureKind::IndexOutOfRange) return 1;
  }

  std::vector<double> lat{50.8467, 51.0, 91.0}, lon{4.3525, 3.7, 4.0}, x(3), y(3);
  std::vector<char> error(3 * 64);
  morvane::BatchInput in{};
  in.OrigType = morvane::mvDeg;
  in.DatumFrom = morvane::mvWGS1984;
  in.DatumDest = morvane::mvBelgium1972;
  in.Latitude = lat.data();
  in.Longitude = lon.data();
  morvane::BatchOutput out{};
  out.X = x.data();
  out.Y = y.data();
  out.Error = {error.data(), 64};
  if (morvane::ConvertBatch(in, out, 3, 0) != MORVANE_OK) return 1;
  if (x[0] != o.X() || std::string(&error[128]) != "Coordonnées DEG incorrectes") return 1;
  std::printf("batch: %s\n", morvane_version());
  return 0;
}
