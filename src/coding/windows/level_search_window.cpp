#include "coding/windows/level_search_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "app/collection_links.h"
#include "app/collection_window.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

TFRechNiv* FRechNiv = nullptr;

namespace {

template <class W>
W* Place(W* w, int x, int y, int width, int height)
{
    w->setGeometry(x, y, width, height);
    return w;
}

QLabel* Label(QWidget* parent, const char* text, int x, int y, int width)
{
    return Place(new QLabel(QString::fromUtf8(text), parent), x, y, width, 17);
}

}  // namespace

TFRechNiv::TFRechNiv(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFRechNiv"));
    setWindowTitle(QString::fromUtf8(kLevelSearchCaption));

    GroupBox1 = Place(new QGroupBox(QStringLiteral("Crit\u00E8res"), this), 4, 4, 392, 104);
    Label(GroupBox1, "Contenant les mots-cl\xC3\xA9s :", 8, 20, 370);
    EMotsCles = Place(new QLineEdit(GroupBox1), 8, 38, 376, 22);
    Label(GroupBox1, "Profondeur de", 8, 72, 84);
    EProfDe = Place(new QLineEdit(GroupBox1), 92, 70, 56, 22);
    Label(GroupBox1, "\xC3\xA0", 154, 72, 12);
    EProfA = Place(new QLineEdit(GroupBox1), 168, 70, 56, 22);
    Label(GroupBox1, "m\xC3\xA8tres", 230, 72, 50);
    CInclStricte = Place(new QCheckBox(QStringLiteral("Inclusion stricte"), GroupBox1), 284, 70, 104, 22);

    GroupBox2 = Place(new QGroupBox(QStringLiteral("Rechercher dans"), this), 4, 112, 194, 70);
    RTousOuvr = Place(new QRadioButton(QStringLiteral("Tous les ouvrages"), GroupBox2), 8, 20, 180, 20);
    ROuvrSel = Place(new QRadioButton(QStringLiteral("Les ouvrages s\u00E9lectionn\u00E9s"), GroupBox2), 8, 42, 180, 20);
    RTousOuvr->setChecked(true);

    GroupBox3 = Place(new QGroupBox(QStringLiteral("Action"), this), 202, 112, 194, 116);
    RSelNiv = Place(new QRadioButton(QStringLiteral("S\u00E9lectionner les niveaux"), GroupBox3), 8, 20, 180, 20);
    RDeselNiv = Place(new QRadioButton(QStringLiteral("D\u00E9s\u00E9lectionner les niveaux"), GroupBox3), 8, 42, 180, 20);
    RInvSelNiv = Place(new QRadioButton(QStringLiteral("Inverser la s\u00E9lection"), GroupBox3), 8, 64, 180, 20);
    CSelOuvr = Place(new QCheckBox(QStringLiteral("S\u00E9lectionner les ouvrages"), GroupBox3), 8, 90, 180, 20);
    RSelNiv->setChecked(true);

    BOk = Place(new QPushButton(QStringLiteral("Ok"), this), 12, 196, 84, 25);
    BOk->setDefault(true);
    Button2 = Place(new QPushButton(QStringLiteral("Annuler"), this), 108, 196, 84, 25);

    // The expression is typed in capitals, by the program's own case rules.
    connect(EMotsCles, &QLineEdit::textEdited, this, GuardedSlot([this](const QString& text) {
                const QString upper = ToQString(UpperCase(FromQString(text)));
                if (upper != text) {
                    const int cursor = EMotsCles->cursorPosition();
                    EMotsCles->setText(upper);
                    EMotsCles->setCursorPosition(cursor);
                }
            }));
    for (QLineEdit* e : {EMotsCles, EProfDe, EProfA})
        connect(e, &QLineEdit::textChanged, this, GuardedSlot([this] { CritereChange(); }));
    connect(CInclStricte, &QCheckBox::clicked, this, GuardedSlot([this] { CritereChange(); }));
    connect(BOk, &QPushButton::clicked, this, GuardedSlot([this] { BOkClick(); }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    if (!FRechNiv) FRechNiv = this;
}

TFRechNiv::~TFRechNiv()
{
    if (FRechNiv == this) FRechNiv = nullptr;
}

void TFRechNiv::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) RunGuarded([this] { FormShow(); });
}

void TFRechNiv::FormShow()
{
    setFixedSize(GroupBox1->width() + 8, GroupBox3->geometry().bottom() + 1 + 8);
    const bool several = child_ && child_->GetSelectedRows().size() > 1;
    (several ? ROuvrSel : RTousOuvr)->setChecked(true);
    EMotsCles->setFocus();
    CritereChange();
}

void TFRechNiv::CritereChange()
{
    criteria_ = ReadLevelSearchCriteria(FromQString(EMotsCles->text()), FromQString(EProfDe->text()),
                                        FromQString(EProfA->text()), CInclStricte->isChecked());
    BOk->setEnabled(LevelSearchCanRun(criteria_));
}

void TFRechNiv::BOkClick()
{
    if (!child_) {
        accept();
        return;
    }
    CritereChange();
    std::vector<int> indexes;
    if (ROuvrSel->isChecked()) {
        indexes = child_->GetSelectedRows();
    } else {
        for (int r = 0; r < static_cast<int>(child_->Rows().size()); ++r) indexes.push_back(r);
    }
    std::vector<LevelSearchRow> rows;
    std::vector<int> rowOf;
    for (int r : indexes) {
        if (r < 0 || r >= static_cast<int>(child_->Rows().size())) continue;
        const CollectionRow& row = child_->Rows()[static_cast<std::size_t>(r)];
        rows.push_back({row.Indice, row.Design});
        rowOf.push_back(r);
    }
    const LevelAction action = RDeselNiv->isChecked()  ? LevelAction::Deselect
                               : RInvSelNiv->isChecked() ? LevelAction::Invert
                                                         : LevelAction::Select;
    // Whatever happens, the levels already written are shown and the dialog
    // closes; a syntax error then reaches the failure box.
    auto finish = [this] {
        if (LogViewLink* log = GetLogViewLink()) log->Redraw();
        accept();
    };
    LevelSearchResult result;
    try {
        result = RunLevelSearch(child_->FRoot(), rows, criteria_, action);
    } catch (...) {
        finish();
        throw;
    }
    if (CSelOuvr->isChecked()) {
        std::vector<int> found;
        for (int i : result.MatchedRows) found.push_back(rowOf[static_cast<std::size_t>(i)]);
        child_->SelectRows(found);
    }
    finish();
}

bool ShowLevelSearch(TFChild* child, QWidget* parent)
{
    if (!child) return false;
    if (!FRechNiv) FRechNiv = new TFRechNiv(parent);
    FRechNiv->SetChild(child);
    return FRechNiv->exec() == QDialog::Accepted;
}
