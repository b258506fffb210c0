// The main window's command of the coding rules: Configuration > "Configuration
// du codage..." shows the rules dialog (TFCodage) modally. TFMain installs it
// once its menus are built.
#pragma once

class TFMain;

// Gives the item its handler and hint (the item is added when the menu lacks it).
void InstallCodingRulesCommands(TFMain& main);
// TFMain.Configurationducodage1Click.
void Configurationducodage1Click();
