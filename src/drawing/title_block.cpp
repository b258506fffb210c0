#include "drawing/title_block.h"
#include "platform/base/safe_files.h"

#include <QImage>
#include <QBuffer>
#include <QImageReader>
#include <QString>

#include <algorithm>

#include "drawing/bandeau.h"
#include "drawing/hit_maps.h"
#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/options.h"
#include "store/templates.h"

namespace {

QImage& ImageBasStore()
{
    static QImage image;
    return image;
}

constexpr std::int64_t kMaxImagePixels = 100'000'000;

std::int32_t CanvasWidth(std::string_view s, void* ctx) { return static_cast<Canvas*>(ctx)->TextWidth(s); }

}  // namespace

// ---------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------

std::int32_t BandeauPx(std::int32_t x, std::int32_t Left, std::int32_t Right)
{
    // [x / 60 x (Right - Left) + 1] + Left, as one exact fraction.
    return ClampToInt32(RoundHalfEvenDiv(std::int64_t(x) * (std::int64_t(Right) - Left) + 60, 60) + Left);
}

std::int32_t BandeauPy(std::int32_t y, std::int32_t Top, std::int32_t YBandeau, std::int32_t TailleBandeau)
{
    // A band of no height has every object on its top line.
    if (TailleBandeau <= 0)
        return Top;
    return ClampToInt32(RoundHalfEvenDiv(std::int64_t(y) * (std::int64_t(YBandeau) - Top), 4 * std::int64_t(TailleBandeau)) +
                        Top);
}

std::string TexteCellule(std::string_view S, std::int32_t Largeur, std::int32_t (*Mesure)(std::string_view, void*),
                         void* Ctx)
{
    if (Mesure(S, Ctx) <= Largeur)
        return std::string(S);
    const std::int32_t room = Largeur - Mesure("...", Ctx);
    std::u32string cps = Utf8ToU32(S);
    // Ends at the latest when nothing is left of the text.
    while (!cps.empty() && Mesure(U32ToUtf8(cps), Ctx) > room)
        cps.pop_back();
    return U32ToUtf8(cps) + "...";
}

TRect RectImageBas(std::int32_t Left, std::int32_t Right, std::int32_t Bottom, std::int32_t YPage,
                   std::int32_t PenThick, std::int32_t PenMedium, std::int32_t ImageWidth, std::int32_t ImageHeight)
{
    if (ImageWidth <= 0 || ImageHeight <= 0)
        return {};
    const std::int64_t W = std::int64_t(Right) - Left + 1;
    const std::int64_t avail = std::int64_t(Bottom) - YPage - PenThick - 2 * std::int64_t(PenMedium);
    if (avail <= 0)
        return {};
    std::int64_t wp = RoundHalfEvenDiv(avail * ImageWidth, ImageHeight);
    wp = std::min(wp, W - PenThick - 2 * std::int64_t(PenMedium));
    if (wp <= 0)
        return {};
    const std::int64_t x = (std::int64_t(Left) + Right - wp) / 2;
    return TRect{ClampToInt32(x), ClampToInt32(std::int64_t(YPage) + PenThick / 2 + PenMedium), ClampToInt32(x + wp),
                 ClampToInt32(std::int64_t(Bottom) - (PenThick + 1) / 2 - PenMedium)};
}

// ---------------------------------------------------------------------------
// Painters
// ---------------------------------------------------------------------------

