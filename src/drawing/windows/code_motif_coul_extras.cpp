// The code-model window's sorts ("Classer"), its printing ("Impr.") and the
// right-click pickers of its grid: the pattern chooser on a Motif cell, the
// palette on a colour cell.
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <cstdlib>

#include "drawing/code_model_sort.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "drawing/windows/palette_window.h"
#include "drawing/windows/pattern_chooser_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/printer_info.h"
#include "platform/ui_services.h"
#include "platform/windows/print_output.h"
#include "platform/windows/qt_ui_services.h"
#include "store/numbers.h"

namespace {

// Right clicks on the grid's cells go to the pickers; the rest to the grid.
class RightClickFilter : public QObject {
public:
    RightClickFilter(TFCodeMotifCoul* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::RightButton) {
                const QModelIndex at = form_->Grid->indexAt(me->position().toPoint());
                if (at.isValid()) RunGuarded([&] { form_->GridContextPopup(at.column(), at.row()); });
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TFCodeMotifCoul* form_;
};

}  // namespace

void TFCodeMotifCoul::InstallSortsPrintAndPickers()
{
    ToolButton9 = new QToolButton(ToolBar1);
    ToolButton9->setObjectName(QStringLiteral("ToolButton9"));
    ToolButton9->setText(QStringLiteral("Classer"));
    ToolButton9->setToolTip(QStringLiteral("Classements par code, motif ou couleur"));
    ToolBar1->addWidget(ToolButton9);
    ToolButton10 = new QToolButton(ToolBar1);
    ToolButton10->setObjectName(QStringLiteral("ToolButton10"));
    ToolButton10->setText(QStringLiteral("Impr."));
    ToolBar1->addWidget(ToolButton10);
    PopupClasser = new QMenu(this);
    PopupClasser->setObjectName(QStringLiteral("PopupClasser"));
    auto item = [this](const QString& caption, const char* name, void (TFCodeMotifCoul::*handler)()) {
        QAction* a = PopupClasser->addAction(caption);
        a->setObjectName(QString::fromUtf8(name));
        connect(a, &QAction::triggered, this, GuardedSlot([this, handler] { (this->*handler)(); }));
    };
    item(QStringLiteral("Classer par code"), "Classerparcode1", &TFCodeMotifCoul::Classerparcode1Click);
    item(QStringLiteral("Classer par motif"), "Classerparmotif1", &TFCodeMotifCoul::Classerparmotif1Click);
    item(QStringLiteral("Classer par teinte"), "Classerparcouleur1", &TFCodeMotifCoul::Classerparcouleur1Click);
    item(QStringLiteral("Classer par luminosit\u00E9"), "Classerparluminosite1",
         &TFCodeMotifCoul::Classerparluminosite1Click);
    connect(ToolButton9, &QToolButton::clicked, this, GuardedSlot([this] { ToolButton9Click(); }));
    connect(ToolButton10, &QToolButton::clicked, this, GuardedSlot([this] { ToolButton10Click(); }));
    Grid->viewport()->installEventFilter(new RightClickFilter(this));
}

void TFCodeMotifCoul::ToolButton9Click()
{
    PopupClasser->popup(ToolButton9->mapToGlobal(QPoint(0, ToolButton9->height())));
}

void TFCodeMotifCoul::Classerparcode1Click()
{
    SortModelByCode(editor_->Grid(), -1, -1);
    editor_->SetChanged(true);
    SyncFromEditor();
}

void TFCodeMotifCoul::Classerparmotif1Click()
{
    SortModelByMotif(editor_->Grid(), -1, -1);
    editor_->SetChanged(true);
    SyncFromEditor();
}

void TFCodeMotifCoul::Classerparcouleur1Click()
{
    SortModelByHue(editor_->Grid(), -1, -1);
    editor_->SetChanged(true);
    SyncFromEditor();
}

void TFCodeMotifCoul::Classerparluminosite1Click()
{
    SortModelByLuminance(editor_->Grid(), -1, -1);
    editor_->SetChanged(true);
    SyncFromEditor();
}

void TFCodeMotifCoul::ToolButton10Click()
{
    std::unique_ptr<PrintDocument> document;
    if (MakePrintDocument) {
        document = MakePrintDocument();
    } else {
        document = OpenPrintDocument();
        if (!document) return;
    }
    const TPrinterInfo info(document->Caps());
    PrintCodeModel(editor_->Grid(), editor_->ModelName(), info, *document);
}

void TFCodeMotifCoul::GridContextPopup(int col, int row)
{
    StringGrid& g = editor_->Grid();
    if (row < 1 || col < 1 || row >= g.RowCount() || col >= g.ColCount()) return;
    SelectCell(col, row);
    if (col == kModelColMotif) {
        if (!FMotifs) new TFMotifs(this);  // the start-up makes it; tests may not
        FMotifs->SetCurrentMotif(std::abs(StrToIntVal(g.Cell(col, row)) % 100));
        if (FMotifs->exec() != QDialog::Accepted) return;
        editor_->SetEditText(col, row, IntToStr(FMotifs->SelectedMotif));
        SyncFromEditor();
        SelectCell(col, row);
    } else if (col >= kModelColRouge && col <= kModelColBleu) {
        if (!FPalette) new TFPalette(this);
        FPalette->SelectBaseColor(ModelRowColour(g, row, 255, true));
        if (FPalette->exec() != QDialog::Accepted) return;
        const TColor c = FPalette->SelectedColour();
        editor_->SetEditText(kModelColRouge, row, IntToStr(c & 0xFF));
        editor_->SetEditText(kModelColVert, row, IntToStr((c >> 8) & 0xFF));
        editor_->SetEditText(kModelColBleu, row, IntToStr((c >> 16) & 0xFF));
        SyncFromEditor();
        SelectCell(col, row);
    }
}
