// The ouvrage-name window FNomOuvrage ("Nom de l'ouvrage"): an Indice and a
// Désignation, typed letters turned to upper case, "Ok" and "Annuler". The
// ouvrage commands ask through Ui().AskName (platform/ui_services.h); in the
// running program that prompt is this window, reused for every name.
#pragma once

#include "platform/windows/qt_ui_services.h"

class TFNomOuvrage : public NameDialog {
    Q_OBJECT
public:
    explicit TFNomOuvrage(QWidget* parent = nullptr);
    ~TFNomOuvrage() override;
};

extern TFNomOuvrage* FNomOuvrage;

// Creates FNomOuvrage and makes it the name prompt of the program's Qt prompts
// (when those are the installed ones; tests keep their scripted prompts).
TFNomOuvrage* CreateNameWindow(QWidget* parent);
