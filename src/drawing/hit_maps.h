// The hit-test maps of a drawn log: where each clickable element of the last
// screen drawing landed (title-block cells, levels, casing sections, annular
// fills, open-hole sections), in device pixels of the canvas it was drawn on.
//
// DessinerCoupe empties them when it draws for the screen (ResetMaps) and its
// painters append to them only then, so printing and metafile export never
// disturb the maps of the log window. The log window asks ZoneCoupeAt which
// element lies under the mouse, and turns it into the [Tables] command named
// by the element with the row counted from 1 (0 for the title-block cells).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas_types.h"
#include "platform/region.h"

// A rectangle and the row (0-based) of its element in its table.
struct TZoneRect {
    TRect Rect;
    std::int32_t Row = 0;
};

// A region (owned by the map) and the row of its element.
struct TZoneRegion {
    Region Rgn;
    std::int32_t Row = 0;
};

// The two bands on either side of an open-hole section, and its row.
struct TZoneTrouNu {
    TRect Gauche;
    TRect Droite;
    std::int32_t Row = 0;
};

// Title-block cells whose template holds "%Dossier\".
extern std::vector<TRect> ZonesDossier;
// Title-block cells whose template holds "%Ouvrage\".
extern std::vector<TRect> ZonesOuvrage;
// One entry per level of the drawn ouvrage, in the order of the table's rows;
// a level outside the drawn depth range has an empty rectangle.
extern std::vector<TZoneRect> ZonesNiveaux;
// Casing sections.
extern std::vector<TZoneRect> ZonesTubage;
// Fills between tubes.
extern std::vector<TZoneRegion> ZonesAnnulaireInterne;
// Annular fills.
extern std::vector<TZoneRegion> ZonesAnnulaire;
// Open-hole sections.
extern std::vector<TZoneTrouNu> ZonesTrouNu;

// The [Tables] entries the log window runs for each kind of element.
inline constexpr const char* kZoneDossier = "Dossier associé à l'indice";
inline constexpr const char* kZoneOuvrage = "Informations sur l'ouvrage";
inline constexpr const char* kZoneNiveau = "Niveau";
inline constexpr const char* kZoneTubage = "Tube simple";
inline constexpr const char* kZoneAnnulaireInterne = "Annulaire interne";
inline constexpr const char* kZoneAnnulaire = "Annulaire";
inline constexpr const char* kZoneTrouNu = "Trou-nu";

// The element found under a point.
struct TZoneCoupe {
    std::string Name;           // the [Tables] entry; empty when nothing is hit
    std::optional<Region> Rgn;  // the element's shape, owned by the receiver; none when nothing is hit
    std::int32_t Row = 0;       // Row + 1 of the element (0 for title-block cells)
    bool Hit() const { return !Name.empty(); }
};

// Empties all seven maps (the regions go with them).
void ResetZonesCoupe();

// The element at (X, Y), in drawing pixels. First hit wins, in this order:
// folder cells, ouvrage cells, levels, casing, fills between tubes, annular
// fills, open hole; within a map, in the order of appending. Rectangles hold
// their left and top edges, not their right and bottom ones.
TZoneCoupe ZoneCoupeAt(std::int32_t X, std::int32_t Y);

// After an oversampled drawing: every rectangle coordinate divided by Factor
// (toward zero) and every region replaced by a copy scaled by 1 / Factor.
// Factor <= 1 changes nothing.
void ScaleZonesCoupe(std::int32_t Factor);
