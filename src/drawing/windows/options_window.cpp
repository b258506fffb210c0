#include "drawing/windows/options_window.h"
#include "platform/base/safe_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <algorithm>
#include <filesystem>

#include "drawing/log_layout.h"
#include "drawing/rounding.h"
#include "drawing/title_block.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/numbers.h"
#include "store/options.h"

TFOptionDessin* FOptionDessin = nullptr;

// ---- the rules ---------------------------------------------------------------------

namespace {

constexpr const char* kChampsGrilleDefaut = "Dossier\\Nature,Dossier\\Lieu-Dit,Dossier\\Commune";
// Pictures above this size are not loaded (as for the log's bottom picture).
constexpr long long kMaxPreviewPixels = 100LL * 1000 * 1000;

}  // namespace

const std::array<ComboChampDef, 11>& ComboChamps()
{
    static const std::array<ComboChampDef, 11> defs = {{
        {"CTNDeb", "Trou-nu", "TrouNuDeb", "Deb", &OptTrouNuDeb},
        {"CTNFin", "Trou-nu", "TrouNuFin", "Fin", &OptTrouNuFin},
        {"CTNDiam", "Trou-nu", "TrouNuDiam", "Diam", &OptTrouNuDiam},
        {"CTubDeb", "Tubage", "TubageDeb", "Deb", &OptTubageDeb},
        {"CTubFin", "Tubage", "TubageFin", "Fin", &OptTubageFin},
        {"CTubDiam", "Tubage", "TubageDiam", "Diam", &OptTubageDiam},
        {"CTubType", "Tubage", "TubageType", "Type", &OptTubageType},
        {"CAnnDeb", "Annulaire", "AnnulaireDeb", "Deb", &OptAnnulaireDeb},
        {"CAnnFin", "Annulaire", "AnnulaireFin", "Fin", &OptAnnulaireFin},
        {"CAnnType", "Annulaire", "AnnulaireType", "Type", &OptAnnulaireType},
        {"CAnnNat", "Annulaire", "AnnulaireNature", "Nature", &OptAnnulaireNature},
    }};
    return defs;
}

std::vector<std::string> ChampsDeTable(std::string_view table)
{
    std::vector<std::string> fields;
    for (const std::string& line : EditionSectionLines(table)) {
        const std::size_t eq = line.find('=');
        std::string value = eq == std::string::npos ? line : line.substr(eq + 1);
        if (const std::size_t colon = value.find(':'); colon != std::string::npos) value.resize(colon);
        if (const std::size_t comma = value.find(','); comma != std::string::npos) value.resize(comma);
        fields.push_back(std::move(value));
    }
    return fields;
}

int IndexChampChoisi(const std::vector<std::string>& fields, std::string_view key, std::string_view defaultValue)
{
    const std::string wanted = IniCarotix ? IniCarotix->ReadString("Dessin", key, defaultValue) : std::string(defaultValue);
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i] == wanted) return static_cast<int>(i);
    return -1;
}

int BoutonSymboleEau(std::string_view symbol)
{
    if (symbol == "Sinusoïde" || symbol == "Sinusoide") return 0;
    if (symbol == "Triangle" || symbol == "Triangle vide") return 1;
    if (symbol == "Triangle plein") return 2;
    return -1;
}

int BorneTailleImageBas(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, 0, kTailleImageBasMax));
}

int TailleImageBasTapee(std::string_view text)
{
    const std::string t = Trim(text);
    // The digits of a number too long for an integer still mean "a lot".
    bool negative = !t.empty() && t[0] == '-';
    std::size_t digits = 0;
    for (std::size_t i = negative ? 1 : 0; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) ++digits;
    if (digits > 9) return negative ? 0 : kTailleImageBasMax;
    const std::int32_t v = StrToIntVal(t);
    return BorneTailleImageBas(negative && v > 0 ? -static_cast<long long>(v) : v);
}

int LargeurApercu(int pictureWidth, int pictureHeight, int previewHeight, int maxWidth)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || previewHeight <= 0) return 0;
    const std::int64_t w = RoundHalfEvenDiv(std::int64_t(pictureWidth) * previewHeight, pictureHeight);
    return static_cast<int>(std::min<std::int64_t>(w, std::max(maxWidth, 0)));
}

