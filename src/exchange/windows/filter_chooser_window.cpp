#include "exchange/windows/filter_chooser_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <filesystem>

#include "exchange/filter_file.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFFiltreOra* FFiltreOra = nullptr;

// ---- rules -----------------------------------------------------------------

FilterChooserList LoadFilterChooserList(const std::string& folder, const std::string& currentFilter)
{
    FilterChooserList list;
    for (FilterFileEntry& entry : FindFilterFiles(folder)) {
        if (list.Selected < 0 && SameTextNoCase(entry.Path, currentFilter))
            list.Selected = static_cast<int>(list.FilterPaths.size());
        list.Titles.push_back(std::move(entry.Title));
        list.FilterPaths.push_back(std::move(entry.Path));
    }
    return list;
}

bool AcceptFilterChoice(const FilterChooserList& list, int selected)
{
    if (list.FilterPaths.empty() || selected < 0 || selected >= static_cast<int>(list.FilterPaths.size()))
        return false;
    OracleFilterName = list.FilterPaths[static_cast<std::size_t>(selected)];
    if (IniCarotix) IniCarotix->WriteString("Oracle", "Filtre", OracleFilterName);
    return true;
}

bool EditFilterFile(const FilterChooserList& list, int selected)
{
    if (selected < 0 || selected >= static_cast<int>(list.FilterPaths.size())) return false;
    const std::string& path = list.FilterPaths[static_cast<std::size_t>(selected)];
    if (Ui().OpenWithAssociatedProgram(path)) return true;
    ShowWarning(kFilterChooserCaption, "Aucun programme n'a pu ouvrir le fichier de filtre\n" + path);
    return false;
}

FilterChooserButtonLefts FilterChooserButtons(int clientWidth, int okWidth, int annulWidth, int editWidth)
{
    static_cast<void>(editWidth);  // the last button only starts after the middle one
    FilterChooserButtonLefts lefts;
    lefts.annul = clientWidth / 2 - annulWidth / 2;
    lefts.ok = clientWidth / 2 - okWidth - annulWidth / 2 - 4;
    lefts.edit = clientWidth / 2 + (annulWidth + 1) / 2 + 4;
    return lefts;
}

// ---- window ----------------------------------------------------------------

namespace {
constexpr int kMargin = 8;
constexpr int kLabelTop = 8;
constexpr int kListTop = 26;
constexpr int kPanelHeight = 41;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
} // namespace

TFFiltreOra::TFFiltreOra(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FFiltreOra"));
    setWindowTitle(ToQString(kFilterChooserCaption));
    Label1 = new QLabel(ToQString("Choisissez le filtre"), this);
    ListFiltres = new QListWidget(this);
    ListFiltres->setObjectName(QStringLiteral("ListFiltres"));
    Panel1 = new QWidget(this);
    BOk = new QPushButton(QStringLiteral("Ok"), Panel1);
    BOk->setObjectName(QStringLiteral("BOk"));
    BAnnul = new QPushButton(QStringLiteral("Annuler"), Panel1);
    BAnnul->setObjectName(QStringLiteral("BAnnul"));
    BEdit = new QPushButton(ToQString("Editer..."), Panel1);
    BEdit->setObjectName(QStringLiteral("BEdit"));
    for (QPushButton* b : {BOk, BAnnul, BEdit})
        b->resize(kButtonWidth, kButtonHeight);
    BOk->setDefault(true);
    BOk->setAutoDefault(true);
    BAnnul->setAutoDefault(false);
    BEdit->setAutoDefault(false);

    connect(BOk, &QPushButton::clicked, this, GuardedSlot([this] { accept(); }));
    connect(BAnnul, &QPushButton::clicked, this, GuardedSlot([this] { reject(); }));
    connect(BEdit, &QPushButton::clicked, this, GuardedSlot([this] { BEditClick(); }));
    // A double click on a line chooses it, as "Ok" does.
    connect(ListFiltres, &QListWidget::itemDoubleClicked, this, GuardedSlot([this] { BOk->click(); }));

    setMinimumSize(307, 222);
    resize(387, 263);
    FormResize();
}

int TFFiltreOra::SelectedLine() const
{
    const int row = ListFiltres->currentRow();
    if (row < 0 || !ListFiltres->item(row) || !ListFiltres->item(row)->isSelected()) return -1;
    return row;
}

void TFFiltreOra::FillList()
{
    ListFiltres->clear();
    FilterPaths.clear();
    list_ = LoadFilterChooserList(ProgramFolder().string(), OracleFilterName);
    for (std::size_t i = 0; i < list_.Titles.size(); ++i) {
        // A file whose first line is blank is still shown, by its name.
        std::string shown = list_.Titles[i];
        if (TrimView(shown).empty()) shown = std::filesystem::u8path(list_.FilterPaths[i]).filename().string();
        ListFiltres->addItem(ToQString(shown));
    }
    FilterPaths = list_.FilterPaths;
    if (list_.Selected >= 0) ListFiltres->setCurrentRow(list_.Selected);
}

void TFFiltreOra::FormResize()
{
    const int c = width();
    const int h = height();
    Label1->move(kMargin, kLabelTop);
    Label1->adjustSize();
    Panel1->setGeometry(0, h - kPanelHeight, c, kPanelHeight);
    ListFiltres->setGeometry(kMargin, kListTop, std::max(0, c - 2 * kMargin), std::max(0, h - kPanelHeight - kListTop));
    const FilterChooserButtonLefts lefts = FilterChooserButtons(c, BOk->width(), BAnnul->width(), BEdit->width());
    const int top = (kPanelHeight - kButtonHeight) / 2;
    BOk->move(lefts.ok, top);
    BAnnul->move(lefts.annul, top);
    BEdit->move(lefts.edit, top);
}

void TFFiltreOra::BEditClick()
{
    EditFilterFile(list_, SelectedLine());
}

void TFFiltreOra::showEvent(QShowEvent* event)
{
    RunGuarded([this] {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        FormResize();
        FillList();
        ListFiltres->setFocus();
    });
    QDialog::showEvent(event);
}

void TFFiltreOra::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void FiltredimporationOracle1Click(QWidget* parent)
{
    if (!FFiltreOra) FFiltreOra = new TFFiltreOra(parent);
    const int result = FFiltreOra->exec();
    if (result != QDialog::Accepted) return;
    FilterChooserList chosen;
    chosen.FilterPaths = FFiltreOra->FilterPaths;
    AcceptFilterChoice(chosen, FFiltreOra->SelectedLine());
}
