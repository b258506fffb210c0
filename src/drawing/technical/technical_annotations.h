// The annotations of the technical column: depth marks written to the left of
// the column and labels with leader lines in the annotation column on its
// right. The painters queue them while they draw; DessinerAnnotations places
// them so that they do not overlap and draws them last.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct LogContext;
class ProfilsTechniques;

// The Cle of a depth mark (any other Cle is the x its label's leader starts from).
inline constexpr std::int32_t kCleRepere = -2147483647;
// The queue holds at most this many annotations; later ones are dropped.
inline constexpr std::size_t kEtiquettesMax = 256;

struct TEtiquette {
    std::int32_t Cle = kCleRepere;
    std::string Texte;      // a depth for a depth mark, else the label ("_" is a blank that does not break)
    double Y = 0;           // the row pointed at (moved within YDebut..YFin by the placement)
    double YTexte = 0;      // the row of the text block (moved by the spreading)
    double YDebut = 0;      // top and bottom rows of the element described
    double YFin = 0;
    std::int32_t Hauteur = 0;        // height of the text block
    std::vector<std::string> Lignes;  // the label broken into lines, underscores made blanks

    bool EstRepere() const { return Cle == kCleRepere; }
};

// Width of a text as it will be drawn.
using MesureTexte = std::function<std::int32_t(std::string_view)>;

// Queues an annotation unless its text is empty, the queue is full, Y lies
// above YMin or below YMax (the rows of the top and bottom depths), or it is a
// depth mark already queued at the same row with the same text. True when
// queued.
bool AjouterEtiquette(std::vector<TEtiquette>& Etiquettes, double YMin, double YMax, std::int32_t Cle,
                      std::string_view Texte, double Y, double YDebut, double YFin);

// Finds the free row nearest to Y within YDebut..YFin (inset by half the
// spacing when the element is long enough) that keeps Spacing away from each
// of the first Count entries of Ordre of the same kind (depth marks or labels).
// True, with Y moved there, when any room is left.
bool ChercherPlace(const std::vector<TEtiquette>& Ordre, std::size_t Count, double Spacing, std::int32_t Cle,
                   double YDebut, double YFin, double& Y);

// Breaks a label into lines of at most Largeur (measured as drawn, with a
// leading blank): a line too wide is cut after its last blank that leaves it
// narrow enough (the blank ends the line); a word that no cut can fit is cut
// inside, keeping at least one character per line. Underscores become blanks.
std::vector<std::string> CouperEtiquette(std::string_view Texte, std::int32_t Largeur, const MesureTexte& Mesure);

// Spreads text blocks (entries of one kind, in Y order) so that they no longer
// overlap: each run of overlapping blocks is stacked one under the other,
// centred on the extent it covered, its bottom kept at most at YLimiteBas when
// it would pass it and its top never above YLimiteHaut. Runs only ever merge,
// so the spreading always ends.
void EtalerBlocs(std::vector<TEtiquette*>& Blocs, double YLimiteHaut, double YLimiteBas);

// Places and draws the queue (nothing when it is empty), then flushes.
void DessinerAnnotations(LogContext& Log, std::vector<TEtiquette>& Etiquettes, const ProfilsTechniques& Profils);
