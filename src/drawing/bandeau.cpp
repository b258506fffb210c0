#include "drawing/bandeau.h"

#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/options.h"

std::vector<TBandeauObjet> BandeauObjets;
bool BandeauModifie = false;

namespace {

constexpr std::string_view kSection = "Bandeau";

// The comma-text rule counts every byte up to the space as a blank; bytes of
// UTF-8 sequences are above it and belong to the fields.
bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string BandeauObjetToString(const TBandeauObjet& o)
{
    std::string s = IntToStr(o.x1) + "," + IntToStr(o.y1) + "," + IntToStr(o.x2) + "," + IntToStr(o.y2) + "," +
                    IntToStr(o.Size) + ",\"";
    for (char c : o.Text) {
        if (c == '"')
            s += '"';
        s += c;
    }
    s += '"';
    switch (o.Align) {
    case 1: s += ",left"; break;
    case 2: s += ",center"; break;
    case 3: s += ",right"; break;
    default: break;
    }
    return s;
}

std::string BandeauObjetToString(std::size_t Index)
{
    if (Index >= BandeauObjets.size())
        return {};
    return BandeauObjetToString(BandeauObjets[Index]);
}

std::vector<std::string> SplitBandeauFields(std::string_view v)
{
    std::vector<std::string> fields;
    std::size_t p = 0;
    const std::size_t n = v.size();
    while (p < n && IsBlank(v[p]))
        ++p;
    while (p < n && v[p] != '\0') {
        std::string f;
        if (v[p] == '"') {
            ++p;
            while (p < n) {
                if (v[p] == '"') {
                    if (p + 1 < n && v[p + 1] == '"') {
                        f += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                f += v[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < n && !IsBlank(v[p]) && v[p] != ',' && v[p] != '\0')
                ++p;
            f.assign(v.substr(start, p - start));
        }
        fields.push_back(std::move(f));
        while (p < n && IsBlank(v[p]))
            ++p;
        if (p < n && v[p] == ',') {
            ++p;
            while (p < n && IsBlank(v[p]))
                ++p;
        }
    }
    return fields;
}

bool BandeauObjetFromString(std::string_view Line)
{
    const std::size_t eq = Line.find('=');
    if (eq != std::string_view::npos) {
        const std::size_t quote = Line.find('"');
        if (quote == std::string_view::npos || eq < quote)
            Line.remove_prefix(eq + 1);
    }
    const std::vector<std::string> f = SplitBandeauFields(Line);
    if (f.size() < 5)
        return false;
    TBandeauObjet o;
    // All five numbers are read before anything is appended: a line that
    // cannot be read leaves no half-filled object behind.
    o.x1 = StrToInt(f[0]);
    o.y1 = StrToInt(f[1]);
    o.x2 = StrToInt(f[2]);
    o.y2 = StrToInt(f[3]);
    o.Size = StrToInt(f[4]);
    if (f.size() > 5)
        o.Text = f[5];
    o.Selected = 0;
    o.Align = 1;
    if (f.size() > 6) {
        const std::string a = LowerCase(f[6]);
        if (a == "center")
            o.Align = 2;
        else if (a == "right")
            o.Align = 3;
    }
    BandeauObjets.push_back(std::move(o));
    return true;
}

std::vector<std::string> BandeauCharger(const TIniFile& Ini)
{
    BandeauObjets.clear();
    BandeauModifie = false;
    std::vector<std::string> errors;
    for (const std::string& line : Ini.ReadSectionLines(kSection)) {
        try {
            BandeauObjetFromString(line);
        } catch (const EConvertError& e) {
            errors.push_back(e.what());
        }
    }
    return errors;
}

void BandeauEnregistrer(TIniFile& Ini)
{
    if (!BandeauModifie)
        return;
    Ini.WriteInteger("Dessin", "TailleBandeau", OptTailleBandeau);
    std::vector<std::string> lines;
    lines.reserve(BandeauObjets.size());
    for (std::size_t i = 0; i < BandeauObjets.size(); ++i)
        lines.push_back("Objet" + IntToStr(static_cast<std::int64_t>(i)) + "=" + BandeauObjetToString(i));
    // One write replaces the section, so a failure leaves the old title block.
    Ini.WriteSection(kSection, lines);
}

std::vector<std::string> BandeauChargerCarotix()
{
    if (!IniCarotix) {
        BandeauObjets.clear();
        BandeauModifie = false;
        return {};
    }
    return BandeauCharger(*IniCarotix);
}

void BandeauEnregistrerCarotix()
{
    if (IniCarotix)
        BandeauEnregistrer(*IniCarotix);
}
