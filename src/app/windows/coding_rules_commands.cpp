#include "app/windows/coding_rules_commands.h"

#include <QAction>
#include <QMenu>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/collection_links.h"
#include "app/spreadsheet_logic.h"
#include "app/windows/main_window.h"
#include "coding/coding_rules.h"
#include "coding/picker_logic.h"
#include "coding/windows/code_list_window.h"
#include "coding/windows/coding_rules_window.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"

void Configurationducodage1Click()
{
    if (FCodage) FCodage->exec();
}

TFCodage* CreateFCodage(QWidget* parent)
{
    FCodage = new TFCodage(parent);
    TableurSeams().CodingRuleRows = [] {
        return FCodage ? RuleRows(FCodage->Editor().Grid) : std::vector<std::pair<std::string, std::string>>{};
    };
    // The code list that shows them, unless the program already gave one.
    if (!TableurSeams().PickCode)
        TableurSeams().PickCode = [](const std::vector<std::vector<std::string>>& lines) -> std::optional<std::string> {
            std::vector<PickerItem> items;
            for (const auto& line : lines)
                if (!line.empty()) items.push_back({line[0], std::vector<std::string>(line.begin() + 1, line.end())});
            std::string code;
            if (!PickLithologyCode(items, code)) return std::nullopt;
            return Trim(code);
        };
    CollectionDrawing drawing = GetCollectionDrawing();
    drawing.codeDescribed = [](const std::string& family) {
        return !FCodage || CodeHasRule(FCodage->Editor().Grid, family);
    };
    SetCollectionDrawing(drawing);
    return FCodage;
}
