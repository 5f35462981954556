// What a table's rows write for their coordinate system and datum
// (verbatimCoordinateSystem, verbatimSRS, geodeticDatum), as kinds and
// datums.  Texts are compared folded: ASCII letters in lower case, without
// blanks and the punctuation of names and URNs ("EPSG:4326",
// "urn:ogc:def:crs:EPSG::4326" and "epsg 4326" are one text).
#include <morvane/columns.hpp>

#include <morvane/names.hpp>
#include <morvane/survey.hpp>
#include <morvane/zediz_ado.hpp>

#include <string>

namespace morvane {

namespace {

bool Dropped(char c) {
  return c == ' ' || c == '\t' || c == '_' || c == '-' || c == '.' || c == '/' || c == ':' ||
         c == '(' || c == ')' || c == ',';
}

std::string Folded(std::string_view text) {
  std::string folded;
  for (char c : text) {
    if (Dropped(c)) continue;
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return folded;
}

// The EPSG code a folded text names ("epsg4326", "urnogcdefcrsepsg4326",
// "4326"), 0 for none.
std::int32_t EpsgCode(const std::string& folded) {
  std::size_t digits = folded.size();
  while (digits > 0 && folded[digits - 1] >= '0' && folded[digits - 1] <= '9') --digits;
  const std::string code = folded.substr(digits);
  if (code.empty() || code.size() > 6) return 0;
  const std::string before = folded.substr(0, digits);
  if (!before.empty() && (before.size() < 4 || before.compare(before.size() - 4, 4, "epsg") != 0))
    return 0;
  return static_cast<std::int32_t>(std::stol(code));
}

struct Named {
  const char* folded;
  std::int32_t number;
};

// Coordinate systems by name (folded).  Every form of degrees is mvDeg:
// the text itself says whether it has minutes and seconds.
constexpr Named kSystems[] = {
    {"decimaldegrees", mvDeg}, {"decimaldegree", mvDeg}, {"dd", mvDeg}, {"degrees", mvDeg},
    {"degree", mvDeg}, {"latlon", mvDeg}, {"latlong", mvDeg}, {"latitudelongitude", mvDeg},
    {"geographic", mvDeg}, {"geographiccoordinates", mvDeg},
    {"degreesminutesseconds", mvDeg}, {"degreesminutesandseconds", mvDeg}, {"dms", mvDeg},
    {"degreesdecimalminutes", mvDeg}, {"ddm", mvDeg}, {"degreesminutes", mvDeg},
    {"decimalegraden", mvDeg}, {"graden", mvDeg}, {"gradenminutenseconden", mvDeg},
    {"degr\u00e9sd\u00e9cimaux", mvDeg}, {"degresdecimaux", mvDeg},
    {"degr\u00e9sminutessecondes", mvDeg}, {"degresminutessecondes", mvDeg},
    {"dezimalgrad", mvDeg}, {"gradminutensekunden", mvDeg},
    {"lambert72", mvLambert72}, {"lambert1972", mvLambert72}, {"belgianlambert72", mvLambert72},
    {"belgianlambert1972", mvLambert72}, {"bd72belgianlambert72", mvLambert72},
    {"lambertbelge72", mvLambert72}, {"lambertbelge1972", mvLambert72},
    {"belgischelambert72", mvLambert72}, {"l72", mvLambert72},
    {"lambert2008", mvLambert2008}, {"belgianlambert2008", mvLambert2008},
    {"etrs89belgianlambert2008", mvLambert2008}, {"lambertbelge2008", mvLambert2008},
    {"belgischelambert2008", mvLambert2008}, {"l08", mvLambert2008}, {"l2008", mvLambert2008},
    {"mgrs", mvMgrs}, {"militarygridreferencesystem", mvMgrs}, {"utmmgrs", mvMgrs},
    {"mgrsutm", mvMgrs},
    {"ifbl", mvIFBL}, {"ifblgrid", mvIFBL}, {"ifblsquare", mvIFBL}, {"ifblcode", mvIFBL},
    {"ifblhok", mvIFBL}, {"uurhok", mvIFBL}, {"kilometerhok", mvIFBL},
    {"carr\u00e9ifbl", mvIFBL}, {"carreifbl", mvIFBL}, {"mailleifbl", mvIFBL},
};

// Coordinate systems by EPSG code: the geographic ones of the datums, and
// the two Lambert projections.
constexpr Named kSystemCodes[] = {
    {"4326", mvDeg}, {"4230", mvDeg}, {"4313", mvDeg}, {"4275", mvDeg}, {"4258", mvDeg},
    {"31370", mvLambert72}, {"3812", mvLambert2008},
};

// Datums by name (folded).
constexpr Named kDatumNames[] = {
    {"wgs84", mvWGS1984}, {"wgs1984", mvWGS1984}, {"worldgeodeticsystem1984", mvWGS1984},
    {"crs84", mvWGS1984}, {"ogccrs84", mvWGS1984}, {"urnogcdefcrsogc13crs84", mvWGS1984},
    {"ed50", mvEuropeanData1950}, {"europeandatum1950", mvEuropeanData1950},
    {"european1950", mvEuropeanData1950},
    {"bd72", mvBelgium1972}, {"belge1972", mvBelgium1972}, {"belgiandatum1972", mvBelgium1972},
    {"belgian1972", mvBelgium1972}, {"belgium1972", mvBelgium1972},
    {"ntf", mvNTF}, {"nouvelletriangulationfran\u00e7aise", mvNTF},
    {"nouvelletriangulationfrancaise", mvNTF},
    {"etrs89", mvETRS89}, {"etrs1989", mvETRS89},
    {"europeanterrestrialreferencesystem1989", mvETRS89},
};

// Datums by EPSG code: the geographic systems, and the projected systems
// on them that Belgian data are given in.
constexpr Named kDatumCodes[] = {
    {"4326", mvWGS1984}, {"4230", mvEuropeanData1950}, {"4313", mvBelgium1972},
    {"4275", mvNTF}, {"4258", mvETRS89}, {"31370", mvBelgium1972}, {"3812", mvETRS89},
    {"32631", mvWGS1984}, {"32632", mvWGS1984}, {"23031", mvEuropeanData1950},
    {"23032", mvEuropeanData1950}, {"25831", mvETRS89}, {"25832", mvETRS89},
};

template <std::size_t N>
std::int32_t Lookup(const Named (&table)[N], const std::string& folded) {
  for (const Named& entry : table)
    if (folded == entry.folded) return entry.number;
  return 0;
}

}  // namespace

std::int32_t KindOfSystem(std::string_view system) noexcept {
  try {
    const std::string folded = Folded(system);
    if (folded.empty()) return 0;
    if (const std::int32_t kind = Lookup(kSystems, folded)) return kind;
    if (const std::int32_t code = EpsgCode(folded))
      return Lookup(kSystemCodes, std::to_string(code));
    // The kinds' own keys and members ("lambert", "mvIFBL"); DMS is a
    // form of degrees.
    if (const KindName* kind = KindByName(system))
      return kind->number == mvDegMinSec ? mvDeg : kind->number;
  } catch (...) {
  }
  return 0;
}

bool SrsUnstated(std::string_view srs) noexcept {
  try {
    const std::string folded = Folded(srs);
    return folded.empty() || folded == "unknown" || folded == "notrecorded" || folded == "unk" ||
           folded == "onbekend" || folded == "inconnu" || folded == "unbekannt";
  } catch (...) {
    return false;
  }
}

std::int32_t DatumOfSrs(std::string_view srs) noexcept {
  try {
    const std::string folded = Folded(srs);
    if (folded.empty()) return 0;
    if (const std::int32_t datum = Lookup(kDatumNames, folded)) return datum;
    if (const std::int32_t code = EpsgCode(folded)) return Lookup(kDatumCodes, std::to_string(code));
    // The datums' own keys and members ("bd72", "mvWGS1984"), not their
    // numbers: a row's "3" names no datum.
    if (const DatumName* datum = DatumByName(srs)) return datum->number;
  } catch (...) {
  }
  return 0;
}

}  // namespace morvane

extern "C" {

int32_t morvane_kind_of_system(const char* system) {
  return system ? morvane::KindOfSystem(system) : 0;
}
int32_t morvane_datum_of_srs(const char* srs) { return srs ? morvane::DatumOfSrs(srs) : 0; }

}  // extern "C"
