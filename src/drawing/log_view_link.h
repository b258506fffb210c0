// The log window (TFCoupe) as the rest of the program drives it: the
// collection windows, the editors, the coding pass and the level search show
// an ouvrage in it or redraw it after changing data.
//
// They reach it through this link so that none of them includes the log
// window: the program registers the log window with SetLogViewLink when it
// creates it at start-up. Until then it is simply absent.
#pragma once

#include <string>
#include <vector>

class TDirBlock;

class LogViewLink {
public:
    virtual ~LogViewLink() = default;
    // Shows one ouvrage (Racine, Chemin = indice, Designation); root null shows
    // nothing.
    virtual void SetBorehole(const TDirBlock* root, const std::string& indice, const std::string& design) = 0;
    // The collection the log window shows now (its Racine), null for none.
    virtual const TDirBlock* ShownRoot() const = 0;
    // The tube list (CTubes) and the chosen tube; -1 chooses none.
    virtual void SetTubes(const std::vector<std::string>& tubes, int chosen) = 0;
    virtual void Redraw() = 0;
    virtual bool IsShown() const = 0;
    virtual void ShowAndFocus() = 0;
};
// Registers the log window (nullptr when it goes away).
void SetLogViewLink(LogViewLink* link);
LogViewLink* GetLogViewLink();
