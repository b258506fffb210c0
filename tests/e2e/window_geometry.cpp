#include "window_geometry.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTableView>
#include <QTreeView>
#include <QWidget>
#include <algorithm>

#include "platform/windows/caption_button.h"

namespace {

std::string Name(const QWidget* w)
{
    QString text;
    if (const auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
    QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    if (!text.isEmpty()) name += QStringLiteral(" '") + text + QStringLiteral("'");
    return (w->window()->objectName() + QStringLiteral("/") + name).toStdString();
}

// The part of the widget that its parents let show, in the window's
// coordinates; empty when a parent scrolls it (the person scrolls to see it).
bool VisiblePart(const QWidget* w, QRect& part)
{
    const QWidget* window = w->window();
    part = QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (const auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget()); area && area->viewport() == p)
            return false;
        part &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    }
    part &= window->rect();
    return true;
}

// The width a push button needs to show its text and icon: its size hint
// without the style's smallest width for buttons.
int PushButtonNeed(const QPushButton* b)
{
    const QString pad(40, QLatin1Char('M'));
    QPushButton probe;
    probe.setFont(b->font());
    probe.setIcon(b->icon());
    probe.setIconSize(b->iconSize());
    probe.setFlat(b->isFlat());
    probe.setText(b->text() + pad);
    probe.ensurePolished();
    return probe.sizeHint().width() - QFontMetrics(b->font()).horizontalAdvance(pad);
}

// Where the text lies inside the widget, in its parent's coordinates.
QRect TextRect(const QWidget* w, QSize need)
{
    const QRect g = w->geometry();
    need = need.boundedTo(g.size());
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return QStyle::alignedRect(l->layoutDirection(), l->alignment(), need, g);
    return QRect(g.topLeft(), need);
}

void CheckText(const QWidget* w, QSize need, std::vector<std::string>& faults)
{
    QRect part;
    if (!VisiblePart(w, part)) return;
    if (part.width() < need.width() || part.height() < need.height()) {
        faults.push_back(Name(w) + ": needs " + std::to_string(need.width()) + " x " + std::to_string(need.height()) +
                         ", shows " + std::to_string(part.width()) + " x " + std::to_string(part.height()));
        return;
    }
    // A sibling stacked above it must not lie over its text.
    const QWidget* parent = w->parentWidget();
    if (!parent) return;
    const QRect text = TextRect(w, need);
    bool above = false;
    for (QObject* o : parent->children()) {
        if (o == w) {
            above = true;
            continue;
        }
        const auto* s = qobject_cast<const QWidget*>(o);
        if (!above || !s || s->isWindow() || !s->isVisibleTo(parent)) continue;
        if (s->geometry().intersects(text))
            faults.push_back(Name(w) + ": covered by " + Name(s));
    }
}

// The columns of lists and tables: each shows its whole title, and each
// shows its contents whole, or takes at least its share of the list when
// they are wider (a list whose columns were sized before it was laid out
// leaves them a few pixels wide). Spreadsheets, whose columns take the
// widths of their data, and header-less grids are left out.
void CheckColumns(const QAbstractItemView* view, std::vector<std::string>& faults)
{
    const QHeaderView* h = nullptr;
    if (const auto* tree = qobject_cast<const QTreeView*>(view); tree && !tree->isHeaderHidden()) h = tree->header();
    if (const auto* table = qobject_cast<const QTableView*>(view); table && table->horizontalHeader()->isVisible())
        h = table->horizontalHeader();
    if (!h || !h->model()) return;
    QRect part;
    if (!VisiblePart(view, part)) return;
    const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
    const int shown = h->count() - h->hiddenSectionCount();
    const int share = shown > 0 ? view->viewport()->width() / shown : 0;
    for (int i = 0; i < h->count(); ++i) {
        if (h->isSectionHidden(i) || h->sectionViewportPosition(i) >= h->width()) continue;
        const QString title = h->model()->headerData(i, Qt::Horizontal).toString();
        int need = QFontMetrics(h->font()).horizontalAdvance(title) + 2 * margin;
        if (qobject_cast<const QTreeView*>(view)) need = std::max(need, std::min(share, view->sizeHintForColumn(i)));
        if (!title.isEmpty() && h->sectionSize(i) < need)
            faults.push_back(Name(view) + ": column '" + title.toStdString() + "' is " + std::to_string(h->sectionSize(i)) +
                             " wide, needs " + std::to_string(need));
    }
}

}  // namespace

