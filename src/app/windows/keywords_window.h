// TFMotCles: the keywords editor ("Mot-clés"), opened by the collection
// window's table command "MotClés(table)". It shows the ouvrage's keywords,
// the keywords available from the lexicons and the other ouvrages that carry
// the selected keywords; the rules are those of KeywordsEditor
// (keywords_logic.h).
#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

#include "app/keywords_logic.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class TFChild;

class TFMotCles : public QDialog {
    Q_OBJECT
public:
    explicit TFMotCles(QWidget* parent = nullptr);
    ~TFMotCles() override;

    // Fills the window from the editor's state (MotClesPrepare's side).
    void ShowEditor(TFChild* child, KeywordsEditor* editor);

    void Button_AjouterClick();
    void Button_SupprimerClick();
    void Button_SelectOuvragesClick();
    void ListView_MotsClesSelectItem();
    void ListView_OuvragesSelectItem();
    // "Valider": stores when the list changed, then closes.
    void Button2Click();
    // "Annuler": closes without storing and without asking.
    void Button1Click();

    // Selected lines of a list, in line order.
    static std::vector<int> SelectedLines(QTreeWidget* list);

    QTreeWidget* ListView_MotsCles;
    QTreeWidget* ListView_Dispo;
    QTreeWidget* ListView_Ouvrages;
    QPushButton* Button_Ajouter;
    QPushButton* Button_Supprimer;
    QPushButton* Button_SelectOuvrages;
    QPushButton* Button2;
    QPushButton* Button1;

protected:
    // Any other close with a changed list asks whether to store it.
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    void FillLines(QTreeWidget* list, const std::vector<KeywordLine>& lines);
    void SetColumns(QTreeWidget* list);
    void FitColumns(QTreeWidget* list);
    void SortBy(QTreeWidget* list, int column);

    QPointer<TFChild> child_;
    KeywordsEditor* editor_ = nullptr;
    std::vector<KeywordOuvrage> ouvrages_;
    bool closing_ = false;
};

extern TFMotCles* FMotCles;

// MotClesOpen: the editor on row `row` of the collection window and table
// `table`; with dropIfEmpty a table left without column is removed from the
// borehole afterwards. Shows its own boxes for an invalid row and a failed
// preparation.
void MotClesOpen(TFChild* child, int row, bool dropIfEmpty, const std::string& table, QWidget* parent = nullptr);
