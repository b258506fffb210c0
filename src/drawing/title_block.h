// The free elements drawn around the columns of a log: the title block at the
// top (the frame, the band line and the user's lines and text cells of
// BandeauObjets, filled per borehole from their templates) and the picture at
// the bottom of the page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/canvas_types.h"

class QImage;
struct LogContext;

// Page frame, band line and title-block objects. Cells whose template holds
// "%Ouvrage\" or "%Dossier\" go to the hit-test maps when Log.ResetMaps.
void DessinerEntete(LogContext& Log);
// The bottom picture (nothing when it is empty or OptTailleImageBas is 0).
void DessinerImageBas(LogContext& Log);

// ---------------------------------------------------------------------------
// Geometry, open for tests
// ---------------------------------------------------------------------------

// A band unit across, and down, in pixels of the drawing (Left..Right, with
// the band Top..YBandeau and TailleBandeau its height in percent).
std::int32_t BandeauPx(std::int32_t x, std::int32_t Left, std::int32_t Right);
std::int32_t BandeauPy(std::int32_t y, std::int32_t Top, std::int32_t YBandeau, std::int32_t TailleBandeau);

// The text written in a cell Largeur wide: S itself when it fits; otherwise S
// cut until it fits with "..." after it (possibly "..." alone).
std::string TexteCellule(std::string_view S, std::int32_t Largeur, std::int32_t (*Mesure)(std::string_view, void*),
                         void* Ctx);

// Where the bottom picture goes: the rectangle below YPage, as wide as the
// picture's proportions allow, centred; empty when nothing is drawn.
TRect RectImageBas(std::int32_t Left, std::int32_t Right, std::int32_t Bottom, std::int32_t YPage,
                   std::int32_t PenThick, std::int32_t PenMedium, std::int32_t ImageWidth, std::int32_t ImageHeight);

// ---------------------------------------------------------------------------
// The bottom picture of the run
// ---------------------------------------------------------------------------

// The picture drawn at the bottom of every log (the drawing options window
// keeps it in step with [Dessin] "ImageBas").
const QImage& ImageBas();
void SetImageBas(const QImage& Image);
// Loads a picture file (JPEG or any format Qt's image readers know) as the
// bottom picture. An empty name, a missing file or one that cannot be read
// leaves no picture; pictures larger than 100 megapixels are refused. False
// with a message in *Error when a named file could not be used.
bool ChargerImageBas(const std::filesystem::path& File, std::string* Error = nullptr);
// Loads the picture named by carotix.ini [Dessin] "ImageBas" (a relative name
// is taken from the program folder), as the drawing options window does when
// it is created at start-up. No settings, or no name: no picture.
bool ChargerImageBasReglages(std::string* Error = nullptr);
