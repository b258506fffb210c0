// modeles.ini is edited by hand and copied between machines: loading any of
// its models must not fail, and a model saved by the program must load back
// as it was saved (codes in order, duplicates kept, cells with blanks, commas
// and quotes included).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "drawing/code_models.h"
#include "platform/base/ini_file.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void WriteBytes(const std::filesystem::path& file, std::string_view bytes)
{
    FILE* f = std::fopen(file.c_str(), "wb");
    Check(f != nullptr);
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The data cells of the rows that hold a code, in order.
std::vector<std::string> Saved(const StringGrid& g)
{
    std::vector<std::string> out;
    for (int row = 1; row < g.RowCount(); ++row) {
        if (g.Cell(kModelColCode, row).empty())
            continue;
        for (int col = kModelColCode; col <= kModelColBleu; ++col)
            out.push_back(g.Cell(col, row));
        out.push_back("\n");
    }
    return out;
}

// Rows the editor would accept: codes it takes at entry and no line breaks
// (a lone carriage return in a hand-edited file becomes a space when the
// settings layer writes the line back).
bool Storable(const StringGrid& g)
{
    for (int row = 1; row < g.RowCount(); ++row) {
        if (!ModelCodeProblem(g.Cell(kModelColCode, row)).empty())
            return false;
        for (int col = kModelColCode; col <= kModelColBleu; ++col)
            if (g.Cell(col, row).find_first_of("\r\n") != std::string::npos)
                return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("carotix_fuzz_models_" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    const std::filesystem::path in = dir / "modeles.ini", out = dir / "saved.ini";
    WriteBytes(in, size ? std::string_view(reinterpret_cast<const char*>(data), size) : std::string_view());
    TIniFile source(in);
    int sections = 0;
    for (const std::string& name : source.ReadSections()) {
        if (++sections > 16)
            break;
        CodeModelGrid grid;
        LoadModelInto(grid, source, name);
        Check(grid.RowCount() >= 3);
        Check(GridRowIsEmpty(grid, grid.RowCount() - 1));
        TCodeMotifColour r;
        for (int row = 1; row < grid.RowCount(); ++row)
            GetCodeMotifColourIn(grid, grid.Cell(kModelColCode, row), r);

        // Saved into a UTF-8 file (so that no character is lost to the code
        // page) and loaded back: the same rows.
        WriteBytes(out, "\xEF\xBB\xBF");
        TIniFile target(out);
        bool written = true;
        try {
            SaveModelFrom(grid, target, "Modèle");
        } catch (const EIniFileError&) {
            // A code the file cannot hold (the editor refuses it at entry).
            written = false;
        }
        if (written) {
            CodeModelGrid back;
            LoadModelInto(back, target, "Modèle");
            if (Storable(grid))
                Check(Saved(back) == Saved(grid));
        }
    }
    std::error_code ec;
    std::filesystem::remove(in, ec);
    std::filesystem::remove(out, ec);
    return 0;
}
