#include "datum/catalogue.hpp"

#include "base/checks.hpp"

namespace morvane::datum {

namespace {

constexpr const char* kRegionEurope =
    "MEAN FOR Austria, Belgium, Denmark,Finland, France, W Germany,  Gibraltar, Greece, Italy, "
    "Luxembourg, Netherlands, Norway,  Switzerland";

// Codes are held on exactly five characters, padded with blanks.
std::string PaddedCode(const char* code) {
  std::string padded(code);
  padded.resize(5, ' ');
  return padded;
}

}  // namespace

void BuildCatalogue(Catalogue& catalogue) {
  catalogue.Datums.clear();
  catalogue.Ellipsoids.clear();

  auto datum = [&](std::int16_t deltaA, double deltaF, double dx, double dy, double dz,
                   std::int16_t ellipsoid, const char* code, const char* name,
                   const char* region) {
    catalogue.Datums.push_back(
        Datum{deltaA, deltaF, dx, dy, dz, ellipsoid, PaddedCode(code), name, region});
  };
  datum(-251, -0.0000141927, -87, -98, -121, 15, "EUR-M", kDatumNames[0], kRegionEurope);
  datum(-251, -0.000014192702, -125.8, 79.9, -100.5, 15, "BEL72", kDatumNames[1],
        "Belgium");
  datum(0, 0, 0, 0, 0, 21, "WGS84", kDatumNames[2], "Global Definition");
  datum(-112, -0.000054750714, -168, -60, 320, 6, "NTF", kDatumNames[3],
        "France");

  auto ellipsoid = [&](std::int16_t number, const char* name, double a, double inverseF) {
    catalogue.Ellipsoids.push_back(Ellipsoid{number, name, a, inverseF});
  };
  ellipsoid(1, "Airy", 6377563.396, 299.3249646);
  ellipsoid(2, "Airy modified", 6377340.189, 299.3249646);
  ellipsoid(3, "Australian National", 6378160, 298.25);
  ellipsoid(4, "Bessel 1841", 6377397.155, 299.1528128);
  ellipsoid(5, "Clarcke 1866", 6378206.4, 294.9786982);
  ellipsoid(6, "Clarcke 1880", 6378249.145, 293.465);
  ellipsoid(7, "Everest (India 1830)", 6377276.345, 300.8017);
  ellipsoid(8, "Everest modified", 6377304.063, 300.8017);
  ellipsoid(9, "Modified Fischer 1960", 6378155, 298.3);
  ellipsoid(10, "Everest(Pakistan)", 6377309.613, 300.8017);
  ellipsoid(11, "Indonesian 1974", 6378160, 297);
  ellipsoid(12, "GRS 80", 6378137, 298.257222101);
  ellipsoid(13, "Helmert 1906", 6378200, 298.3);
  ellipsoid(14, "Hough 1960", 6378270, 297);
  ellipsoid(15, "Hayford", 6378388, 297);
  ellipsoid(16, "Krassovsky 1940", 6378245, 298.3);
  ellipsoid(17, "South American 1969", 6378160, 298.25);
  ellipsoid(18, "Everest (Malaysia 1969)", 6377295.664, 300.8017);
  ellipsoid(19, "Everest (Sabah Sarawak)", 6377298.556, 300.8017);
  ellipsoid(20, "WGS 1972", 6378135, 298.26);
  ellipsoid(21, "WGS 1984", 6378137, 298.257223563);
  ellipsoid(22, "Bessel 1841 (Namibia)", 6377483.865, 299.1528128);
  ellipsoid(23, "Everest (India 1956)", 6377301.243, 300.8017);
}

void SelectEllipsoid(const Catalogue& catalogue, const std::int32_t& datumNumber) {
  // Both lookups come first, so that a failure leaves CurrentEllipsoid as
  // it was.
  const Datum& datum = catalogue.DatumAt(datumNumber);
  const Ellipsoid& ellipsoid = catalogue.EllipsoidAt(datum.EllipsoidNumber);
  fp::Begin();
  CurrentEllipsoidRecord selected;
  selected.EllipsoidNumber = datum.EllipsoidNumber;
  selected.SemiMajorAxis = ellipsoid.SemiMajorAxis;
  selected.Flattening = 1 / ellipsoid.InverseFlattening;
  selected.SemiMinorAxis = (1 - selected.Flattening) * selected.SemiMajorAxis;
  fp::Check(selected.Flattening, selected.SemiMinorAxis);
  CurrentEllipsoid = selected;
}

}  // namespace morvane::datum
