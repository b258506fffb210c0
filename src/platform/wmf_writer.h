// The normal metafile (.wmf) writer: a Canvas whose drawing becomes the
// records of a placeable Windows metafile (the 22-byte placeable header, then
// the metafile header and records).
//
// Every coordinate of the format is 16 bits: the picture is at most 32767
// units a side, and anything drawn beyond +-32767 is cut away geometrically
// before it is written (nothing is wrapped around). The placeable header
// gives the picture's size at 1,200 units per inch; the records set the
// anisotropic mapping with the picture as the window. Texts are written in
// Windows-1252, a character without a byte there as "?".
#pragma once

#include "platform/metafile_canvas.h"

class WmfCanvas final : public MetafileCanvas {
public:
    static constexpr std::int32_t kMaxCoord = 32767;

    // Sizes beyond kMaxCoord are brought down to it.
    WmfCanvas(std::int32_t width, std::int32_t height);
    ~WmfCanvas() override;

    // Record functions written, for readers of our own files (tests).
    enum RecordFunction : std::uint16_t {
        META_EOF = 0x0000,
        META_SAVEDC = 0x001E,
        META_SETBKMODE = 0x0102,
        META_SETMAPMODE = 0x0103,
        META_SETPOLYFILLMODE = 0x0106,
        META_RESTOREDC = 0x0127,
        META_SELECTOBJECT = 0x012D,
        META_SETTEXTALIGN = 0x012E,
        META_DELETEOBJECT = 0x01F0,
        META_SETBKCOLOR = 0x0201,
        META_SETTEXTCOLOR = 0x0209,
        META_SETWINDOWORG = 0x020B,
        META_SETWINDOWEXT = 0x020C,
        META_CREATEPENINDIRECT = 0x02FA,
        META_CREATEFONTINDIRECT = 0x02FB,
        META_CREATEBRUSHINDIRECT = 0x02FC,
        META_POLYGON = 0x0324,
        META_POLYLINE = 0x0325,
        META_INTERSECTCLIPRECT = 0x0416,
        META_ELLIPSE = 0x0418,
        META_RECTANGLE = 0x041B,
        META_SETPIXEL = 0x041F,
        META_EXTTEXTOUT = 0x0A32,
        META_STRETCHDIB = 0x0F43,
    };

protected:
    void RecSetup() override;
    void RecPolyline(const TPoint* points, std::size_t count) override;
    void RecPolygon(const TPoint* points, std::size_t count) override;
    void RecRectangle(const TRect& r) override;
    void RecEllipse(const TRect& r) override;
    void RecSetPixel(std::int32_t x, std::int32_t y, TColor colour) override;
    void RecText(std::int32_t x, std::int32_t y, const std::u32string& text,
                 const std::vector<std::int32_t>& advances) override;
    void RecCreatePen(int slot, const TPen& pen) override;
    void RecCreateBrush(int slot, const TBrush& brush) override;
    void RecCreateFont(int slot, const TFont& font) override;
    void RecSelectObject(int slot) override;
    void RecDeleteObject(int slot) override;
    void RecSaveDC() override;
    void RecRestoreDC() override;
    void RecIntersectClipRect(const TRect& r) override;
    void RecTextColor(TColor colour) override;
    void RecBkColor(TColor colour) override;
    void RecBkMode(bool opaque) override;
    void RecStretchImage(const TRect& dest, const QImage& rgb888) override;
    std::string RecFinish() override;

private:
    std::size_t Begin(std::uint16_t function);
    void End(std::size_t start);
    // A record of 16-bit values in the order the file holds them.
    void Simple(std::uint16_t function, std::initializer_list<std::int32_t> words);
    void Points(std::uint16_t function, const TPoint* points, std::size_t count);
    // A record of one colour.
    void ColourRecord(std::uint16_t function, TColor colour);

    LeBytes rec_;
    std::uint32_t maxRecordWords_ = 0;
};
