#include "exchange/kml_export.h"

#include <charconv>
#include <cmath>

#include "store/blocks.h"
#include "store/divers.h"

namespace {

const std::string kDesign = "D\xC3\xA9sign";  // "Désign"

// XML 1.0 refuses most control characters: a stray one from a description
// would make the whole file unreadable, so it is written as a blank.
std::string XmlText(std::string_view text)
{
    std::string clean(text);
    for (char& c : clean) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\n' && c != '\r') c = ' ';
    }
    return XmlEscape(clean);
}

std::string WithoutCarriageReturns(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

}  // namespace

std::string XmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string KmlNumber(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string BuildKml(const TDirBlock& root, const std::vector<KmlRow>& rows, const std::string& folderName,
                     const std::function<std::string(const KmlRow&)>& description)
{
    std::string placemarks;
    for (const KmlRow& row : rows) {
        const int index = root.IndexOfDir(row.Indice);
        const TDirBlock* bh = index >= 0 ? root.ChildDir(index) : nullptr;
        const TDirBlock* ouvrage = bh ? bh->FindDir("Ouvrage") : nullptr;
        if (!ouvrage) continue;
        const int count = ouvrage->RowCount();
        for (int r = 0; r < count; ++r) {
            if (ouvrage->GetPathString(kDesign, r) != row.Design || ouvrage->GetPathString("Zone", r) != "9") continue;
            const double x = ouvrage->GetPathFloat("X", r);
            const double y = ouvrage->GetPathFloat("Y", r);
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            placemarks += "  <Placemark>\n";
            placemarks += "    <name>" + XmlText(TrimBlanks(row.Indice + " " + row.Design)) + "</name>\n";
            placemarks += "    <description>" + XmlText(WithoutCarriageReturns(description ? description(row) : ""))
                          + "</description>\n";
            placemarks += "    <Point>\n";
            placemarks += "      <coordinates>" + KmlNumber(x) + "," + KmlNumber(y) + ",0</coordinates>\n";
            placemarks += "    </Point>\n";
            placemarks += "  </Placemark>\n";
        }
    }
    if (placemarks.empty()) return std::string();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n <Folder>\n  <name>"
           + XmlText(folderName) + "</name>\n" + placemarks + " </Folder>\n</kml>";
}
