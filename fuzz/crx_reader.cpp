// Fuzzes the .crx reader: any bytes must either load or fail with an error,
// never crash, hang or allocate beyond what the file can hold. A tree that loads
// must save and load again into the same tree and the same bytes.
#include "store/crx_file.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TDirBlock root("Carotix");
    try {
        LoadBlockFromBytes(root, bytes);
    } catch (const std::exception&) {
        return 0;
    }
    const std::string saved = SaveBlockToBytes(root);
    TDirBlock again;
    LoadBlockFromBytes(again, saved);
    if (!SameBlock(&root, &again)) std::abort();
    if (SaveBlockToBytes(again) != saved) std::abort();
    // The text root reads the same bytes in its own way.
    TStrBlock text;
    try {
        LoadBlockFromBytes(text, bytes);
    } catch (const std::exception&) {
    }
    return 0;
}
