// The textures of the equipment picture, made once on first use: the ground
// and one texture per kind of fill (cement grouts, gravel packs, backfills,
// seals). Each is 64 x 64 pixels and tiles seamlessly: every shape that
// crosses an edge is drawn again on the opposite side.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cstdint>
#include <functional>

#include "drawing/equipment.h"

namespace {

constexpr int S = kEquipmentTextureSize;

// A small generator of our own, so that the textures are the same at every
// run and drawing them leaves the program's shared random generator alone.
class Dice {
public:
    explicit Dice(std::uint32_t seed) : state_(seed) {}
    int Next(int n)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return n <= 0 ? 0 : static_cast<int>((std::uint64_t(state_ >> 8) * std::uint64_t(n)) >> 24);
    }

private:
    std::uint32_t state_;
};

// Draws `shape` at (x, y) and at its copies across the edges it crosses.
void Wrapped(int x, int y, int reach, const std::function<void(int, int)>& shape)
{
    for (int dy = -S; dy <= S; dy += S)
        for (int dx = -S; dx <= S; dx += S) {
            const int cx = x + dx, cy = y + dy;
            if (cx + reach < 0 || cx - reach >= S || cy + reach < 0 || cy - reach >= S) continue;
            shape(cx, cy);
        }
}

struct Texture {
    QImage Image{S, S, QImage::Format_RGB32};
    QPainter P;
    Dice D;
    explicit Texture(QColor base, std::uint32_t seed) : D(seed)
    {
        Image.fill(base);
        P.begin(&Image);
    }
    QImage Done()
    {
        P.end();
        return Image;
    }
    // Single-pixel specks in a colour.
    void Specks(int count, QColor colour)
    {
        for (int i = 0; i < count; ++i) Image.setPixelColor(D.Next(S), D.Next(S), colour);
    }
    // Small dots two pixels wide.
    void Dots(int count, QColor colour)
    {
        P.setRenderHint(QPainter::Antialiasing, false);
        P.setPen(Qt::NoPen);
        P.setBrush(colour);
        for (int i = 0; i < count; ++i) {
            const int x = D.Next(S), y = D.Next(S);
            Wrapped(x, y, 2, [&](int cx, int cy) { P.drawRect(cx, cy, 2, 2); });
        }
    }
    // Rounded grains of radius rMin..rMax.
    void Pebbles(int count, int rMin, int rMax, QColor fill, QColor outline)
    {
        P.setRenderHint(QPainter::Antialiasing, true);
        P.setPen(QPen(outline, 1));
        P.setBrush(fill);
        for (int i = 0; i < count; ++i) {
            const int x = D.Next(S), y = D.Next(S);
            const int rx = rMin + D.Next(rMax - rMin + 1), ry = rMin + D.Next(rMax - rMin + 1);
            Wrapped(x, y, rMax + 2, [&](int cx, int cy) { P.drawEllipse(QPoint(cx, cy), rx, ry); });
        }
    }
    // Angular chunks (broken rock, aggregate).
    void Chunks(int count, int size, QColor fill, QColor outline)
    {
        P.setRenderHint(QPainter::Antialiasing, true);
        P.setPen(QPen(outline, 1));
        P.setBrush(fill);
        for (int i = 0; i < count; ++i) {
            const int x = D.Next(S), y = D.Next(S);
            QPolygon shape;
            const int corners = 4 + D.Next(2);
            static const int kDir[5][2] = {{0, -1}, {1, 0}, {1, 1}, {-1, 1}, {-1, 0}};
            for (int k = 0; k < corners; ++k) {
                const int r = size / 2 + D.Next(size / 2 + 1);
                shape << QPoint(kDir[k][0] * r, kDir[k][1] * r);
            }
            Wrapped(x, y, size + 2, [&](int cx, int cy) { P.drawPolygon(shape.translated(cx, cy)); });
        }
    }
    // Short horizontal dashes (clay, bentonite).
    void Dashes(int count, int length, QColor colour)
    {
        P.setRenderHint(QPainter::Antialiasing, false);
        P.setPen(QPen(colour, 1));
        for (int i = 0; i < count; ++i) {
            const int x = D.Next(S), y = D.Next(S);
            Wrapped(x, y, length + 1, [&](int cx, int cy) { P.drawLine(cx, cy, cx + length - 1, cy); });
        }
    }
};

