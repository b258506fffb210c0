// The main window's printing and metafile commands, O&pérations menu:
// "Exporter métafichiers (.wmf, .emf) ..." (ExporterWMF1), "Configuration de
// l'impression..." (the printer set-up), "Boite d'impression..." (and its
// button on the fixed tool bar) and "Impression de rapports...". TFMain
// installs them once its menus are built.
#pragma once

class TFMain;

inline constexpr const char* kExportMetaMenuCaption = "Exporter m\xC3\xA9tafichiers (.wmf, .emf) ...";
inline constexpr const char* kExportMetaMenuHint = "Exporter les ouvrages s\xC3\xA9lectionn\xC3\xA9s sous forme de m\xC3\xA9tafichiers";
inline constexpr const char* kPrinterSetupMenuCaption = "Configuration de l'impression...";
inline constexpr const char* kPrintLogsMenuCaption = "Boite d'impression...";
inline constexpr const char* kPrintReportsMenuCaption = "Impression de rapports...";
inline constexpr const char* kPrintLogsButtonHint = "Boite d'impression";
inline constexpr const char* kNothingToPrint = "Aucune collection \xC3\xA0 imprimer";

// Gives the items their handlers and the enabling of the O&pérations menu
// (the metafile export needs a selected ouvrage, the print box an ouvrage).
void InstallPrintingCommands(TFMain& main);

// "Boite d'impression..." (reports false) and "Impression de rapports..."
// (reports true): the print window in its mode, shown modally over the
// active collection; without one the box "Aucune collection à imprimer"
// titled "Impression".
void ShowPrintWindow(TFMain& main, bool reports);
// "Configuration de l'impression...": the printer set-up dialog on the
// current printer.
void PrinterSetup(TFMain& main);
