// Belgium's systems of today beside the object: ETRS89, Belgian Lambert
// 2008, the national agency's BD72 <-> ETRS89 grid and hBG18 heights.  They
// are conversions of the batch call (batch.hpp, BatchExtra from version
// 2); the object and its COM interface keep their four datums and five
// input kinds.  Numbers and the C names are in morvane.h.
#pragma once

#include <cstdint>

#include "morvane.h"

namespace morvane {

// The input kind and the datum the object does not take.
inline constexpr std::int32_t mvLambert2008 = MORVANE_mvLambert2008;
inline constexpr std::int32_t mvETRS89 = MORVANE_mvETRS89;

enum class Method : std::int32_t {
  kShift = MORVANE_METHOD_SHIFT,  // the object's three-parameter shifts
  kGrid = MORVANE_METHOD_GRID,    // the agency's grid (EPSG:8369)
};

enum class HeightKind : std::int32_t {
  kNone = MORVANE_HEIGHT_NONE,
  kEllipsoidal = MORVANE_HEIGHT_ELLIPSOIDAL,  // ETRS89 ellipsoidal height
  kOstend = MORVANE_HEIGHT_OSTEND,            // Ostend height (EPSG:5710)
};

// The steps of a point's datum changes, as bits of its Route.
enum RouteStep : std::int32_t {
  kStepGrid = 1,            // grid BD72 <-> ETRS89
  kStepShiftBd72 = 2,       // three-parameter shift BD72 <-> WGS 1984
  kStepShiftEd50 = 4,       // three-parameter shift ED50 <-> WGS 1984
  kStepShiftNtf = 8,        // three-parameter shift NTF <-> WGS 1984
  kStepWgs84AsEtrs89 = 16,  // WGS 1984 taken for ETRS89
};

// The messages of today's systems, in the style of the object's.
namespace message {
inline constexpr const char* kBadLambert2008 = "Coordonnées Lambert 2008 incorrectes";
inline constexpr const char* kOutsideShiftGrid = "Point hors de la grille BD72-ETRS89";
inline constexpr const char* kOutsideGeoid = "Point hors de la grille hBG18";
inline constexpr const char* kBadHeight = "Hauteur incorrecte";
inline constexpr const char* kHeightNotEtrs89 = "Hauteur ellipsoïdale hors ETRS89";
inline constexpr const char* kNoGrids = "Grilles non chargées";
}  // namespace message

}  // namespace morvane
