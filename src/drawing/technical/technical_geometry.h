// Geometry and vocabulary shared by the technical column of the log and by the
// equipment picture: wall lists and the bands between walls, the per-row
// profiles of the open hole and of the casing (with the region that clips the
// annular fill), the texts that label open-hole, casing and annulus sections
// from the lexicons of edition.ini, and the pattern of each section from
// edition.ini [Figurés] with built-in defaults.
//
// Rows and half-widths are device pixels; a half-width is measured from the
// technical axis.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/region.h"

// One wall segment: top row, half-width at the top, bottom row, half-width at
// the bottom (Y1 <= Y2). A vertical wall has X1 = X2; a cone does not.
struct TScreenTubeDef {
    std::int32_t Y1 = 0;
    std::int32_t X1 = 0;
    std::int32_t Y2 = 0;
    std::int32_t X2 = 0;
    friend bool operator==(const TScreenTubeDef&, const TScreenTubeDef&) = default;
};
using ArrayOfScreenTubeDef = std::vector<TScreenTubeDef>;

// The quadrilateral between two walls over a range of rows: top row, inner
// and outer half-widths at the top, bottom row, inner and outer at the bottom.
struct TAnnulairePoly {
    std::int32_t Y1 = 0;
    std::int32_t XA1 = 0;
    std::int32_t XB1 = 0;
    std::int32_t Y2 = 0;
    std::int32_t XA2 = 0;
    std::int32_t XB2 = 0;
    friend bool operator==(const TAnnulairePoly&, const TAnnulairePoly&) = default;
};
using ArrayOfAnnulairePoly = std::vector<TAnnulairePoly>;

// The bands between the N-th and (N+1)-th wall, counted from the axis outward
// (N below 1 counts as 1). Walls are cut to Top..Bottom; the rows where any
// wall starts or ends cut the space into slabs; in each slab the walls that
// span it are ordered by their two half-widths' sum, and the band lies between
// the N-th and the next. Vertical bands that continue each other are merged.
void BandesEntreLignes(std::int32_t Top, std::int32_t Bottom, std::int32_t N, const ArrayOfScreenTubeDef& Lines,
                       ArrayOfAnnulairePoly& Bands);
// The half-width of a wall at a row (the mean of its two ends for a wall of
// one row), rounded half to even.
std::int32_t DemiLargeurParoi(const TScreenTubeDef& Line, std::int32_t Row);

// The profiles of one technical column: per pixel row of the log
// (YHaut..YBas), the open hole's half-width and the largest casing
// half-width; the casing walls drawn; and RegionTrou, the inside of the open
// hole minus the casing, which clips the annular fill.
class ProfilsTechniques {
public:
    ProfilsTechniques() = default;
    ProfilsTechniques(std::int32_t XAxe, std::int32_t YHaut, std::int32_t YBas, std::int32_t PenThick,
                      std::int32_t PenMedium);

    std::int32_t XAxe() const { return xAxe_; }
    std::int32_t YHaut() const { return yHaut_; }
    std::int32_t YBas() const { return yBas_; }

    // A casing wall: raises ProfilTubage over its rows (cut to the log),
    // appends it to ParoisTubage and cuts it (widened by half the thick pen,
    // and below its bottom when Closed) out of RegionTrou.
    void AjouterParoi(std::int32_t Y1, std::int32_t W1, std::int32_t Y2, std::int32_t W2, bool Closed);
    // An open-hole section: sets ProfilTrou over its rows and adds its inside,
    // inset by half the medium pen, to RegionTrou.
    void AjouterParoiInterne(std::int32_t Y1, std::int32_t W1, std::int32_t Y2, std::int32_t W2);

    // Smallest (0 when none) or largest value of a profile over RowA..RowB,
    // cut to the log's rows; 0 when nothing is left.
    std::int32_t LargeurTrouMin(std::int32_t RowA, std::int32_t RowB) const;
    std::int32_t LargeurTrouMax(std::int32_t RowA, std::int32_t RowB) const;
    std::int32_t LargeurTubageMin(std::int32_t RowA, std::int32_t RowB) const;
    std::int32_t LargeurTubageMax(std::int32_t RowA, std::int32_t RowB) const;

    // The profiles at one row; 0 outside the log.
    std::int32_t TrouA(std::int64_t Row) const;
    std::int32_t TubageA(std::int64_t Row) const;
    bool InRows(std::int64_t Row) const { return Row >= yHaut_ && Row <= yBas_; }

    std::vector<std::int32_t> ProfilTrou;
    std::vector<std::int32_t> ProfilTubage;
    ArrayOfScreenTubeDef ParoisTubage;
    Region RegionTrou;

private:
    std::int32_t Extreme(const std::vector<std::int32_t>& profile, std::int32_t RowA, std::int32_t RowB,
                         bool wantMax) const;
    void Profile(std::vector<std::int32_t>& profile, std::int32_t Y1, std::int32_t W1, std::int32_t Y2,
                 std::int32_t W2, bool raise, std::int32_t& outY1, std::int32_t& outW1, std::int32_t& outY2,
                 std::int32_t& outW2);

    std::int32_t xAxe_ = 0;
    std::int32_t yHaut_ = 0;
    std::int32_t yBas_ = -1;
    std::int32_t hauteurCoupe_ = 0;
    std::int32_t penThick_ = 1;
    std::int32_t penMedium_ = 1;
};

// ---------------------------------------------------------------------------
// Labels (lexicon labels of edition.ini, with the program's spellings)
// ---------------------------------------------------------------------------

// Drilling method and fluid of an open-hole section: "with mud rotary".
std::string TexteForation(std::int32_t Method, std::int32_t Fluid);
// Casing type ("tube" when unknown) and material ("" when unknown).
std::string TexteTypeTubage(std::int32_t Type);
std::string TexteMateriauTubage(std::int32_t Nature);
// Annulus type and nature: "gravier siliceux calibré massif filtrant".
std::string TexteAnnulaire(std::int32_t Type, std::int32_t Nature);

// ---------------------------------------------------------------------------
// Patterns of annulus and casing sections
// ---------------------------------------------------------------------------

// Built-in defaults (pattern numbers before MotifVariant).
std::int32_t MotifAnnulaireParType(std::int32_t Type);
std::int32_t MotifRemblaiParNature(std::int32_t Nature);
// The pattern of a section (after MotifVariant; 0 for none): [Figurés] by type
// and nature, then the defaults.
std::int32_t MotifAnnulaire(std::int32_t Type, std::int32_t Nature);
std::int32_t MotifTubage(std::int32_t Type, std::int32_t Nature);

// A missing integer cell counts as 0.
std::int32_t EntierOuZero(std::int32_t Value);
