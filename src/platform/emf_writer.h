// The enhanced metafile (.emf) writer: a Canvas whose drawing becomes the
// records of an EMF file, our own so that it has every record the logs need
// (poly-polylines, rotated fonts, clipping) and nothing of any other library.
//
// The picture is Width x Height units on a 1,200 dpi reference device of
// exactly that many pixels; the header's frame gives the same size in
// hundredths of a millimetre, and the records set the anisotropic mapping of
// the whole picture onto it. Records use 16-bit points where every point of
// the record fits, 32-bit ones otherwise.
#pragma once

#include "platform/metafile_canvas.h"

class EmfCanvas final : public MetafileCanvas {
public:
    EmfCanvas(std::int32_t width, std::int32_t height);
    ~EmfCanvas() override;

    // Record types written, for readers of our own files (tests).
    enum RecordType : std::uint32_t {
        EMR_HEADER = 1,
        EMR_POLYGON = 3,
        EMR_POLYLINE = 4,
        EMR_POLYPOLYLINE = 7,
        EMR_SETWINDOWEXTEX = 9,
        EMR_SETWINDOWORGEX = 10,
        EMR_SETVIEWPORTEXTEX = 11,
        EMR_SETVIEWPORTORGEX = 12,
        EMR_EOF = 14,
        EMR_SETPIXELV = 15,
        EMR_SETMAPMODE = 17,
        EMR_SETBKMODE = 18,
        EMR_SETPOLYFILLMODE = 19,
        EMR_SETTEXTALIGN = 22,
        EMR_SETTEXTCOLOR = 24,
        EMR_SETBKCOLOR = 25,
        EMR_INTERSECTCLIPRECT = 30,
        EMR_SAVEDC = 33,
        EMR_RESTOREDC = 34,
        EMR_SELECTOBJECT = 37,
        EMR_CREATEPEN = 38,
        EMR_CREATEBRUSHINDIRECT = 39,
        EMR_DELETEOBJECT = 40,
        EMR_ELLIPSE = 42,
        EMR_RECTANGLE = 43,
        EMR_STRETCHDIBITS = 81,
        EMR_EXTCREATEFONTINDIRECTW = 82,
        EMR_EXTTEXTOUTW = 84,
        EMR_POLYGON16 = 86,
        EMR_POLYLINE16 = 87,
        EMR_POLYPOLYLINE16 = 90,
        EMR_EXTCREATEPEN = 95,
    };

protected:
    void RecSetup() override;
    void RecPolyline(const TPoint* points, std::size_t count) override;
    void RecPolyPolyline(const std::vector<TPoint>& points, const std::vector<std::int32_t>& counts) override;
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
    std::size_t Begin(std::uint32_t type);
    void End(std::size_t start);
    void Simple(std::uint32_t type, std::initializer_list<std::int32_t> values);
    void Bounds(const TPoint* points, std::size_t count);
    void Points(std::uint32_t type16, std::uint32_t type32, const TPoint* points, std::size_t count);
    // The points in 16 bits each when `small`, else in 32.
    void PointList(const TPoint* points, std::size_t count, bool small);

    LeBytes rec_;
    std::uint32_t records_ = 0;
};
