#include "platform/windows/qt_ui_services.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <memory>

#include "platform/base/text_codec.h"

namespace {

// A busy cursor must not turn the pointer into an hourglass over a box that
// waits for the user: the arrow comes back for the time of the prompt.
class ArrowDuringPrompt {
public:
    ArrowDuringPrompt() : active_(QGuiApplication::overrideCursor() != nullptr)
    {
        if (active_) QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~ArrowDuringPrompt()
    {
        if (active_) QGuiApplication::restoreOverrideCursor();
    }
    ArrowDuringPrompt(const ArrowDuringPrompt&) = delete;
    ArrowDuringPrompt& operator=(const ArrowDuringPrompt&) = delete;

private:
    bool active_;
};

// The "Ok" (default) and "Annuler" buttons of the prompt dialogs, in a box
// that accepts or rejects the dialog.
QDialogButtonBox* OkCancelButtons(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel)
{
    ok = new QPushButton(QStringLiteral("Ok"), &dialog);
    cancel = new QPushButton(QStringLiteral("Annuler"), &dialog);
    ok->setDefault(true);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

struct ButtonMap {
    MsgButton ours;
    QMessageBox::StandardButton qt;
    MsgResult result;
};

// Also the order in which the first button becomes the default one.
constexpr ButtonMap kButtons[] = {
    {MsgYes, QMessageBox::Yes, MsgResult::Yes},
    {MsgOk, QMessageBox::Ok, MsgResult::Ok},
    {MsgYesToAll, QMessageBox::YesToAll, MsgResult::YesToAll},
    {MsgNo, QMessageBox::No, MsgResult::No},
    {MsgNoToAll, QMessageBox::NoToAll, MsgResult::NoToAll},
    {MsgAbort, QMessageBox::Abort, MsgResult::Abort},
    {MsgRetry, QMessageBox::Retry, MsgResult::Retry},
    {MsgIgnore, QMessageBox::Ignore, MsgResult::Ignore},
    {MsgCancel, QMessageBox::Cancel, MsgResult::Cancel},
};

QMessageBox::Icon QtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgResult Dismissed(MsgButtons buttons)
{
    if (buttons & MsgCancel) return MsgResult::Cancel;
    if (buttons & MsgNo) return MsgResult::No;
    return MsgResult::Ok;
}

void UpperCaseAsTyped(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        QString upper = ToQString(UpperCase(FromQString(text)));
        if (upper != text) {
            int pos = edit->cursorPosition();
            edit->setText(upper);
            edit->setCursorPosition(pos);
        }
    });
}

// A message box grows with its text: a report that lists a thousand merged
// indices would be taller than any screen, its button out of reach. Past
// this many lines (or characters, for lines that wrap) the box shows the
// first ones and how many follow; the whole text stays in its details, a
// scrolled pane.
constexpr int kBoxShownLines = 20;
constexpr qsizetype kBoxShownChars = 2000;

// The head of a text too long for a box, "" when the whole text fits.
QString BoxTextHead(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() <= kBoxShownLines + 5 && text.size() <= kBoxShownChars + 500) return {};
    QString head;
    qsizetype shown = 0;
    for (const QString& line : lines) {
        if (shown == kBoxShownLines || head.size() + line.size() > kBoxShownChars) break;
        head += (shown ? QStringLiteral("\n") : QString()) + line;
        ++shown;
    }
    if (shown == 0) head = lines.front().left(kBoxShownChars) + QStringLiteral("\u2026");
    const qsizetype rest = lines.size() - std::max<qsizetype>(shown, 1);
    if (rest > 0)
        head += QStringLiteral("\n\u2026 et %1 autre(s) ligne(s), dans le d\u00e9tail ci-dessous.").arg(rest);
    return head;
}

}  // namespace

bool InstallQtFrenchTranslation()
{
    static int installed = -1;
    if (installed >= 0) return installed == 1;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    auto* translator = new QTranslator(app);
    if (translator->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        installed = 1;
    } else {
        delete translator;
        installed = 0;
    }
    return installed == 1;
}

QString ToQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString ToQtFileFilter(std::string_view filter)
{
    QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (patterns.isEmpty()) {
            // A lone description: Qt reads the patterns from its parentheses.
            if (!description.isEmpty()) out << description;
            continue;
        }
        QString qtPatterns = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        QString suffix = QStringLiteral("(") + qtPatterns + QStringLiteral(")");
        if (description.endsWith(suffix)) {
            out << description;
        } else {
            // Qt takes the patterns from the last parentheses of the text, so
            // a description that names other patterns loses its own.
            if (description.endsWith(QLatin1Char(')'))) {
                qsizetype open = description.lastIndexOf(QLatin1Char('('));
                if (open >= 0) description = description.left(open).trimmed();
            }
            out << (description.isEmpty() ? suffix : description + QLatin1Char(' ') + suffix);
        }
    }
    return out.join(QStringLiteral(";;"));
}

QuestionDialog::QuestionDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Titre"));
    LQuestion = new QLabel(QStringLiteral("Question"), this);
    EStr = new QLineEdit(this);
    LQuestion->setBuddy(EStr);
    QDialogButtonBox* buttons = OkCancelButtons(*this, BOk, BAnnuler);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LQuestion);
    layout->addWidget(EStr);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

void QuestionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    EStr->setFocus();
    EStr->selectAll();
}

