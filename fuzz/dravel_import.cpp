// Fuzzes the Dravel import: any ouv*.ini text either reads into the
// collection or stops with a block-store message, with the shipped dravel.ini
// mapping and edition.ini definitions.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "exchange/dravel_import.h"
#include "platform/base/ini_file.h"
#include "store/blocks.h"

namespace {

IniDocument LoadShipped(const char* name)
{
    std::string bytes;
    ReadFileBounded(std::filesystem::path(CAROTIX_DATA_DIR) / name, bytes, nullptr);
    return IniDocument::Parse(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const IniDocument dravel = LoadShipped("dravel.ini");
    static const IniDocument edition = LoadShipped("edition.ini");
    const IniDocument file = IniDocument::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    TDirBlock root("Carotix");
    DravelReport report;
    const DravelCoder coder = [](std::string_view d) { return std::string(d.substr(0, 3)); };
    try {
        ImportDravelDocument(file, dravel, edition, root, coder, report);
    } catch (const std::exception&) {
        // A stop with a message is an accepted outcome.
    }
    (void)root.RowCount();
    return 0;
}