std::vector<std::string> WindowGeometryFaults(QWidget* window, bool smallScreen)
{
    std::vector<std::string> faults;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window)) continue;
        if (const auto* l = qobject_cast<const QLabel*>(w)) {
            if (l->text().isEmpty() || !l->pixmap().isNull()) continue;
            if (smallScreen && qobject_cast<const QStatusBar*>(l->parentWidget())) continue;
            QRect part;
            if (l->wordWrap()) {
                if (VisiblePart(l, part)) {
                    const int h = l->heightForWidth(l->width());
                    if (l->height() < h)
                        faults.push_back(Name(l) + ": needs " + std::to_string(h) + " pixels of height, has " +
                                         std::to_string(l->height()));
                }
                continue;
            }
            CheckText(l, l->sizeHint(), faults);
        } else if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
            const auto* b = static_cast<const QAbstractButton*>(w);
            if (b->text().isEmpty()) continue;
            CheckText(b, QSize(b->sizeHint().width(), QFontMetrics(b->font()).height()), faults);
        } else if (const auto* b = qobject_cast<const QPushButton*>(w)) {
            if (b->text().isEmpty()) continue;
            CheckText(b, QSize(PushButtonNeed(b), QFontMetrics(b->font()).height()), faults);
        } else if (const auto* t = qobject_cast<const QToolButton*>(w)) {
            if (t->text().isEmpty() || t->toolButtonStyle() == Qt::ToolButtonIconOnly ||
                t->objectName() == QLatin1String("qt_toolbar_ext_button"))
                continue;
            if (t->toolButtonStyle() == Qt::ToolButtonFollowStyle && !t->icon().isNull()) continue;
            CheckText(t, QSize(t->sizeHint().width(), QFontMetrics(t->font()).height()), faults);
        }
        if (const auto* view = qobject_cast<const QAbstractItemView*>(w)) CheckColumns(view, faults);
        if (const auto* bar = qobject_cast<const QMenuBar*>(w)) {
            const auto* ext =
                bar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"), Qt::FindDirectChildrenOnly);
            if (ext && ext->isVisibleTo(window)) {
                std::string hidden;
                for (QAction* a : bar->actions())
                    if (a->isVisible() && bar->actionGeometry(a).right() > ext->x())
                        hidden += " '" + a->text().toStdString() + "'";
                faults.push_back(Name(bar) + ": hides menus behind its extension button" + hidden);
            }
        }
        if (const auto* bar = qobject_cast<const QToolBar*>(w)) {
            const auto* ext =
                bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"), Qt::FindDirectChildrenOnly);
            if (ext && ext->isVisibleTo(window)) {
                std::string hidden;
                for (QAction* a : bar->actions()) {
                    QWidget* aw = bar->widgetForAction(a);
                    if (a->isVisible() && !a->isSeparator() && aw && !aw->isVisibleTo(window))
                        hidden += " '" + (a->text().isEmpty() ? aw->objectName() : a->text()).toStdString() + "'";
                }
                faults.push_back(Name(bar) + ": hides behind its extension button" + hidden);
            }
        }
    }
    // The whole window, frame included, on the screen's available area.
    if (const QScreen* screen = window->screen(); screen && !screen->availableGeometry().contains(window->frameGeometry())) {
        const QRect f = window->frameGeometry();
        faults.push_back(window->objectName().toStdString() + ": lies at " + std::to_string(f.x()) + "," +
                         std::to_string(f.y()) + " " + std::to_string(f.width()) + " x " + std::to_string(f.height()) +
                         ", off the screen's available area");
    }
    for (const TCaptionButton* c : window->findChildren<TCaptionButton*>()) {
        if (!c->Visible() || c->Button()->window() != window) continue;
        const QWidget* b = c->Button();
        const QRect r(b->mapTo(window, QPoint(0, 0)), b->size());
        if (!window->rect().contains(r))
            faults.push_back(Name(b) + ": caption button outside its window");
        const int margin = window->width() - (r.left() + r.width());
        if (margin != c->RightMargin())
            faults.push_back(Name(b) + ": caption button " + std::to_string(margin) + " pixels from the right edge, not " +
                             std::to_string(c->RightMargin()));
    }
    return faults;
}

void SaveWindowShot(QWidget* window, const std::filesystem::path& file)
{
    std::filesystem::create_directories(file.parent_path());
    // Taken from the screen, as shown: rendering the window instead would lay
    // out the hidden windows it owns, and hide how they first open.
    QPixmap shot;
    if (QScreen* screen = window->screen()) shot = screen->grabWindow(window->winId());
    if (shot.isNull()) shot = window->grab();
    shot.save(QString::fromStdString(file.string()), "PNG");
}