NameDialog::NameDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Nom de l'ouvrage"));
    EIndice = new QLineEdit(this);
    EDesign = new QLineEdit(this);
    UpperCaseAsTyped(EIndice);
    UpperCaseAsTyped(EDesign);
    QDialogButtonBox* buttons = OkCancelButtons(*this, BOk, BAnnuler);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Indice"), EIndice);
    form->addRow(QStringLiteral("Désignation"), EDesign);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

void NameDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    EIndice->setFocus();
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

QtUiServices::QtUiServices() = default;

QtUiServices::~QtUiServices()
{
    while (busyDepth_ > 0) PopBusyCursor();
}

QWidget* QtUiServices::DialogParent() const
{
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (parent_) return parent_.data();
    return QApplication::activeWindow();
}

MsgResult QtUiServices::Message(const MessageRequest& request)
{
    ArrowDuringPrompt arrow;
    MsgButtons buttons = request.buttons ? request.buttons : MsgOk;
    QMessageBox box(DialogParent());
    box.setWindowTitle(ToQString(request.title));
    const QString text = ToQString(request.text);
    const QString head = BoxTextHead(text);
    box.setTextFormat(Qt::PlainText);
    box.setText(head.isEmpty() ? text : head);
    if (!head.isEmpty()) box.setDetailedText(text);
    box.setIcon(QtIcon(request.icon));
    QMessageBox::StandardButtons qtButtons;
    for (const ButtonMap& b : kButtons)
        if (buttons & b.ours) qtButtons |= b.qt;
    box.setStandardButtons(qtButtons);
    for (const ButtonMap& b : kButtons) {
        if ((request.defaultButton ? request.defaultButton & b.ours : buttons & b.ours) != 0) {
            box.setDefaultButton(b.qt);
            break;
        }
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked) {
        QMessageBox::StandardButton which = box.standardButton(clicked);
        for (const ButtonMap& b : kButtons)
            if (b.qt == which) return b.result;
    }
    return Dismissed(buttons);
}

namespace {

// Runs a prompt in the dialog that start-up installed, or, for tests of the
// logic alone, in one made for this question and destroyed after it. Fill
// loads the fields; Read takes them back when the user accepts.
template <class Dialog, class Fill, class Read>
bool RunPrompt(Dialog* installed, const std::function<QWidget*()>& parent, const std::string& caption, Fill fill,
               Read read)
{
    ArrowDuringPrompt arrow;
    std::unique_ptr<Dialog> temporary;
    Dialog* dialog = installed;
    if (!dialog) {
        temporary = std::make_unique<Dialog>(parent());
        dialog = temporary.get();
    }
    dialog->setWindowTitle(ToQString(caption));
    fill(*dialog);
    if (dialog->exec() != QDialog::Accepted) return false;
    read(*dialog);
    return true;
}

}  // namespace

bool QtUiServices::AskText(const TextPrompt& prompt, std::string& answer)
{
    return RunPrompt(
        question_.data(), [this] { return DialogParent(); }, prompt.caption,
        [&](QuestionDialog& dialog) {
            dialog.LQuestion->setText(ToQString(prompt.question));
            dialog.EStr->setText(ToQString(prompt.text));
        },
        [&](QuestionDialog& dialog) { answer = FromQString(dialog.EStr->text()); });
}

bool QtUiServices::AskName(const NamePrompt& prompt, NamePrompt& answer)
{
    return RunPrompt(
        name_.data(), [this] { return DialogParent(); }, prompt.caption,
        [&](NameDialog& dialog) {
            dialog.EIndice->setText(ToQString(prompt.indice));
            dialog.EDesign->setText(ToQString(prompt.design));
        },
        [&](NameDialog& dialog) {
            answer.caption = prompt.caption;
            answer.indice = FromQString(dialog.EIndice->text());
            answer.design = FromQString(dialog.EDesign->text());
        });
}

std::vector<std::string> QtUiServices::FileDialog(const FileDialogRequest& request)
{
    ArrowDuringPrompt arrow;
    QFileDialog dialog(DialogParent());
    if (!request.title.empty()) dialog.setWindowTitle(ToQString(request.title));
    if (!request.folder.empty()) dialog.setDirectory(ToQString(request.folder));
    QString filter = ToQtFileFilter(request.filter);
    if (!filter.isEmpty()) dialog.setNameFilter(filter);
    if (!request.defaultExt.empty()) dialog.setDefaultSuffix(ToQString(request.defaultExt));
    switch (request.kind) {
    case FileDialogKind::Open:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        break;
    case FileDialogKind::OpenMulti:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case FileDialogKind::Save:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        break;
    }
    if (!request.fileName.empty()) dialog.selectFile(ToQString(request.fileName));
    if (dialog.exec() != QDialog::Accepted) return {};
    std::vector<std::string> files;
    for (const QString& f : dialog.selectedFiles()) files.push_back(FromQString(f));
    if (request.kind != FileDialogKind::OpenMulti && files.size() > 1) files.resize(1);
    return files;
}

bool QtUiServices::SelectFolder(const FolderRequest& request, std::string& folder)
{
    ArrowDuringPrompt arrow;
    QString chosen = QFileDialog::getExistingDirectory(DialogParent(), ToQString(request.title),
                                                       ToQString(request.folder));
    if (chosen.isEmpty()) return false;
    folder = FromQString(chosen);
    return true;
}

bool QtUiServices::OpenWithAssociatedProgram(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

void QtUiServices::Beep()
{
    QApplication::beep();
}

void QtUiServices::PushBusyCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++busyDepth_;
}

void QtUiServices::PopBusyCursor()
{
    if (busyDepth_ == 0) return;
    --busyDepth_;
    QGuiApplication::restoreOverrideCursor();
}
