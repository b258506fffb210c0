// TFMultitubes: the tube manager ("Multitubes"), opened by the [Tables]
// command "Multitubes(" through TFChild::EditMultitubes. It lists the tubes of
// one ouvrage (multi-tubes in bold), adds, renames and deletes tubes, and
// opens the spreadsheet on one tube's rows. The rules are TubeManager's
// (tubes_logic.h).
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>

#include "app/tubes_logic.h"

class QLabel;
class QListWidget;
class QPushButton;
class TFChild;

class TFMultitubes : public QDialog {
    Q_OBJECT
public:
    explicit TFMultitubes(QWidget* parent = nullptr);  // FormCreate
    ~TFMultitubes() override;

    // The opener's fields: the collection window, the table (Indice\table
    // below the root), the ouvrage and the caption of LOuv.
    void Open(TFChild* child, TDirBlock* root, const std::string& indice, const std::string& table,
              const std::string& design);
    // FormShow's list refresh.
    void FormShow();

    void Button1Click();  // "Ajouter"
    void Button2Click();  // "Supprimer"
    void Button3Click();  // "Renommer"
    void BEditClick();    // "Editer..."
    void Button4Click();  // "?"
    void Button6Click();  // "Aide"

    TubeManager Tubes;
    // Opens the spreadsheet on the tube's rows; by default the collection
    // window's EditTable on the manager's table, with the tube named through
    // the main window (tests put their own here).
    std::function<void(const std::string& tube)> EditTube;

    QListWidget* LTubes = nullptr;
    QLabel* LOuv = nullptr;
    QLabel* LEnteteMulti = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* BEdit = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button6 = nullptr;

public slots:
    // "Fermer", Escape and the close box: the closing question first.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillList();

    QPointer<TFChild> child_;
    std::string table_;
};

extern TFMultitubes* FMultitubes;

// TFChild::EditMultitubes: the manager on the window's selected ouvrage and
// the table (created when missing, removed afterwards when left empty).
void MultitubesOpen(TFChild& child, const std::string& table);
