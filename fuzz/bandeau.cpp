// Fuzzes the reader of the title-block lines of carotix.ini [Bandeau]: any
// line either adds nothing, is refused with a conversion message, or adds one
// object that is written back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "drawing/bandeau.h"
#include "platform/base/rtl_numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = input.size();
        const std::string_view line = input.substr(start, end - start);
        start = end + 1;

        BandeauObjets.clear();
        bool added = false;
        try {
            added = BandeauObjetFromString(line);
        } catch (const EConvertError&) {
            if (!BandeauObjets.empty())
                std::abort();  // a refused line leaves nothing behind
            continue;
        }
        if (added != (BandeauObjets.size() == 1))
            std::abort();
        if (!added)
            continue;
        TBandeauObjet read = BandeauObjets[0];
        const std::string stored = "Objet0=" + BandeauObjetToString(std::size_t{0});
        BandeauObjets.clear();
        if (!BandeauObjetFromString(stored) || BandeauObjets.size() != 1)
            std::abort();
        if (!(BandeauObjets[0] == read))
            std::abort();
    }
    BandeauObjets.clear();
    return 0;
}
