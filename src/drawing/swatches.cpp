#include "drawing/swatches.h"

#include <memory>

#include "drawing/code_models.h"
#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "platform/qpainter_canvas.h"
#include "store/options.h"

namespace {

std::unique_ptr<QImage> g_swatchBitmap;

// The five-fold picture of a swatch stays below this many pixels a side; a
// larger swatch (no grid cell is that big) is drawn directly instead.
constexpr std::int64_t kMaxOversampledSide = 8192;
constexpr int kOversampling = 5;

// Draws on `canvas` through the shared primitives, leaving the current canvas
// as it was for the caller.
class DrawCanvasScope {
public:
    explicit DrawCanvasScope(Canvas& canvas) : saved_(DrawCanvas) { SetDrawCanvas(&canvas); }
    ~DrawCanvasScope() { SetDrawCanvas(saved_); }
    DrawCanvasScope(const DrawCanvasScope&) = delete;
    DrawCanvasScope& operator=(const DrawCanvasScope&) = delete;

private:
    Canvas* saved_;
};

void FillAndDraw(Canvas& canvas, TColor Colour, std::int32_t Motif, std::int32_t Scale, const TRect& Rect)
{
    DrawCanvasScope scope(canvas);
    SetDrawingScale(Scale);
    canvas.Pen.Style = PenStyle::Clear;
    canvas.Brush.Style = BrushStyle::Solid;
    canvas.Brush.Color = Colour;
    canvas.FillRect(Rect);
    DrawMotif(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom, Motif, 100, 100, false);
    FlushLines(false);
    SetDrawingScale(1);
}

TCodeMotifColour LookUp(const std::string& Code)
{
    TCodeMotifColour mc;
    mc.Motif = 0;
    mc.Colour = clWhite;
    GetCodeMotifColour(Code, mc);
    return mc;
}

// The smoothed swatch: drawn five times larger into the swatch bitmap,
// box-averaged down and copied at the rectangle's top-left corner. False when
// the rectangle is too large (or empty) for the bitmap.
bool DrawSmoothed(Canvas& canvas, TColor Colour, std::int32_t Motif, const TRect& Rect)
{
    const std::int64_t w = Rect.Width(), h = Rect.Height();
    if (w <= 0 || h <= 0)
        return true;  // nothing to draw
    if (w * kOversampling > kMaxOversampledSide || h * kOversampling > kMaxOversampledSide)
        return false;
    QImage& bmp = *SwatchBitmap();
    bmp = QImage(static_cast<int>(w * kOversampling), static_cast<int>(h * kOversampling), QImage::Format_RGB888);
    bmp.fill(Qt::white);
    {
        QPainterCanvas big(&bmp);
        FillAndDraw(big, Colour, Motif, kOversampling,
                    TRect{0, 0, static_cast<std::int32_t>(w * kOversampling), static_cast<std::int32_t>(h * kOversampling)});
    }
    DownsampleBitmap(bmp, kOversampling);
    bmp = bmp.copy(0, 0, static_cast<int>(w), static_cast<int>(h));
    canvas.Draw(Rect.Left, Rect.Top, bmp);
    bmp = QImage();  // emptied until the next swatch
    return true;
}

}  // namespace

void CreateSwatchBitmap()
{
    if (!g_swatchBitmap)
        g_swatchBitmap = std::make_unique<QImage>();
}

void FreeSwatchBitmap()
{
    g_swatchBitmap.reset();
}

QImage* SwatchBitmap()
{
    CreateSwatchBitmap();
    return g_swatchBitmap.get();
}

void DrawCodePattern(Canvas& canvas, const std::string& Code, const TRect& Rect, std::int32_t Scale)
{
    const TCodeMotifColour mc = LookUp(Code);
    FillAndDraw(canvas, mc.Colour, mc.Motif, Scale, Rect);
}

void DrawMotifPattern(Canvas& canvas, TColor Colour, std::int32_t Motif, std::int32_t Scale, const TRect& Rect)
{
    FillAndDraw(canvas, Colour, Motif, Scale, Rect);
}

void DrawCodeSwatch(Canvas& canvas, const std::string& Code, const TRect& Rect)
{
    const TCodeMotifColour mc = LookUp(Code);
    DrawMotifSwatch(canvas, mc.Colour, mc.Motif, Rect);
}

void DrawMotifSwatch(Canvas& canvas, TColor Colour, std::int32_t Motif, const TRect& Rect)
{
    if (!OptDesactiverLissage && DrawSmoothed(canvas, Colour, Motif, Rect))
        return;
    FillAndDraw(canvas, Colour, Motif, 1, Rect);
}

bool DownsampleBitmap(QImage& bitmap, std::int32_t F)
{
    if (F < 2 || bitmap.isNull())
        return false;
    const QImage::Format fmt = bitmap.format();
    const bool rgb888 = fmt == QImage::Format_RGB888;
    const bool rgb32 = fmt == QImage::Format_RGB32;
    if (!rgb888 && !rgb32)
        return false;
    const int outW = bitmap.width() / F, outH = bitmap.height() / F;
    const std::int64_t block = std::int64_t(F) * F;
    for (int oy = 0; oy < outH; ++oy) {
        for (int ox = 0; ox < outW; ++ox) {
            std::int64_t r = 0, g = 0, b = 0;
            for (int dy = 0; dy < F; ++dy) {
                const uchar* line = bitmap.constScanLine(oy * F + dy);
                for (int dx = 0; dx < F; ++dx) {
                    const int x = ox * F + dx;
                    if (rgb888) {
                        r += line[3 * x];
                        g += line[3 * x + 1];
                        b += line[3 * x + 2];
                    } else {
                        const QRgb px = reinterpret_cast<const QRgb*>(line)[x];
                        r += qRed(px);
                        g += qGreen(px);
                        b += qBlue(px);
                    }
                }
            }
            // Written in place: the target pixel (ox, oy) lies in a block
            // already read (rows oy*F.. are at or below oy, columns likewise).
            uchar* out = bitmap.scanLine(oy);
            const int R = static_cast<int>(r / block), G = static_cast<int>(g / block), B = static_cast<int>(b / block);
            if (rgb888) {
                out[3 * ox] = static_cast<uchar>(R);
                out[3 * ox + 1] = static_cast<uchar>(G);
                out[3 * ox + 2] = static_cast<uchar>(B);
            } else {
                reinterpret_cast<QRgb*>(out)[ox] = qRgb(R, G, B);
            }
        }
    }
    return true;
}
