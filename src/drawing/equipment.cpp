#include "drawing/equipment.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <limits>

#include "drawing/lithology_column.h"
#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "drawing/swatches.h"
#include "drawing/technical/technical_geometry.h"
#include "platform/base/text_codec.h"
#include "platform/qpainter_canvas.h"
#include "store/blocks.h"
#include "store/numbers.h"
#include "store/options.h"

std::vector<TEquipmentRegion> EquipmentRegions;

void ClearEquipmentRegions() { EquipmentRegions.clear(); }

std::vector<int> EquipmentRowsAt(std::int32_t x, std::int32_t y)
{
    std::vector<int> rows;
    for (const TEquipmentRegion& r : EquipmentRegions)
        if (r.Rgn.Contains(x, y)) rows.push_back(r.Row);
    return rows;
}

int FillTexture(std::int32_t Type, std::int32_t Nature)
{
    switch (Type) {
    case 1: return Nature >= 1 && Nature <= 3 ? Nature : 1;
    case 2: return Nature >= 1 && Nature <= 4 ? Nature + 3 : 4;
    case 3: return Nature >= 1 && Nature <= 6 ? Nature + 7 : 8;
    case 4: return 14;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------
// Scale
// ---------------------------------------------------------------------------

namespace {

// Rows and columns far outside the image are held here: the canvas and the
// regions clip them anyway, and the rounding stays in range whatever a file
// holds.
constexpr double kFar = 1 << 22;

std::int32_t RoundHeld(double v)
{
    if (std::isnan(v)) return 0;
    return RoundHalfEven(std::clamp(v, -kFar, kFar));
}

}  // namespace

std::int32_t EquipmentScale::DepthToY(double D) const
{
    const double span = BottomDepth - TopDepth;
    if (!(span > 0)) return 0;
    return RoundHeld((D - TopDepth) / span * Height);
}

std::int32_t EquipmentScale::DiamToX(double D) const
{
    if (!(MaxDiameter > 0)) return 0;
    return RoundHeld((1 - D / MaxDiameter) * Width / 2);
}

void EquipmentScale::WidenDepth(double D)
{
    if (!std::isfinite(D)) return;
    if (D < TopDepth)
        TopDepth = D;
    else if (D > BottomDepth)
        BottomDepth = D;
}

void EquipmentScale::WidenDiameter(double D)
{
    if (std::isfinite(D) && D > MaxDiameter) MaxDiameter = D;
}

void EquipmentScale::Finish()
{
    if (BottomDepth == 0) BottomDepth = 1.0;
    TopDepth = std::min(TopDepth, BottomDepth > 1 ? -1.0 : -BottomDepth);
    MaxDiameter = std::max(MaxDiameter, 100.0) * 1.2;
}

TColor FluidColour(std::int32_t Y, std::int32_t WaterRow, std::int32_t Height)
{
    if (Height <= 0) return clBlack;
    auto part = [&](std::int64_t k) { return (k * Y) / Height; };
    auto clampByte = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, 255)); };
    if (Y >= WaterRow) {
        const std::int64_t C = part(32);
        return RGBColor(clampByte(64 - C), clampByte(128 - C), clampByte(192 - C));
    }
    const std::int64_t C1 = part(64), C2 = part(32);
    return RGBColor(clampByte(128 - C2), clampByte(192 - C1), clampByte(255 - C1));
}

// ---------------------------------------------------------------------------
// The picture
// ---------------------------------------------------------------------------

