// The title block ("bandeau") at the top of every drawn log: a user-made list
// of lines and texts placed on a coarse grid of band units, kept for the whole
// run in BandeauObjets and stored in carotix.ini [Bandeau].
//
// Band units: the band is 60 units wide (the drawing's full width) and
// 4 x OptTailleBandeau units high. The list order is the drawing order.
//
// Stored form, one key per object ("Objet0", "Objet1", ... in list order):
//   x1,y1,x2,y2,Size,"Text"[,left|,center|,right]
// with each double quote of the text written twice. Size -1 makes a line from
// (x1, y1) to (x2, y2); Size >= 0 a text in the rectangle, Size being its
// character height in thousandths of the drawing's width. The text is a
// template (percent placeholders) expanded per borehole when a log is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TIniFile;

struct TBandeauObjet {
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;
    std::int32_t x2 = 0;
    std::int32_t y2 = 0;
    std::int32_t Size = -1;  // -1: a line; >= 0: a text of that height
    std::string Text;        // template; empty for lines
    std::uint8_t Align = 1;  // 1 left, 2 centred, 3 right; 0 for lines drawn in the editor
    std::uint8_t Selected = 0;  // editor state, never stored

    bool IsLine() const { return Size == -1; }
    friend bool operator==(const TBandeauObjet&, const TBandeauObjet&) = default;
};

// The title block of the program, read by every log drawing.
extern std::vector<TBandeauObjet> BandeauObjets;
// True when the title block must be written back at the end of the run
// (the editor sets it when a change is accepted).
extern bool BandeauModifie;

// The value line of object Index of BandeauObjets.
std::string BandeauObjetToString(std::size_t Index);
// The value line of one object.
std::string BandeauObjetToString(const TBandeauObjet& Objet);

// Parses one line of the section ("Objet3=..." or a bare value) and, when it
// holds at least five fields, appends one object to BandeauObjets (returns
// true). A number field that is not a decimal integer throws EConvertError and
// appends nothing.
bool BandeauObjetFromString(std::string_view Line);

// The fields of a value line by the comma-text rule: blanks and one comma
// separate fields, a double-quoted field may hold both ("" inside stands for
// one quote), an empty field between two commas counts, a comma at the very
// end adds none.
std::vector<std::string> SplitBandeauFields(std::string_view Value);

// Loading at start-up: empties BandeauObjets, clears BandeauModifie and reads
// every line of [Bandeau] in file order (the keys' numbers are not
// interpreted). A line whose numbers cannot be read is skipped and the lines
// after it are still read, so that one damaged line does not lose the rest of
// the title block (which would be erased from the file at the next save).
// Returns the message of each skipped line (empty when all were read).
std::vector<std::string> BandeauCharger(const TIniFile& Ini);
// Saving at the end of the run, only when BandeauModifie: [Dessin]
// "TailleBandeau" := OptTailleBandeau, then the whole [Bandeau] section is
// replaced by the objects in order. Does nothing otherwise.
void BandeauEnregistrer(TIniFile& Ini);
// The same with the program's carotix.ini (IniCarotix); nothing without it.
std::vector<std::string> BandeauChargerCarotix();
void BandeauEnregistrerCarotix();
