// Fuzzes the two metafile writers with drawing calls made from the input
// bytes (any coordinates, clip regions of any shape, texts of any bytes): each
// file must end well formed, its records walking exactly to its end, with the
// sizes its header announces.
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/emf_writer.h"
#include "platform/wmf_writer.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return at_ < size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::int32_t Coord()
    {
        // Mostly on the page, sometimes anywhere in 32 bits.
        const std::uint8_t kind = Byte();
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        if (kind % 4 != 0) return static_cast<std::int32_t>(v % 12000) - 1000;
        return static_cast<std::int32_t>(v);
    }
    std::string Text()
    {
        const std::size_t n = Byte() % 40;
        std::string t;
        for (std::size_t i = 0; i < n; ++i) t.push_back(static_cast<char>(Byte()));
        return t;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

std::uint32_t U32(const std::string& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

std::uint16_t U16(const std::string& b, std::size_t at)
{
    std::uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

void CheckEmf(const std::string& b)
{
    if (b.size() < 108 || U32(b, 0) != 1 || U32(b, 48) != b.size()) std::abort();
    std::size_t at = 0, records = 0;
    while (at < b.size()) {
        if (at + 8 > b.size()) std::abort();
        const std::uint32_t size = U32(b, at + 4);
        if (size < 8 || size % 4 != 0 || at + size > b.size()) std::abort();
        ++records;
        if (U32(b, at) == EmfCanvas::EMR_EOF && at + size != b.size()) std::abort();
        at += size;
    }
    if (records != U32(b, 52)) std::abort();
}

void CheckWmf(const std::string& b)
{
    if (b.size() < 40 || U32(b, 0) != 0x9AC6CDD7u || 2 * std::size_t(U32(b, 28)) != b.size() - 22) std::abort();
    std::size_t at = 40;
    bool ended = false;
    while (at < b.size()) {
        if (ended || at + 6 > b.size()) std::abort();
        const std::uint32_t words = U32(b, at);
        if (words < 3 || words > U32(b, 34) || at + 2 * std::size_t(words) > b.size()) std::abort();
        ended = U16(b, at + 4) == WmfCanvas::META_EOF;
        at += 2 * std::size_t(words);
    }
    if (!ended) std::abort();
}

void Draw(Canvas& c, Input& in)
{
    for (int op = 0; op < 200 && in.More(); ++op) {
        switch (in.Byte() % 12) {
        case 0: {
            std::vector<TPoint> pts(in.Byte() % 20);
            for (TPoint& p : pts) p = {in.Coord(), in.Coord()};
            c.Polyline(pts);
            break;
        }
        case 1:
            c.Rectangle(in.Coord(), in.Coord(), in.Coord(), in.Coord());
            break;
        case 2: {
            std::vector<TPoint> pts(in.Byte() % 12);
            for (TPoint& p : pts) p = {in.Coord(), in.Coord()};
            c.Polygon(pts);
            break;
        }
        case 3:
            c.Ellipse(TRect{in.Coord(), in.Coord(), in.Coord(), in.Coord()});
            break;
        case 4:
            c.TextOut(in.Coord(), in.Coord(), in.Text());
            break;
        case 5:
            c.TextRect(TRect{in.Coord(), in.Coord(), in.Coord(), in.Coord()}, in.Coord(), in.Coord(), in.Text());
            break;
        case 6: {
            Region r(TRect{in.Coord(), in.Coord(), in.Coord(), in.Coord()});
            if (in.Byte() % 2) {
                std::vector<TPoint> pts(3 + in.Byte() % 5);
                for (TPoint& p : pts) p = {in.Coord() % 20000, in.Coord() % 20000};
                // As the drawing code does, a clip polygon is kept to the device.
                const TDeviceCaps caps = c.DeviceCaps();
                r.Unite(Region::FromPolygon(pts, TRect{0, 0, caps.HorzRes, caps.VertRes}));
            }
            c.SelectClipRegion(r);
            break;
        }
        case 7:
            c.SelectNoClipRegion();
            break;
        case 8:
            c.Pen = TPen{static_cast<PenStyle>(in.Byte() % 3), RGBColor(in.Byte(), in.Byte(), in.Byte()),
                         static_cast<std::int32_t>(in.Byte()) - 10};
            break;
        case 9:
            c.Brush = TBrush{static_cast<BrushStyle>(in.Byte() % 2), RGBColor(in.Byte(), in.Byte(), in.Byte())};
            break;
        case 10:
            c.Font.Height = in.Coord();
            c.Font.Escapement = in.Coord();
            c.Font.Name = in.Text();
            break;
        case 11:
            c.FillRect(TRect{in.Coord(), in.Coord(), in.Coord(), in.Coord()});
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_metafile_writer";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    {
        Input in(data, size);
        EmfCanvas emf(2000, 2828);
        Draw(emf, in);
        CheckEmf(emf.Bytes());
    }
    {
        Input in(data, size);
        WmfCanvas wmf(2000, 2828);
        Draw(wmf, in);
        CheckWmf(wmf.Bytes());
    }
    return 0;
}
