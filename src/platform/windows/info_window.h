// The information pop-up FInfo: a small borderless window in tooltip colours
// that shows the collection window's tooltip text laid out in lines and tab
// columns, and the reading of the tooltip template (infobulle.txt).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>
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

// ---- The collection window's tooltip ----------------------------------------
//
// The collection window keeps two fields for its tooltip, FTooltipState (0
// hidden, 1 being shown, 2 shown with the mouse grabbed by the control) and
// FHoverRow (-1 at creation), and calls these from the mouse-move handlers of
// itself and its three views (with mouse tracking on) and from its
// deactivation. The grab makes the control see the mouse leave it.

// How far right of the mouse point the pop-up sits: the width of the
// system's arrow cursor.
inline constexpr int kTooltipCursorWidth = 32;

// One mouse move at `point` (in `control`'s coordinates) over a view of the
// collection window `owner`. `tooltipsOn` is the state of the menu item
// "Afficher l'infobulle"; `rowAtMouse` gives the row under the point or -1;
// `tooltipText` the tooltip of a row (GetTooltipText).
void TooltipMouseMove(QWidget* owner, QWidget* control, QPoint point, bool tooltipsOn, std::uint8_t& tooltipState,
                      int& hoverRow, const std::function<int()>& rowAtMouse,
                      const std::function<std::string(int row)>& tooltipText);
// The collection window or the main window lost the activation; `control`
// is the window (the grab of any of its views is released) or the view.
void TooltipDeactivate(QWidget* control, std::uint8_t& tooltipState);
