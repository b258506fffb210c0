// Descriptions.csv and the word lists are edited by hand and copied between
// machines: reading any of them must not fail, and the rules the program
// writes back must read as they were shown (in capitals), quotes, ";" and ","
// inside cells included.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "coding/coding_rules.h"
#include "platform/base/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1u << 16)) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TextGrid grid = MakeRulesGrid();
    LoadGridFromBytes(grid, bytes);
    if (grid.RowCount() < 2 || !GridRowIsEmpty(grid, grid.RowCount() - 1)) std::abort();

    TextGrid back = MakeRulesGrid();
    LoadGridFromBytes(back, GridCsvText(grid));
    int r2 = 1;
    for (int r = 1; r < grid.RowCount(); ++r) {
        if (GridRowIsEmpty(grid, r)) continue;
        for (int c = 1; c < grid.ColCount(); ++c)
            if (back.Cell(c, r2) != UpperCase(grid.Cell(c, r))) std::abort();
        ++r2;
    }
    return 0;
}
