// After start-up every hook that a window or the store calls holds the real
// window or function, not its fallback.
#include "app/collection_links.h"
#include "app/windows/spreadsheet_window.h"
#include "app/windows/tables_window.h"
#include "drawing/windows/image_window.h"
#include "drawing/windows/log_window.h"
#include "e2e_program.h"
#include "platform/base/ini_file.h"
#include "platform/database.h"
#include "store/divers.h"
#include "store/field_defs.h"

namespace {

class WiringE2e : public E2eTest {};

TEST_F(WiringE2e, EveryHookHasItsRealFunctionAfterStartUp)
{
    Start();
    const TableurServices& seams = TableurSeams();
    const std::vector<std::pair<const char*, bool>> hooks = {
        {"spreadsheet: equipment drawing", static_cast<bool>(seams.DrawEquipment)},
        {"spreadsheet: equipment rows", static_cast<bool>(seams.EquipmentRowsAt)},
        {"spreadsheet: stratigraphy chooser", static_cast<bool>(seams.ChooseStrati)},
        {"spreadsheet: coding rule rows", static_cast<bool>(seams.CodingRuleRows)},
        {"spreadsheet: code list picker", static_cast<bool>(seams.PickCode)},
        {"spreadsheet: lexicon picker", static_cast<bool>(seams.PickLexicon)},
        {"spreadsheet: database query", static_cast<bool>(seams.RunQuery)},
        {"field definitions: messages", FieldDefReporterInstalled()},
        {"settings: characters written as ?", TIniFile::ReportHandlerInstalled()},
        {"store: folder chooser", FolderChooserInstalled()},
        {"collection windows: log window", GetLogViewLink() != nullptr},
        {"log window: table commands", FCoupe && static_cast<bool>(FCoupe->RunTableCommand)},
        {"log window: desk", FCoupe && static_cast<bool>(FCoupe->DeskArea)},
        {"log window: shown", FCoupe && static_cast<bool>(FCoupe->Shown)},
        {"log window: hidden", FCoupe && static_cast<bool>(FCoupe->Hidden)},
        {"log window: main window focus", FCoupe && static_cast<bool>(FCoupe->FocusMainWindow)},
        {"table pop-up: commands", FTables && static_cast<bool>(FTables->RunCommand)},
        {"equipment picture: source", FImage && static_cast<bool>(FImage->Source)},
        {"database link: waits shown", DatabaseWaitInstalled()},
    };
    for (const auto& [name, installed] : hooks) EXPECT_TRUE(installed) << name << " is at its fallback";
    // The status line's undescribed codes come from the coding rules, not
    // from the fallback that calls every code described.
    EXPECT_FALSE(GetCollectionDrawing().codeDescribed("ZZZ9")) << "code families: at the fallback";
}

}  // namespace
