#include "app/windows/tables_window.h"

#include <QEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/windows/desk_window.h"
#include "app/table_commands.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

TFTables* FTables = nullptr;

TFTables::TFTables(QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FTables"));
    setWindowTitle(QStringLiteral("Tables"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFrameShape(QFrame::NoFrame);
    ListBox1->setMouseTracking(true);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->viewport()->installEventFilter(this);
    ListBox1->installEventFilter(this);
    layout->addWidget(ListBox1);
    // Menu colours: the pop-up reads as a context menu.
    QPalette pal = ListBox1->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    ListBox1->setPalette(pal);
    for (const TableEntry& e : ReadTableEntries())
        if (!e.IsSeparator()) ListBox1->addItem(ToQString(e.name));
}

void TFTables::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ListBox1->setCurrentRow(-1);
    ListBox1->clearSelection();
}

void TFTables::PopupAt(QPoint globalPos)
{
    // The list's items add a margin of 3 on each side of their text: the
    // widest name plus 6 shows whole, and the window adds 2 on each side.
    const QFontMetrics fm(ListBox1->font());
    int width = 0;
    for (int i = 0; i < ListBox1->count(); ++i) width = std::max(width, fm.horizontalAdvance(ListBox1->item(i)->text()));
    const int listWidth = std::max(width + 6, 6);
    const int lineHeight = std::max(ListBox1->sizeHintForRow(0), fm.height());
    const int listHeight = ListBox1->count() * lineHeight;
    resize(listWidth + 4, listHeight + 4);
    const TRect desk = FDesk ? FDesk->DeskRect
                             : TFDesk::DeskOf(screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768));
    int x = std::min(globalPos.x(), desk.Right - this->width());
    int y = std::min(globalPos.y(), desk.Bottom - this->height());
    x = std::max(x, desk.Left);
    y = std::max(y, desk.Top);
    move(x, y);
    show();
    raise();
    ListBox1->setFocus();
}

void TFTables::TablesPick()
{
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item || !item->isSelected()) return;
    const std::string name = FromQString(item->text());
    hide();
    if (RunCommand) RunGuarded([&] { RunCommand(name); });
    close();
}

bool TFTables::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox1->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (QListWidgetItem* item = ListBox1->itemAt(me->position().toPoint())) {
                ListBox1->setCurrentItem(item);
                item->setSelected(true);
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (QListWidgetItem* item = ListBox1->itemAt(me->position().toPoint())) {
                ListBox1->setCurrentItem(item);
                item->setSelected(true);
            }
            TablesPick();
            return true;
        }
    } else if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            if (QListWidgetItem* item = ListBox1->currentItem()) item->setSelected(true);
            TablesPick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFTables::changeEvent(QEvent* event)
{
    // FormDeactivate: the pop-up closes when it loses the focus.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) hide();
    QWidget::changeEvent(event);
}
