#include "exchange/vexto_import.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "coding/codage_binding.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"

namespace {

const std::string kDesign = "D\xC3\xA9sign";  // "Désign"

// The file as lines of raw bytes, read field by field with the program's
// comma reader on the current line.
class VextoReader {
public:
    explicit VextoReader(std::string_view bytes)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != '\r' && bytes[i] != '\n') continue;
            lines_.push_back(bytes.substr(start, i - start));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            start = i + 1;
        }
        if (start < bytes.size()) lines_.push_back(bytes.substr(start));
        Load();
    }

    bool AtEnd() const { return next_ > lines_.size(); }
    // The current line's number, from 1.
    std::size_t LineNumber() const { return next_; }
    // The current line's bytes ("" past the end).
    std::string_view Line() const { return next_ <= lines_.size() && next_ > 0 ? lines_[next_ - 1] : std::string_view(); }
    // The next field of the current line, OEM bytes turned into text.
    std::string Field() { return ReadFieldComma(*current_, true); }
    void NextLine() { Load(); }

private:
    void Load()
    {
        current_ = std::make_unique<TextFieldReader>(next_ < lines_.size() ? std::string(lines_[next_]) : std::string(),
                                                     TextEncoding::Cp850);
        ++next_;
    }

    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;  // one past the current line
    std::unique_ptr<TextFieldReader> current_;
};

bool IsMarker(std::string_view line, std::string_view name)
{
    std::string_view t = line;
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t.size() == name.size() + 8 && t.substr(0, 4) == "--  " && t.substr(4, name.size()) == name
           && t.substr(4 + name.size()) == "  --";
}

bool IsAnyMarker(std::string_view line)
{
    std::string_view t = line;
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t.size() >= 8 && t.substr(0, 4) == "--  " && t.substr(t.size() - 4) == "  --";
}

// Moves past the marker line of the section: true there; for IDENTIFICATION
// the end of the file answers false; for another section the next record or
// the end of the file is an error.
bool SeekVextoSection(VextoReader& in, const std::string& name)
{
    for (; !in.AtEnd(); in.NextLine()) {
        if (IsMarker(in.Line(), name)) {
            in.NextLine();
            return true;
        }
        if (name != "IDENTIFICATION" && IsMarker(in.Line(), "IDENTIFICATION")) break;
    }
    if (name == "IDENTIFICATION") return false;
    throw std::runtime_error("Section " + name + " non trouv\xC3\xA9" "e");
}

bool Given(const std::string& field)
{
    return !field.empty() && field != "0";
}

class RecordReader {
public:
    RecordReader(VextoReader& in, TDirBlock& root, const DravelCoder& makeCode, DravelReport& report,
                 const std::vector<std::string>& sheets)
        : in_(in), root_(root), makeCode_(makeCode), report_(report), sheets_(sheets)
    {
    }

    void Read()
    {
        SeekVextoSection(in_, "IDENTIFICATION");
        Identification();
        SeekVextoSection(in_, "LOCALISATION");
        Localisation();
        SeekVextoSection(in_, "TROU NU");
        TrouNu();
        SeekVextoSection(in_, "TUBAGES");
        Tubages();
        SeekVextoSection(in_, "ANNULAIRES");
        Annulaires();
        SeekVextoSection(in_, "LITHOLOGIE");
        Lithologie();
        SeekVextoSection(in_, "POMPAGE D'ESSAI");
        Pompage();
        // The record read whole: now the collection takes it.
        stage_->Apply(root_);
    }

private:
    void Set(const std::string& path, int row, std::uint8_t type, const std::string& value)
    {
        const std::size_t slash = path.rfind('\\');
        const std::string table = slash == std::string::npos ? std::string() : path.substr(0, slash);
        // Every table of the layout carries the designation but "Dossier",
        // which describes the whole borehole.
        const StagedOuvrage::Rows rows = table != "Dossier" ? StagedOuvrage::Rows::Designated
                                         : IsBoreholeOwnTable(*shape_, table, {}, false) ? StagedOuvrage::Rows::Own
                                                                                         : StagedOuvrage::Rows::AsGiven;
        try {
            stage_->Store(path, row, type, value, rows);
        } catch (const std::exception& e) {
            throw EImportValue("ligne " + IntToStr(static_cast<std::int64_t>(in_.LineNumber())) + " (indice "
                                   + index_ + ")",
                               path, value, RefusedValueWords(e));
        }
    }
    void Text(const std::string& path, int row, const std::string& value) { Set(path, row, btString, value); }
    void Int(const std::string& path, int row, const std::string& value) { Set(path, row, btInt, value); }
    void Float(const std::string& path, int row, const std::string& value) { Set(path, row, btFloat, value); }
    std::string DossierDate(const std::string& field) const { return NormalizeDate(VextoDateToDate(field, format_)); }
    void Skip(int n)
    {
        for (int i = 0; i < n; ++i) in_.Field();
    }

