#include "platform/windows/progress_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
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
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar);
    setMinimumWidth(360);
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
