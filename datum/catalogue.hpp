// The geodetic catalogue every object owns: 23 reference ellipsoids and
// the 4 datums of InternalDatums, and the thread's current ellipsoid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/checks.hpp"

namespace morvane::datum {

struct Ellipsoid {
  std::int16_t Number;       // catalogue number, equal to its position (1..23)
  std::string Name;
  double SemiMajorAxis;      // a, metres
  double InverseFlattening;  // 1/f
  bool operator==(const Ellipsoid&) const = default;
};

// Shift parameters describe the direction datum -> WGS 1984.
struct Datum {
  std::int16_t DeltaA;  // a(WGS 1984) - a(datum), whole metres
  double DeltaF;        // f(WGS 1984) - f(datum)
  double DeltaX, DeltaY, DeltaZ;
  std::int16_t EllipsoidNumber;
  std::string Code;     // exactly five characters, padded with blanks
  std::string Name;
  std::string Region;
  bool operator==(const Datum&) const = default;
};

struct Catalogue {
  std::vector<Datum> Datums;          // positions 1..4 stored at 0..3
  std::vector<Ellipsoid> Ellipsoids;  // positions 1..23 stored at 0..22

  // Lookups by number; a number without a record fails with
  // IndexOutOfRange.  Inline: a conversion looks records up a dozen times.
  const Datum& DatumAt(std::int32_t number) const { return At(Datums, number); }
  const Ellipsoid& EllipsoidAt(std::int32_t number) const { return At(Ellipsoids, number); }
  bool operator==(const Catalogue&) const = default;

 private:
  template <typename Record>
  static const Record& At(const std::vector<Record>& table, std::int32_t number) {
    if (number < 1 || static_cast<std::size_t>(number) > table.size())
      Fail(FailureKind::IndexOutOfRange);
    return table[static_cast<std::size_t>(number) - 1];
  }
};

// The names of the four datums, in number order (the catalogue's records
// and the interface's table of names both take them from here).
inline constexpr const char* kDatumNames[4] = {"European 1950", "Belgian datum 1972", "WGS 1984",
                                               "Nouvelle Triangulation Française"};

// Fills both tables: the four datums in number order, then the 23
// ellipsoids in number order.
void BuildCatalogue(Catalogue& catalogue);

// The ellipsoid the UTM and MGRS routines work on; one per thread.
struct CurrentEllipsoidRecord {
  std::int16_t EllipsoidNumber = 0;
  double SemiMajorAxis = 0;  // metres
  double Flattening = 0;     // f itself, not its inverse
  double SemiMinorAxis = 0;  // metres
};
inline thread_local CurrentEllipsoidRecord CurrentEllipsoid;

// Copies the ellipsoid of a datum into CurrentEllipsoid.  A datum number
// without a record fails before anything is changed.
void SelectEllipsoid(const Catalogue& catalogue, const std::int32_t& datumNumber);

}  // namespace morvane::datum