    // A section written with fewer lines than slots is followed at once by
    // the next marker: that line holds no slot (its text would reach the
    // number columns), and the next seek needs it.
    bool AtSectionEnd() const { return in_.AtEnd() || IsAnyMarker(in_.Line()); }

    void Identification()
    {
        index_ = in_.Field();
        design_ = TrimBlanks(in_.Field());
        if (design_.empty()) design_ = "F";
        // A record without index names no borehole: it is refused rather
        // than filed under an empty name.
        if (TrimBlanks(index_).empty()) throw DravelRefusal(DravelRefusal::NoIndex);
        const std::string name = report_.Names.Name(root_, index_, report_.RenamedKeys, report_.MergedKeys);
        const int at = root_.IndexOfName(name);
        const TDirBlock* existing = at >= 0 ? root_.ChildDir(at) : nullptr;
        if (at >= 0 && !existing) throw EBlockError(name + " n'est pas un r\xC3\xA9pertoire");
        none_ = std::make_unique<TDirBlock>(name);
        shape_ = existing ? existing : none_.get();
        // The record is read into a stage first. A second record of a borehole
        // adds its ouvrage after the others' rows, or in place of its own when
        // it was read before.
        stage_.emplace(existing, name, design_, sheets_);
        const std::string dossier = in_.Field();
        const std::string maj = in_.Field();
        Skip(3);
        format_ = in_.Field();
        Text("Ouvrage\\" + kDesign, 0, design_);
        Text("Dossier\\DateDossier", 0, DossierDate(dossier));
        Text("Dossier\\DateMAJ", 0, DossierDate(maj));
        in_.NextLine();
        Skip(5);
        Text("Dossier\\DateFin", 0, DossierDate(in_.Field()));
        in_.NextLine();
        Skip(2);
        Text("Dossier\\Oeuvre", 0, in_.Field());
        Skip(1);
        Text("Dossier\\Entrepreneur", 0, in_.Field());
    }

    void Localisation()
    {
        Text("Dossier\\NomDep", 0, in_.Field());
        Text("Dossier\\NomComm", 0, in_.Field());
        Text("Dossier\\Lieu-Dit", 0, in_.Field());
        in_.NextLine();
        in_.NextLine();
        Int("Dossier\\Dep", 0, in_.Field());
        Int("Dossier\\Comm", 0, in_.Field());
        in_.NextLine();
        Int("Ouvrage\\Zone", 0, in_.Field());
        Float("Ouvrage\\X", 0, in_.Field());
        Float("Ouvrage\\Y", 0, in_.Field());
        Float("Ouvrage\\Z", 0, in_.Field());
    }

    void TrouNu()
    {
        std::string previous = "0";
        int row = 0;
        for (int slot = 0; slot < 6; ++slot) {
            if (AtSectionEnd()) break;
            const std::string a = in_.Field();
            const std::string b = in_.Field();
            if (!Given(a) || !Given(b)) continue;
            Text("Trou-nu\\" + kDesign, row, design_);
            Float("Trou-nu\\Deb", row, previous);
            Float("Trou-nu\\Fin", row, b);
            Float("Trou-nu\\Diam", row, a);
            Int("Trou-nu\\M\xC3\xA9thode", row, in_.Field());
            Int("Trou-nu\\Fluide", row, in_.Field());
            in_.NextLine();
            previous = b;
            ++row;
        }
    }