namespace {

constexpr TColor kLightRed = 0xC0C0FF;
constexpr TColor kSelectedShade = 0xE08080;
constexpr TColor kSelectedLight = 0xFFD0D0;
constexpr double kDefaultCasingDiameter = 80;
constexpr double kDefaultHoleDiameter = 100;

bool IsNumericColumn(const TBlock* b)
{
    if (!b) return false;
    const std::uint8_t t = b->BlockType();
    return t == btInt || t == btIntArray || t == btFloat || t == btFloatArray;
}

std::int32_t IntCell(const TBlock* column, int row)
{
    if (!column || row < 0 || row >= column->Count()) return MissingInt;
    return column->GetInt(row);
}

bool Present(double v) { return !IsMissingFloat(v); }

std::int32_t FloorTo64(std::int32_t v)
{
    const std::int32_t s = kEquipmentTextureSize;
    return v >= 0 ? (v / s) * s : -(((-static_cast<std::int64_t>(v)) + s - 1) / s) * s;
}

// One casing row as the painters read it.
struct CasingRow {
    std::int32_t GridRow = -1;
    double From = MissingFloat;
    double To = MissingFloat;
    double Diameter = MissingFloat;
    std::int32_t Type = 0;
};

// One section of open hole.
struct HoleSection {
    std::int32_t GridRow = -1;
    double From, To, Diameter;
};

// One fill row.
struct FillRow {
    std::int32_t GridRow = -1;
    std::int32_t Type = 0;
    std::int32_t Nature = 0;
    double From = 0;
    double To = 0;
    std::int32_t Num = 1;
};

class EquipmentPainter {
public:
    EquipmentPainter(std::string_view table, Canvas& target, std::int32_t width, std::int32_t height,
                     const StringGrid* grid, const TStructTable* fields, std::string_view designation,
                     const TDirBlock* borehole, GridRect selection)
        : C(target), Tout(table == "Tout"), Grid(grid), Fields(fields), Designation(designation),
          Borehole(borehole), Sel(selection)
    {
        S.Width = width;
        S.Height = height;
        S.MaxDiameter = Tout ? 30 : 100;
    }

    void Run(std::string_view table);

private:
    Canvas& C;
    EquipmentScale S;
    bool Tout;
    bool finished_ = false;
    double WaterDepth = MissingFloat;
    Region HoleRegion, TubeRegion, AnnulusRegion;
    ArrayOfScreenTubeDef TubeLines;
    const StringGrid* Grid;
    const TStructTable* Fields;
    std::string Designation;
    const TDirBlock* Borehole;
    GridRect Sel;

    std::int32_t W() const { return S.Width; }
    std::int32_t H() const { return S.Height; }
    std::int32_t GroundRow() const { return S.DepthToY(0); }
    // Without a water level the whole hole is water: the water starts at the
    // ground, and the sky above stays air.
    std::int32_t WaterRow() const { return Present(WaterDepth) ? S.DepthToY(WaterDepth) : GroundRow(); }
    bool Selected(int gridRow) const { return gridRow >= Sel.Top && gridRow <= Sel.Bottom; }

    // ---- readers ----
    const TDirBlock* Table(std::string_view name) const { return Borehole ? Borehole->FindDir(name) : nullptr; }
    bool Belongs(const TBlock* design, int row) const
    {
        return RowBelongsToOuvrage(design, row, Designation);
    }
    int GridCol(const std::string& name) const
    {
        if (!Grid || !Fields || name.empty()) return -1;
        return IndexOfFieldDef(*Fields, name);
    }
    std::string GridText(int col, int row) const { return col < 0 ? std::string() : Trim(Grid->Cell(col, row)); }
    double GridFloat(int col, int row) const
    {
        const std::string text = GridText(col, row);
        if (text.empty()) return MissingFloat;
        const double v = StrToFloatDefault(text, MissingFloat);
        return std::isfinite(v) ? v : MissingFloat;
    }
    // The data rows of the grid that hold something: a blank row (such as the
    // one the editor keeps at the end for typing) is not an element.
    std::vector<int> GridRows() const
    {
        std::vector<int> rows;
        if (!Grid) return rows;
        for (int r = 1; r < Grid->RowCount(); ++r)
            if (!GridRowIsEmpty(*Grid, r)) rows.push_back(r);
        return rows;
    }
    std::vector<CasingRow> BlockCasingRows() const;
    std::vector<CasingRow> GridCasingRows() const;
    std::vector<FillRow> BlockFillRows(bool inner) const;
    std::vector<FillRow> GridFillRows(bool inner) const;

