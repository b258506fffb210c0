#include "coding/windows/word_list_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "coding/windows/coding_rules_window.h"
#include "platform/ui_services.h"
#include "store/options.h"

TFListeMots* FListeMots = nullptr;

TFListeMots::TFListeMots(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FListeMots"));
    setWindowTitle(QStringLiteral("Liste de mots"));
    setModal(true);
    const char* titles[4] = {"Noms", "Adjectifs", "Inhibiteurs", "Activateurs"};
    const auto grids = editor_.Grids();
    auto* layout = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        models_[i] = new TextGridModel(*grids[static_cast<std::size_t>(i)].first, this);
        models_[i]->Edited = [this, i](int col, int row, const std::string& text) { GridSetEditText(i, col, row, text); };
        QTableView* view = new QTableView(this);
        view->setObjectName(QString::fromUtf8(titles[i]));
        view->setModel(models_[i]);
        view->verticalHeader()->setDefaultSectionSize(20);
        view->verticalHeader()->hide();
        view->horizontalHeader()->setStretchLastSection(true);
        Grids[static_cast<std::size_t>(i)] = view;
        auto* box = new QGroupBox(QString::fromUtf8(titles[i]), this);
        auto* bl = new QVBoxLayout(box);
        bl->addWidget(view);
        // Nouns and adjectives above, the two invariable lists below.
        layout->addWidget(box, i < 2 ? 0 : 1, i % 2);
    }
    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Annuler"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, GuardedSlot([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, GuardedSlot([this] { reject(); }));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* all = new QVBoxLayout(this);
    all->addLayout(layout, 1);
    all->addLayout(buttons);
    resize(720, 520);
}

TFListeMots::~TFListeMots()
{
    if (FListeMots == this) FListeMots = nullptr;
}

void TFListeMots::FormShow()
{
    try {
        editor_.Load(ProgramFolder());
    } catch (...) {
        for (TextGridModel* m : models_) m->Reset();
        throw;
    }
    for (TextGridModel* m : models_) m->Reset();
}

void TFListeMots::Button1Click()
{
    const std::size_t unmapped = editor_.Save(ProgramFolder());
    accept();
    if (unmapped > 0)
        ShowWarning(kCheckTitle, "Des caract\xC3\xA8res sans \xC3\xA9quivalent dans l'encodage des fichiers y ont "
                                 "\xC3\xA9t\xC3\xA9 \xC3\xA9" "crits sous la forme \xC2\xAB ? \xC2\xBB.");
}

void TFListeMots::GridSetEditText(int grid, int col, int row, const std::string& text)
{
    if (grid < 0 || grid > 3) return;
    TextGridModel* m = models_[static_cast<std::size_t>(grid)];
    const int rows = m->Grid().RowCount();
    const std::string warning = WordListsEditor::SetEditText(m->Grid(), col, row, text);
    m->RowsAppended(rows);
    if (!warning.empty()) ShowWarning(kCheckTitle, warning);
}

void TFListeMots::showEvent(QShowEvent* event)
{
    RunGuarded([this] { FormShow(); });
    QDialog::showEvent(event);
}
