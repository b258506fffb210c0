#include "app/windows/coding_import_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "coding/windows/coding_command.h"
#include "exchange/windows/filter_chooser_window.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

// ---- the collection window's side ----------------------------------------

void TFChild::CodeBoreholes(bool recodeAll)
{
    std::vector<CodingSelection> selection;
    for (int r : GetSelectedRows())
        if (r >= 0 && r < static_cast<int>(Rows().size()))
            selection.push_back({Rows()[static_cast<std::size_t>(r)].Indice, Rows()[static_cast<std::size_t>(r)].Design});
    RunCodingPass(FRoot(), selection, recodeAll);
}

TDirBlock& ChildOracleImportWindow::ImportRoot() { return child_->FRoot(); }

void ChildOracleImportWindow::SetImportCaption(const std::string& caption)
{
    child_->setWindowTitle(ToQString(caption));
}

void ChildOracleImportWindow::RefreshList() { child_->RefreshList(); }

void ChildOracleImportWindow::TakeSnapshot() { child_->TakeSnapshot(); }

OracleImportWindow* MainOracleImportHost::NewImportWindow(const std::string& caption)
{
    TFChild* child = main_.Nouveau1Click();
    window_ = std::make_unique<ChildOracleImportWindow>(child);
    window_->SetImportCaption(caption);
    return window_.get();
}

// ---- the main window's side ------------------------------------------------

void Coder1Click(TFMain& main)
{
    if (TFChild* c = main.ActiveChild()) c->CodeBoreholes(true);
}

void Coder2Click(TFMain& main)
{
    if (TFChild* c = main.ActiveChild()) c->CodeBoreholes(false);
}

OracleImportRun ImporterOracle1Click(TFMain& main)
{
    MainOracleImportHost host(main);
    return ImporterOracle1Click(host);
}

void InstallCodingAndImportCommands(TFMain& main)
{
    TFMain* m = &main;
    QAction* coder1 = main.findChild<QAction*>(QStringLiteral("Coder1"));
    QAction* coder2 = main.findChild<QAction*>(QStringLiteral("Coder2"));
    // Like the other commands on the selection, the coding items are enabled
    // when the menu opens, by whether the active window has a selected row.
    QObject::connect(main.Operations1, &QMenu::aboutToShow, &main, GuardedSlot([m, coder1, coder2] {
                         TFChild* c = m->ActiveChild();
                         const bool sel = c && !c->GetSelectedRows().empty();
                         coder1->setEnabled(sel);
                         coder2->setEnabled(sel);
                     }));
}
