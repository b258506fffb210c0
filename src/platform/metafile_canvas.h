// What the two metafile writers (emf_writer.h, wmf_writer.h) share: a Canvas
// that turns the drawing calls into the graphics records of a Windows
// metafile, leaving only the byte layout of each record to the format.
//
// The picture is Width x Height logical units (one unit = one pixel of the
// drawing) on a 1,200 dpi reference device; the file maps its units onto the
// page through the anisotropic mapping mode.
//
// What the writer does itself, because metafile readers do not:
// - Clip regions. Readers honour the intersect-clip-rectangle record and
//   ignore region records, so a clip region is written as its bounding
//   rectangle (between a save and a restore of the device state) and, when
//   it is not a plain rectangle, every shape drawn under it is cut to the
//   region here: lines to the parts that lie inside, fills to the region's
//   rectangles.
// - Coordinate limits. Everything beyond the format's limit (16 bits for the
//   normal format) is cut away geometrically; nothing beyond it is written.
// - Graphics objects. Pens, brushes and fonts are created when first needed,
//   kept while they are in use and deleted when too many are alive; an
//   object selected in a saved device state is never deleted before that
//   state is restored.
// - Text. Each character's advance is written with the text, so the text
//   keeps the width it was measured with, whatever fonts the reader has.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas.h"

class QImage;

// Little-endian bytes of metafile records.
struct LeBytes {
    std::string data;
    void U8(std::uint8_t v) { data.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v);
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v);
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v);
    void Bytes(std::string_view b) { data.append(b); }
    void Zeros(std::size_t n) { data.append(n, '\0'); }
    // Zeros up to a multiple of `alignment` bytes.
    void Pad(std::size_t alignment);
    void PatchU32(std::size_t at, std::uint32_t v);
    std::size_t Size() const { return data.size(); }

    // What the font records of both formats hold after the sizes and the
    // weight: italic, underline, strike-out, the character set, then the
    // default precisions, quality, pitch and family.
    void FontFlags(const TFont& font, std::uint8_t charset);
    // A 24-bit device-independent bitmap as both formats embed it: its header,
    // then the rows from the bottom up, blue, green and red, each row padded
    // to four bytes (Dib24Bits bytes in all).
    void Dib24(const QImage& rgb888);
};

// The size of the rows Dib24 writes.
std::size_t Dib24Bits(const QImage& rgb888);

class MetafileCanvas : public Canvas {
public:
    static constexpr std::int32_t kDpi = 1200;

    ~MetafileCanvas() override;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

    // The whole file. The first call ends the picture (end record, header
    // totals); drawing after it is ignored.
    const std::string& Bytes();
    // Writes the file through a temporary file in the same folder, renamed
    // onto `path`. With replace false an existing file is never touched: the
    // call fails (returns false, errno EEXIST) when `path` exists, even when
    // it appears while the file is being written. Throws std::runtime_error
    // with a French message for other failures.
    bool SaveToFile(const std::filesystem::path& path, bool replace);

    void Polyline(const TPoint* points, std::size_t count) override;
    using Canvas::Polyline;
    void PolyPolyline(const TPoint* points, const std::int32_t* counts, std::size_t polylineCount) override;
    void Rectangle(const TRect& r) override;
    using Canvas::Rectangle;
    void FillRect(const TRect& r) override;
    void Polygon(const TPoint* points, std::size_t count) override;
    using Canvas::Polygon;
    void Ellipse(const TRect& r) override;
    void SetPixel(std::int32_t x, std::int32_t y, TColor colour) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view utf8Text) override;
    void TextRect(const TRect& clip, std::int32_t x, std::int32_t y, std::string_view utf8Text) override;
    void FillRegion(const Region& region) override;
    void FrameRegion(const Region& region, TColor colour, std::int32_t w = 1, std::int32_t h = 1) override;
    void SetClipRegion(const std::optional<Region>& region) override;
    void InvertRect(const TRect&) override {}
    void InvertRegion(const Region&) override {}
    bool CanInvert() const override { return false; }
    void Draw(std::int32_t x, std::int32_t y, const QImage& image) override;
    void StretchDraw(const TRect& r, const QImage& image) override;
    TDeviceCaps DeviceCaps() const override;