    // ---- steps ----
    void ReadBoreholeHeader();
    void ScaleFromCasing(const std::vector<CasingRow>& rows);
    void FinishScale();
    void Background();
    void Sky();
    void Ground();
    void Lithology();
    void OpenHoleFromBlocks();
    void OpenHoleFromGrid();
    void Casing(const std::vector<CasingRow>& rows, bool fromGrid);
    void Fills(const std::vector<FillRow>& rows, bool inner, bool fromGrid);

    // ---- painters ----
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
    {
        C.MoveTo(x1, y1);
        C.LineTo(x2, y2);
    }
    void Gradient(TRect r);
    void Tile(const Region& region, const QImage& texture);
    TRect OpenHoleSection(double From, double To, double Diameter, bool Selected);
    // A section as read, its missing top and diameter given, the scale widened to hold it.
    HoleSection ReadHoleSection(DepthChain& chain, std::int32_t gridRow, double from, double to, double diameter);
    Region TubeSection(std::int32_t Type, bool Selected, double From, double To, double DiameterTop,
                       double DiameterBottom);
    Region FillSection(const FillRow& row, bool inner, bool Selected);
};

void EquipmentPainter::Run(std::string_view table)
{
    C.Pen = TPen{};
    C.Brush = TBrush{};
    ReadBoreholeHeader();
    if (table == "Trou-nu") {
        OpenHoleFromGrid();
        return;
    }
    if (table == "Tubage") {
        const std::vector<CasingRow> rows = GridCasingRows();
        ScaleFromCasing(rows);
        OpenHoleFromBlocks();
        Casing(rows, true);
        return;
    }
    const std::vector<CasingRow> casing = BlockCasingRows();
    ScaleFromCasing(casing);
    OpenHoleFromBlocks();
    Casing(casing, false);
    AnnulusRegion = HoleRegion.Subtracted(TubeRegion);
    if (table == "Annulaire") {
        Fills(GridFillRows(false), false, true);
    } else if (table == "AnnulaireInterne") {
        Fills(BlockFillRows(false), false, false);
        Fills(GridFillRows(true), true, true);
        Casing(casing, false);
    } else {
        // The whole equipment also shows the fill between the tubes of a
        // multi-tube borehole, with the tubes drawn again over it.
        Fills(BlockFillRows(false), false, false);
        Fills(BlockFillRows(true), true, false);
        Casing(casing, false);
    }
}

// ---- readers ----

void EquipmentPainter::ReadBoreholeHeader()
{
    const TDirBlock* ouvrage = Table("Ouvrage");
    if (!ouvrage) return;
    // Each value is read when its own column is there: a table without a
    // water level still gives the depth of the borehole.
    const int row = Designation.empty() ? 0 : OuvrageRowOf(*Borehole, Designation);
    if (row < 0) return;
    const double eau = CellFloat(TableColumn(ouvrage, "ProfEau"), row);
    if (Present(eau)) WaterDepth = eau;
    const double prof = CellFloat(TableColumn(ouvrage, "Prof"), row);
    if (Present(prof)) S.BottomDepth = std::max(1.0, prof);
}

std::vector<CasingRow> EquipmentPainter::BlockCasingRows() const
{
    std::vector<CasingRow> rows;
    const TDirBlock* t = Table("Tubage");
    if (!t) return rows;
    const TBlock* deb = TableColumn(t, OptTubageDeb);
    const TBlock* fin = TableColumn(t, OptTubageFin);
    const TBlock* diam = TableColumn(t, OptTubageDiam);
    const TBlock* type = TableColumn(t, OptTubageType);
    const TBlock* design = DesignColumn(*t);
    const int count = t->RowCount();
    for (int r = 0; r < count; ++r) {
        if (!Belongs(design, r)) continue;
        CasingRow row;
        row.From = CellFloat(deb, r);
        row.To = CellFloat(fin, r);
        row.Diameter = CellFloat(diam, r);
        const std::int32_t ty = IntCell(type, r);
        row.Type = IsMissingInt(ty) ? 0 : ty;
        rows.push_back(row);
    }
    return rows;
}

std::vector<CasingRow> EquipmentPainter::GridCasingRows() const
{
    std::vector<CasingRow> rows;
    const int deb = GridCol(OptTubageDeb), fin = GridCol(OptTubageFin);
    const int diam = GridCol(OptTubageDiam), type = GridCol(OptTubageType);
    if (fin < 0) return rows;
    for (const int r : GridRows()) {
        CasingRow row;
        row.GridRow = r;
        // An empty depth cell reads as 0, as the editor stores it.
        row.From = StrToFloatVal(GridText(deb, r));
        row.To = StrToFloatVal(GridText(fin, r));
        if (!std::isfinite(row.From)) row.From = MissingFloat;
        if (!std::isfinite(row.To)) row.To = MissingFloat;
        row.Diameter = GridFloat(diam, r);
        row.Type = StrToIntVal(GridText(type, r));
        rows.push_back(row);
    }
    return rows;
}

std::vector<FillRow> EquipmentPainter::BlockFillRows(bool inner) const
{
    std::vector<FillRow> rows;
    const TDirBlock* t = Table(inner ? "AnnulaireInterne" : "Annulaire");
    if (!t) return rows;
    const TBlock* type = TableColumn(t, OptAnnulaireType);
    const TBlock* fin = TableColumn(t, OptAnnulaireFin);
    if (!type || !fin) return rows;
    const TBlock* deb = TableColumn(t, OptAnnulaireDeb);
    const TBlock* nature = TableColumn(t, OptAnnulaireNature);
    const TBlock* num = inner ? TableColumn(t, OptAnnulaireNum) : nullptr;
    const TBlock* design = DesignColumn(*t);
    DepthChain chain;
    const int count = t->RowCount();
    for (int r = 0; r < count; ++r) {
        if (!Belongs(design, r)) continue;
        const double to = CellFloat(fin, r);
        const double from = chain.From(CellFloat(deb, r), to);
        if (!Present(to) || !Present(from)) continue;
        FillRow row;
        row.Type = IntCell(type, r);
        row.Nature = nature ? IntCell(nature, r) : 0;
        const std::int32_t n = IntCell(num, r);
        row.Num = IsMissingInt(n) ? 1 : n;
        row.From = from;
        row.To = to;
        rows.push_back(row);
    }
    return rows;
}

std::vector<FillRow> EquipmentPainter::GridFillRows(bool inner) const
{
    std::vector<FillRow> rows;
    const int type = GridCol(OptAnnulaireType), fin = GridCol(OptAnnulaireFin);
    if (type < 0 || fin < 0) return rows;
    const int deb = GridCol(OptAnnulaireDeb), nature = GridCol(OptAnnulaireNature);
    const int num = inner ? GridCol(OptAnnulaireNum) : -1;
    DepthChain chain;
    for (const int r : GridRows()) {
        const double to = GridFloat(fin, r);
        const double from = chain.From(GridFloat(deb, r), to);
        if (!Present(to) || !Present(from)) continue;
        FillRow row;
        row.GridRow = r;
        row.Type = StrToIntVal(GridText(type, r));
        row.Nature = StrToIntVal(GridText(nature, r));
        const std::string numText = GridText(num, r);
        row.Num = numText.empty() ? 1 : StrToIntDefault(numText, 1);
        row.From = from;
        row.To = to;
        rows.push_back(row);
    }
    return rows;
}

// ---- scale ----

void EquipmentPainter::ScaleFromCasing(const std::vector<CasingRow>& rows)
{
    for (const CasingRow& row : rows) {
        if (Present(row.From)) S.WidenDepth(row.From);
        if (Present(row.To)) S.WidenDepth(row.To);
        S.WidenDiameter(Present(row.Diameter) ? row.Diameter : kDefaultCasingDiameter);
    }
}

void EquipmentPainter::FinishScale()
{
    if (finished_) return;
    finished_ = true;
    if (Tout) {
        const TDirBlock* t = Table("Niveau");
        const TBlock* deb = TableColumn(t, OptNiveauDeb);
        const TBlock* fin = TableColumn(t, OptNiveauFin);
        if (IsNumericColumn(deb) && IsNumericColumn(fin)) {
            const TBlock* design = DesignColumn(*t);
            const int count = t->RowCount();
            for (int r = 0; r < count; ++r) {
                if (!Belongs(design, r)) continue;
                S.WidenDepth(CellFloat(deb, r));
                S.WidenDepth(CellFloat(fin, r));
            }
        }
    }
    S.Finish();
}

// ---- background ----

void EquipmentPainter::Gradient(TRect r)
{
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    r.Left = std::max(r.Left, -1);
    r.Right = std::min(r.Right, W() + 1);
    C.Pen.Style = PenStyle::Clear;
    C.Brush.Style = BrushStyle::Solid;
    const std::int32_t water = WaterRow();
    const std::int32_t first = std::max(r.Top, 0), last = std::min(r.Bottom, H());
    // Rows of one colour are filled together; the picture is the same as
    // filling them one by one.
    std::int32_t y = first;
    while (y < last) {
        const TColor colour = FluidColour(y, water, H());
        std::int32_t end = y + 1;
        while (end < last && FluidColour(end, water, H()) == colour) ++end;
        C.Brush.Color = colour;
        C.FillRect(TRect{r.Left, y, r.Right, end});
        y = end;
    }
    C.Pen.Style = PenStyle::Solid;
}

void EquipmentPainter::Tile(const Region& region, const QImage& texture)
{
    if (region.IsEmpty() || texture.isNull()) return;
    TRect b = region.BoundingRect();
    b.Left = std::max(b.Left, 0);
    b.Top = std::max(b.Top, 0);
    b.Right = std::min(b.Right, W());
    b.Bottom = std::min(b.Bottom, H());
    if (b.IsEmpty()) return;
    C.SelectClipRegion(region);
    for (std::int32_t y = FloorTo64(b.Top); y < b.Bottom; y += kEquipmentTextureSize)
        for (std::int32_t x = FloorTo64(b.Left); x < b.Right; x += kEquipmentTextureSize) C.Draw(x, y, texture);
    C.SelectNoClipRegion();
}

void EquipmentPainter::Sky()
{
    const TRect sky{0, 0, W(), GroundRow()};
    Gradient(sky);
    HoleRegion.Subtract(Region(sky));
}

void EquipmentPainter::Ground()
{
    Tile(Region(TRect{0, GroundRow(), W(), H()}), EquipmentTexture(0));
}

void EquipmentPainter::Background()
{
    Sky();
    Ground();
    if (Tout) Lithology();
}

// The ground of the whole-equipment picture shows the ouvrage's levels: the
// lithology strip is drawn three times larger onto a strip of ground texture,
// reduced (which smooths its strokes) and laid side by side over the ground.
void EquipmentPainter::Lithology()
{
    if (!Borehole) return;
    const std::int32_t G = GroundRow();
    const std::int64_t height = std::int64_t(H()) - G;
    if (height <= 0 || G >= H()) return;
    const std::int64_t bigHeight = 3 * height;
    if (bigHeight > 3 * std::int64_t(kFar)) return;
    QImage strip(3 * kEquipmentTextureSize, static_cast<int>(bigHeight), QImage::Format_RGB888);
    if (strip.isNull()) return;
    {
        QPainterCanvas canvas(&strip);
        for (int y = 0; y < strip.height(); y += kEquipmentTextureSize)
            for (int x = 0; x < strip.width(); x += kEquipmentTextureSize) canvas.Draw(x, y, EquipmentTexture(0));
        // The strip painter works through the shared drawing state; it is
        // put back whatever happens.
        struct Restore {
            Canvas* canvas = DrawCanvas;
            std::int32_t medium = PenMedium;
            ~Restore()
            {
                PenMedium = medium;
                SetDrawCanvas(canvas);
            }
        } restore;
        PenMedium = 3;
        const TDirBlock* parent = Borehole->Parent();
        DessinerBandeLitho(parent ? *parent : *Borehole, parent ? std::string_view(Borehole->Name) : std::string_view(),
                           Designation, canvas, TRect{0, 0, strip.width(), strip.height()}, S.BottomDepth, false);
    }
    DownsampleBitmap(strip, 3);
    const QImage small = strip.copy(0, 0, kEquipmentTextureSize, static_cast<int>(height));
    for (std::int32_t i = 0; i <= (W() + 4) / kEquipmentTextureSize; ++i)
        C.Draw(kEquipmentTextureSize * i - 5, G, small);
}

// ---- open hole ----

TRect EquipmentPainter::OpenHoleSection(double From, double To, double Diameter, bool Selected)
{
    const std::int32_t X = S.DiamToX(Diameter);
    const TRect r{X, S.DepthToY(From), ClampToInt32(std::int64_t(W()) - 1 - X), S.DepthToY(To)};
    Gradient(r);
    if (Tout) {
        C.Pen = TPen{PenStyle::Solid, clBlack, 1};
        C.MoveTo(ClampToInt32(std::int64_t(r.Left) - 1), r.Top);
        C.LineTo(ClampToInt32(std::int64_t(r.Left) - 1), r.Bottom);
        C.LineTo(r.Right, r.Bottom);
        C.LineTo(r.Right, ClampToInt32(std::int64_t(r.Top) - 1));
    }
    HoleRegion.Unite(Region(r));
    if (Selected) {
        C.Brush.Style = BrushStyle::Clear;
        C.Pen = TPen{PenStyle::Solid, clBlack, 1};
        C.Rectangle(r.Left + 1, r.Top + 1, r.Right, r.Bottom);
        C.Pen.Color = kLightRed;
        C.Rectangle(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
        C.Brush.Style = BrushStyle::Solid;
    }
    return r;
}

HoleSection EquipmentPainter::ReadHoleSection(DepthChain& chain, std::int32_t gridRow, double from, double to,
                                              double diameter)
{
    from = chain.From(from, to);
    if (!Present(diameter)) diameter = kDefaultHoleDiameter;
    if (Present(from)) S.WidenDepth(from);
    if (Present(to)) S.WidenDepth(to);
    S.WidenDiameter(diameter);
    return {gridRow, from, to, diameter};
}

void EquipmentPainter::OpenHoleFromBlocks()
{
    const TDirBlock* t = Table("Trou-nu");
    const TBlock* fin = TableColumn(t, OptTrouNuFin);
    const TBlock* diam = TableColumn(t, OptTrouNuDiam);
    const TBlock* deb = TableColumn(t, OptTrouNuDeb);
    const TBlock* design = t ? DesignColumn(*t) : nullptr;
    const int count = IsNumericColumn(fin) && IsNumericColumn(diam) ? std::min(fin->Count(), diam->Count()) : 0;
    bool any = false;
    for (int r = 0; r < count && !any; ++r) any = Belongs(design, r);
    if (!any) {
        const double diameter = S.MaxDiameter;
        FinishScale();
        Background();
        OpenHoleSection(0, S.BottomDepth, diameter, false);
        return;
    }
    // The bottom of the whole picture comes from the open hole and the levels.
    if (Tout) S.BottomDepth = 0;
    std::vector<HoleSection> sections;
    DepthChain chain;
    for (int r = 0; r < count; ++r) {
        if (!Belongs(design, r)) continue;
        sections.push_back(ReadHoleSection(chain, -1, CellFloat(deb, r), CellFloat(fin, r), CellFloat(diam, r)));
    }
    FinishScale();
    Background();
    for (const HoleSection& s : sections)
        if (Present(s.From) && Present(s.To) && s.From <= s.To) OpenHoleSection(s.From, s.To, s.Diameter, false);
}

void EquipmentPainter::OpenHoleFromGrid()
{
    const int deb = GridCol(OptTrouNuDeb), fin = GridCol(OptTrouNuFin), diam = GridCol(OptTrouNuDiam);
    std::vector<HoleSection> sections;
    DepthChain chain;
    for (const int r : GridRows())
        sections.push_back(ReadHoleSection(chain, r, GridFloat(deb, r), GridFloat(fin, r), GridFloat(diam, r)));
    FinishScale();
    Ground();
    for (const HoleSection& s : sections) {
        if (!Present(s.From) || !Present(s.To) || s.From > s.To) continue;
        const TRect r = OpenHoleSection(s.From, s.To, s.Diameter, Selected(s.GridRow));
        EquipmentRegions.push_back({Region(r), s.GridRow});
    }
    Sky();
}

// ---- casing ----

Region EquipmentPainter::TubeSection(std::int32_t Type, bool Selected, double From, double To, double DiameterTop,
                                     double DiameterBottom)
{
    const std::int32_t XT = S.DiamToX(DiameterTop), XB = S.DiamToX(DiameterBottom);
    const std::int32_t L1 = XT - 2, L2 = XB - 2;
    const std::int32_t R1 = W() - 3 - L1, R2 = W() - 3 - L2;
    const std::int32_t Y1 = S.DepthToY(From), Y2 = S.DepthToY(To);
    const bool closed = Type == 4 || Type == 6 || Type == 8;

    TubeRegion.Unite(Region::FromPolygon({{L1 - 1, Y1}, {R1 + 3, Y1}, {R2 + 3, Y2 + 1}, {L2 - 1, Y2 + 1}}));
    if (closed) TubeRegion.Unite(Region(TRect{L2 - 1, Y2, R2 + 3, Y2 + 2}));
    TubeLines.push_back({Y1, W() - 1 - XT, Y2, W() - 1 - XB});

    const std::int32_t walls[2][2] = {{L1, L2}, {R1, R2}};
    Region wall;
    C.Brush.Style = BrushStyle::Clear;
    C.Pen = TPen{Type == 2 ? PenStyle::Dot : PenStyle::Solid, Selected ? clBlue : clBlack, 1};
    for (const auto& w : walls) {
        const std::int32_t A1 = w[0], A2 = w[1];
        Line(A1 - 1, Y1, A2 - 1, Y2);
        Line(A1 + 2, Y1, A2 + 2, Y2);
        Line(A1 - 1, Y1 - 1, A1 + 3, Y1 - 1);
        Line(A2 - 1, Y2 + 1, A2 + 3, Y2 + 1);
        wall.Unite(Region::FromPolygon({{A1 - 1, Y1 - 1}, {A1 + 3, Y1 - 1}, {A2 + 3, Y2 + 1}, {A2 - 1, Y2 + 1}}));
    }
    if (closed) {
        Line(L2 + 2, Y2 - 2, R2, Y2 - 2);
        Line(L2 - 1, Y2 + 1, R2 + 3, Y2 + 1);
        wall.Unite(Region(TRect{L2 - 1, Y2 - 2, R2 + 4, Y2 + 2}));
    }
    C.Pen.Color = Selected ? kSelectedShade : clGray;
    for (const auto& w : walls) Line(w[0] + 1, Y1, w[1] + 1, Y2);
    if (closed) Line(L2, Y2, R2 + 2, Y2);
    C.Pen.Color = Selected ? kSelectedLight : clWhite;
    for (const auto& w : walls) Line(w[0], Y1, w[1], Y2);
    if (closed) Line(L2, Y2 - 1, R2 + 1, Y2 - 1);
    C.Pen.Style = PenStyle::Solid;
    C.Brush.Style = BrushStyle::Solid;
    return wall;
}

void EquipmentPainter::Casing(const std::vector<CasingRow>& rows, bool fromGrid)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CasingRow& row = rows[i];
        // In the tables, a section without its depths ends the casing.
        if (!fromGrid && (!Present(row.From) || !Present(row.To))) break;
        if (!Present(row.From) || !Present(row.To) || row.From > row.To) continue;
        const double top = Present(row.Diameter) ? row.Diameter : kDefaultCasingDiameter;
        double bottom = top;
        if (row.Type == 7) {
            bottom = 0;
        } else if ((row.Type == 3 || row.Type == 13) && i + 1 < rows.size() && Present(rows[i + 1].Diameter)) {
            bottom = rows[i + 1].Diameter;
        }
        const bool selected = fromGrid && Selected(row.GridRow);
        Region wall = TubeSection(row.Type, selected, row.From, row.To, top, bottom);
        if (fromGrid) EquipmentRegions.push_back({std::move(wall), row.GridRow});
    }
}

