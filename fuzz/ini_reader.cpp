// Settings files are edited by hand and by other programs: the reader must take
// any bytes, and what the program writes back must read back as written and
// keep the rest of the file byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

// Reads every section and key the way the program does.
void ReadAll(const IniDocument& doc)
{
    for (const std::string& section : doc.SectionNames()) {
        const std::vector<std::string> keys = doc.SectionKeys(section);
        const std::vector<std::string> values = doc.SectionValues(section);
        Check(keys.size() == values.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            Check(values[i].compare(0, keys[i].size(), keys[i]) == 0);
            doc.FindValue(section, keys[i]);
        }
        doc.SectionLines(section);
        Check(doc.HasSectionHeader(section));
    }
}

// A text for names and values taken from the input: any byte, as a valid text.
std::string Piece(std::string_view& rest, std::size_t max)
{
    std::size_t n = 0;
    if (!rest.empty()) {
        n = static_cast<unsigned char>(rest.front()) % (max + 1);
        rest.remove_prefix(1);
    }
    if (n > rest.size()) n = rest.size();
    std::string out = Cp1252ToUtf8(rest.substr(0, n));
    rest.remove_prefix(n);
    return out;
}

std::string FlattenLineBreaks(const std::string& v)
{
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\r' || v[i] == '\n') {
            out += ' ';
            if (v[i] == '\r' && i + 1 < v.size() && v[i + 1] == '\n') ++i;
        } else {
            out += v[i];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    IniDocument doc = IniDocument::Parse(bytes);
    ReadAll(doc);

    // An unchanged document writes back the very bytes it was read from
    // (unless a mark announced UTF-8 or UTF-16 over bytes that are not).
    bool lossless = true;
    if (doc.Encoding() == TextEncoding::Utf8Bom) lossless = IsValidUtf8(bytes.substr(3));
    if (doc.Encoding() == TextEncoding::Utf16Le || doc.Encoding() == TextEncoding::Utf16Be)
        lossless = IsValidUtf16(bytes.substr(2), doc.Encoding() == TextEncoding::Utf16Be);
    if (lossless) Check(doc.Serialize() == bytes);

    // Changes driven by the tail of the input.
    std::string_view rest = bytes.size() > 64 ? bytes.substr(bytes.size() - 64) : bytes;
    const std::vector<std::string> sections = doc.SectionNames();
    std::string section = Piece(rest, 8);
    if (!sections.empty() && !rest.empty() && (rest.front() & 1)) section = sections[rest.front() % sections.size()];
    const std::string key = Piece(rest, 8);
    const std::string value = Piece(rest, 16);

    try {
        doc.SetValue(section, key, value);
        const std::string* read = doc.FindValue(section, key);
        Check(read && *read == FlattenLineBreaks(value));
    } catch (const EIniFileError&) {
    }
    ReadAll(doc);

    std::size_t unmapped = 0;
    const std::string written = doc.Serialize(&unmapped);
    TextEncoding again = TextEncoding::Cp1252;
    DecodeTextFile(written, &again);
    if (unmapped == 0 && again == doc.Encoding()) {
        const IniDocument reread = IniDocument::Parse(written);
        Check(reread.SectionNames() == doc.SectionNames());
        for (const std::string& s : doc.SectionNames()) Check(reread.SectionValues(s) == doc.SectionValues(s));
    }

    try {
        doc.ReplaceSection(section, {key + "=" + value, "x=1"});
        std::vector<std::string> lines = doc.SectionLines(section);
        Check(!lines.empty() && lines.back() == "x=1");
    } catch (const EIniFileError&) {
    }
    ReadAll(doc);

    doc.DeleteKey(section, key);
    doc.EraseSection(section);
    Check(!doc.HasSectionHeader(section));
    ReadAll(doc);
    doc.Serialize();
    return 0;
}