protected:
    // width x height units; coordinates beyond +-coordLimit are cut away.
    MetafileCanvas(std::int32_t width, std::int32_t height, std::int32_t coordLimit);

    // Must be called by the format's constructor once the format is ready:
    // writes the records that set up the device (mapping, modes).
    void BeginPicture();

    // ---- records, written by the format --------------------------------
    // Every coordinate handed to them lies within +-coordLimit; point lists
    // hold at least 2 points (3 for polygons) and at most kMaxPoints.
    static constexpr std::size_t kMaxPoints = 8000;
    // Characters per text record at most.
    static constexpr std::size_t kMaxTextChars = 4096;

    virtual void RecSetup() = 0;  // map mode, window/viewport, fill and text modes
    virtual void RecPolyline(const TPoint* points, std::size_t count) = 0;
    // Several polylines in one record where the format has one.
    virtual void RecPolyPolyline(const std::vector<TPoint>& points, const std::vector<std::int32_t>& counts);
    virtual void RecPolygon(const TPoint* points, std::size_t count) = 0;
    // The device's Rectangle and Ellipse (right and bottom edges left out).
    virtual void RecRectangle(const TRect& r) = 0;
    virtual void RecEllipse(const TRect& r) = 0;
    virtual void RecSetPixel(std::int32_t x, std::int32_t y, TColor colour) = 0;
    // Text at (x, y) with one advance per character.
    virtual void RecText(std::int32_t x, std::int32_t y, const std::u32string& text,
                         const std::vector<std::int32_t>& advances) = 0;
    // Graphics objects in table slot `slot` (0-based; the table of the
    // normal format fills its lowest free slot, which is what the slots
    // handed out here are).
    virtual void RecCreatePen(int slot, const TPen& pen) = 0;
    virtual void RecCreateBrush(int slot, const TBrush& brush) = 0;
    virtual void RecCreateFont(int slot, const TFont& font) = 0;
    virtual void RecSelectObject(int slot) = 0;
    virtual void RecDeleteObject(int slot) = 0;
    virtual void RecSaveDC() = 0;
    virtual void RecRestoreDC() = 0;
    virtual void RecIntersectClipRect(const TRect& r) = 0;
    virtual void RecTextColor(TColor colour) = 0;
    virtual void RecBkColor(TColor colour) = 0;
    virtual void RecBkMode(bool opaque) = 0;
    // The image stretched into dest (right and bottom edges left out),
    // 24 bits per pixel, at most kMaxImageSide pixels a side.
    virtual void RecStretchImage(const TRect& dest, const QImage& rgb888) = 0;
    // The end record, then the header and the records as one file.
    virtual std::string RecFinish() = 0;

    static constexpr int kMaxImageSide = 2048;

    // The logical pen and brush styles, the same codes in both formats.
    static std::uint32_t PenStyleCode(PenStyle style);
    static std::uint32_t BrushStyleCode(BrushStyle style);

    // The number of object slots the picture needed at most.
    int MaxObjectSlots() const { return static_cast<int>(slots_.size()); }
    std::int32_t CoordLimit() const { return limit_; }

private:
    enum class ObjectKind { Pen, Brush, Font };
    struct ObjectSlot {
        bool used = false;
        ObjectKind kind = ObjectKind::Pen;
        TPen pen;
        TBrush brush;
        TFont font;
        std::uint64_t lastUse = 0;
    };
    // What the device has selected, and the DC attributes the writer sets.
    struct DcState {
        int pen = -1;
        int brush = -1;
        int font = -1;
        std::optional<TColor> textColour;
        std::optional<TColor> bkColour;
        std::optional<bool> bkOpaque;
    };

    bool Drawing() const;
    int FindOrCreate(ObjectKind kind, const TPen* pen, const TBrush* brush, const TFont* font);
    void SelectPen(const TPen& pen);
    void SelectBrush(const TBrush& brush);
    void SelectFont(const TFont& font);
    bool SelectedAnywhere(int slot) const;
    void CollectObjects(ObjectKind kind);
    void SaveDC();
    void RestoreDC();

    // Lines through the pen, cut to the limit and to the clip.
    void StrokePolylines(const std::vector<std::vector<TPoint>>& lines);
    void EmitPolylines(const std::vector<std::vector<TPoint>>& lines);
    // Pixels of a region filled with a brush and no outline.
    void FillPixelRects(const std::vector<TRect>& rects, const TBrush& brush);
    // The part of a shape's pixels under the geometric clip.
    std::vector<TRect> ClippedRects(const Region& shape) const;
    std::vector<std::vector<TPoint>> ClipToRegion(const std::vector<TPoint>& line) const;
    Region ShapeWithinClip(const std::vector<TPoint>& pts) const;
    void ShapeUnderRegion(const Region& shape, const std::vector<TPoint>& outline);
    void WriteText(std::int32_t x, std::int32_t y, std::string_view utf8Text);

    TSize DeviceTextExtent(const TFont& font, std::string_view utf8Text) override;
    std::vector<std::int32_t> Advances(const TFont& font, const std::u32string& text) const;

    std::int32_t width_;
    std::int32_t height_;
    std::int32_t limit_;
    std::vector<ObjectSlot> slots_;
    std::uint64_t useClock_ = 0;
    DcState dc_;
    std::vector<DcState> saved_;
    bool clipSaved_ = false;     // a clip's save of the device state is open
    bool clipHidesAll_ = false;  // an empty clip region: nothing shows
    // The rectangles of a non-rectangular clip region (empty: the device's
    // clip rectangle is exact), sorted by rows.
    std::vector<TRect> clipRects_;
    bool finished_ = false;
    std::string bytes_;
};

// Writes bytes to a new file: a temporary file in the same folder renamed
// onto `path`, replacing it or (replace false) never replacing an existing
// file, in which case false is returned. Other failures throw
// std::runtime_error with a French message naming the file.
bool WriteFileSafely(const std::filesystem::path& path, std::string_view bytes, bool replace);
