#include "drawing/windows/image_window.h"

#include <QAction>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

#include "drawing/equipment.h"
#include "drawing/windows/log_window.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/frame_placement.h"
#include "platform/windows/modal_stacking.h"
#include "store/blocks.h"

TFImage* FImage = nullptr;
QPointer<QAction> TFImage::menuItem_;

void TImageArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!Bitmap.isNull()) p.drawImage(0, 0, Bitmap);
}

TFImage::TFImage(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    KeepOnTopOfProgram(this);
    setObjectName(QStringLiteral("FImage"));
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(180, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Image1 = new TImageArea(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    layout->addWidget(Image1);
    Source = []() -> ShownOuvrage {
        if (!FCoupe) return {};
        return {FCoupe->View.Racine, FCoupe->View.Chemin, FCoupe->View.Designation};
    };
    FImage = this;
}

TFImage::~TFImage()
{
    if (FImage == this) FImage = nullptr;
}

void TFImage::SetMenuItem(QAction* item) { menuItem_ = item; }
QAction* TFImage::MenuItem() { return menuItem_.data(); }

void TFImage::FormResize()
{
    if (!isVisible()) return;
    const ShownOuvrage shown = Source ? Source() : ShownOuvrage{};
    if (!shown.Root) {
        Image1->hide();
        return;
    }
    Image1->show();
    const QSize size = Image1->size();
    if (size.isEmpty()) return;
    Image1->Bitmap = QImage(size, QImage::Format_RGB32);
    Image1->Bitmap.fill(Qt::white);
    // The spreadsheet hit-tests the regions of its own picture: this one
    // leaves them as they were.
    std::vector<TEquipmentRegion> kept = std::move(EquipmentRegions);
    try {
        QPainterCanvas canvas(&Image1->Bitmap);
        DrawEquipment("Tout", canvas, size.width(), size.height(), nullptr, nullptr, shown.Designation,
                      shown.Root->FindDir(shown.Indice));
    } catch (...) {
        EquipmentRegions = std::move(kept);
        throw;
    }
    EquipmentRegions = std::move(kept);
    Image1->update();
}

void TFImage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RunGuarded([this] { FormResize(); });
}

void TFImage::PlaceBesideLog()
{
    // In the top right-hand corner of the main window's working area, under
    // its menus and tool bars: beside the log window's drawing, since the
    // main window ends where the log window begins. Left to the window
    // manager, it would come over the menus and the first tool buttons.
    auto* main = qobject_cast<QMainWindow*>(parentWidget());
    QWidget* work = main ? main->centralWidget() : nullptr;
    if (!work || !work->isVisible()) return;
    placed_ = true;
    const QRect area(work->mapToGlobal(QPoint(0, 0)), work->size());
    const QSize client = size();
    PlaceFrame(this, [this, area, client](const QMargins& m) {
        QRect frame(QPoint(0, 0), client.grownBy(m).boundedTo(area.size()));
        frame.moveTopRight(area.topRight());
        if (const QScreen* screen = this->screen()) frame = FitFrameInto(frame, screen->availableGeometry());
        return frame;
    });
}

void TFImage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once: later showings keep the place the person gave it.
    if (!placed_) PlaceBesideLog();
    RunGuarded([this] { FormResize(); });
    if (menuItem_) menuItem_->setChecked(true);
}

void TFImage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (menuItem_) menuItem_->setChecked(false);
}