void DessinerEntete(LogContext& Log)
{
    Canvas& c = *DrawCanvas;
    RectangleB(Log.Left, Log.Top, Log.Right, Log.Bottom);
    AddSegmentA(Log.Left, Log.YBandeau, Log.Right, Log.YBandeau);
    c.Brush.Style = BrushStyle::Clear;

    for (const TBandeauObjet& o : BandeauObjets) {
        const std::int32_t x1 = BandeauPx(o.x1, Log.Left, Log.Right);
        const std::int32_t y1 = BandeauPy(o.y1, Log.Top, Log.YBandeau, OptTailleBandeau);
        const std::int32_t x2 = BandeauPx(o.x2, Log.Left, Log.Right);
        const std::int32_t y2 = BandeauPy(o.y2, Log.Top, Log.YBandeau, OptTailleBandeau);
        if (o.Size == -1) {
            AddSegmentA(x1, y1, x2, y2);
            continue;
        }
        if (o.Size < 0)
            continue;
        const TRect cell{x1, y1, x2, y2};
        // A positive height is the text's cell height; a size typed far too
        // large is held to the drawing's height.
        std::int64_t h = RoundHalfEvenDiv((std::int64_t(Log.Right) - Log.Left) * o.Size, 1000);
        h = std::min<std::int64_t>(h, std::max(Log.H, 1));
        c.Font.Name = BaseFontName;
        c.Font.Height = static_cast<std::int32_t>(h);
        c.Font.Weight = FW_NORMAL;
        c.Font.Italic = false;
        c.Font.Underline = false;
        c.Font.StrikeOut = false;
        c.Font.Escapement = 0;
        if (Log.ResetMaps) {
            if (o.Text.find("%Ouvrage\\") != std::string::npos)
                ZonesOuvrage.push_back(cell);
            else if (o.Text.find("%Dossier\\") != std::string::npos)
                ZonesDossier.push_back(cell);
        }
        std::string S;
        if (Log.Root)
            ExpandFields(o.Text, *Log.Root, Log.Path, S, Log.TubeName, Log.Designation);
        const TRect clip{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
        const std::int32_t width = ClampToInt32(clip.Width());
        const std::int32_t tw = c.TextWidth(S);
        std::int32_t x = clip.Left;
        if (tw > width) {
            S = TexteCellule(S, width, &CanvasWidth, &c);
        } else if (o.Align == 2) {
            x = ClampToInt32((std::int64_t(clip.Left) + clip.Right - tw) / 2);
        } else if (o.Align == 3) {
            x = clip.Right - tw;
        }
        c.TextRect(clip, x, clip.Top, S);
    }
    c.Brush.Style = BrushStyle::Solid;
}

void DessinerImageBas(LogContext& Log)
{
    const QImage& img = ImageBas();
    if (img.isNull() || img.width() == 0 || img.height() == 0 || OptTailleImageBas == 0)
        return;
    const TRect r =
        RectImageBas(Log.Left, Log.Right, Log.Bottom, Log.YPage, PenThick, PenMedium, img.width(), img.height());
    if (r.IsEmpty())
        return;
    DrawCanvas->StretchDraw(r, img);
}

// ---------------------------------------------------------------------------
// The bottom picture
// ---------------------------------------------------------------------------

const QImage& ImageBas() { return ImageBasStore(); }

void SetImageBas(const QImage& Image) { ImageBasStore() = Image; }

bool ChargerImageBas(const std::filesystem::path& File, std::string* Error)
{
    ImageBasStore() = QImage();
    if (File.empty())
        return true;
    const std::string shown(reinterpret_cast<const char*>(File.u8string().c_str()));
    // Read through the program's bounded reader (a pipe or a device named
    // as the picture must not hang the drawing), then decoded from memory.
    QByteArray data;
    {
        std::string bytes;
        std::string error;
        if (!ReadFileBounded(File, bytes, &error, kMaxImageFileBytes)) {
            if (Error)
                *Error = error;
            return false;
        }
        data = QByteArray::fromStdString(bytes);
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && std::int64_t(size.width()) * size.height() > kMaxImagePixels) {
        if (Error)
            *Error = "L'image " + shown + " est trop grande.";
        return false;
    }
    QImage img;
    if (!reader.read(&img) || img.isNull()) {
        if (Error)
            *Error = "Impossible de lire l'image " + shown + " : " + reader.errorString().toStdString();
        return false;
    }
    ImageBasStore() = img;
    return true;
}

bool ChargerImageBasReglages(std::string* Error)
{
    if (!IniCarotix) {
        ImageBasStore() = QImage();
        return true;
    }
    const std::string name = IniCarotix->ReadString("Dessin", "ImageBas", "");
    if (name.empty()) {
        ImageBasStore() = QImage();
        return true;
    }
    std::filesystem::path file = std::filesystem::u8path(name);
    if (file.is_relative())
        file = ProgramFolder() / file;
    return ChargerImageBas(file, Error);
}
