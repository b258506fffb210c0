#include "drawing/windows/image_window.h"

#include <QAction>
#include <QPainter>
#include <QVBoxLayout>
#include <utility>

#include "drawing/equipment.h"
#include "drawing/windows/log_window.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
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

void TFImage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    RunGuarded([this] { FormResize(); });
    if (menuItem_) menuItem_->setChecked(true);
}

void TFImage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (menuItem_) menuItem_->setChecked(false);
}
