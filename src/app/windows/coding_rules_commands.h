// The main window's command of the coding rules: Configuration > "Configuration
// du codage..." shows the rules dialog (TFCodage) modally. TFMain installs it
// once its menus are built.
#pragma once

class TFMain;

// TFMain.Configurationducodage1Click.
void Configurationducodage1Click();
