// What a person sees of a window at the size it opens with: every visible
// label, check box, radio button, push button and tool button shows its whole
// text (wide enough, not cut by its parents, not covered by a sibling), no
// tool bar hides an action and no menu bar a menu behind its extension button, every list column
// shows its title and its contents (or its share of the list), every caption
// button lies wholly inside its window, its right side RightMargin pixels
// from the window's right edge, and the window lies on the screen's available
// area. Texts are measured with the installed fonts.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class QWidget;

// One line per fault, each naming the widget ("Window/objectName 'text'").
// With smallScreen (narrower than the usual desk), status bars may cut
// their long messages.
std::vector<std::string> WindowGeometryFaults(QWidget* window, bool smallScreen = false);

// Saves what the window shows as a PNG picture for people to look at.
void SaveWindowShot(QWidget* window, const std::filesystem::path& file);
