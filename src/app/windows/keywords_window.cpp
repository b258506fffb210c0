#include "app/windows/keywords_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/collection_links.h"
#include "app/windows/collection_window.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"

TFMotCles* FMotCles = nullptr;

namespace {

QTreeWidget* NewList(QWidget* parent, const char* name, bool multi)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromUtf8(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    list->header()->setSectionsClickable(true);
    return list;
}

}  // namespace

TFMotCles::TFMotCles(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFMotCles"));
    setWindowTitle(QString::fromUtf8(kKeywordsCaption));
    ListView_MotsCles = NewList(this, "ListView_MotsCles", true);
    ListView_Dispo = NewList(this, "ListView_Dispo", true);
    ListView_Ouvrages = NewList(this, "ListView_Ouvrages", false);
    ListView_Ouvrages->setHeaderLabels({QStringLiteral("Indice"), QStringLiteral("D\u00E9signation")});
    Button_Ajouter = new QPushButton(QStringLiteral("Ajouter"), this);
    Button_Supprimer = new QPushButton(QStringLiteral("Supprimer"), this);
    Button_SelectOuvrages = new QPushButton(QStringLiteral("S\u00E9lectionner ces ouvrages"), this);
    Button2 = new QPushButton(QStringLiteral("Valider"), this);
    Button2->setDefault(true);
    Button1 = new QPushButton(QStringLiteral("Annuler"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Mots-cl\u00E9s pour cet ouvrage :"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Mots cl\u00E9s disponibles :"), this), 0, 2);
    grid->addWidget(ListView_MotsCles, 1, 0);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(Button_Ajouter);
    middle->addWidget(Button_Supprimer);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    grid->addWidget(ListView_Dispo, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Autres ouvrages avec les mots-cl\u00E9s :"), this), 2, 0);
    grid->addWidget(ListView_Ouvrages, 3, 0);
    auto* right = new QVBoxLayout;
    right->addWidget(Button_SelectOuvrages);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    right->addLayout(buttons);
    grid->addLayout(right, 3, 2);
    setLayout(grid);
    resize(760, 520);

    connect(Button_Ajouter, &QPushButton::clicked, this, GuardedSlot([this] { Button_AjouterClick(); }));
    connect(Button_Supprimer, &QPushButton::clicked, this, GuardedSlot([this] { Button_SupprimerClick(); }));
    connect(Button_SelectOuvrages, &QPushButton::clicked, this, GuardedSlot([this] { Button_SelectOuvragesClick(); }));
    connect(Button2, &QPushButton::clicked, this, GuardedSlot([this] { Button2Click(); }));
    connect(Button1, &QPushButton::clicked, this, GuardedSlot([this] { Button1Click(); }));
    connect(ListView_MotsCles, &QTreeWidget::itemSelectionChanged, this,
            GuardedSlot([this] { ListView_MotsClesSelectItem(); }));
    connect(ListView_Ouvrages, &QTreeWidget::itemSelectionChanged, this,
            GuardedSlot([this] { ListView_OuvragesSelectItem(); }));
    connect(ListView_MotsCles->header(), &QHeaderView::sectionClicked, this,
            GuardedSlot([this](int c) { SortBy(ListView_MotsCles, c); }));
    connect(ListView_Dispo->header(), &QHeaderView::sectionClicked, this,
            GuardedSlot([this](int c) { SortBy(ListView_Dispo, c); }));
    if (!FMotCles) FMotCles = this;
}

TFMotCles::~TFMotCles()
{
    if (FMotCles == this) FMotCles = nullptr;
}

std::vector<int> TFMotCles::SelectedLines(QTreeWidget* list)
{
    std::vector<int> lines;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected()) lines.push_back(i);
    return lines;
}

void TFMotCles::SetColumns(QTreeWidget* list)
{
    QStringList titles;
    for (const TFieldDef& d : editor_->Defs) titles << ToQString(d.Name);
    list->setColumnCount(std::max<int>(1, static_cast<int>(titles.size())));
    list->setHeaderLabels(titles);
    FitColumns(list);
}

void TFMotCles::FitColumns(QTreeWidget* list)
{
    // Each column takes its share of the list's client width, and at least
    // its title's width. A list that was never shown has no laid-out client
    // area yet: the window fits them again once it shows.
    const int count = list->columnCount();
    if (!editor_ || editor_->Defs.empty() || count < 1) return;
    const QHeaderView* h = list->header();
    const int width = list->viewport()->width() / count;
    const int margin = 2 * h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
    for (int c = 0; c < count; ++c)
        list->setColumnWidth(
            c, std::max({width, 40, h->fontMetrics().horizontalAdvance(list->headerItem()->text(c)) + margin}));
}

void TFMotCles::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once the lists are laid out and their scroll bars known.
    QTimer::singleShot(0, this, [this] {
        FitColumns(ListView_MotsCles);
        FitColumns(ListView_Dispo);
    });
}