std::vector<std::string> LignesChampsGrille(std::string_view value)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = value.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? value.size() : comma;
        if (!Trim(value.substr(start, end - start)).empty()) lines.emplace_back(value.substr(start, end - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return lines;
}

std::string TexteChampsGrille(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        std::string field = Trim(line);
        if (field.empty()) continue;
        if (!text.empty()) text += ',';
        text += field;
    }
    return text;
}

std::string CheminImageBas(std::string_view name)
{
    if (name.empty()) return {};
    std::filesystem::path file = Utf8ToPath(name);
    if (file.is_relative() && !ProgramFolder().empty()) file = ProgramFolder() / file;
    return PathToUtf8(file);
}

std::vector<OptionWrite> PlanDrawingOptions(const DrawingOptionsChoice& choice)
{
    std::vector<OptionWrite> writes;
    auto text = [&](const char* section, const char* key, std::string value, std::string* global = nullptr) {
        writes.push_back({section, key, value, [section, key, value, global] {
                              if (global) *global = value;
                              if (IniCarotix) IniCarotix->WriteString(section, key, value);
                          }});
    };
    auto flag = [&](const char* key, bool value, bool* global) {
        writes.push_back({"Dessin", key, value ? "1" : "0", [key, value, global] {
                              *global = value;
                              if (IniCarotix) IniCarotix->WriteBool("Dessin", key, value);
                          }});
    };
    const auto& defs = ComboChamps();
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (choice.Champs[i]) text("Dessin", defs[i].Key, *choice.Champs[i], defs[i].Variable);
    text("Général", "ChampsGrille", TexteChampsGrille(choice.MemoLines));
    if (choice.SymboleEau >= 0 && choice.SymboleEau < static_cast<int>(kSymbolesEau.size()))
        text("Dessin", "SymboleEau", kSymbolesEau[static_cast<std::size_t>(choice.SymboleEau)], &OptSymboleEau);
    text("Dessin", "TexteBasDroite", choice.TexteBasDroite);
    text("Dessin", "ImageBas", choice.ImageBas);
    const std::string unit = Trim(choice.UniteXY);
    writes.push_back({"Dessin", "UnitéXY", unit, [unit] { SetUnitXY(unit); }});
    text("Dessin", "LatitudeLongitude", choice.LatitudeLongitude, &OptLatitudeLongitude);
    const int taille = BorneTailleImageBas(choice.TailleImageBas);
    writes.push_back({"Dessin", "TailleImageBas", IntToStr(taille), [taille] {
                          OptTailleImageBas = taille;
                          if (IniCarotix) IniCarotix->WriteInteger("Dessin", "TailleImageBas", taille);
                      }});
    flag("DésactiverLissage", choice.DesactiverLissage, &OptDesactiverLissage);
    flag("SolVisible", choice.SolVisible, &OptSolVisible);
    return writes;
}

void ApplyDrawingOptions(const std::vector<OptionWrite>& writes)
{
    for (const OptionWrite& w : writes) w.Apply();
}

// ---- the spin -------------------------------------------------------------------------

TSpinImageBas::TSpinImageBas(QWidget* parent) : QSpinBox(parent)
{
    setRange(0, kTailleImageBasMax);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QString TSpinImageBas::TypedText() const { return lineEdit()->text(); }

void TSpinImageBas::SetTypedText(const QString& text) { lineEdit()->setText(text); }

QValidator::State TSpinImageBas::validate(QString& input, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid) return state;
    // Any number may be typed; leaving the spin brings it into range.
    static const QRegularExpression number(QStringLiteral("^\\s*-?\\d{1,12}\\s*$"));
    return number.match(input).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

void TSpinImageBas::fixup(QString& input) const
{
    input = QString::number(TailleImageBasTapee(FromQString(input)));
}

// ---- the window -------------------------------------------------------------------------

namespace {

QLabel* MakeLabel(QWidget* parent, const char* text, int x, int y, int w, int h = 16)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setGeometry(x, y, w, h);
    return l;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, int x, int y, int w)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromUtf8(name));
    c->setEditable(false);
    c->setGeometry(x, y, w, 22);
    return c;
}

}  // namespace

