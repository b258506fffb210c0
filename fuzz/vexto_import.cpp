// Fuzzes the Vexto import: any .lst text either reads into the collection or
// stops with the import's or the block store's message, never a crash or a
// hang; the sections' slot counts bound the work per record.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "exchange/vexto_import.h"
#include "store/blocks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TDirBlock root("Carotix");
    DravelReport report;
    const DravelCoder coder = [](std::string_view d) { return std::string(d.substr(0, 3)); };
    try {
        ImportVextoBytes(std::string_view(reinterpret_cast<const char*>(data), size), root, coder, report);
    } catch (const std::exception&) {
        // A stop with a message is an accepted outcome.
    }
    return 0;
}
