// The technical column of a log: a vertical picture of the borehole's
// equipment around the technical axis, drawn to the depth scale of the
// lithology: the open hole with the ground line, the casing and screens (two
// passes), the annular fill and the fill between tubes, the centralisers, the
// water level, the column's depth graduations and, last, the annotations.
//
// One call of DessinerColonneTechnique owns a TechColumn (the working state
// shared by the painters); the centraliser marks are module state, reset by
// every first casing pass.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/technical/technical_annotations.h"
#include "drawing/technical/technical_geometry.h"

struct LogContext;
class TBlock;
class TDirBlock;

struct TechColumn {
    explicit TechColumn(LogContext& log);

    LogContext& Log;
    ProfilsTechniques Profils;
    std::vector<TEtiquette> Etiquettes;
    bool TrouDessine = false;
    bool TubageDessine = false;
    std::int32_t HautTubageLarge = 0;
    double DiamTubageLarge = 0;

    // Queues an annotation (within the log's rows).
    void Etiquette(std::int32_t Cle, std::string_view Texte, double Y, double YDebut, double YFin);
    // Queues a depth mark of Depth (two decimals) at its unrounded row.
    void Repere(double Depth);
    // A value of the table "Ouvrage" at the ouvrage's row (MissingFloat when absent).
    double OuvrageFloat(std::string_view Column) const;
};

// Draws the whole technical column. True when an open-hole or casing section
// was drawn or an annotation was queued.
bool DessinerColonneTechnique(LogContext& Log);

// Calls Section for every row of an open-hole or annulus table (From and To
// its depth columns) that belongs to the drawn ouvrage and has both depths,
// from the top down; a row without a top starts where the one before it ended.
void ParcourirSections(const LogContext& Log, const TDirBlock& Table, const TBlock* From, const TBlock* To,
                       const std::function<void(int Row, double From, double To)>& Section);

// The painters, in the order the column calls them.
void DessinerTrouNu(TechColumn& T);
void DessinerTubage(TechColumn& T, bool SecondPass);
void DessinerAnnulaire(TechColumn& T);
bool DessinerAnnulaireInterne(TechColumn& T);
void DessinerCentreurs(TechColumn& T);
// The water level at "Ouvrage\ProfEau" with the symbol of [Dessin]
// "SymboleEau", and its label when Label is set.
void DessinerNiveauEau(TechColumn& T, bool Label);

// ---------------------------------------------------------------------------
// Centralisers
// ---------------------------------------------------------------------------

struct TCentreur {
    std::int32_t Y = 0;  // centre row
    std::int32_t D = 0;  // half-height in rows
    std::int32_t C = 0;  // casing half-width
    friend bool operator==(const TCentreur&, const TCentreur&) = default;
};
inline constexpr std::size_t kCentreursMax = 64;
// The marks queued by the last first casing pass.
extern std::vector<TCentreur> Centreurs;
// The N marks of a section spanning TopRow..BottomRow, spread evenly.
std::vector<TCentreur> MarquesCentreurs(std::int32_t TopRow, std::int32_t BottomRow, std::int32_t HalfWidth,
                                        std::int32_t N);
// Queues them unless the queue would pass 64 (then none of them). True when queued.
bool AjouterCentreurs(std::int32_t TopRow, std::int32_t BottomRow, std::int32_t HalfWidth, std::int32_t N);

// ---------------------------------------------------------------------------
// Casing shapes and labels
// ---------------------------------------------------------------------------

enum class FormeTubage {
    Droit,              // straight tube, label with material and diameter
    DroitSansMateriau,  // straight tube, label without them
    Pointe,             // pointed end
    Ferme,              // closed end
    Transition,         // cone to the next section
};
// The shape of a casing type (only the low byte of the code counts).
FormeTubage FormeDuType(std::int32_t Type);

// The label of a casing section: type, then (for the straight tubes that
// carry them) material and diameter ("_mm"), then the centralisers.
std::string TexteTubage(std::int32_t Type, std::int32_t Nature, const std::string& DiamText, std::int32_t NbCentr);
// The label of a fill: its material and, when given, its grain sizes.
std::string TexteRemplissage(std::int32_t Type, std::int32_t Nature, bool HasGrainColumns, double GranDe,
                             double GranA);

// Cells of a table (null column, row out of range or missing: MissingInt).
std::int32_t CellInt(const TBlock* Column, int Row);
