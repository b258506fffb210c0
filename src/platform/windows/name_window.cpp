#include "platform/windows/name_window.h"

TFNomOuvrage* FNomOuvrage = nullptr;

TFNomOuvrage::TFNomOuvrage(QWidget* parent) : NameDialog(parent)
{
    setObjectName(QStringLiteral("FNomOuvrage"));
    setWindowTitle(QStringLiteral("Nom de l'ouvrage"));
}

TFNomOuvrage::~TFNomOuvrage()
{
    if (FNomOuvrage == this) FNomOuvrage = nullptr;
}

TFNomOuvrage* CreateNameWindow(QWidget* parent)
{
    FNomOuvrage = new TFNomOuvrage(parent);
    if (auto* qt = dynamic_cast<QtUiServices*>(&Ui())) qt->SetNameDialog(FNomOuvrage);
    return FNomOuvrage;
}
