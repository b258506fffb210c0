#include "coding/picker_logic.h"

#include <algorithm>
#include <set>

#include "platform/base/text_codec.h"

int ComparePickerItems(const PickerItem& a, const PickerItem& b, int column)
{
    if (column <= 0) return CompareTextNoCase(a.Caption, b.Caption);
    const auto k = static_cast<std::size_t>(column - 1);
    if (k >= a.SubItems.size() || k >= b.SubItems.size()) return 0;
    return CompareTextNoCase(a.SubItems[k], b.SubItems[k]);
}

void SortPickerItems(std::vector<PickerItem>& items, int column)
{
    std::stable_sort(items.begin(), items.end(), [column](const PickerItem& a, const PickerItem& b) {
        return ComparePickerItems(a, b, column) < 0;
    });
}

std::vector<PickerItem> LexiconPickerItems(const std::vector<std::string>& codes,
                                           const std::vector<std::string>& labels)
{
    std::vector<PickerItem> items;
    items.reserve(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i)
        items.push_back({codes[i], {i < labels.size() ? labels[i] : std::string()}});
    return items;
}

std::vector<PickerItem> CodeListItems(const std::vector<std::pair<std::string, std::string>>& rules)
{
    std::vector<PickerItem> items;
    std::set<std::string> seen;
    for (const auto& [code, description] : rules) {
        if (code.empty() || !seen.insert(code).second) continue;
        items.push_back({code, {std::string(), description}});
    }
    return items;
}
