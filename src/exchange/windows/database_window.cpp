#include "exchange/windows/database_window.h"

#include "platform/base/safe_files.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/windows/progress_window.h"
#include "exchange/database_download.h"
#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFDatabase* FDatabase = nullptr;
TFAutoDesign* FAutoDesign = nullptr;

namespace {

const char* const kGeneral = "G\xC3\xA9n\xC3\xA9ral";

DesignationChooser& Chooser()
{
    static DesignationChooser chooser;
    return chooser;
}

// The progress window as the imports see it.
struct WindowProgress : ImportProgress {
    void Start(const std::string& caption, int minimum, int maximum) override
    {
        if (FProgress) FProgress->Start(caption, "", minimum, maximum);
    }
    void Step(int position) override
    {
        if (FProgress) FProgress->SetPosition(position);
    }
    void Finish() override
    {
        if (FProgress) FProgress->hide();
    }
};

std::string DbAlias() { return IniCarotix ? IniCarotix->ReadString(kGeneral, kDbAliasKey, "") : std::string(); }

}  // namespace

// ---- db_params.txt ---------------------------------------------------------------

std::vector<std::string> ReadDbParams()
{
    std::vector<std::string> lines;
    std::string bytes;
    if (!ReadFileBounded(ProgramFile(kDbParamsFile), bytes, nullptr)) return lines;
    const std::string text = DecodeTextFile(bytes);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void WriteDbParams(const std::vector<std::string>& lines)
{
    const std::filesystem::path file = ProgramFile(kDbParamsFile);
    TextEncoding encoding = TextEncoding::Cp1252;
    std::string old;
    if (ReadFileBounded(file, old, nullptr)) DecodeTextFile(old, &encoding);
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    const std::string bytes = EncodeTextFile(text, encoding);
    if (bytes == old) return;
    try {
        WriteFileSafely(file, bytes);
    } catch (const EFileError& e) {
        throw std::runtime_error(e.what());
    }
}

// ---- TFDatabase ---------------------------------------------------------------------

TFDatabase::TFDatabase(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FDatabase"));
    setWindowTitle(QString::fromUtf8("Base de donn\xC3\xA9" "e"));
    setSizeGripEnabled(false);
    CDatabases = new QComboBox(this);
    CDatabases->setObjectName(QStringLiteral("CDatabases"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button2 = new QPushButton(QStringLiteral("Annuler"), this);
    Button3 = new QPushButton(QStringLiteral("Config. SQL"), this);
    Button4 = new QPushButton(QStringLiteral("Importer un lexique"), this);
    Button5 = new QPushButton(QStringLiteral("Importer stratigraphie"), this);
    Button1->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Alias :"), this));
    layout->addWidget(CDatabases);
    layout->addWidget(new QLabel(QString::fromUtf8("Param\xC3\xA8tres :"), this));
    layout->addWidget(Memo1);
    auto* tools = new QHBoxLayout();
    tools->addWidget(Button3);
    tools->addWidget(Button4);
    tools->addWidget(Button5);
    layout->addLayout(tools);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, GuardedSlot([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, GuardedSlot([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, GuardedSlot([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, GuardedSlot([this] { Button5Click(); }));
    setFixedSize(420, 300);

    // FormCreate.
    FillAliases();
    Database1.AliasName = FromQString(CDatabases->currentText());
    Database1.Params = ReadDbParams();
    Database1.BaseFolder = ProgramFolder();
}

TFDatabase::~TFDatabase()
{
    // FormDestroy: the parameters go back to db_params.txt.
    RunGuarded([this] {
        if (OptionsInitialized()) WriteDbParams(Database1.Params);
    });
    if (FDatabase == this) FDatabase = nullptr;
}

void TFDatabase::FillAliases()
{
    CDatabases->clear();
    for (const std::string& a : DatabaseAliasNames()) CDatabases->addItem(ToQString(a));
    const std::string alias = DbAlias();
    int index = -1;
    for (int i = 0; i < CDatabases->count(); ++i)
        if (SameTextNoCase(FromQString(CDatabases->itemText(i)), alias)) index = i;
    CDatabases->setCurrentIndex(index);
}

void TFDatabase::showEvent(QShowEvent* event)
{
    RunGuarded([this] { FormShow(); });
    QDialog::showEvent(event);
}

void TFDatabase::FormShow()
{
    FillAliases();
    QStringList lines;
    for (const std::string& l : Database1.Params) lines << ToQString(l);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void TFDatabase::Button1Click()
{
    std::vector<std::string> params;
    for (const QString& l : Memo1->toPlainText().split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty()) params.push_back(FromQString(l));
    const std::string alias = FromQString(CDatabases->currentText());
    // New settings take effect at the next command, which connects again.
    if (params != Database1.Params || alias != Database1.AliasName) Database1.Close();
    Database1.Params = params;
    Database1.AliasName = alias;
    if (IniCarotix) IniCarotix->WriteString(kGeneral, kDbAliasKey, alias);
    accept();
}

void TFDatabase::Button3Click() { Ui().OpenWithAssociatedProgram(PathToUtf8(ProgramFile("sql.ini"))); }

void TFDatabase::Button4Click()
{
    WindowProgress progress;
    ImportLexicon(Database1, progress);
}

void TFDatabase::Button5Click()
{
    WindowProgress progress;
    ImportStratigraphy(Database1, progress);
}

TFDatabase& DatabaseWindow(QWidget* parent)
{
    if (!FDatabase) FDatabase = new TFDatabase(parent);
    return *FDatabase;
}

// ---- TFAutoDesign ---------------------------------------------------------------------

TFAutoDesign::TFAutoDesign(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FAutoDesign"));
    setWindowTitle(QString::fromUtf8(kAutoDesignCaption));
    LCur = new QLabel(this);
    LCur->setObjectName(QStringLiteral("LCur"));
    LOuvr = new QListWidget(this);
    LOuvr->setObjectName(QStringLiteral("LOuvr"));
    Button1 = new QPushButton(QStringLiteral("Renommer comme cela"), this);
    Button2 = new QPushButton(QString::fromUtf8("Conserver la d\xC3\xA9signation actuellle"), this);
    Button3 = new QPushButton(QString::fromUtf8("Annuler le t\xC3\xA9l\xC3\xA9" "chargement"), this);
    auto* layout = new QVBoxLayout(this);
    auto* first = new QHBoxLayout();
    first->addWidget(new QLabel(QString::fromUtf8("La d\xC3\xA9signation"), this));
    first->addWidget(LCur);
    first->addWidget(new QLabel(QString::fromUtf8("n'existe pas dans la base de donn\xC3\xA9" "es."), this));
    first->addStretch();
    layout->addLayout(first);
    layout->addWidget(new QLabel(QStringLiteral("Vous pouvez, si vous le voulez, renommer cet ouvrage afin qu'il"), this));
    layout->addWidget(new QLabel(QString::fromUtf8("corresponde \xC3\xA0 un ouvrage de la base de donn\xC3\xA9" "es."), this));
    layout->addWidget(new QLabel(QString::fromUtf8("Ouvrage pr\xC3\xA9sents"), this));
    layout->addWidget(LOuvr);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, [this] { done(static_cast<int>(MsgResult::Yes) + 100); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(static_cast<int>(MsgResult::No) + 100); });
    connect(Button3, &QPushButton::clicked, this, [this] { done(static_cast<int>(MsgResult::Cancel) + 100); });
}

TFAutoDesign::~TFAutoDesign()
{
    if (FAutoDesign == this) FAutoDesign = nullptr;
}

MsgResult TFAutoDesign::Choose(const std::string& current, const std::vector<std::string>& lines, int& chosen)
{
    LCur->setText(ToQString(current));
    LOuvr->clear();
    for (const std::string& l : lines) LOuvr->addItem(ToQString(l));
    LOuvr->setCurrentRow(0);
    const int r = exec();
    chosen = LOuvr->currentRow();
    if (r == static_cast<int>(MsgResult::Yes) + 100) return MsgResult::Yes;
    if (r == static_cast<int>(MsgResult::No) + 100) return MsgResult::No;
    return MsgResult::Cancel;  // also the close box
}

void SetDesignationChooser(DesignationChooser chooser) { Chooser() = std::move(chooser); }

MsgResult ChooseDesignation(const std::string& current, const std::vector<std::string>& lines, int& chosen)
{
    if (Chooser()) return Chooser()(current, lines, chosen);
    if (!FAutoDesign) FAutoDesign = new TFAutoDesign();
    return FAutoDesign->Choose(current, lines, chosen);
}
