// The database window TFDatabase ("Base de donnée"): the one connection every
// database command uses, its alias and parameters (carotix.ini [Général]
// "DB Alias" and db_params.txt), and the lexicon and stratigraphy imports.
// Created when first needed, it lives until the program ends.
//
// TFAutoDesign ("Designation dans la table Ouvrage"): the dialog of the
// download that offers to rename an ouvrage whose designation the database
// does not know.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/ui_services.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

inline constexpr const char* kDbAliasKey = "DB Alias";
inline constexpr const char* kDbParamsFile = "db_params.txt";

class TFDatabase : public QDialog {
    Q_OBJECT
public:
    explicit TFDatabase(QWidget* parent = nullptr);  // FormCreate
    ~TFDatabase() override;                          // FormDestroy

    TDatabase Database1;
    QComboBox* CDatabases;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;  // "Ok"
    QPushButton* Button2;  // "Annuler"
    QPushButton* Button3;  // "Config. SQL"
    QPushButton* Button4;  // "Importer un lexique"
    QPushButton* Button5;  // "Importer stratigraphie"

    void FormShow();
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillAliases();
};

// The window, created on first use with `parent`.
TFDatabase& DatabaseWindow(QWidget* parent);
extern TFDatabase* FDatabase;

// db_params.txt of the program folder: its lines, and writing them back
// (safely, keeping the file's encoding).
std::vector<std::string> ReadDbParams();
void WriteDbParams(const std::vector<std::string>& lines);

class TFAutoDesign : public QDialog {
    Q_OBJECT
public:
    explicit TFAutoDesign(QWidget* parent = nullptr);
    ~TFAutoDesign() override;
    QLabel* LCur;
    QListWidget* LOuvr;
    QPushButton* Button1;  // "Renommer comme cela": Yes
    QPushButton* Button2;  // "Conserver la désignation actuellle": No
    QPushButton* Button3;  // "Annuler le téléchargement": Cancel

    // Fills the dialog, shows it modally and answers Yes (with the chosen
    // line), No or Cancel.
    MsgResult Choose(const std::string& current, const std::vector<std::string>& lines, int& chosen);
};

extern TFAutoDesign* FAutoDesign;
// How the download asks its question (FAutoDesign by default; tests replace it).
using DesignationChooser =
    std::function<MsgResult(const std::string& current, const std::vector<std::string>& lines, int& chosen)>;
void SetDesignationChooser(DesignationChooser chooser);
MsgResult ChooseDesignation(const std::string& current, const std::vector<std::string>& lines, int& chosen);