TFOptionDessin::TFOptionDessin(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FOptionDessin"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(483, 452);
    FOptionDessin = this;

    // Column choices, one group per table.
    auto group = [this](const char* title, int y, int rows) {
        auto* g = new QGroupBox(QString::fromUtf8(title), this);
        g->setGeometry(8, y, 230, 24 + rows * 24);
        return g;
    };
    auto row = [](QGroupBox* g, int i, const char* caption, const char* name) {
        MakeLabel(g, caption, 8, 22 + i * 24, 136);
        return MakeCombo(g, name, 146, 19 + i * 24, 76);
    };
    GroupTrouNu = group("Trou-nu", 4, 3);
    CTNDeb = row(GroupTrouNu, 0, "Champ  prof. d\xC3\xA9" "but :", "CTNDeb");
    CTNFin = row(GroupTrouNu, 1, "Champ  prof. fin :", "CTNFin");
    CTNDiam = row(GroupTrouNu, 2, "Champ  diam\xC3\xA8tre :", "CTNDiam");
    GroupTubage = group("Tubage", 104, 4);
    CTubDeb = row(GroupTubage, 0, "Champ  prof. d\xC3\xA9" "but :", "CTubDeb");
    CTubFin = row(GroupTubage, 1, "Champ  prof. fin :", "CTubFin");
    CTubDiam = row(GroupTubage, 2, "Champ  diam\xC3\xA8tre :", "CTubDiam");
    CTubType = row(GroupTubage, 3, "Champ  type de tube :", "CTubType");
    GroupAnnulaire = group("Annulaire", 228, 4);
    CAnnDeb = row(GroupAnnulaire, 0, "Champ  prof. d\xC3\xA9" "but :", "CAnnDeb");
    CAnnFin = row(GroupAnnulaire, 1, "Champ  prof. fin :", "CAnnFin");
    CAnnType = row(GroupAnnulaire, 2, "Champ  type ann. :", "CAnnType");
    CAnnNat = row(GroupAnnulaire, 3, "Champ  nature :", "CAnnNat");

    // The collection list, the bottom of the logs.
    MakeLabel(this, "Champs \xC3\xA0 afficher dans la liste des ouvrages", 246, 2, 232, 32)->setWordWrap(true);
    MemoChamps = new QPlainTextEdit(this);
    MemoChamps->setObjectName(QStringLiteral("MemoChamps"));
    MemoChamps->setGeometry(246, 34, 229, 54);
    MakeLabel(this, "Texte en bas \xC3\xA0 droite", 246, 92, 229);
    ETexteBasDroite = new QLineEdit(this);
    ETexteBasDroite->setObjectName(QStringLiteral("ETexteBasDroite"));
    ETexteBasDroite->setGeometry(246, 108, 229, 22);
    MakeLabel(this, "Image en bas", 246, 136, 150);
    EImageBas = new QLineEdit(this);
    EImageBas->setObjectName(QStringLiteral("EImageBas"));
    EImageBas->setGeometry(246, 152, 150, 22);
    Button3 = new QPushButton(QStringLiteral("parcourir..."), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(400, 151, 75, 24);
    ImageBas = new QLabel(this);
    ImageBas->setObjectName(QStringLiteral("ImageBas"));
    ImageBas->setScaledContents(true);
    ImageBas->setGeometry(246, 180, 150, 60);
    MakeLabel(this, "Taille (%)", 400, 180, 75);
    SpinImageBas = new TSpinImageBas(this);
    SpinImageBas->setObjectName(QStringLiteral("SpinImageBas"));
    SpinImageBas->setGeometry(400, 196, 75, 22);
    SpinImageBas->setValue(5);

    GroupSymbole = new QGroupBox(QString::fromUtf8("Symbole niveau d'eau"), this);
    GroupSymbole->setGeometry(246, 246, 229, 66);
    RadioButton1 = new QRadioButton(QString::fromUtf8("Sinuso\xC3\xAF" "de"), GroupSymbole);
    RadioButton1->setGeometry(10, 20, 100, 20);
    RadioButton2 = new QRadioButton(QStringLiteral("Triangle"), GroupSymbole);
    RadioButton2->setGeometry(116, 20, 100, 20);
    RadioButton3 = new QRadioButton(QStringLiteral("Triangle plein"), GroupSymbole);
    RadioButton3->setGeometry(10, 42, 120, 20);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton3->setObjectName(QStringLiteral("RadioButton3"));

    // Coordinates and display switches.
    MakeLabel(this, "Unit\xC3\xA9 des coordonn\xC3\xA9" "es cart\xC3\xA9siennes de l'ouvrage XY :", 8, 379, 336);
    EUniteXY = new QLineEdit(this);
    EUniteXY->setObjectName(QStringLiteral("EUniteXY"));
    EUniteXY->setGeometry(346, 376, 129, 22);
    MakeLabel(this, "Unit\xC3\xA9 des coordonn\xC3\xA9" "es latitude/longitude :", 8, 403, 336);
    CLatitudeLongitude = MakeCombo(this, "CLatitudeLongitude", 346, 400, 129);
    for (const char* unit : kUnitesLatitudeLongitude) CLatitudeLongitude->addItem(QString::fromUtf8(unit));
    CheckBox_DesactiverLissage =
        new QCheckBox(QString::fromUtf8("D\xC3\xA9sactiver le lissage du dessin (affichage plus rapide)"), this);
    CheckBox_DesactiverLissage->setObjectName(QStringLiteral("CheckBox_DesactiverLissage"));
    CheckBox_DesactiverLissage->setGeometry(8, 352, 470, 20);
    CheckBox_SolVisible = new QCheckBox(QStringLiteral("Dessiner sol"), this);
    CheckBox_SolVisible->setObjectName(QStringLiteral("CheckBox_SolVisible"));
    CheckBox_SolVisible->setGeometry(246, 320, 229, 20);

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(314, 426, 75, 24);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Annuler"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(400, 426, 75, 24);

    connect(Button1, &QPushButton::clicked, this, GuardedSlot([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, GuardedSlot([this] { Button3Click(); }));
    connect(EImageBas, &QLineEdit::textChanged, this, GuardedSlot([this] { EImageBasChange(); }));
    connect(SpinImageBas, &QSpinBox::editingFinished, this, GuardedSlot([this] { SpinImageBasExit(); }));

    // FormCreate: the bottom picture and its height, which every log draws
    // from now on.
    if (IniCarotix) {
        EImageBas->setText(ToQString(IniCarotix->ReadString("Dessin", "ImageBas", "")));
        SpinImageBas->setValue(BorneTailleImageBas(IniCarotix->ReadInteger("Dessin", "TailleImageBas", 0)));
    }
    EImageBasChange();
    shownImageBas_ = FromQString(EImageBas->text());
    shownTaille_ = SpinImageBas->value();
    OptTailleImageBas = shownTaille_;
    SetImageBas(preview_);
}

TFOptionDessin::~TFOptionDessin()
{
    if (FOptionDessin == this) FOptionDessin = nullptr;
}

std::array<QComboBox*, 11> TFOptionDessin::Combos() const
{
    return {CTNDeb, CTNFin, CTNDiam, CTubDeb, CTubFin, CTubDiam, CTubType, CAnnDeb, CAnnFin, CAnnType, CAnnNat};
}

void TFOptionDessin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { FormShow(); });
}

void TFOptionDessin::RemplirComboChamp(QComboBox* Combo, const char* Table, const char* Key, const char* Default)
{
    const std::vector<std::string> fields = ChampsDeTable(Table);
    Combo->clear();
    for (const std::string& f : fields) Combo->addItem(ToQString(f));
    Combo->setCurrentIndex(IndexChampChoisi(fields, Key, Default));
}

void TFOptionDessin::FormShow()
{
    const auto combos = Combos();
    const auto& defs = ComboChamps();
    for (std::size_t i = 0; i < defs.size(); ++i) RemplirComboChamp(combos[i], defs[i].Table, defs[i].Key, defs[i].Default);
    ETexteBasDroite->setText(
        ToQString(IniCarotix ? IniCarotix->ReadString("Dessin", "TexteBasDroite", "%Date%") : std::string("%Date%")));
    EUniteXY->setText(ToQString(GetUnitXY()));
    const std::string champs =
        IniCarotix ? IniCarotix->ReadString("Général", "ChampsGrille", kChampsGrilleDefaut) : kChampsGrilleDefaut;
    QStringList lines;
    for (const std::string& line : LignesChampsGrille(champs)) lines << ToQString(line);
    MemoChamps->setPlainText(lines.join(QLatin1Char('\n')));
    const int unit = CLatitudeLongitude->findText(ToQString(OptLatitudeLongitude));
    CLatitudeLongitude->setCurrentIndex(unit >= 0 ? unit : 0);
    // With an unknown symbol no button is checked, and "Ok" keeps it.
    const int symbol = BoutonSymboleEau(OptSymboleEau);
    for (QRadioButton* b : {RadioButton1, RadioButton2, RadioButton3}) b->setAutoExclusive(false);
    RadioButton1->setChecked(symbol == 0);
    RadioButton2->setChecked(symbol == 1);
    RadioButton3->setChecked(symbol == 2);
    for (QRadioButton* b : {RadioButton1, RadioButton2, RadioButton3}) b->setAutoExclusive(true);
    CheckBox_DesactiverLissage->setChecked(OptDesactiverLissage);
    CheckBox_SolVisible->setChecked(OptSolVisible);
}

DrawingOptionsChoice TFOptionDessin::Choice() const
{
    DrawingOptionsChoice c;
    const auto combos = Combos();
    for (std::size_t i = 0; i < combos.size(); ++i)
        if (combos[i]->currentIndex() >= 0) c.Champs[i] = FromQString(combos[i]->currentText());
    const QStringList lines = MemoChamps->toPlainText().split(QLatin1Char('\n'));
    for (const QString& line : lines) c.MemoLines.push_back(FromQString(line));
    c.SymboleEau = RadioButton1->isChecked() ? 0 : RadioButton2->isChecked() ? 1 : RadioButton3->isChecked() ? 2 : -1;
    c.TexteBasDroite = FromQString(ETexteBasDroite->text());
    c.ImageBas = FromQString(EImageBas->text());
    c.UniteXY = FromQString(EUniteXY->text());
    c.LatitudeLongitude = FromQString(CLatitudeLongitude->currentText());
    c.TailleImageBas = TailleImageBasTapee(FromQString(SpinImageBas->TypedText()));
    c.DesactiverLissage = CheckBox_DesactiverLissage->isChecked();
    c.SolVisible = CheckBox_SolVisible->isChecked();
    return c;
}

void TFOptionDessin::Button1Click()
{
    SpinImageBasExit();
    ApplyDrawingOptions(PlanDrawingOptions(Choice()));
    // The log draws the picture and the height the window now shows.
    SetImageBas(preview_);
    shownImageBas_ = FromQString(EImageBas->text());
    shownTaille_ = SpinImageBas->value();
    accept();
}

void TFOptionDessin::reject()
{
    RunGuarded([this] { RestoreBottomPicture(); });
    QDialog::reject();
}

void TFOptionDessin::RestoreBottomPicture()
{
    if (FromQString(EImageBas->text()) != shownImageBas_) EImageBas->setText(ToQString(shownImageBas_));
    SpinImageBas->setValue(shownTaille_);
}

void TFOptionDessin::Button3Click()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.filter =
        "Toutes les images (*.jpg;*.jpeg;*.png;*.bmp;*.gif)|*.jpg;*.jpeg;*.png;*.bmp;*.gif|"
        "Image JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Image PNG (*.png)|*.png|Bitmap (*.bmp)|*.bmp|Tous (*.*)|*.*";
    request.mustExist = true;
    request.fileName = FromQString(EImageBas->text());
    const std::vector<std::string> files = Ui().FileDialog(request);
    if (!files.empty()) EImageBas->setText(ToQString(files.front()));
}

void TFOptionDessin::EImageBasChange()
{
    preview_ = QImage();
    const std::string name = FromQString(EImageBas->text());
    const QString file = ToQString(CheminImageBas(name));
    std::string bytes;
    if (!name.empty() && ReadFileBounded(CheminImageBas(name), bytes, nullptr, kMaxImageFileBytes)) {
        QByteArray data = QByteArray::fromStdString(bytes);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid() || static_cast<long long>(size.width()) * size.height() <= kMaxPreviewPixels) {
            QImage picture;
            if (reader.read(&picture)) preview_ = picture;
        }
    }
    if (preview_.isNull()) {
        ImageBas->clear();
        return;
    }
    const int width = LargeurApercu(preview_.width(), preview_.height(), ImageBas->height(), EImageBas->width());
    ImageBas->resize(width, ImageBas->height());
    ImageBas->setPixmap(QPixmap::fromImage(preview_));
}

void TFOptionDessin::SpinImageBasExit()
{
    SpinImageBas->setValue(TailleImageBasTapee(FromQString(SpinImageBas->TypedText())));
}
