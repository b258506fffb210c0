#include "drawing/colours.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "platform/ui_services.h"
#include "store/options.h"

// ---- vectors ------------------------------------------------------------------

TVec GreyAxis{};
TVec HueAxisU{};
TVec HueAxisV{};

namespace {
// The axes are ready before anything asks for a hue.
const bool kAxesReady = (InitColourAxes(), true);
}  // namespace

TVec MakeVec(double a, double b, double c) { return TVec{a, b, c}; }

TVec VecScale(const TVec& a, double k) { return TVec{k * a[0], k * a[1], k * a[2]}; }

double VecDot(const TVec& a, const TVec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double VecNorm(const TVec& a) { return std::sqrt(VecDot(a, a)); }

TVec VecCross(const TVec& a, const TVec& b)
{
    return TVec{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double AngleOf(double x, double y)
{
    if (std::fabs(x) >= 1e-6) return std::atan2(y, x);
    if (std::fabs(y) < 1e-6) throw EMathError("Undefined angle");
    return y >= 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
}

double Luminance(const TVec& c)
{
    // Components below 0 would make the power undefined; they mean black.
    auto p = [](double v) { return std::pow(static_cast<long double>(std::max(v, 0.0)), 2.2L); };
    const long double sum = 0.2126L * p(c[0]) + 0.7152L * p(c[1]) + 0.0722L * p(c[2]);
    return static_cast<double>(std::pow(sum, 1.0L / 2.2L));
}

double HueOf(const TVec& c)
{
    (void)kAxesReady;
    const double p = VecDot(HueAxisU, c);
    const double q = VecDot(HueAxisV, c);
    double a = 0;
    try {
        a = AngleOf(p, q);
    } catch (const EMathError&) {
        return -1;  // a grey has no hue
    }
    if (a < -1e-6) a += 2 * std::numbers::pi;
    const double h = a / (2 * std::numbers::pi);
    return std::clamp(h, 0.0, 1.0);
}

void InitColourAxes()
{
    const TVec grey{1, 1, 1};
    GreyAxis = VecScale(grey, 1 / VecNorm(grey));
    const TVec v = VecCross(GreyAxis, TVec{1, 0, 0});
    HueAxisV = VecScale(v, 1 / VecNorm(v));
    HueAxisU = VecCross(HueAxisV, GreyAxis);
}

TColourBytes SplitColour(TColor colour)
{
    return {static_cast<std::uint8_t>(ColorRed(colour)), static_cast<std::uint8_t>(ColorGreen(colour)),
            static_cast<std::uint8_t>(ColorBlue(colour))};
}

std::vector<TColor> MakeColourPlane(TColor K, TColor X0, TColor X1, TColor Y0, TColor Y1, int W, int H)
{
    std::vector<TColor> pixels(static_cast<std::size_t>(std::max(W, 0)) * static_cast<std::size_t>(std::max(H, 0)), K);
    // One pixel across or down has no ramp (and would divide by zero).
    if (W < 2 || H < 2) return pixels;
    const TColourBytes k = SplitColour(K), x0 = SplitColour(X0), x1 = SplitColour(X1), y0 = SplitColour(Y0),
                       y1 = SplitColour(Y1);
    const int kk[3] = {k.Red, k.Green, k.Blue};
    const int xs[3] = {x0.Red, x0.Green, x0.Blue}, xe[3] = {x1.Red, x1.Green, x1.Blue};
    const int ys[3] = {y0.Red, y0.Green, y0.Blue}, ye[3] = {y1.Red, y1.Green, y1.Blue};
    for (int y = 0; y < H; ++y) {
        const int ty = (y & ~15) + 8;
        for (int x = 0; x < W; ++x) {
            const int tx = (x & ~15) + 8;
            int out[3];
            for (int c = 0; c < 3; ++c) {
                const float v = static_cast<float>(ys[c] + static_cast<double>(ye[c] - ys[c]) / (H - 1) * ty);
                const float u = static_cast<float>(xs[c] + static_cast<double>(xe[c] - xs[c]) / (W - 1) * tx);
                const double root = std::sqrt(std::max(0.0, static_cast<double>(u) + static_cast<double>(v)));
                out[c] = (RoundHalfEven(root * 15.95) + kk[c]) & 0xFF;
            }
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(W) + static_cast<std::size_t>(x)] =
                RGBColor(out[0], out[1], out[2]);
        }
    }
    return pixels;
}

// ---- the colour-table editor ---------------------------------------------------

void ColourTableEditor::Show()
{
    for (std::size_t i = 0; i < swatches_.size(); ++i) swatches_[i] = ColourTable[i] & 0xFFFFFF;
    SelectSwatch(selected_ < 0 ? 0 : selected_);
}

void ColourTableEditor::SelectSwatch(int index)
{
    if (index < 0 || index >= static_cast<int>(swatches_.size())) return;
    selected_ = index;
    selectedColour_ = swatches_[static_cast<std::size_t>(index)];
    const TColourBytes b = SplitColour(selectedColour_);
    components_ = {b.Red, b.Green, b.Blue};
}

void ColourTableEditor::SetComponent(int component, int value)
{
    if (component < 0 || component > 2) return;
    components_[static_cast<std::size_t>(component)] = std::clamp(value, 0, 255);
    ComponentsChanged();
}

void ColourTableEditor::SetComponentText(int component, const std::string& text)
{
    if (text.empty()) return;
    SetComponent(component, StrToInt(text));
}

std::string ColourTableEditor::ComponentText(int component) const { return IntToStr(Component(component)); }

void ColourTableEditor::ComponentsChanged()
{
    selectedColour_ = RGBColor(components_[0], components_[1], components_[2]);
    if (selected_ >= 0) swatches_[static_cast<std::size_t>(selected_)] = selectedColour_;
}

void ColourTableEditor::PlaneMouse(ColourPlane plane, int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0) return;
    const auto across = static_cast<int>(std::clamp<std::int64_t>(RoundHalfEvenDiv(std::int64_t(x) * 256, width), -1, 256));
    const auto down = static_cast<int>(std::clamp<std::int64_t>(RoundHalfEvenDiv(std::int64_t(y) * 256, height), -1, 256));
    switch (plane) {
    case ColourPlane::RedGreen: SetComponent(0, across); SetComponent(1, down); break;
    case ColourPlane::RedBlue: SetComponent(0, across); SetComponent(2, down); break;
    case ColourPlane::GreenBlue: SetComponent(1, across); SetComponent(2, down); break;
    }
}

void ColourTableEditor::TakePaletteColour(TColor colour)
{
    const TColourBytes b = SplitColour(colour);
    components_ = {b.Red, b.Green, b.Blue};
    ComponentsChanged();
}

void ColourTableEditor::Ok()
{
    for (std::size_t i = 0; i < swatches_.size(); ++i) ColourTable[i] = swatches_[i];
    ColoursSave();
}

bool ColourTableEditor::DiffersFromTable() const
{
    for (std::size_t i = 0; i < swatches_.size(); ++i)
        if (swatches_[i] != (ColourTable[i] & 0xFFFFFF)) return true;
    return false;
}

bool ColourTableEditor::CloseQuery()
{
    if (!DiffersFromTable()) return true;
    switch (AskYesNoCancel(kCouleursCaption, kCouleursQuestion)) {
    case MsgResult::Yes: Ok(); return true;
    case MsgResult::No: return true;
    default: return false;
    }
}

// ---- the palette window --------------------------------------------------------

namespace {

constexpr std::uint8_t kLevels[3] = {104, 180, 232};

// The base swatches in the window's order; the eleventh is (232, 104, 180)
// and the eighteenth the light grey the window opens on.
std::array<TColor, 27> BaseColours()
{
    std::array<TColor, 27> colours{};
    for (int i = 0; i < 27; ++i) colours[static_cast<std::size_t>(i)] = RGBColor(kLevels[i % 3], kLevels[i / 3 % 3], kLevels[i / 9]);
    std::swap(colours[10], colours[11]);  // (232, 104, 180)
    std::swap(colours[17], colours[26]);  // (232, 232, 232)
    return colours;
}

std::uint8_t BaseLevel(int c)
{
    const float s = static_cast<float>(c) / 255.0f * (static_cast<float>(c) / 255.0f);
    if (s < 1.0f / 3.0f) return 104;
    if (s <= 2.0f / 3.0f) return 180;
    return 232;
}

}  // namespace

TColor PaletteChooser::BaseColour(int index)
{
    static const std::array<TColor, 27> colours = BaseColours();
    return colours.at(static_cast<std::size_t>(index));
}

std::uint8_t PaletteChooser::VaryComponent(std::uint8_t c)
{
    const int r = Random(49) - 24;
    const double x = static_cast<double>(c) / 255.0;
    // Dark components (below 102) could go below black: they stop at 0.
    const double radicand = std::max(0.0, x * x + r / 150.0);
    return static_cast<std::uint8_t>(std::clamp(RoundHalfEven(255.0 * std::sqrt(radicand)), 0, 255));
}

PaletteChooser::PaletteChooser()
{
    Randomize();
    PressBase(17);
}

void PaletteChooser::Press(int shape, TColor base)
{
    selectedShape_ = shape;
    grid_.assign(10, {});
    const TColourBytes b = SplitColour(base);
    for (auto& row : grid_)
        for (TColor& cell : row) {
            const std::uint8_t red = VaryComponent(b.Red);
            const std::uint8_t green = VaryComponent(b.Green);
            const std::uint8_t blue = VaryComponent(b.Blue);
            cell = RGBColor(red, green, blue);
        }
    okEnabled_ = true;
    selectedColour_ = base;
    selectionShapeColour_ = base;
}

void PaletteChooser::PressBase(int index)
{
    if (index < 0 || index >= 27) return;
    Press(index, BaseColour(index));
}

void PaletteChooser::PressSelectionShape() { Press(kSelectionShape, selectionShapeColour_); }

TColor PaletteChooser::GridColour(int row, int column) const
{
    if (row < 0 || column < 0 || row >= static_cast<int>(grid_.size()) || column >= 10) return 0;
    return grid_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void PaletteChooser::SelectGridCell(int row, int column)
{
    row_ = row;
    column_ = column;
    if (!HasGrid() || row < 0 || column < 0 || row >= 10 || column >= 10) return;
    selectedColour_ = GridColour(row, column);
    selectionShapeColour_ = selectedColour_;
}

void PaletteChooser::SelectDefinedCell(int column)
{
    if (column < 0 || column >= 10) return;
    selectedColour_ = ColourTable[static_cast<std::size_t>(column)] & 0xFFFFFF;
    selectionShapeColour_ = selectedColour_;
}

void PaletteChooser::SelectBaseColor(TColor colour)
{
    colour &= 0xFFFFFF;
    const TColourBytes b = SplitColour(colour);
    const TColor base = RGBColor(BaseLevel(b.Red), BaseLevel(b.Green), BaseLevel(b.Blue));
    for (int i = 0; i < 27; ++i)
        if (BaseColour(i) == base && selectedShape_ != i) PressBase(i);
    if (selectionShapeColour_ == base && selectedShape_ != kSelectionShape) PressSelectionShape();
    if (HasGrid()) {
        grid_[0][0] = colour;
        // The window opens on the colour it was given, wherever its current
        // cell stood: "Ok" at once keeps that colour.
        SelectGridCell(0, 0);
    }
}
