#include "drawing/hit_maps.h"

#include "drawing/regions.h"

std::vector<TRect> ZonesDossier;
std::vector<TRect> ZonesOuvrage;
std::vector<TZoneRect> ZonesNiveaux;
std::vector<TZoneRect> ZonesTubage;
std::vector<TZoneRegion> ZonesAnnulaireInterne;
std::vector<TZoneRegion> ZonesAnnulaire;
std::vector<TZoneTrouNu> ZonesTrouNu;

void ResetZonesCoupe()
{
    // The region maps own their regions: emptying them frees the regions
    // before the rectangle maps go.
    ZonesAnnulaire.clear();
    ZonesAnnulaireInterne.clear();
    ZonesDossier.clear();
    ZonesOuvrage.clear();
    ZonesNiveaux.clear();
    ZonesTubage.clear();
    ZonesTrouNu.clear();
}

namespace {

TZoneCoupe Found(const char* name, Region rgn, std::int32_t row)
{
    TZoneCoupe z;
    z.Name = name;
    z.Rgn = std::move(rgn);
    z.Row = row;
    return z;
}

}  // namespace

TZoneCoupe ZoneCoupeAt(std::int32_t X, std::int32_t Y)
{
    for (const TRect& r : ZonesDossier)
        if (r.Contains(X, Y))
            return Found(kZoneDossier, Region(r), 0);
    for (const TRect& r : ZonesOuvrage)
        if (r.Contains(X, Y))
            return Found(kZoneOuvrage, Region(r), 0);
    for (const TZoneRect& z : ZonesNiveaux)
        if (z.Rect.Contains(X, Y))
            return Found(kZoneNiveau, Region(z.Rect), z.Row + 1);
    for (const TZoneRect& z : ZonesTubage)
        if (z.Rect.Contains(X, Y))
            return Found(kZoneTubage, Region(z.Rect), z.Row + 1);
    for (const TZoneRegion& z : ZonesAnnulaireInterne)
        if (z.Rgn.Contains(X, Y))
            return Found(kZoneAnnulaireInterne, z.Rgn, z.Row + 1);
    for (const TZoneRegion& z : ZonesAnnulaire)
        if (z.Rgn.Contains(X, Y))
            return Found(kZoneAnnulaire, z.Rgn, z.Row + 1);
    for (const TZoneTrouNu& z : ZonesTrouNu)
        if (z.Gauche.Contains(X, Y) || z.Droite.Contains(X, Y))
            return Found(kZoneTrouNu, Region(z.Gauche).United(Region(z.Droite)), z.Row + 1);
    return {};
}

namespace {

TRect Divided(const TRect& r, std::int32_t f) { return TRect{r.Left / f, r.Top / f, r.Right / f, r.Bottom / f}; }

}  // namespace

void ScaleZonesCoupe(std::int32_t Factor)
{
    if (Factor <= 1)
        return;
    for (TRect& r : ZonesDossier)
        r = Divided(r, Factor);
    for (TRect& r : ZonesOuvrage)
        r = Divided(r, Factor);
    for (TZoneRect& z : ZonesNiveaux)
        z.Rect = Divided(z.Rect, Factor);
    for (TZoneRect& z : ZonesTubage)
        z.Rect = Divided(z.Rect, Factor);
    for (TZoneTrouNu& z : ZonesTrouNu) {
        z.Gauche = Divided(z.Gauche, Factor);
        z.Droite = Divided(z.Droite, Factor);
    }
    const double scale = 1.0 / Factor;
    for (auto* map : {&ZonesAnnulaireInterne, &ZonesAnnulaire})
        for (TZoneRegion& z : *map)
            z.Rgn = ScaleRegion(z.Rgn, scale).value_or(Region());
}
