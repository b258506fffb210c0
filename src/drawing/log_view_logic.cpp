#include "drawing/log_view_logic.h"

#include <chrono>
#include <cmath>
#include <cstdlib>

#include "drawing/log_drawing.h"
#include "drawing/log_layout.h"
#include "drawing/rounding.h"
#include "drawing/swatches.h"
#include "platform/canvas.h"
#include "platform/qpainter_canvas.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

const char* const kSelectionColumn = "\\Niveau\\S\xC3\xA9lection";  // "\Niveau\Sélection"

// One smoothed rebuild slower than this turns the smoothing off for the run.
constexpr double kSlowRebuildSeconds = 0.5;

// A drag starts once the mouse is this far from the press point.
constexpr std::int32_t kDragThreshold = 3;

constexpr double kSqrt2 = 1.4142135623730950488;

}  // namespace

LogView::LogView() = default;

double LogView::Now() const
{
    if (Clock) return Clock();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void LogView::Redraw()
{
    ARebatir = true;
    if (RequestPaint) RequestPaint();
}

void LogView::Resize(std::int32_t clientW, std::int32_t clientH)
{
    ClientW = clientW < 0 ? 0 : clientW;
    ClientH = clientH < 0 ? 0 : clientH;
    Redraw();
}

void LogView::SetBorehole(TDirBlock* root, const std::string& path, const std::string& design)
{
    Racine = root;
    Chemin = path;
    Designation = design;
}

void LogView::PageSize(std::int32_t clientW, std::int32_t clientH, std::int32_t zoom, std::int32_t& pw,
                       std::int32_t& ph)
{
    pw = clientW - 8;
    ph = clientH - 8;
    if (ph > RoundHalfEven(pw * kSqrt2))
        ph = RoundHalfEven(pw * kSqrt2);
    else if (pw > RoundHalfEven(ph / kSqrt2))
        pw = RoundHalfEven(ph / kSqrt2);
    const double s = std::sqrt(static_cast<double>(zoom));
    pw = RoundHalfEven(pw * s);
    ph = RoundHalfEven(ph * s);
}

std::int32_t LogView::SpinIncrement(double extent)
{
    if (extent == 0) return 10;
    if (extent < 10) return 2;
    if (extent < 20) return 5;
    if (extent < 50) return 10;
    if (extent < 100) return 20;
    return 50;
}

void LogView::DepthWindow(double& from, double& to) const
{
    if (SpinDe == 0 && SpinA == 0) {
        from = MissingFloat;
        to = MissingFloat;
    } else {
        from = SpinDe;
        to = SpinA;
    }
}

bool LogView::RebuildIfNeeded()
{
    if (!ARebatir) return false;
    Rebuild();
    return true;
}

void LogView::Rebuild()
{
    ARebatir = false;
    Survol = TZoneCoupe{};
    const double started = Now();
    const std::int32_t F = (Zoom == 1 && !OptDesactiverLissage) ? 3 : 1;
    LastFactor = F;
    // The smoothed buffer is 24 bits per pixel (what the box average reads);
    // the plain one takes the screen's format.
    const std::int32_t bw = ClientW * F;
    const std::int32_t bh = ClientH * F;
    BackBuffer = QImage(bw > 0 ? bw : 1, bh > 0 ? bh : 1, F > 1 ? QImage::Format_RGB888 : QImage::Format_RGB32);
    BackBuffer.fill(Qt::white);
    if (bw <= 0 || bh <= 0) {
        BackBuffer = QImage();
        ResetZonesCoupe();
        return;
    }
    if (Racine && !Chemin.empty()) {
        try {
            DrawIntoBackBuffer(F, started);
        } catch (...) {
            // A log that cannot be drawn leaves a white page and nothing to
            // click; the window paints on.
            BackBuffer = QImage(ClientW, ClientH, QImage::Format_RGB32);
            BackBuffer.fill(Qt::white);
            ResetZonesCoupe();
        }
    } else {
        ResetZonesCoupe();
        if (F > 1) BackBuffer = BackBuffer.copy(0, 0, ClientW, ClientH);
    }
}

void LogView::DrawIntoBackBuffer(std::int32_t F, double started)
{
    std::int32_t pw = 0;
    std::int32_t ph = 0;
    PageSize(ClientW, ClientH, Zoom, pw, ph);
    PageW = pw;
    PageH = ph;
    if (ScrollX < 0) ScrollX = 0;
    if (ScrollX > 1) ScrollX = 1;
    if (ScrollY < 0) ScrollY = 0;
    if (ScrollY > 1) ScrollY = 1;
    double from = MissingFloat;
    double to = MissingFloat;
    DepthWindow(from, to);
    const std::int32_t left = RoundHalfEven(-ScrollX * pw + static_cast<double>(static_cast<std::uint32_t>(ClientW) >> 1));
    const std::int32_t top = RoundHalfEven(-ScrollY * ph + static_cast<double>(static_cast<std::uint32_t>(ClientH) >> 1));
    const std::int64_t right = std::int64_t(left) + pw - 1;
    const std::int64_t bottom = std::int64_t(top) + ph - 1;
    {
        QPainterCanvas canvas(&BackBuffer);
        DessinerCoupe(*Racine, Chemin, Designation, NomTube, canvas, ClampToInt32(std::int64_t(left) * F),
                      ClampToInt32(std::int64_t(top) * F), ClampToInt32(right * F), ClampToInt32(bottom * F),
                      from, to, true);
    }
    if (F > 1) {
        DownsampleBitmap(BackBuffer, F);
        BackBuffer = BackBuffer.copy(0, 0, ClientW, ClientH);
        ScaleZonesCoupe(F);
        if (Now() - started > kSlowRebuildSeconds) OptDesactiverLissage = true;  // in memory only
    }
    // Selected levels are shown inverted, from the lithology column to the
    // end of their description.
    {
        QPainterCanvas canvas(&BackBuffer);
        for (const TZoneRect& z : ZonesNiveaux)
            if (z.Rect.Height() > 0 && LevelSelected(z.Row)) canvas.InvertRect(z.Rect);
    }
    Increment = SpinIncrement(EtendueProfondeur(*Racine, Chemin, Designation, NomTube));
}

void LogView::Paint(Canvas& target) const
{
    if (!BackBuffer.isNull()) target.Draw(0, 0, BackBuffer);
    if (!EnGlissement && Survol.Rgn && !Survol.Rgn->IsEmpty()) {
        target.FrameRegion(Survol.Rgn->Offsetted(1, 1), kSurvolShadowColour);
        target.FrameRegion(*Survol.Rgn, kSurvolFrameColour);
    }
}

void LogView::CaptionButtonPlusClick()
{
    if (Zoom >= 64) return;
    Zoom *= 2;
    Redraw();
}

void LogView::CaptionButtonMoinsClick()
{
    if (Zoom <= 1) return;
    Zoom /= 2;
    if (Zoom == 1) {
        ScrollX = 0.5;
        ScrollY = 0.5;
    }
    Redraw();
}

TZoneCoupe LogView::TableNameAt(std::int32_t X, std::int32_t Y) const { return ZoneCoupeAt(X, Y); }

bool LogView::OpenTableAt(std::int32_t X, std::int32_t Y)
{
    const TZoneCoupe hit = TableNameAt(X, Y);
    if (!hit.Hit()) return false;
    if (RunTableCommand) RunTableCommand(hit.Name, hit.Row);
    return true;
}

bool LogView::LevelSelected(std::int32_t row) const
{
    if (!Racine || Chemin.empty()) return false;
    return Racine->GetPathInt(Chemin + kSelectionColumn, row) == 1;
}

bool LogView::ToggleNiveauSelection(std::int32_t X, std::int32_t Y)
{
    if (!Racine || Chemin.empty()) return false;
    for (const TZoneRect& z : ZonesNiveaux) {
        if (!z.Rect.Contains(X, Y)) continue;
        const std::string path = Chemin + kSelectionColumn;
        const std::int32_t value = Racine->GetPathInt(path, z.Row) == 1 ? 0 : 1;
        Racine->SetPathInt(path, z.Row, btInt, value);
        Redraw();
        return true;
    }
    return false;
}

LogView::MouseAnswer LogView::MouseDown(Button button, std::int32_t X, std::int32_t Y)
{
    MouseAnswer answer;
    if (button == Button::Left && ToolSel) {
        ToggleNiveauSelection(X, Y);
    } else if (button == Button::Left && Zoom >= 2 && PageW >= 0) {
        EnGlissement = true;
        Deplace = false;
        StartPoint = {X, Y};
        LastPoint = {X, Y};
        // The page cannot be dragged beyond its edges.
        answer.confine = true;
        answer.confineRect = TRect{X - RoundHalfEven((1 - ScrollX) * PageW), Y - RoundHalfEven((1 - ScrollY) * PageH),
                                   X + RoundHalfEven(ScrollX * PageW), Y + RoundHalfEven(ScrollY * PageH)};
        Redraw();
    } else {
        OpenTableAt(X, Y);
    }
    return answer;
}

LogView::MouseAnswer LogView::MouseMove(std::int32_t X, std::int32_t Y)
{
    MouseAnswer answer;
    if (EnGlissement) {
        if (!Deplace) {
            if (std::abs(X - StartPoint.X) < kDragThreshold && std::abs(Y - StartPoint.Y) < kDragThreshold)
                return answer;
            Deplace = true;
            answer.handCursor = true;
        }
        if (PageW > 0) ScrollX += static_cast<double>(LastPoint.X - X) / PageW;
        if (PageH > 0) ScrollY += static_cast<double>(LastPoint.Y - Y) / PageH;
        // The window cannot hold the cursor inside the page on every platform:
        // the page stops at its edges here instead.
        if (ScrollX < 0) ScrollX = 0;
        if (ScrollX > 1) ScrollX = 1;
        if (ScrollY < 0) ScrollY = 0;
        if (ScrollY > 1) ScrollY = 1;
        LastPoint = {X, Y};
        Redraw();
        return answer;
    }
    TZoneCoupe hit = TableNameAt(X, Y);
    const bool same = (!hit.Rgn && !Survol.Rgn) || (hit.Rgn && Survol.Rgn && *hit.Rgn == *Survol.Rgn);
    if (same) return answer;
    Survol = std::move(hit);
    if (RequestPaint) RequestPaint();
    return answer;
}

LogView::MouseAnswer LogView::MouseUp(Button button, std::int32_t X, std::int32_t Y)
{
    MouseAnswer answer;
    if (button != Button::Left || !EnGlissement) return answer;
    EnGlissement = false;
    const bool moved = Deplace;
    Deplace = false;
    answer.defaultCursor = true;
    Redraw();
    if (!moved) OpenTableAt(X, Y);
    return answer;
}

void LogView::ScrollByArrow(Arrow arrow)
{
    const double step = 0.25 / std::sqrt(static_cast<double>(Zoom));
    switch (arrow) {
        case Arrow::Left: ScrollX -= step; break;
        case Arrow::Right: ScrollX += step; break;
        case Arrow::Up: ScrollY -= step; break;
        case Arrow::Down: ScrollY += step; break;
    }
    Redraw();
}

void LogView::SpinDeExit()
{
    if (SpinDe < 0) SpinDe = 0;
    if (SpinDe != SpinA) {
        if (!Ajuster) {
            if (SpinDe > SpinA) SpinDe = SpinA;
        } else if (SpinDe + Increment > SpinA) {
            SpinA = SpinDe + Increment;
        }
    }
    Redraw();
}

void LogView::SpinAExit()
{
    if (SpinA < 0) SpinA = 0;
    if (!Ajuster) {
        if (SpinDe > SpinA) SpinA = SpinDe;
    } else if (SpinDe + Increment > SpinA) {
        SpinDe = SpinA > Increment ? SpinA - Increment : 0;
    }
    Redraw();
}
