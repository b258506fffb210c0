// The information pop-up FInfo: a small borderless window in tooltip colours
// that shows the collection window's tooltip text laid out in lines and tab
// columns, and the reading of the tooltip template (infobulle.txt).
#pragma once

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDirBlock;

struct InfoPiece {
    int x = 0;
    int y = 0;
    std::string text;
    bool operator==(const InfoPiece&) const = default;
};

struct InfoLayout {
    std::vector<InfoPiece> pieces;
    int width = 0;   // of the widest line
    int height = 0;  // of all lines
};

// The width and height in pixels of a piece of text.
struct InfoTextSize {
    int width = 0;
    int height = 0;
};
using InfoMeasure = std::function<InfoTextSize(const std::string& piece)>;

// Lays out a text: CR LF ends a line, a tab moves to the next tab stop
// (60, 116, 172, ... pixels); each piece sits 2 pixels inside its place. The
// window takes width + 4 by height + 4.
InfoLayout LayoutInfoText(std::string_view text, const InfoMeasure& measure);

class TFInfo : public QWidget {
    Q_OBJECT
public:
    explicit TFInfo(QWidget* parent = nullptr);

    QPointer<QWidget> Owner;        // the collection window whose tooltip is shown
    std::vector<InfoPiece> Pieces;  // the laid-out pieces
    std::string Text;               // the text last laid out

    // Lays out `text` with the window's font, resizes the window (its
    // position unchanged) and repaints it.
    void SetText(const std::string& text);
    // Pixel size of a piece in the window's font.
    InfoTextSize Measure(const std::string& piece) const;

protected:
    void paintEvent(QPaintEvent* event) override;  // FormPaint
};

extern TFInfo* FInfo;

// Lays out FInfo (nothing without it).
void InfoSetText(const std::string& text);

// The tooltip of one ouvrage: the template file read whole and expanded for the
// borehole `indice` and designation `design` of `root`. A missing, unreadable
// or oversized file gives empty text. Line ends of the file become CR LF,
// whichever the editor wrote, so that the lines show as lines.
std::string TooltipText(const std::filesystem::path& templateFile, const TDirBlock& root, const std::string& indice,
                        const std::string& design);
