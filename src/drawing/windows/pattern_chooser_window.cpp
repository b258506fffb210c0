#include "drawing/windows/pattern_chooser_window.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "drawing/code_model_sort.h"
#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "drawing/swatches.h"
#include "platform/printer_info.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/print_output.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFMotifs* FMotifs = nullptr;

namespace {

constexpr const char* kGeneral = "G\xC3\xA9n\xC3\xA9ral";
constexpr const char* kNumerotation = "Num\xC3\xA9rotationMotifs";

TColor FromQColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

class MotifDelegate : public QStyledItemDelegate {
public:
    MotifDelegate(TFMotifs* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        painter->drawImage(r.topLeft(), form_->CellPicture(index.column(), index.row(), r.width(), r.height(), selected));
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(Qt::black);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }

private:
    TFMotifs* form_;
};

}  // namespace

TFMotifs::TFMotifs(QWidget* parent) : QDialog(parent)
{
    creating_ = true;
    setObjectName(QStringLiteral("FMotifs"));
    setWindowTitle(QStringLiteral("Choix du motif"));
    DrawGrid = new QTableWidget(10, 10, this);
    DrawGrid->setObjectName(QStringLiteral("DrawGrid"));
    DrawGrid->horizontalHeader()->setDefaultSectionSize(60);
    DrawGrid->verticalHeader()->setDefaultSectionSize(31);
    for (int i = 0; i < 10; ++i) {
        DrawGrid->setHorizontalHeaderItem(i, new QTableWidgetItem(QStringLiteral("%1").arg(i * 10, 2, 10, QLatin1Char('0'))));
        DrawGrid->setVerticalHeaderItem(i, new QTableWidgetItem(QStringLiteral(".%1").arg(i)));
    }
    DrawGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DrawGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    DrawGrid->setItemDelegate(new MotifDelegate(this, DrawGrid));
    DrawGrid->setGeometry(8, 8, 10 * 60 + 40, 10 * 31 + 30);
    CheckBox_Numerotation = new QCheckBox(QStringLiteral("Afficher la num\u00E9rotation"), this);
    CheckBox_Numerotation->setObjectName(QStringLiteral("CheckBox_Numerotation"));
    CheckBox_Numerotation->setGeometry(8, 356, 200, 22);
    BOk = new QPushButton(QStringLiteral("Ok"), this);
    BOk->setObjectName(QStringLiteral("BOk"));
    BOk->setDefault(true);
    BOk->setGeometry(370, 355, 85, 25);
    Button2 = new QPushButton(QStringLiteral("Annuler"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(460, 355, 85, 25);
    BitBtn1 = new QPushButton(QStringLiteral("Imprimer..."), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(555, 355, 85, 25);
    setFixedSize(656, 390);
    connect(BOk, &QPushButton::clicked, this, GuardedSlot([this] { BOkClick(); }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this] { BitBtn1Click(); }));
    connect(DrawGrid, &QTableWidget::cellDoubleClicked, this, GuardedSlot([this] { BOkClick(); }));
    connect(CheckBox_Numerotation, &QCheckBox::toggled, this, GuardedSlot([this] { CheckBox_NumerotationClick(); }));
    ShowNumbers = IniCarotix ? IniCarotix->ReadBool(kGeneral, kNumerotation, true) : true;
    CheckBox_Numerotation->setChecked(ShowNumbers);
    DrawGrid->setCurrentCell(0, 0);
    creating_ = false;
    if (!FMotifs) FMotifs = this;
}

TFMotifs::~TFMotifs()
{
    if (FMotifs == this) FMotifs = nullptr;
}

void TFMotifs::SetCurrentMotif(std::int32_t n)
{
    n = std::abs(n % 100);
    DrawGrid->setCurrentCell(n % 10, n / 10);
}

std::int32_t TFMotifs::CurrentMotif() const
{
    return 10 * std::max(DrawGrid->currentColumn(), 0) + std::max(DrawGrid->currentRow(), 0);
}

void TFMotifs::BOkClick()
{
    SelectedMotif = CurrentMotif();
    accept();
}

void TFMotifs::CheckBox_NumerotationClick()
{
    ShowNumbers = CheckBox_Numerotation->isChecked();
    if (IniCarotix) IniCarotix->WriteBool(kGeneral, kNumerotation, ShowNumbers);
    if (!creating_) DrawGrid->viewport()->update();
}

void TFMotifs::BitBtn1Click() { PrintMotifList(); }

QImage TFMotifs::CellPicture(int column, int row, int width, int height, bool selected) const
{
    const QPalette& pal = DrawGrid->palette();
    const QColor back = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
    const QColor fore = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
    const int motif = 10 * column + row;
    // Drawn three times larger, then each 3 x 3 block averaged into a pixel.
    QImage big(std::max(3 * width, 3), std::max(3 * height, 3), QImage::Format_RGB888);
    big.fill(back);
    {
        QPainterCanvas canvas(&big);
        Canvas* previous = DrawCanvas;
        SetDrawCanvas(&canvas);
        canvas.Pen = TPen{PenStyle::Solid, FromQColor(fore), 1};
        const std::int32_t pen = PenMedium;
        PenMedium = pen * 3;
        DrawMotif(0, 0, 3 * width, 3 * height, motif, 0, 0, false);
        FlushLines(true);
        PenMedium = pen;
        SetDrawCanvas(previous);
    }
    DownsampleBitmap(big, 3);
    QImage small = big.copy(0, 0, std::max(width, 1), std::max(height, 1));
    if (ShowNumbers) {
        // The number's font is sized by its cell height (a quarter of the
        // picture's), not by its character height, so the box around it takes
        // a quarter of the cell whatever the face.
        QPainterCanvas canvas(&small);
        canvas.Font.Name = FromQString(DrawGrid->font().family());
        canvas.Font.Height = std::max(small.height() / 4, 1);
        canvas.Font.Color = FromQColor(pal.color(QPalette::Text));
        const std::string text = (motif < 10 ? "0" : "") + std::to_string(motif);
        const TSize extent = canvas.TextExtent(text);
        canvas.Pen = TPen{PenStyle::Solid, FromQColor(fore), 1};
        canvas.Brush = TBrush{BrushStyle::Solid, FromQColor(pal.color(QPalette::Base))};
        canvas.Rectangle(0, 0, extent.cx + 4, extent.cy);
        canvas.Brush.Style = BrushStyle::Clear;
        canvas.TextOut(1, 0, text);
    }
    return small;
}

std::function<std::unique_ptr<PrintDocument>()>& TFMotifs::PrintDocumentSeam()
{
    static std::function<std::unique_ptr<PrintDocument>()> seam;
    return seam;
}

void TFMotifs::PrintMotifList()
{
    std::unique_ptr<PrintDocument> document;
    if (PrintDocumentSeam()) {
        document = PrintDocumentSeam()();
    } else {
        document = OpenPrintDocument();
        if (!document) return;
    }
    const TPrinterInfo info(document->Caps());
    ::PrintMotifList(info, *document);
}