    void Tubages()
    {
        int row = 0;
        for (int slot = 0; slot < 15; ++slot) {
            if (AtSectionEnd()) break;
            const std::string a = in_.Field();
            const std::string b = in_.Field();
            if (!Given(a) && !Given(b)) continue;
            const std::string c = in_.Field();
            const std::string d = in_.Field();
            Text("Tubage\\" + kDesign, row, design_);
            Int("Tubage\\Type", row, a);
            Float("Tubage\\Deb", row, c);
            Float("Tubage\\Fin", row, d);
            Float("Tubage\\Diam", row, b);
            for (const char* column : {"Nature", "Epais", "TypeCrep", "LargFente", "Ouv", "NbCentr"})
                Float(std::string("Tubage\\") + column, row, in_.Field());
            in_.NextLine();
            ++row;
        }
    }

    void Annulaires()
    {
        std::string previous = "0";
        int row = 0;
        for (int slot = 0; slot < 10; ++slot) {
            if (AtSectionEnd()) break;
            const std::string b = in_.Field();
            if (!Given(b)) continue;
            Text("Annulaire\\" + kDesign, row, design_);
            Float("Annulaire\\Deb", row, previous);
            Float("Annulaire\\Fin", row, b);
            const std::string t = in_.Field();
            if (t == "9") {
                Int("Annulaire\\Type", row, "3");
                Int("Annulaire\\Nature", row, "4");
            } else {
                Int("Annulaire\\Type", row, t);
                Int("Annulaire\\Nature", row, in_.Field());
            }
            Int("Annulaire\\Texture", row, in_.Field());
            Float("Annulaire\\GranDe", row, in_.Field());
            Float("Annulaire\\GranA", row, in_.Field());
            in_.NextLine();
            previous = b;
            ++row;
        }
    }

    void Lithologie()
    {
        std::string previous = "0";
        int row = 0;
        for (int slot = 0; slot < 30; ++slot) {
            if (AtSectionEnd()) break;
            const std::string b = in_.Field();
            if (!Given(b)) {
                in_.NextLine();
                continue;
            }
            Text("Niveau\\" + kDesign, row, design_);
            Float("Niveau\\Deb", row, previous);
            Float("Niveau\\Fin", row, b);
            Text("Niveau\\Type", row, "COUPE");
            const std::string first = TrimBlanks(in_.Field());
            const std::string second = TrimBlanks(in_.Field());
            const std::string litho = TrimBlanks(first + " " + second);
            Text("Niveau\\Litho", row, litho);
            if (makeCode_) Text("Niveau\\CodeNiv", row, makeCode_(litho));
            in_.NextLine();
            previous = b;
            ++row;
        }
    }

    void Pompage()
    {
        const std::string start = [&] {
            Skip(3);
            return VextoDateToDate(in_.Field(), format_);
        }();
        if (start.empty()) return;
        Text("Pompage\\" + kDesign, 0, design_);
        Text("Pompage\\DateDeb", 0, start);
        for (int i = 0; i < 4; ++i) in_.NextLine();
        const std::string m1 = in_.Field();
        const std::string e1 = in_.Field();
        const std::string m2 = in_.Field();
        const std::string e2 = in_.Field();
        Text("Pompage\\D\xC3\xA9" "bitSpecif", 0, Scientific(m1, e1));
        Text("Pompage\\Emmag", 0, Scientific(m2, e2));
        in_.NextLine();
    }

    // A mantissa and its exponent as one number text; a lone "E" would be no
    // number at all, so an empty mantissa gives an empty text.
    static std::string Scientific(const std::string& mantissa, const std::string& exponent)
    {
        if (mantissa.empty()) return std::string();
        return exponent.empty() ? mantissa : mantissa + "E" + exponent;
    }

    VextoReader& in_;
    TDirBlock& root_;
    const DravelCoder& makeCode_;
    DravelReport& report_;
    const std::vector<std::string>& sheets_;
    std::unique_ptr<TDirBlock> none_;  // the borehole's place while it is not there yet
    const TDirBlock* shape_ = nullptr;  // the borehole as it was before the record
    std::optional<StagedOuvrage> stage_;
    std::string index_;
    std::string design_;
    std::string format_;
};

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return days[month - 1];
}

}  // namespace

