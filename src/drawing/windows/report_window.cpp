#include "drawing/windows/report_window.h"

#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QResizeEvent>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "drawing/printing.h"
#include "drawing/report.h"
#include "platform/printer_info.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/print_output.h"
#include "platform/windows/qt_ui_services.h"

TFRapport* FRapport = nullptr;

namespace {
const char* const kRapportTitle = "Rapport";
}  // namespace

TReportPaintBox::TReportPaintBox(TFRapport* owner) : QWidget(owner), owner_(owner)
{
    setObjectName(QStringLiteral("PaintBox1"));
}

void TReportPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    RunGuarded([&] { owner_->PaintBox1Paint(painter); });
}

TFRapport::TFRapport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FRapport"));
    setWindowTitle(QStringLiteral("Rapport"));
    setMinimumSize(300, 350);
    resize(600, 800);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolButton_Left = new QToolButton(ToolBar1);
    ToolButton_Left->setObjectName(QStringLiteral("ToolButton_Left"));
    ToolButton_Left->setArrowType(Qt::LeftArrow);
    ToolButton_Left->setToolTip(QStringLiteral("Page pr\u00E9c\u00E9dente"));
    LabelPage = new QLabel(QStringLiteral("/"), ToolBar1);
    LabelPage->setObjectName(QStringLiteral("LabelPage"));
    LabelPage->setAlignment(Qt::AlignCenter);
    LabelPage->setMinimumWidth(60);
    LabelPage->setAutoFillBackground(true);
    QPalette pal = LabelPage->palette();
    pal.setColor(QPalette::Window, Qt::white);
    LabelPage->setPalette(pal);
    ToolButton_Right = new QToolButton(ToolBar1);
    ToolButton_Right->setObjectName(QStringLiteral("ToolButton_Right"));
    ToolButton_Right->setArrowType(Qt::RightArrow);
    ToolButton_Right->setToolTip(QStringLiteral("Page suivante"));
    ToolButton1 = new QToolButton(ToolBar1);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setText(QStringLiteral("Imprimer"));
    ToolButton1->setToolTip(QStringLiteral("Imprimer"));
    ToolBar1->addWidget(ToolButton_Left);
    ToolBar1->addWidget(LabelPage);
    ToolBar1->addWidget(ToolButton_Right);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(ToolButton1);

    PaintBox1 = new TReportPaintBox(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(PaintBox1, 1);

    connect(ToolButton_Left, &QToolButton::clicked, this, GuardedSlot([this] { ToolButton_LeftClick(); }));
    connect(ToolButton_Right, &QToolButton::clicked, this, GuardedSlot([this] { ToolButton_RightClick(); }));
    connect(ToolButton1, &QToolButton::clicked, this, GuardedSlot([this] { ToolButton1Click(); }));
    FRapport = this;
    // The print window prints reports through the same layout as this preview.
    InstallReportPrinting();
}

TFRapport::~TFRapport()
{
    report_.reset();
    measureCanvas_.reset();
    if (FRapport == this) FRapport = nullptr;
}

void TFRapport::SetReport(const TDirBlock& root, const std::string& indice, const std::string& design)
{
    root_ = &root;
    indice_ = indice;
    design_ = design;
    page_ = 1;
    RapportLayout();
}

void TFRapport::RapportShow(const TDirBlock& root, const std::string& indice, const std::string& design)
{
    SetReport(root, indice, design);
    exec();
    // The collection may change or close once the preview is gone.
    report_.reset();
    root_ = nullptr;
}

void TFRapport::RapportLayout()
{
    report_.reset();
    if (!root_) return;
    // Text is measured as the paint box measures it: same resolution.
    measureCanvas_.reset();
    measureImage_ = QImage(1, 1, QImage::Format_RGB32);
    measureImage_.setDotsPerMeterX(qRound(PaintBox1->logicalDpiX() / 0.0254));
    measureImage_.setDotsPerMeterY(qRound(PaintBox1->logicalDpiY() / 0.0254));
    measureCanvas_ = std::make_unique<QPainterCanvas>(&measureImage_);
    const TRect rect{4, 4, PaintBox1->width() - 8, PaintBox1->height() - 8};
    report_ = std::make_unique<TRapportForage>(*root_, 10, measureCanvas_.get(), rect, std::nullopt, design_, indice_);
    UpdatePageLabel();
    PaintBox1->update();
}

void TFRapport::UpdatePageLabel()
{
    if (!report_) return;
    page_ = std::clamp(page_, 1, std::max(1, report_->PageCount()));
    LabelPage->setText(QString::number(page_) + QLatin1Char('/') + QString::number(report_->PageCount()));
}

void TFRapport::PaintBox1Paint(QPainter& painter)
{
    painter.fillRect(PaintBox1->rect(), Qt::white);
    QPainterCanvas canvas(&painter);
    if (!report_) {
        canvas.Font.Name = FromQString(font().family());
        canvas.SetFontSize(font().pointSize() > 0 ? font().pointSize() : 9);
        canvas.Brush.Style = BrushStyle::Clear;
        canvas.TextOut(0, 0, "Pas d'information \xC3\xA0 afficher.");
        return;
    }
    UpdatePageLabel();
    report_->DrawPage(page_, canvas);
}

void TFRapport::ToolButton_LeftClick()
{
    if (page_ > 1) --page_;
    UpdatePageLabel();
    PaintBox1->update();
}

void TFRapport::ToolButton_RightClick()
{
    if (report_ && page_ < report_->PageCount()) ++page_;
    UpdatePageLabel();
    PaintBox1->update();
}

void TFRapport::ToolButton1Click()
{
    if (!root_) return;
    const std::unique_ptr<PrintDocument> opened = OpenPrintDocument();
    if (!opened) return;
    PrintDocument& document = *opened;
    BusyCursor busy;
    const TPrinterInfo info(document.Caps());
    const TRect rect = info.CmToPixelRect(1.0, 1.0, 1.0, 1.0);
    if (!info.Valid() || rect.IsEmpty() || !document.BeginDoc(kPrintDocumentTitle)) {
        busy.Restore();
        ShowBox(kRapportTitle, "L'impression n'a pas pu commencer.", MsgIcon::Warning);
        return;
    }
    if (!ImprimeRapport(*root_, indice_, design_, false, rect, &document, std::nullopt)) {
        document.Abort();
        return;
    }
    if (!document.EndDoc()) {
        busy.Restore();
        ShowBox(kRapportTitle, "L'impression n'a pas pu \xC3\xAAtre termin\xC3\xA9" "e.", MsgIcon::Warning);
    }
}

void TFRapport::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { RapportLayout(); });
}

void TFRapport::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // FormResize: the report is laid out again for the new size; the page
    // number is then brought into the new page count.
    RunGuarded([this] {
        if (root_) RapportLayout();
    });
}
