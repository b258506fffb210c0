// Fuzzes the coder's two text entry points, MakeCode and Tokenize, through the
// program's binding, with the shipped rules and word lists of the build's
// program folder. Besides not crashing, the coder must answer the same code
// twice, give one of the shipped seven-character codes or nothing, and hand
// out tokens whose texts are UTF-8 and whose kinds and groups make sense.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "coding/codage_binding.h"

namespace {

// Bound once, before the fuzzer starts, so that the library's coverage
// counters are registered with the rest.
const std::unique_ptr<CodingLibrary> gLibrary = BindCodingLibrary(CAROTIX_PROGRAM_DIR);

bool IsUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

bool IsShippedCodeForm(const std::string& code)
{
    if (code.empty()) return true;
    if (code.size() != 7) return false;
    for (size_t i = 0; i < 7; ++i) {
        const char c = code[i];
        if (i < 3 ? (c < 'A' || c > 'Z') : (c < '0' || c > '9')) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gLibrary->HasMakeCode() || !gLibrary->HasTokenize()) std::abort();  // no library: nothing would be fuzzed
    // The entry points take terminated texts: the input up to its first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));

    const std::string code = gLibrary->MakeCode(text);
    if (!IsShippedCodeForm(code)) std::abort();
    if (gLibrary->MakeCode(text) != code) std::abort();

    const TArrayOfToken tokens = gLibrary->Tokenize(text);
    int32_t lastGroup = 0;
    for (const TToken& t : tokens) {
        if (t.Kind > 2 || !IsUtf8(t.Text) || t.Group < 0) std::abort();
        if (t.Text.empty()) std::abort();
        lastGroup = std::max(lastGroup, t.Group);
    }
    if (lastGroup > static_cast<int32_t>(tokens.size())) std::abort();
    return 0;
}
