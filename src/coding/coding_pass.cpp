#include "coding/coding_pass.h"

#include <unordered_map>

#include "coding/codage_binding.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/tables.h"

namespace {

constexpr std::string_view kLevelTable = "Niveau";
constexpr std::string_view kTypeColumn = "Type";
constexpr std::string_view kDesignColumn = "Désign";
constexpr std::string_view kCodeColumn = "CodeNiv";
constexpr std::string_view kLithoColumn = "Litho";

// Whether the level's designation is one of the selected ouvrages. Without a
// designation the level belongs to the whole borehole.
bool LevelSelected(std::string_view levelDesign, const std::vector<const std::string*>& designs)
{
    if (levelDesign.empty()) return true;
    for (const std::string* d : designs)
        if (SameTextNoCase(*d, levelDesign)) return true;
    return false;
}

} // namespace

bool IsCodedLevelType(std::string_view type)
{
    return type.empty() || UpperCase(type) == "COUPE";
}

CodingPassResult CodeLevels(TDirBlock& root, const std::vector<CodingSelection>& selection, bool recodeAll,
                            CodingProgress* progress, const MakeCodeFunction& makeCode)
{
    CodingPassResult result;
    if (!makeCode && !CodageDLL().MakeCodeBound()) {
        result.LibraryMissing = true;
        return result;
    }
    auto code = [&](std::string_view description) {
        return makeCode ? makeCode(description) : CodageDLL().MakeCode(description);
    };

    // The selected designations of each index, gathered once: a collection may
    // hold thousands of boreholes, all of them selected.
    std::unordered_map<std::string, std::vector<const std::string*>> byIndice;
    for (const CodingSelection& s : selection)
        byIndice[s.Indice].push_back(&s.Design);

    const int maximum = static_cast<int>(selection.size());
    if (progress) progress->Start(kCodingProgressLabel, maximum);
    int position = 0;

    for (int c = 0; c < root.ItemCount(); ++c) {
        TDirBlock* borehole = root.ChildDir(c);
        if (!borehole) continue;
        const auto found = byIndice.find(borehole->Name);
        if (found == byIndice.end()) continue;
        const std::vector<const std::string*>& designs = found->second;
        ++result.Boreholes;

        if (TDirBlock* levels = borehole->FindDir(kLevelTable)) {
            const int rows = levels->RowCount();
            for (int r = 0; r < rows; ++r) {
                if (!IsCodedLevelType(levels->GetPathString(kTypeColumn, r))) continue;
                if (!LevelSelected(levels->GetPathString(kDesignColumn, r), designs)) continue;
                if (!recodeAll && !levels->GetPathString(kCodeColumn, r).empty()) continue;
                const std::string levelCode = code(UpperCase(levels->GetPathString(kLithoColumn, r)));
                levels->SetPathString(kCodeColumn, r, btString, levelCode);
                ++result.LevelsCoded;
            }
        }
        position += static_cast<int>(designs.size());
        if (progress) progress->Step(position);
    }
    return result;
}