QImage MakeTexture(int index)
{
    switch (index) {
    case 0: {  // the ground: brown soil with specks and a few stones
        Texture t(QColor(150, 118, 80), 11);
        t.Specks(260, QColor(118, 90, 60));
        t.Specks(160, QColor(178, 146, 104));
        t.Pebbles(6, 2, 4, QColor(132, 118, 100), QColor(96, 80, 62));
        return t.Done();
    }
    case 1: {  // cement grout
        Texture t(QColor(192, 192, 190), 21);
        t.Specks(380, QColor(150, 150, 150));
        t.Specks(200, QColor(222, 222, 220));
        return t.Done();
    }
    case 2: {  // bentonite-cement grout
        Texture t(QColor(176, 182, 166), 22);
        t.Specks(300, QColor(140, 146, 130));
        t.Dashes(24, 5, QColor(128, 134, 118));
        return t.Done();
    }
    case 3: {  // concrete
        Texture t(QColor(186, 186, 180), 23);
        t.Specks(260, QColor(150, 150, 146));
        t.Chunks(14, 5, QColor(150, 144, 136), QColor(104, 100, 94));
        return t.Done();
    }
    case 4: {  // calibrated silica gravel
        Texture t(QColor(226, 212, 172), 24);
        t.Pebbles(20, 3, 5, QColor(238, 228, 198), QColor(150, 130, 90));
        return t.Done();
    }
    case 5: {  // calibrated silica sand
        Texture t(QColor(236, 222, 164), 25);
        t.Dots(110, QColor(196, 176, 116));
        return t.Done();
    }
    case 6: {  // rounded gravel
        Texture t(QColor(212, 196, 160), 26);
        t.Pebbles(12, 5, 8, QColor(196, 172, 132), QColor(118, 98, 68));
        return t.Done();
    }
    case 7: {  // glass beads
        Texture t(QColor(204, 226, 236), 27);
        QPainter& p = t.P;
        p.setRenderHint(QPainter::Antialiasing, true);
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 4; ++col) {
                const int x = col * 16 + (row % 2) * 8 + 8, y = row * 16 + 8;
                Wrapped(x, y, 9, [&](int cx, int cy) {
                    p.setPen(QPen(QColor(110, 150, 170), 1));
                    p.setBrush(QColor(232, 246, 250));
                    p.drawEllipse(QPoint(cx, cy), 6, 6);
                    p.setPen(Qt::NoPen);
                    p.setBrush(Qt::white);
                    p.drawEllipse(QPoint(cx - 2, cy - 2), 1, 1);
                });
            }
        return t.Done();
    }
    case 8: {  // drilling cuttings
        Texture t(QColor(162, 132, 96), 28);
        t.Specks(300, QColor(126, 100, 70));
        t.Chunks(12, 3, QColor(186, 160, 124), QColor(110, 86, 58));
        return t.Done();
    }
    case 9: {  // gravel
        Texture t(QColor(202, 188, 152), 29);
        t.Pebbles(16, 3, 6, QColor(168, 162, 152), QColor(100, 94, 86));
        return t.Done();
    }
    case 10: {  // sand
        Texture t(QColor(230, 210, 150), 30);
        t.Dots(90, QColor(184, 160, 100));
        t.Specks(120, QColor(210, 186, 126));
        return t.Done();
    }
    case 11: {  // natural collapse: broken blocks
        Texture t(QColor(172, 152, 122), 31);
        t.Chunks(9, 9, QColor(146, 126, 98), QColor(92, 76, 56));
        t.Specks(120, QColor(130, 112, 88));
        return t.Done();
    }
    case 12: {  // all-in aggregate: grains of every size
        Texture t(QColor(190, 172, 138), 32);
        t.Specks(200, QColor(150, 132, 100));
        t.Pebbles(6, 5, 7, QColor(176, 162, 140), QColor(110, 96, 74));
        t.Pebbles(14, 2, 3, QColor(160, 150, 136), QColor(110, 96, 74));
        return t.Done();
    }
    case 13: {  // clay
        Texture t(QColor(166, 150, 130), 33);
        t.Dashes(46, 7, QColor(118, 104, 88));
        return t.Done();
    }
    case 14: {  // watertight seal: dark bentonite, layered
        Texture t(QColor(96, 112, 102), 34);
        QPainter& p = t.P;
        p.setPen(QPen(QColor(70, 86, 76), 1));
        for (int y = 3; y < S; y += 8) p.drawLine(0, y, S - 1, y);
        t.Specks(160, QColor(122, 138, 128));
        return t.Done();
    }
    default: return QImage();
    }
}

}  // namespace

const QImage& EquipmentTexture(int index)
{
    static const std::array<QImage, kEquipmentTextureCount> textures = [] {
        std::array<QImage, kEquipmentTextureCount> all;
        for (int i = 0; i < kEquipmentTextureCount; ++i) all[static_cast<std::size_t>(i)] = MakeTexture(i);
        return all;
    }();
    static const QImage none;
    if (index < 0 || index >= kEquipmentTextureCount) return none;
    return textures[static_cast<std::size_t>(index)];
}