void TFMotCles::FillLines(QTreeWidget* list, const std::vector<KeywordLine>& lines)
{
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const KeywordLine& line : lines) {
        QStringList texts;
        for (const std::string& t : line) texts << ToQString(t);
        items << new QTreeWidgetItem(texts);
    }
    list->addTopLevelItems(items);
}

void TFMotCles::ShowEditor(TFChild* child, KeywordsEditor* editor)
{
    child_ = child;
    editor_ = editor;
    closing_ = false;
    ouvrages_.clear();
    ListView_Ouvrages->clear();
    if (!editor) {
        ListView_MotsCles->clear();
        ListView_Dispo->clear();
        return;
    }
    setWindowTitle(ToQString(editor->Caption));
    SetColumns(ListView_MotsCles);
    SetColumns(ListView_Dispo);
    FillLines(ListView_MotsCles, editor->Lines);
    FillLines(ListView_Dispo, editor->Available);
}

void TFMotCles::Button_AjouterClick()
{
    if (!editor_) return;
    editor_->Add(SelectedLines(ListView_Dispo));
    FillLines(ListView_MotsCles, editor_->Lines);
}

void TFMotCles::Button_SupprimerClick()
{
    if (!editor_) return;
    editor_->Remove(SelectedLines(ListView_MotsCles));
    FillLines(ListView_MotsCles, editor_->Lines);
}

void TFMotCles::SortBy(QTreeWidget* list, int column)
{
    if (!editor_) return;
    std::vector<KeywordLine>& lines = list == ListView_MotsCles ? editor_->Lines : editor_->Available;
    KeywordsEditor::SortLines(lines, column);
    FillLines(list, lines);
}

void TFMotCles::ListView_MotsClesSelectItem()
{
    ListView_Ouvrages->clear();
    ouvrages_.clear();
    if (!editor_) return;
    const std::vector<int> selected = SelectedLines(ListView_MotsCles);
    if (selected.empty()) return;
    ouvrages_ = editor_->OuvragesWith(selected);
    for (const KeywordOuvrage& o : ouvrages_)
        ListView_Ouvrages->addTopLevelItem(new QTreeWidgetItem({ToQString(o.Indice), ToQString(o.Design)}));
}

void TFMotCles::ListView_OuvragesSelectItem()
{
    const std::vector<int> selected = SelectedLines(ListView_Ouvrages);
    if (selected.size() != 1 || !editor_) return;
    const KeywordOuvrage& o = ouvrages_[static_cast<std::size_t>(selected.front())];
    if (LogViewLink* log = GetLogViewLink()) {
        log->SetBorehole(editor_->Root, o.Indice, o.Design);
        log->SetTubes({}, -1);
        log->Redraw();
    }
}

void TFMotCles::Button_SelectOuvragesClick()
{
    if (!child_) return;
    std::vector<int> rows;
    for (const KeywordOuvrage& o : ouvrages_) {
        const int r = child_->FindRow(o.Indice, o.Design);
        if (r >= 0) rows.push_back(r);
    }
    if (rows.size() > 1) child_->ShowIconView();
    child_->SelectRows(rows);
}

void TFMotCles::Button2Click()
{
    if (editor_ && editor_->Changed()) editor_->Store();
    closing_ = true;
    accept();
}

void TFMotCles::Button1Click()
{
    if (editor_) editor_->Discard();
    closing_ = true;
    reject();
}

void TFMotCles::done(int result)
{
    if (!closing_ && editor_ && editor_->Changed()) {
        const MsgResult answer = AskYesNoCancel(kKeywordsChangedTitle, kKeywordsChangedQuestion);
        if (answer == MsgResult::Cancel) return;
        if (answer == MsgResult::Yes) editor_->Store();
        else editor_->Discard();
    }
    closing_ = false;
    QDialog::done(result);
}

void MotClesOpen(TFChild* child, int row, bool dropIfEmpty, const std::string& table, QWidget* parent)
{
    if (!child || row < 0 || row >= static_cast<int>(child->Rows().size())) {
        ShowMessage(kKeywordsInvalidRow);
        return;
    }
    const CollectionRow& r = child->Rows()[static_cast<std::size_t>(row)];
    KeywordsEditor editor;
    editor.Open(child->FRoot(), r.Indice, r.Design, table);
    if (!editor.Prepare()) {
        ShowBox(kKeywordsPrepareTitle, kKeywordsPrepareFailed);
    } else {
        if (!FMotCles) FMotCles = new TFMotCles(parent);
        FMotCles->ShowEditor(child, &editor);
        FMotCles->exec();
        FMotCles->ShowEditor(nullptr, nullptr);
    }
    if (dropIfEmpty) editor.DropIfEmpty();
}
