#include "coding/windows/level_search_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "drawing/log_view_link.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

TFRechNiv* FRechNiv = nullptr;


TFRechNiv::TFRechNiv(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFRechNiv"));
    setWindowTitle(QString::fromUtf8(kLevelSearchCaption));

    // Laid out from the texts' own widths, at least at the sizes the dialog
    // was drawn with (criteria 392 wide, scope and action groups 194, buttons
    // 84 x 25), so that no caption is cut whatever the fonts.
    GroupBox1 = new QGroupBox(QStringLiteral("Crit\u00E8res"), this);
    GroupBox1->setMinimumSize(392, 104);
    auto* criteria = new QVBoxLayout(GroupBox1);
    criteria->addWidget(new QLabel(QString::fromUtf8("Contenant les mots-cl\xC3\xA9s :"), GroupBox1));
    EMotsCles = new QLineEdit(GroupBox1);
    criteria->addWidget(EMotsCles);
    auto* depth = new QHBoxLayout;
    criteria->addLayout(depth);
    depth->addWidget(new QLabel(QStringLiteral("Profondeur de"), GroupBox1));
    EProfDe = new QLineEdit(GroupBox1);
    EProfDe->setFixedWidth(56);
    depth->addWidget(EProfDe);
    depth->addWidget(new QLabel(QString::fromUtf8("\xC3\xA0"), GroupBox1));
    EProfA = new QLineEdit(GroupBox1);
    EProfA->setFixedWidth(56);
    depth->addWidget(EProfA);
    depth->addWidget(new QLabel(QString::fromUtf8("m\xC3\xA8tres"), GroupBox1));
    depth->addStretch(1);
    CInclStricte = new QCheckBox(QStringLiteral("Inclusion stricte"), GroupBox1);
    depth->addWidget(CInclStricte);

    GroupBox2 = new QGroupBox(QStringLiteral("Rechercher dans"), this);
    GroupBox2->setMinimumSize(194, 70);
    auto* scope = new QVBoxLayout(GroupBox2);
    RTousOuvr = new QRadioButton(QStringLiteral("Tous les ouvrages"), GroupBox2);
    ROuvrSel = new QRadioButton(QStringLiteral("Les ouvrages s\u00E9lectionn\u00E9s"), GroupBox2);
    scope->addWidget(RTousOuvr);
    scope->addWidget(ROuvrSel);
    RTousOuvr->setChecked(true);

    GroupBox3 = new QGroupBox(QStringLiteral("Action"), this);
    GroupBox3->setMinimumSize(194, 116);
    auto* action = new QVBoxLayout(GroupBox3);
    RSelNiv = new QRadioButton(QStringLiteral("S\u00E9lectionner les niveaux"), GroupBox3);
    RDeselNiv = new QRadioButton(QStringLiteral("D\u00E9s\u00E9lectionner les niveaux"), GroupBox3);
    RInvSelNiv = new QRadioButton(QStringLiteral("Inverser la s\u00E9lection"), GroupBox3);
    CSelOuvr = new QCheckBox(QStringLiteral("S\u00E9lectionner les ouvrages"), GroupBox3);
    for (QWidget* w : std::initializer_list<QWidget*>{RSelNiv, RDeselNiv, RInvSelNiv, CSelOuvr}) action->addWidget(w);
    RSelNiv->setChecked(true);

    BOk = new QPushButton(QStringLiteral("Ok"), this);
    BOk->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Annuler"), this);
    for (QPushButton* b : {BOk, Button2}) b->setMinimumSize(84, 25);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 8);
    grid->setSpacing(4);
    grid->addWidget(GroupBox1, 0, 0, 1, 2);
    auto* left = new QVBoxLayout;
    left->addWidget(GroupBox2);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 8, 0, 0);
    buttons->addWidget(BOk);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    left->addLayout(buttons);
    left->addStretch(1);
    grid->addLayout(left, 1, 0);
    grid->addWidget(GroupBox3, 1, 1, Qt::AlignTop);
    // Its size is the criteria group's width and the action group's bottom
    // plus the margins; the person cannot change it.
    grid->setSizeConstraint(QLayout::SetFixedSize);

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
        for (int r = 0; r < child_->RowCount(); ++r) indexes.push_back(r);
    }
    std::vector<LevelSearchRow> rows;
    std::vector<int> rowOf;
    for (int r : indexes) {
        if (r < 0 || r >= child_->RowCount()) continue;
        const CollectionViewRow row = child_->RowAt(r);
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

bool ShowLevelSearch(CollectionView* child, QWidget* parent)
{
    if (!child) return false;
    if (!FRechNiv) FRechNiv = new TFRechNiv(parent);
    FRechNiv->SetChild(child);
    return FRechNiv->exec() == QDialog::Accepted;
}
