// The main window's command of the coding rules: Configuration > "Configuration
// du codage..." shows the rules dialog (TFCodage) modally. TFMain installs it
// once its menus are built.
#pragma once

class QWidget;
class TFCodage;
class TFMain;

// TFMain.Configurationducodage1Click.
void Configurationducodage1Click();

// Creation of the rules dialog at start-up (FCodage), with the links of the
// rules to the program's windows: the spreadsheet's code list and the
// collection window's status line of undescribed codes read them.
TFCodage* CreateFCodage(QWidget* parent);
