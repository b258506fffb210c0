#include "coding/windows/lexicon_picker_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

TFLex* FLex = nullptr;

TPickerDialog::TPickerDialog(const char* className, const char* caption,
                             const std::vector<std::pair<const char*, int>>& columns, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QString::fromUtf8(className));
    setWindowTitle(QString::fromUtf8(caption));
    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    int width = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        titles << QString::fromUtf8(columns[c].first);
        ListView1->setColumnWidth(static_cast<int>(c), columns[c].second);
        width += columns[c].second;
    }
    ListView1->setHeaderLabels(titles);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->viewport()->installEventFilter(this);

    Ok = new QPushButton(QStringLiteral("Ok"), this);
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Ok);
    buttons->addWidget(Annuler);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1);
    layout->addLayout(buttons);
    resize(width + 40, 380);

    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, GuardedSlot([this] { ListView1SelectItem(); }));
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            GuardedSlot([this](int column) { ListView1ColumnClick(column); }));
}

void TPickerDialog::SetItems(std::vector<PickerItem> items)
{
    items_ = std::move(items);
    Fill();
}

void TPickerDialog::Fill()
{
    ListView1->clear();
    QList<QTreeWidgetItem*> lines;
    for (const PickerItem& item : items_) {
        QStringList texts;
        texts << ToQString(item.Caption);
        for (const std::string& s : item.SubItems) texts << ToQString(s);
        lines << new QTreeWidgetItem(texts);
    }
    ListView1->addTopLevelItems(lines);
    ListView1->setCurrentItem(nullptr);
    ListView1->clearSelection();
    ListView1SelectItem();
}

int TPickerDialog::SelectedIndex() const
{
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    return selected.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(selected.front());
}

void TPickerDialog::Select(int index)
{
    QTreeWidgetItem* item = index >= 0 ? ListView1->topLevelItem(index) : nullptr;
    ListView1->clearSelection();
    if (item) {
        ListView1->setCurrentItem(item);
        item->setSelected(true);
    }
    ListView1SelectItem();
}

std::string TPickerDialog::SelectedCaption() const
{
    const int i = SelectedIndex();
    return i >= 0 && i < static_cast<int>(items_.size()) ? items_[static_cast<std::size_t>(i)].Caption : std::string();
}

void TPickerDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) RunGuarded([this] { FormShow(); });
}

void TPickerDialog::FormShow() { ListView1SelectItem(); }

void TPickerDialog::ListView1SelectItem() { Ok->setEnabled(SelectedIndex() >= 0); }

void TPickerDialog::ListView1MouseDown(int y)
{
    if (SelectedIndex() >= 0) return;
    if (QTreeWidgetItem* item = ListView1->itemAt(2, y)) Select(ListView1->indexOfTopLevelItem(item));
}

void TPickerDialog::ListView1DblClick()
{
    if (SelectedIndex() >= 0) accept();
}

void TPickerDialog::ListView1ColumnClick(int column)
{
    const int selected = SelectedIndex();
    std::vector<std::pair<PickerItem, bool>> tagged;
    for (std::size_t i = 0; i < items_.size(); ++i) tagged.emplace_back(items_[i], static_cast<int>(i) == selected);
    std::stable_sort(tagged.begin(), tagged.end(), [column](const auto& a, const auto& b) {
        return ComparePickerItems(a.first, b.first, column) < 0;
    });
    items_.clear();
    int keep = -1;
    for (std::size_t i = 0; i < tagged.size(); ++i) {
        items_.push_back(std::move(tagged[i].first));
        if (tagged[i].second) keep = static_cast<int>(i);
    }
    Fill();
    Select(keep);
}

bool TPickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const int y = static_cast<QMouseEvent*>(event)->position().toPoint().y();
            RunGuarded([this, y] { ListView1MouseDown(y); });
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            RunGuarded([this] { ListView1DblClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

TFLex::TFLex(QWidget* parent)
    : TPickerDialog("TFLex", "Lexique", {{"Identifiant", 150}, {"Libell\xC3\xA9", 300}}, parent)
{
    if (!FLex) FLex = this;
}

TFLex::~TFLex()
{
    if (FLex == this) FLex = nullptr;
}

bool PickLexicon(const std::vector<std::string>& codes, const std::vector<std::string>& labels, std::string& code,
                 QWidget* parent)
{
    if (!FLex) FLex = new TFLex(parent);
    FLex->SetItems(LexiconPickerItems(codes, labels));
    if (FLex->exec() != QDialog::Accepted || FLex->SelectedIndex() < 0) return false;
    code = FLex->SelectedCaption();
    return true;
}