// ---- fills ----

Region EquipmentPainter::FillSection(const FillRow& row, bool inner, bool Selected)
{
    const int texture = FillTexture(row.Type, row.Nature);
    if (texture == 0) return Region();
    const std::int32_t top = S.DepthToY(row.From), bottom = S.DepthToY(row.To);
    Region R;
    if (!inner) {
        R = Region(TRect{0, top, W(), bottom}).Intersected(AnnulusRegion);
    } else {
        ArrayOfAnnulairePoly bands;
        BandesEntreLignes(top, bottom, row.Num, TubeLines, bands);
        const std::int32_t m = W() - 1;
        for (const TAnnulairePoly& b : bands) {
            R.Unite(Region::FromPolygon(
                {{b.XA1 + 3, b.Y1}, {b.XB1 - 1, b.Y1}, {b.XB2 - 1, b.Y2}, {b.XA2 + 3, b.Y2}}));
            R.Unite(Region::FromPolygon({{m - (b.XA1 + 3), b.Y1},
                                         {m - (b.XB1 - 1), b.Y1},
                                         {m - (b.XB2 - 1), b.Y2},
                                         {m - (b.XA2 + 3), b.Y2}}));
        }
    }
    Tile(R, EquipmentTexture(texture));
    if (Selected) {
        C.FrameRegion(R.Offsetted(1, 1), clBlack);
        C.FrameRegion(R, kLightRed);
    }
    return R;
}

void EquipmentPainter::Fills(const std::vector<FillRow>& rows, bool inner, bool fromGrid)
{
    for (const FillRow& row : rows) {
        Region r = FillSection(row, inner, fromGrid && Selected(row.GridRow));
        if (fromGrid) EquipmentRegions.push_back({std::move(r), row.GridRow});
    }
}

}  // namespace

void DrawEquipment(std::string_view Table, Canvas& Target, std::int32_t Width, std::int32_t Height,
                   const StringGrid* Grid, const TStructTable* Fields, std::string_view Designation,
                   const TDirBlock* Borehole, GridRect Selection)
{
    ClearEquipmentRegions();
    if (Width <= 0 || Height <= 0) return;
    if (Table != "Trou-nu" && Table != "Tubage" && Table != "Annulaire" && Table != "AnnulaireInterne" &&
        Table != "Tout")
        return;
    EquipmentPainter painter(Table, Target, Width, Height, Table == "Tout" ? nullptr : Grid, Fields, Designation,
                             Borehole, Selection);
    painter.Run(Table);
}
