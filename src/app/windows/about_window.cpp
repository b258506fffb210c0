#include "app/windows/about_window.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/rtf_reader.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFAbout* FAbout = nullptr;

std::filesystem::path FindChangelog(const std::filesystem::path& currentFolder,
                                    const std::filesystem::path& programFolder)
{
    std::error_code ec;
    for (const std::filesystem::path& folder : {currentFolder, programFolder}) {
        if (folder.empty()) continue;
        std::filesystem::path file = folder / "changelog.rtf";
        if (std::filesystem::is_regular_file(file, ec)) return file;
    }
    return {};
}

std::string LastChangeText(const std::filesystem::path& file)
{
    std::string text = "Dernière modif. : ";
    QFileInfo info(ToQString(file.string()));
    if (info.exists())
        // The user's own way of writing a date and a time (the system locale,
        // or the one the program was given).
        text += FromQString(QLocale().toString(info.lastModified(), QLocale::ShortFormat));
    return text;
}

TFAbout::TFAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FAbout"));
    setWindowTitle(QStringLiteral("A propos de Carotix"));
    LTitre = new QLabel(QStringLiteral("Carotix"), this);
    QFont big = LTitre->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    LTitre->setFont(big);
    LModif = new QLabel(this);
    LModif->setObjectName(QStringLiteral("LModif"));
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    BOk = new QPushButton(QStringLiteral("Ok"), this);
    BOk->setDefault(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(BOk, QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LTitre);
    layout->addWidget(new QLabel(QStringLiteral("Description, codage, dessin et échange de forages"), this));
    layout->addWidget(LModif);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(buttons);
    resize(460, 420);
    std::error_code ec;
    Fill(FromQString(QCoreApplication::applicationFilePath()), std::filesystem::current_path(ec), ProgramFolder());
}

void TFAbout::Fill(const std::filesystem::path& executable, const std::filesystem::path& currentFolder,
                   const std::filesystem::path& programFolder)
{
    LModif->setText(ToQString(LastChangeText(executable)));
    ChangelogFile = FindChangelog(currentFolder, programFolder);
    RichEdit1->clear();
    if (!ChangelogFile.empty()) LoadRtfFile(ChangelogFile.string(), *RichEdit1->document());
    RichEdit1->moveCursor(QTextCursor::Start);
}
