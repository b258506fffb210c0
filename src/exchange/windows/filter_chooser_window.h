// TFFiltreOra: the chooser of the current filter file of the fixed-width
// exchange ("Filtre d'import/export Oracle", Configuration menu).
//
// The window lists the filter files of the program folder (filtre*.txt) by
// their first line, the current one selected. "Ok" makes the selected file the
// current filter (OracleFilterName), written at once to carotix.ini [Oracle]
// "Filtre"; "Editer..." opens the selected file with the program the desktop
// associates with it. The rules sit in free functions below the window, so
// that they are tested without it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

// ---- the chooser's rules, without any widget -------------------------------

// What the list shows: one title (the file's first line) per filter file, its
// full path at the same position, and the line of the current filter file.
struct FilterChooserList {
    std::vector<std::string> Titles;
    std::vector<std::string> FilterPaths;
    int Selected = -1;  // -1: the current filter is not among them
};

// The filter files of `folder`, the one whose path equals `currentFilter`
// without regard to case selected.
FilterChooserList LoadFilterChooserList(const std::string& folder, const std::string& currentFilter);

// "Ok" with line `selected`: the file becomes OracleFilterName and is written
// to carotix.ini [Oracle] "Filtre" at once. Nothing happens, and false is
// answered, when no line is selected or the list is empty.
bool AcceptFilterChoice(const FilterChooserList& list, int selected);

// "Editer...": opens the file of line `selected` with its associated program
// (UiServices). When the desktop cannot open it, a box says so, rather than
// letting the click pass without effect. False when nothing was opened.
bool EditFilterFile(const FilterChooserList& list, int selected);

// The left edges of "Ok", "Annuler" and "Editer..." centred on a client width,
// as FormResize places them (integer halves).
struct FilterChooserButtonLefts {
    int ok = 0;
    int annul = 0;
    int edit = 0;
};
FilterChooserButtonLefts FilterChooserButtons(int clientWidth, int okWidth, int annulWidth, int editWidth);

inline constexpr const char* kFilterChooserCaption = "Filtre d'import/export Oracle";

// ---- the window ------------------------------------------------------------

class TFFiltreOra : public QDialog {
    Q_OBJECT
public:
    explicit TFFiltreOra(QWidget* parent = nullptr);

    QLabel* Label1;
    QListWidget* ListFiltres;
    QWidget* Panel1;
    QPushButton* BOk;
    QPushButton* BAnnul;
    QPushButton* BEdit;

    // The full paths of the listed files, line by line.
    std::vector<std::string> FilterPaths;
    // The line selected, -1 for none.
    int SelectedLine() const;

    // Empties and refills the list from the program folder (FormShow).
    void FillList();
    // Places the list, the panel and the buttons (FormResize).
    void FormResize();
    void BEditClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    FilterChooserList list_;
};

extern TFFiltreOra* FFiltreOra;

// The Configuration command "Filtre d'import/export Ora...": shows FFiltreOra
// modally (made on first use when the start-up did not make it) and, on "Ok"
// with a selected line, makes that file the current filter.
void FiltredimporationOracle1Click(QWidget* parent);
