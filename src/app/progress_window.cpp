#include "app/progress_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/windows/qt_ui_services.h"

TFProgress* FProgress = nullptr;

TFProgress::TFProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
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
    Label1->setText(ToQString(label));
    ProgressBar->setRange(minimum, std::max(minimum, maximum));
    ProgressBar->setValue(minimum);
    setAttribute(Qt::WA_ShowWithoutActivating);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
    repaint();
}

void TFProgress::SetLabel(const std::string& label)
{
    Label1->setText(ToQString(label));
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
