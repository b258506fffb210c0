// TFOptionDessin: the drawing options window, "Configuration du dessin". It
// chooses which columns of "Trou-nu", "Tubage" and "Annulaire" the log
// drawing reads, the columns of the collection list, the bottom text and
// bottom picture of logs with the picture's height, the water-level symbol,
// the coordinate units, smoothing and the ground line. Created once at
// start-up (when it also gives the log its bottom picture and the picture's
// height) and shown modally; "Ok" writes every setting to carotix.ini and to
// the drawing's globals, "Annuler" changes nothing.
//
// The rules (the field lists, the choices, the order of the writes, the spin's
// bounds, the preview's width) are open below without widgets.
#pragma once

#include <QDialog>
#include <QImage>
#include <QSpinBox>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// ---- the rules, without widgets ----------------------------------------------

// One column choice: its combo, the edition.ini table section that lists the
// fields, the [Dessin] key, the default column and the drawing's global.
struct ComboChampDef {
    const char* Control;
    const char* Table;
    const char* Key;
    const char* Default;
    std::string* Variable;
};
// The eleven column choices in the order of the window.
const std::array<ComboChampDef, 11>& ComboChamps();

// The fields of an edition.ini table section: each line's value cut before
// its first ":", then before its first ",".
std::vector<std::string> ChampsDeTable(std::string_view table);
// The index of the field named by [Dessin] Key (Default when absent), -1 when
// it is not among them.
int IndexChampChoisi(const std::vector<std::string>& fields, std::string_view key, std::string_view defaultValue);

// The water symbols of the three buttons.
inline constexpr std::array<const char*, 3> kSymbolesEau = {"Sinusoïde", "Triangle", "Triangle plein"};
// The button of a stored symbol (older spellings included), -1 for none.
int BoutonSymboleEau(std::string_view symbol);

inline constexpr std::array<const char*, 3> kUnitesLatitudeLongitude = {"Degré", "Minute", "Seconde"};

// The bottom picture's height in percent of the log: 0 to 25.
inline constexpr int kTailleImageBasMax = 25;
int BorneTailleImageBas(long long value);
// A typed spin text as the spin takes it on leaving it: read as an integer
// (what reads of it), then brought into 0..25.
int TailleImageBasTapee(std::string_view text);

// The preview's width for a picture: picture width x preview height / picture
// height, rounded, never more than maxWidth (0 for an empty picture).
int LargeurApercu(int pictureWidth, int pictureHeight, int previewHeight, int maxWidth);

// [Général] "ChampsGrille" as the memo's lines, and back: blank lines are no
// fields and are left out.
std::vector<std::string> LignesChampsGrille(std::string_view value);
std::string TexteChampsGrille(const std::vector<std::string>& lines);

// A relative picture name is taken from the program folder.
std::string CheminImageBas(std::string_view name);

// What the window's controls hold when "Ok" is pressed.
struct DrawingOptionsChoice {
    // The chosen field of each column choice (ComboChamps order); nothing when
    // the combo has no selection.
    std::array<std::optional<std::string>, 11> Champs;
    std::vector<std::string> MemoLines;
    int SymboleEau = -1;  // button index, -1 for none
    std::string TexteBasDroite;
    std::string ImageBas;
    std::string UniteXY;
    std::string LatitudeLongitude;
    int TailleImageBas = 0;
    bool DesactiverLissage = false;
    bool SolVisible = true;
};

// One write of "Ok": where it goes and what it writes; Apply does it (the
// carotix.ini write and the global, or the coordinate unit).
struct OptionWrite {
    std::string Section;
    std::string Key;
    std::string Value;
    std::function<void()> Apply;
};
// The writes of "Ok", in their order: the column choices that have a
// selection, "ChampsGrille", "SymboleEau" (when a button is checked),
// "TexteBasDroite", "ImageBas", the coordinate unit (trimmed),
// "LatitudeLongitude", "TailleImageBas", "DésactiverLissage", "SolVisible".
std::vector<OptionWrite> PlanDrawingOptions(const DrawingOptionsChoice& choice);
// Runs them in order; a failing write stops there and passes its error on.
void ApplyDrawingOptions(const std::vector<OptionWrite>& writes);

// ---- the window ------------------------------------------------------------------

// The spin of the picture's height: a typed number outside 0..25 is kept
// while typing and brought into range when the spin is left.
class TSpinImageBas : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinImageBas(QWidget* parent = nullptr);
    QString TypedText() const;
    // Text as if typed into the spin (tests, scripted input).
    void SetTypedText(const QString& text);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

class TFOptionDessin : public QDialog {
    Q_OBJECT
public:
    explicit TFOptionDessin(QWidget* parent = nullptr);  // FormCreate
    ~TFOptionDessin() override;

    static constexpr const char* kCaption = "Configuration du dessin";

    // Handlers, named as the program names them.
    void FormShow();
    void Button1Click();  // "Ok"
    void Button3Click();  // "parcourir..."
    void EImageBasChange();
    void SpinImageBasExit();
    void RemplirComboChamp(QComboBox* Combo, const char* Table, const char* Key, const char* Default);
    // The choice the controls hold now.
    DrawingOptionsChoice Choice() const;
    // The picture of the preview (empty when none).
    const QImage& PreviewPicture() const { return preview_; }

    // Controls.
    QGroupBox* GroupTrouNu;
    QGroupBox* GroupTubage;
    QGroupBox* GroupAnnulaire;
    QComboBox* CTNDeb;
    QComboBox* CTNFin;
    QComboBox* CTNDiam;
    QComboBox* CTubDeb;
    QComboBox* CTubFin;
    QComboBox* CTubDiam;
    QComboBox* CTubType;
    QComboBox* CAnnDeb;
    QComboBox* CAnnFin;
    QComboBox* CAnnType;
    QComboBox* CAnnNat;
    QPlainTextEdit* MemoChamps;
    QLineEdit* ETexteBasDroite;
    QLineEdit* EImageBas;
    QPushButton* Button3;
    QLabel* ImageBas;
    TSpinImageBas* SpinImageBas;
    QGroupBox* GroupSymbole;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QLineEdit* EUniteXY;
    QComboBox* CLatitudeLongitude;
    QCheckBox* CheckBox_DesactiverLissage;
    QCheckBox* CheckBox_SolVisible;
    QPushButton* Button1;
    QPushButton* Button2;

    // The combos in ComboChamps order.
    std::array<QComboBox*, 11> Combos() const;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The bottom picture and its height as the log has them: what "Annuler"
    // brings the controls back to.
    void RestoreBottomPicture();
    QImage preview_;
    std::string shownImageBas_;
    int shownTaille_ = 0;
};

extern TFOptionDessin* FOptionDessin;
