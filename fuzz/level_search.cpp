// Fuzzes the keyword expressions of the level search: the first line is the
// expression, the rest a level's description. Any text must evaluate or fail
// with a syntax error, never crash, hang or exhaust the stack, and its
// syntax must not depend on the level it is evaluated against.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "coding/level_search.h"
#include "store/blocks.h"

namespace {

// Evaluates; answers 0 false, 1 true, 2 a syntax error.
int Outcome(const TArrayOfToken& e, const TArrayOfToken& k)
{
    try {
        return KeywordEvaluate(e, k, 0, static_cast<int>(e.size()) - 1) ? 1 : 0;
    } catch (const EKeywordSyntax&) {
        return 2;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\n');
    const std::string_view expression = input.substr(0, cut);
    const std::string_view level = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);

    const TArrayOfToken e = KeywordTokenize(expression);
    const int withLevel = Outcome(e, KeywordTokenize(level));
    const int withNothing = Outcome(e, {});
    if ((withLevel == 2) != (withNothing == 2)) std::abort();
    if (withNothing == 1 && !e.empty() && expression.find_first_of("~-!PN") == std::string_view::npos) std::abort();

    // The whole search over one level holding the description.
    TDirBlock root("Carotix");
    root.SetPathString("P\\Niveau\\Litho", 0, btString, level);
    root.SetPathFloat("P\\Niveau\\Deb", 0, btFloat, 1.0);
    try {
        RunLevelSearch(root, {{"P", ""}}, ReadLevelSearchCriteria(expression, "0", "10", true), LevelAction::Invert);
    } catch (const EKeywordSyntax&) {
    }
    return 0;
}
