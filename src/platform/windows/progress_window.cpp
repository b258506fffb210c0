#include "platform/windows/progress_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/windows/modal_stacking.h"
#include "platform/windows/qt_ui_services.h"

TFProgress* FProgress = nullptr;

namespace {

// The label's text as it can show whole on the screen: a file name wider
// than the screen loses its middle, where an ellipsis stands.
QString FittingText(const QWidget* window, const QLabel* label, const QString& text)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return text;
    const int margins = window->width() - label->width() > 0 ? window->width() - label->width() : 24;
    const int room = screen->availableGeometry().width() - margins - 32;  // and the window's frame
    return label->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(room, 100));
}

}  // namespace

TFProgress::TFProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    KeepOnTopOfProgram(this);
    setObjectName(QStringLiteral("FProgress"));
    setWindowTitle(QStringLiteral("Progression..."));
    Label1 = new QLabel(this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    BAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    BAnnuler->setObjectName(QStringLiteral("BAnnuler"));
    BAnnuler->setAutoDefault(false);
    BAnnuler->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(BAnnuler);
    buttons->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(360);
    connect(BAnnuler, &QPushButton::clicked, this, [this] { cancelAsked_ = true; });
}

void TFProgress::Start(const std::string& caption, const std::string& label, int minimum, int maximum)
{
    setWindowTitle(ToQString(caption));
    Label1->setText(FittingText(this, Label1, ToQString(label)));
    ProgressBar->setRange(minimum, std::max(minimum, maximum));
    ProgressBar->setValue(minimum);
    setAttribute(Qt::WA_ShowWithoutActivating);
    adjustSize();
    resize(std::max(width(), sizeHint().width()), height());  // beyond adjustSize's two thirds of the screen
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
    repaint();
}

void TFProgress::SetLabel(const std::string& label)
{
    Label1->setText(FittingText(this, Label1, ToQString(label)));
    // A longer label widens the window about its centre, so that it shows whole.
    if (isVisible() && Label1->sizeHint().width() > Label1->width()) {
        const QPoint centre = geometry().center();
        // Not adjustSize(): it keeps a window within two thirds of the screen.
        resize(std::max(width(), sizeHint().width()), height());
        move(centre - rect().center());
        if (const QScreen* s = screen()) {
            const QRect area = s->availableGeometry();
            move(std::clamp(x(), area.left(), std::max(area.left(), area.right() - width())),
                 std::clamp(y(), area.top(), std::max(area.top(), area.bottom() - height())));
        }
    }
    Label1->repaint();
}

void TFProgress::SetPosition(int position)
{
    ProgressBar->setValue(std::clamp(position, ProgressBar->minimum(), ProgressBar->maximum()));
    if (isVisible()) ProgressBar->repaint();
}

int TFProgress::Position() const
{
    return ProgressBar->value();
}

namespace {

// The bar of a wait counts tenths of a second.
int Tenths(int ms) { return std::max(ms, 0) / 100; }

}  // namespace

void TFProgress::StartWait(const std::string& label, int limitMs)
{
    if (isVisible()) hide();  // modality changes only on a hidden window
    cancelAsked_ = false;
    waiting_ = true;
    setWindowModality(Qt::ApplicationModal);
    BAnnuler->show();
    // No limit: the bar only says that the wait goes on.
    Start("Progression...", label, 0, limitMs > 0 ? Tenths(limitMs) : 0);
}

void TFProgress::ShowWaited(const std::string& label, int waitedMs, int limitMs)
{
    if (Label1->text() != ToQString(label)) SetLabel(label);
    if (limitMs > 0) SetPosition(Tenths(waitedMs));
}

void TFProgress::EndWait()
{
    if (!waiting_) return;
    waiting_ = false;
    hide();
    BAnnuler->hide();
    setWindowModality(Qt::NonModal);
}

void TFProgress::reject()
{
    // Escape during a wait is "Annuler"; the window itself stays until the
    // wait is over.
    if (waiting_) {
        cancelAsked_ = true;
        return;
    }
    QDialog::reject();
}

bool ProgressWait::StillWaiting(const std::string& what, int waitedMs, int limitMs)
{
    if (!FProgress) return false;
    if (!FProgress->Waiting()) {
        if (waitedMs < kShowAfterMs) return false;
        FProgress->StartWait(what, limitMs);
    } else {
        FProgress->ShowWaited(what, waitedMs, limitMs);
    }
    // The windows repaint and "Annuler" can be clicked; the modal window
    // keeps every other command out until the wait is over.
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    return FProgress && FProgress->CancelAsked();
}

void ProgressWait::WaitOver()
{
    if (FProgress) FProgress->EndWait();
}

namespace {

ProgressWait gProgressWait;

}  // namespace

void InstallProgressWait() { SetDatabaseWait(&gProgressWait); }

void UninstallProgressWait()
{
    if (FProgress) FProgress->EndWait();
    SetDatabaseWait(nullptr);
}

ProgressScope::ProgressScope(const std::string& caption, const std::string& label, int minimum, int maximum)
{
    if (FProgress) FProgress->Start(caption, label, minimum, maximum);
}

ProgressScope::~ProgressScope()
{
    if (FProgress) FProgress->hide();
}

void ProgressScope::Step(int position)
{
    if (FProgress) FProgress->SetPosition(position);
}
