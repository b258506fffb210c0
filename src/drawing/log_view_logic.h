// The behaviour of the log window (TFCoupe), without any widget: the back
// buffer drawn through DessinerCoupe (smoothed three times over at zoom 1, a
// smoothing the window switches off for the rest of the run after one rebuild
// slower than half a second), zoom and dragging, the depth window of the two
// spins, the hovered element and its frame, the selected levels shown
// inverted, the selection button, and clicks turned into the [Tables] command
// of the element under the mouse.
//
// Coordinates are those of the drawing area (below the window's tool bar):
// the window hands them over already relative to it. The table-command
// dispatcher of the main window is reached through RunTableCommand, so that
// the log window depends on nothing of the main window.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <string>

#include "drawing/hit_maps.h"
#include "platform/canvas_types.h"

class Canvas;
class TDirBlock;

// The colours of the hovered element's frame: blue shifted by one pixel, and
// light blue at its place.
inline constexpr TColor kSurvolShadowColour = 0xFF0000;
inline constexpr TColor kSurvolFrameColour = 0xFFC080;

class LogView {
public:
    LogView();

    // ---- what is shown (set by the collection window before Redraw) ----
    TDirBlock* Racine = nullptr;  // the collection root (not owned)
    std::string Chemin;           // the borehole path (its Indice)
    std::string Designation;
    std::string NomTube;          // the tube drawn, empty for all

    // ---- state ----
    TZoneCoupe Survol;            // the hovered element
    QImage BackBuffer;
    std::int32_t Zoom = 1;        // 1, 2, 4 ... 64
    double ScrollX = 0.5;         // the page point shown at the centre, as fractions
    double ScrollY = 0.5;
    std::int32_t ClientW = 0;     // the drawing area
    std::int32_t ClientH = 0;
    std::int32_t PageW = -1;      // the page at the current zoom; -1 before the first drawing
    std::int32_t PageH = -1;
    bool ARebatir = true;
    bool EnGlissement = false;    // a drag is under way
    bool Deplace = false;         // the mouse moved far enough to drag
    TPoint LastPoint;
    TPoint StartPoint;
    // The oversampling factor of the last rebuild (3 smoothed, else 1).
    std::int32_t LastFactor = 1;

    // ---- controls ----
    bool ToolSel = false;         // the selection button is down
    std::int32_t SpinDe = 0;      // depth window in whole metres
    std::int32_t SpinA = 0;
    std::int32_t Increment = 10;  // of both spins
    bool Ajuster = true;          // "Ajuster"

    // ---- links ----
    // The main window's ExecuteTableCommand(name, row).
    std::function<void(const std::string& name, std::int32_t row)> RunTableCommand;
    // Asked to paint (the window paints at once when it is visible); the
    // back buffer is rebuilt first when ARebatir is set.
    std::function<void()> RequestPaint;
    // Seconds on a steady clock; tests make a rebuild look slow with it.
    std::function<double()> Clock;

    // ARebatir := true, then paint.
    void Redraw();
    // Sets the drawing area (the window's resize); the buffer is rebuilt.
    void Resize(std::int32_t clientW, std::int32_t clientH);
    // The collection window's choice of what is shown.
    void SetBorehole(TDirBlock* root, const std::string& path, const std::string& design);

    // Step 1 of painting: rebuilds the back buffer when ARebatir (clears it).
    // Returns whether it rebuilt.
    bool RebuildIfNeeded();
    void Rebuild();
    // Painting: the back buffer at (0, 0), then the hovered element framed
    // (not during a drag).
    void Paint(Canvas& target) const;
    // The depth window DessinerCoupe gets: both spins 0 give automatic bounds.
    void DepthWindow(double& from, double& to) const;
    // The page size at the current zoom for the drawing area (portrait, sides
    // 1 : sqrt 2).
    static void PageSize(std::int32_t clientW, std::int32_t clientH, std::int32_t zoom, std::int32_t& pw,
                         std::int32_t& ph);
    // The spin increment for an ouvrage's depth extent.
    static std::int32_t SpinIncrement(double extent);

    // ---- zoom ----
    void CaptionButtonPlusClick();
    void CaptionButtonMoinsClick();

    // ---- elements under the mouse ----
    TZoneCoupe TableNameAt(std::int32_t X, std::int32_t Y) const;
    // Runs the element's [Tables] command; false when nothing is there.
    bool OpenTableAt(std::int32_t X, std::int32_t Y);
    // Toggles the "Sélection" cell of the level under the point; false when
    // no level is there.
    bool ToggleNiveauSelection(std::int32_t X, std::int32_t Y);
    // Whether a level row is selected ("Niveau\Sélection" = 1).
    bool LevelSelected(std::int32_t row) const;

    // ---- mouse ----
    enum class Button { Left, Right, Middle };
    // What the window has to do after a mouse event.
    struct MouseAnswer {
        bool confine = false;   // a drag started: keep the cursor in `confineRect` (relative to the press point)
        TRect confineRect;
        bool handCursor = false;     // the drag really moves: show the hand
        bool defaultCursor = false;  // the drag ended
    };
    MouseAnswer MouseDown(Button button, std::int32_t X, std::int32_t Y);
    MouseAnswer MouseMove(std::int32_t X, std::int32_t Y);
    MouseAnswer MouseUp(Button button, std::int32_t X, std::int32_t Y);

    // ---- keys of the tube list: arrows move a quarter of the visible part ----
    enum class Arrow { Left, Right, Up, Down };
    void ScrollByArrow(Arrow arrow);

    // ---- depth window ----
    void SpinDeExit();
    void SpinAExit();

private:
    double Now() const;
    // The log into the back buffer at F times its size, brought back to the
    // drawing area's size, and the selected levels inverted.
    void DrawIntoBackBuffer(std::int32_t F, double started);
};
