#include "coding/windows/code_list_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "drawing/swatches.h"
#include "platform/qpainter_canvas.h"
#include "platform/windows/qt_ui_services.h"

TFListeCodes* FListeCodes = nullptr;

namespace {

// ListView1DrawItem: selected rows in the highlight colours, others in the
// window colours; each text clipped to its column from 2 pixels in, and the
// "Motif" column showing the swatch of the row's code.
class CodeRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        if (index.column() == 1) {
            const std::string code = FromQString(index.sibling(index.row(), 0).data().toString());
            const QRect r = option.rect;
            QPainterCanvas canvas(painter);
            DrawCodeSwatch(canvas, code, TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
            return;
        }
        painter->save();
        painter->setClipRect(option.rect);
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data().toString());
        painter->restore();
    }
};

}  // namespace

TFListeCodes::TFListeCodes(QWidget* parent)
    : TPickerDialog("TFListeCodes", "Liste des codes lithologiques", {{"Code", 80}, {"Motif", 60}, {"Description", 400}},
                    parent)
{
    ListView1->setItemDelegate(new CodeRowDelegate(ListView1));
    if (!FListeCodes) FListeCodes = this;
}

TFListeCodes::~TFListeCodes()
{
    if (FListeCodes == this) FListeCodes = nullptr;
}

bool PickLithologyCode(const std::vector<PickerItem>& items, std::string& code, QWidget* parent)
{
    if (!FListeCodes) FListeCodes = new TFListeCodes(parent);
    FListeCodes->SetItems(items);
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        FListeCodes->move(screen->availableGeometry().center() - FListeCodes->rect().center());
    if (FListeCodes->exec() != QDialog::Accepted || FListeCodes->SelectedIndex() < 0) return false;
    code = FListeCodes->SelectedCaption();
    return true;
}
