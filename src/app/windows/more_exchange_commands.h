// The main-window commands of the Dravel and Vexto imports (File menu), of
// the selected-levels export and the clearing of the level marks
// ("O&pérations") and of the KML export (File). TFMain installs them once its
// menus are built.
#pragma once

#include "exchange/windows/levels_kml_commands.h"

class TFMain;


// The commands' view of the main window's active collection window.
class MainLevelsKmlHost final : public LevelsKmlHost {
public:
    explicit MainLevelsKmlHost(TFMain& main) : main_(main) {}
    TDirBlock* ActiveRoot() override;
    std::vector<KmlRow> ActiveRows() override;
    std::string ActiveFileName() override;
    std::string TooltipOf(const KmlRow& row) override;
    void RedrawLog() override;

private:
    TFMain& main_;
};
