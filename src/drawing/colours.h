// Colours: the colour arithmetic of the program (three-component vectors, the
// luminance and the hue of a colour, used by the code-model sorts), the logic
// of the ten-colour table editor "Couleurs" and of the palette window
// "Palettes de couleur", so that both run and are tested without widgets.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/canvas_types.h"

// ---------------------------------------------------------------------------
// Vectors (red, green, blue when they hold a colour)
// ---------------------------------------------------------------------------

using TVec = std::array<double, 3>;

// Raised by AngleOf for a point at the origin.
class EMathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

TVec MakeVec(double a, double b, double c);
TVec VecScale(const TVec& a, double k);
double VecDot(const TVec& a, const TVec& b);
double VecNorm(const TVec& a);
TVec VecCross(const TVec& a, const TVec& b);
// The angle of (x, y) in -pi..pi; throws EMathError("Undefined angle") when
// both lie within 1e-6 of zero.
double AngleOf(double x, double y);
// (0.2126 r^2.2 + 0.7152 g^2.2 + 0.0722 b^2.2)^(1/2.2): a grey (v, v, v) gives v.
// Negative components count as 0.
double Luminance(const TVec& c);
// The hue as a fraction of a turn (red 0, green 1/3, blue 2/3), -1 for a grey.
double HueOf(const TVec& c);

// The axes of the hue plane, computed once before any window exists.
extern TVec GreyAxis;
extern TVec HueAxisU;
extern TVec HueAxisV;
void InitColourAxes();

struct TColourBytes {
    std::uint8_t Red = 0, Green = 0, Blue = 0;
};
TColourBytes SplitColour(TColor colour);

// The pixels of a colour plane, row by row (W x H colours), painted in blocks
// of 16 x 16 that take the value at their centre: component k is
// [sqrt(U + V) x 15.95] + K, wrapping at 256, U running from X0 to X1 across
// and V from Y0 to Y1 down. W and H below 2 give a plain picture of K.
std::vector<TColor> MakeColourPlane(TColor K, TColor X0, TColor X1, TColor Y0, TColor Y1, int W, int H);

// ---------------------------------------------------------------------------
// The colour-table editor
// ---------------------------------------------------------------------------

enum class ColourPlane { RedGreen, RedBlue, GreenBlue };

class ColourTableEditor {
public:
    // FormShow: the swatches take the table's colours; the selection stays
    // from one showing to the next (swatch 0 at the first).
    void Show();
    void SelectSwatch(int index);
    // A track bar moved (component 0 red, 1 green, 2 blue); the value is
    // brought into 0..255 and the selected swatch takes the new colour.
    void SetComponent(int component, int value);
    // An edit's text: empty does nothing, a whole number moves the bar,
    // anything else throws EConvertError and changes nothing.
    void SetComponentText(int component, const std::string& text);
    // The text the edit reads after its bar moved.
    std::string ComponentText(int component) const;
    // The mouse held down at (x, y) in a plane of the given size.
    void PlaneMouse(ColourPlane plane, int x, int y, int width, int height);
    // "Palette..." closed with OK on that colour.
    void TakePaletteColour(TColor colour);
    // "Ok": ColourTable := the swatches, written to carotix.ini.
    void Ok();
    // Closing: false to keep the window open. Asks only when a swatch differs
    // from the table; "Oui" stores, "Non" leaves the table alone.
    bool CloseQuery();

    int SelectedIndex() const { return selected_; }
    TColor Swatch(int i) const { return swatches_.at(static_cast<std::size_t>(i)); }
    TColor SelectedColour() const { return selectedColour_; }
    int Component(int k) const { return components_.at(static_cast<std::size_t>(k)); }
    bool DiffersFromTable() const;

private:
    void ComponentsChanged();

    std::array<TColor, 10> swatches_{};
    std::array<int, 3> components_{};
    int selected_ = -1;
    TColor selectedColour_ = 0;
};

inline constexpr const char* kCouleursCaption = "Couleurs";
inline constexpr const char* kCouleursQuestion =
    "Vous avez chang\xC3\xA9 des couleurs. Voulez-vous conserver les modifications ?";

// ---------------------------------------------------------------------------
// The palette window
// ---------------------------------------------------------------------------

class PaletteChooser {
public:
    // The 27 base colours: components 104, 180, 232 (red varies fastest).
    static TColor BaseColour(int index);
    // One of 20..146, 148..207 or 208..253 for the base values; a component
    // whose variation would go below black gives 0.
    static std::uint8_t VaryComponent(std::uint8_t c);

    PaletteChooser();  // FormCreate: opens on the light grey (Shape18)
    // A base swatch (0..26) pressed: new variations, selected colour := base.
    void PressBase(int index);
    // The chosen-colour shape pressed: it acts as a base of its colour.
    void PressSelectionShape();
    // Cell selection in the palette grid (row, column) and in the defined
    // colours (entry of ColourTable).
    void SelectGridCell(int row, int column);
    void SelectDefinedCell(int column);
    // Opens the window on a colour: its base is pressed, the colour goes into
    // the first cell of the grid, and the current cell goes to (0, 0).
    void SelectBaseColor(TColor colour);

    // -1 none, 0..26 a base swatch, 27 the chosen-colour shape.
    int SelectedShape() const { return selectedShape_; }
    static constexpr int kSelectionShape = 27;
    bool HasGrid() const { return !grid_.empty(); }
    TColor GridColour(int row, int column) const;
    TColor SelectedColour() const { return selectedColour_; }
    TColor SelectionShapeColour() const { return selectionShapeColour_; }
    int CurrentRow() const { return row_; }
    int CurrentColumn() const { return column_; }
    bool OkEnabled() const { return okEnabled_; }

private:
    void Press(int shape, TColor base);

    std::vector<std::array<TColor, 10>> grid_;
    int selectedShape_ = -1;
    TColor selectedColour_ = 0;
    TColor selectionShapeColour_ = 0;
    int row_ = 0, column_ = 0;
    bool okEnabled_ = false;
};
