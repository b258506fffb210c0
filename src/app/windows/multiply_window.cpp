#include "app/windows/multiply_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/collection_links.h"
#include "app/structure_logic.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"

TFMultiply* FMultiply = nullptr;

TFMultiply::TFMultiply(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FMultiply"));
    setWindowTitle(QString::fromUtf8(kMultiplyCaption));
    auto* form = new QFormLayout(this);
    CChamp = new QComboBox(this);
    CChamp->setObjectName(QStringLiteral("CChamp"));
    CChamp->setMinimumWidth(220);
    form->addRow(QStringLiteral("Champ :"), CChamp);
    auto edit = [this, form](const char* name, const char* label, const char* initial) {
        auto* e = new QLineEdit(QString::fromUtf8(initial), this);
        e->setObjectName(QString::fromUtf8(name));
        form->addRow(QString::fromUtf8(label), e);
        return e;
    };
    ESub = edit("ESub", "Soustraire d'abord :", "0");
    EMul = edit("EMul", "Puis multiplier par :", "1");
    EAdd = edit("EAdd", "Enfin additionner :", "0");
    auto* buttons = new QHBoxLayout;
    BEff = new QPushButton(QStringLiteral("Effectuer"), this);
    BEff->setObjectName(QStringLiteral("BEff"));
    BFermer = new QPushButton(QStringLiteral("Fermer"), this);
    BFermer->setObjectName(QStringLiteral("BFermer"));
    BFermer->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(BEff);
    buttons->addWidget(BFermer);
    form->addRow(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(BEff, &QPushButton::clicked, this, GuardedSlot([this] { BEffClick(); }));
    connect(BFermer, &QPushButton::clicked, this, &QDialog::reject);
}

TFMultiply::~TFMultiply()
{
    if (FMultiply == this) FMultiply = nullptr;
}

void TFMultiply::FormShow()
{
    CChamp->clear();
    if (!Root) return;
    for (const std::string& path : MultiplyFieldList(*Root)) CChamp->addItem(ToQString(path));
}

void TFMultiply::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { FormShow(); });
}

void TFMultiply::BEffClick()
{
    if (!Root || CChamp->currentIndex() < 0) return;
    MultiplyField(*Root, FromQString(CChamp->currentText()), FromQString(ESub->text()), FromQString(EMul->text()),
                  FromQString(EAdd->text()));
    if (LogViewLink* log = GetLogViewLink()) log->Redraw();
    ShowBox(kMultiplyDoneTitle, kMultiplyDoneText);
}