std::string VextoDateToDate(std::string_view text, std::string_view dateFormat)
{
    bool anyDigit = false;
    for (char c : text) anyDigit = anyDigit || (c >= '0' && c <= '9');
    if (!anyDigit) return std::string();

    // The order of day, month and year: the first letter of each in the
    // format, with the French j (jour) and a (année).
    int posD = -1, posM = -1, posY = -1;
    for (std::size_t i = 0; i < dateFormat.size(); ++i) {
        const char c = dateFormat[i];
        const int at = static_cast<int>(i);
        if ((c == 'j' || c == 'd' || c == 'D') && posD < 0) posD = at;
        if ((c == 'm' || c == 'M') && posM < 0) posM = at;
        if ((c == 'a' || c == 'y' || c == 'Y') && posY < 0) posY = at;
    }
    if (posD < 0 || posM < 0 || posY < 0) posD = 0, posM = 1, posY = 2;

    // Three numbers, each separated from the next by one non-digit.
    std::string_view t = TrimView(text);
    long parts[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    int n = 0;
    std::size_t i = 0;
    while (n < 3) {
        int len = 0;
        long v = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9' && len < 9) v = v * 10 + (t[i++] - '0'), ++len;
        if (len == 0) return std::string();
        parts[n] = v;
        lengths[n++] = len;
        if (n < 3) {
            if (i >= t.size() || (t[i] >= '0' && t[i] <= '9')) return std::string();
            ++i;
        }
    }
    if (i != t.size()) return std::string();

    // Rank of each letter among the three.
    auto rank = [&](int pos) { return (pos > posD) + (pos > posM) + (pos > posY); };
    long day = parts[rank(posD)], month = parts[rank(posM)], year = parts[rank(posY)];
    // A year of one or two digits is the latest such year not after today's.
    if (lengths[rank(posY)] <= 2) year = PastYearOfShortYear(static_cast<int>(year));
    if (year < 1 || year > 9999 || month < 1 || month > 12) return std::string();
    if (day < 1 || day > DaysInMonth(static_cast<int>(year), static_cast<int>(month))) return std::string();
    auto two = [](long v) { return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10); };
    std::string y = IntToStr(year);
    return two(day) + "/" + two(month) + "/" + std::string(4 - y.size(), '0') + y;
}

void ImportVextoBytes(std::string_view bytes, TDirBlock& root, const DravelCoder& makeCode, DravelReport& report)
{
    VextoReader in(bytes);
    const std::vector<std::string> sheets = RecordSheetTables();
    while (!in.AtEnd()) {
        // Peek for the next record first: the end of the file ends the import.
        bool found = false;
        for (; !in.AtEnd(); in.NextLine())
            if (IsMarker(in.Line(), "IDENTIFICATION")) {
                found = true;
                break;
            }
        if (!found) break;
        // A record that fails leaves the collection, and the remarks, as they were.
        const DravelReport before = report;
        try {
            RecordReader(in, root, makeCode, report, sheets).Read();
        } catch (...) {
            report = before;
            throw;
        }
    }
}

void ImportVexto(const std::string& fileName, TDirBlock& root, DravelReport& report)
{
    std::string bytes;
    std::string error;
    if (!ReadFileBounded(Utf8ToPath(fileName), bytes, &error)) throw std::runtime_error(error);
    DravelCoder coder;
    if (CodageDLL().MakeCodeBound()) coder = [](std::string_view d) { return CodageDLL().MakeCode(d); };
    try {
        ImportVextoBytes(bytes, root, coder, report);
    } catch (const EImportValue& refused) {
        throw std::runtime_error(refused.Message(fileName)
                                 + "\nCet enregistrement et les suivants n'ont pas \xC3\xA9t\xC3\xA9 import\xC3\xA9s.");
    } catch (const DravelRefusal&) {
        throw std::runtime_error("Le fichier \xC2\xAB " + fileName +
                                 " \xC2\xBB donne un ouvrage sans indice : il n'est pas import\xC3\xA9.");
    }
}
