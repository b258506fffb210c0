#include "store/divers.h"
#include "platform/base/safe_files.h"

#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <unordered_set>

#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool IsLetter(char32_t c)
{
    return UpperChar(c) != LowerChar(c);
}

std::string TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::string();
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string CutAtNbsp(std::string_view text)
{
    const std::size_t nbsp = text.find("\xC2\xA0");
    return std::string(text.substr(0, nbsp));
}

std::string NamePart(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::string();
    return std::string(line.substr(0, eq));
}

std::string ValuePart(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::string();
    return std::string(line.substr(eq + 1));
}

bool InSemicolonList(std::string_view value, std::string_view list)
{
    while (!list.empty()) {
        const std::size_t sep = list.find(';');
        const std::string_view item = list.substr(0, sep);
        if (item == value) return true;
        if (sep == std::string_view::npos) break;
        list.remove_prefix(sep + 1);
    }
    return false;
}

bool InCommaList(std::string_view name, std::string_view list)
{
    for (;;) {
        const std::size_t sep = list.find(',');
        if (sep == std::string_view::npos) return list == name;
        if (TrimView(list.substr(0, sep)) == name) return true;
        list.remove_prefix(sep + 1);
    }
}

std::string QuoteIfNeeded(std::string_view text)
{
    if (text.find_first_of(" \"';") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char ch : text) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    quoted += '"';
    return quoted;
}

std::string Unquote(std::string_view text)
{
    if (text.size() >= 2) {
        for (const char quote : {'"', '\''}) {
            if (text.front() != quote || text.back() != quote) continue;
            const std::string_view inner = text.substr(1, text.size() - 2);
            std::string out;
            for (std::size_t i = 0; i < inner.size(); ++i) {
                out += inner[i];
                if (inner[i] == quote && i + 1 < inner.size() && inner[i + 1] == quote) ++i;
            }
            return out;
        }
    }
    return std::string(text);
}

// ---------------------------------------------------------------------------
// Clock
// ---------------------------------------------------------------------------

namespace {

ClockReading SystemClock()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ClockReading{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour, local.tm_min, local.tm_sec};
}

std::function<ClockReading()>& InstalledClock()
{
    static std::function<ClockReading()> clock;
    return clock;
}

std::string TwoDigits(int value)
{
    std::string text = IntToStr(value);
    if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
    return text;
}

}  // namespace

ClockReading ClockNow()
{
    const auto& clock = InstalledClock();
    return clock ? clock() : SystemClock();
}

void SetClock(std::function<ClockReading()> clock)
{
    InstalledClock() = std::move(clock);
}

ScopedFixedClock::ScopedFixedClock(ClockReading reading)
{
    SetClock([reading] { return reading; });
}

ScopedFixedClock::~ScopedFixedClock()
{
    SetClock(nullptr);
}

// ---------------------------------------------------------------------------
// Dates
// ---------------------------------------------------------------------------

bool IsPartialDate(std::string_view text)
{
    const std::u32string chars = Utf8ToU32(text);
    const std::size_t n = chars.size();
    if (n != 0 && n != 5 && n != 8 && n != 10) return false;
    if (n >= 3 && chars[2] != U'/') return false;
    if (n >= 6 && chars[5] != U'/') return false;
    return true;
}

std::string Pad2(std::string_view text)
{
    const std::size_t n = Utf8Length(text);
    if (n == 0) return "01";
    if (n == 1) return "0" + std::string(text);
    return std::string(text);
}

std::string CompleteYear(std::string_view text)
{
    const std::string year = IntToStr(ClockNow().Year);
    const std::size_t n = Utf8Length(text);
    if (n == 0) return year;
    if (n == 1) return year.substr(0, year.size() >= 3 ? year.size() - 1 : 0) + std::string(text);
    if (n == 2) return year.substr(0, year.size() >= 2 ? year.size() - 2 : 0) + std::string(text);
    return std::string(text);
}

std::string CompleteDate(std::string_view text, int width)
{
    std::string result(text);
    const ClockReading now = ClockNow();
    if (Utf8Length(result) == 2 && width >= 5) result += "/" + TwoDigits(now.Month);
    if (Utf8Length(result) == 5 && width >= 8) {
        std::string year = IntToStr(now.Year);
        if (width == 8) {
            year = TwoDigits(now.Year % 100);
        } else if (width == 10 && year.size() < 4) {
            year.insert(0, 4 - year.size(), '0');
        }
        result += "/" + year;
    }
    return result;
}

std::string NormalizeDate(std::string_view text)
{
    if (TrimView(text).empty()) return std::string();
    const std::u32string chars = Utf8ToU32(text);
    std::string result = Pad2(Utf8Substr(text, 0, 2));
    if (chars.size() >= 3) {
        if (chars[2] != U'/') throw std::runtime_error("/ manquant dans la date");
        result = Pad2(Utf8Substr(text, 3, 2)) + result;
    }
    if (chars.size() >= 6) {
        if (chars[5] != U'/') throw std::runtime_error("/ manquant dans la date");
        result = CompleteYear(Utf8Substr(text, 6)) + result;
    }
    return result;
}

int PastYearOfShortYear(int shortYear)
{
    const int now = ClockNow().Year;
    const int year = now - now % 100 + shortYear % 100;
    return year > now ? year - 100 : year;
}

std::string NormalizePastDate(std::string_view text)
{
    // Only dd/mm/yy and dd/mm/y: the year part is the one or two digits after
    // the second "/". A one-digit year is as short as a two-digit one: left
    // to NormalizeDate, 05/03/7 would land in the decade ahead.
    const std::u32string chars = Utf8ToU32(text);
    const auto digit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    if ((chars.size() == 7 || chars.size() == 8) && chars[2] == U'/' && chars[5] == U'/' && digit(chars[6])
        && (chars.size() == 7 || digit(chars[7]))) {
        int shortYear = 0;
        for (std::size_t i = 6; i < chars.size(); ++i) shortYear = shortYear * 10 + static_cast<int>(chars[i] - U'0');
        return NormalizeDate(std::string(Utf8Substr(text, 0, 6)) + IntToStr(PastYearOfShortYear(shortYear)));
    }
    return NormalizeDate(text);
}

std::string DigitsToDate(std::string_view text)
{
    const std::string t = Trim(text);
    const std::size_t n = Utf8Length(t);
    if (n >= 5)
        return Utf8Substr(t, n - 2, 2) + "/" + Utf8Substr(t, n - 4, 2) + "/" + Utf8Substr(t, 0, n - 4);
    if (n >= 3) return Utf8Substr(t, n - 2, 2) + "/" + Utf8Substr(t, 0, n - 2);
    return std::string(text);
}

std::string TodayText()
{
    const ClockReading now = ClockNow();
    std::string year = IntToStr(now.Year);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    return TwoDigits(now.Day) + "/" + TwoDigits(now.Month) + "/" + year;
}

std::string TimeText()
{
    const ClockReading now = ClockNow();
    return TwoDigits(now.Hour) + "h" + TwoDigits(now.Minute);
}

// ---------------------------------------------------------------------------
// Angles
// ---------------------------------------------------------------------------

namespace {

const char* const kDegree = "\xC2\xB0";  // °

bool ShowsNonZero(std::string_view text)
{
    return text.find_first_of("123456789") != std::string_view::npos;
}

}  // namespace

std::string FormatAngle(double degrees)
{
    return FormatAngle(degrees, OptLatitudeLongitude);
}

std::string FormatAngle(double degrees, std::string_view display)
{
    const bool minutes = display == "Minute";
    const bool seconds = display == "Seconde";
    if ((!minutes && !seconds) || !std::isfinite(degrees)) return FloatToStr(degrees) + kDegree;

    // The magnitude is laid out on its own and the sign put once in front, so
    // that -0.5 reads "-0° 30,000'" and not "0° -30,000'".
    const double v = std::fabs(degrees);
    double d = std::trunc(v);
    double m = (v - d) * 60.0;
    std::string text;
    if (minutes) {
        if (m >= 59.9995) {
            m -= 60.0;
            d += 1.0;
        }
        if (m < 0.0) m = 0.0;
        text = FloatToStrFixed(d, 0) + kDegree + " " + FloatToStrFixed(m, 3) + "'";
    } else {
        double s = (m - std::trunc(m)) * 60.0;
        m = std::trunc(m);
        if (s >= 59.9995) {
            s -= 60.0;
            m += 1.0;
        }
        if (m >= 59.6) {
            m -= 60.0;
            d += 1.0;
        }
        if (s < 0.0) s = 0.0;
        text = FloatToStrFixed(d, 0) + kDegree + " " + FloatToStrFixed(m, 0) + "' " + FloatToStrFixed(s, 3) + "\"";
    }
    if (degrees < 0.0 && ShowsNonZero(text)) text.insert(0, "-");
    return text;
}

std::string ParseAngleText(std::string_view text)
{
    const std::string t = TrimBlanks(text);
    const std::size_t deg = t.find(kDegree);
    if (deg == std::string::npos) return t;
    const std::size_t degEnd = deg + 2;
    const std::size_t minute = t.find('\'');
    const std::size_t second = t.find('"');
    // The marks must come in order: ° then ' then ", and " only after a '.
    if (minute != std::string::npos && minute < degEnd) return t;
    if (second != std::string::npos && (minute == std::string::npos || second < minute)) return t;

    const std::string degText = t.substr(0, deg);
    std::string minText;
    std::string secText;
    if (minute == std::string::npos) {
        minText = t.substr(degEnd);
    } else {
        minText = t.substr(degEnd, minute - degEnd);
        if (second == std::string::npos)
            secText = t.substr(minute + 1);
        else
            secText = t.substr(minute + 1, second - minute - 1);
    }

    // A leading minus sign belongs to the whole angle: "-0°30'" is -0.5, and
    // the old form "-1° -30'" is -1.5.
    const bool negative = TrimView(degText).substr(0, 1) == "-";
    auto part = [negative](const std::string& s) {
        const double value = StrToFloatDot(s);
        return negative ? std::fabs(value) : value;
    };
    double sum = part(degText);
    if (!TrimView(minText).empty()) sum += part(minText) / 60.0;
    if (!TrimView(secText).empty()) sum += part(secText) / 3600.0;
    return FloatToStr(negative ? -sum : sum);
}

// ---------------------------------------------------------------------------
// Tubes
// ---------------------------------------------------------------------------

bool IsMultiTubeName(std::string_view name, std::string_view prefix)
{
    if (prefix.empty()) return false;
    return UpperCase(Utf8Substr(name, 0, Utf8Length(prefix))) == prefix;
}

std::string NormalizeTubeName(std::string_view name, std::string_view singleTube, std::string_view prefix)
{
    if (name == singleTube || name.empty() || IsMultiTubeName(name, prefix)) return std::string(name);
    return std::string(singleTube);
}

bool IsMultiTubeName(std::string_view name)
{
    return IsMultiTubeName(name, OptEnteteMultitube);
}

std::string NormalizeTubeName(std::string_view name)
{
    return NormalizeTubeName(name, OptNomTubeSimple, OptEnteteMultitube);
}

// ---------------------------------------------------------------------------
// Delimited fields
// ---------------------------------------------------------------------------

namespace {

TextEncoding DetectEncoding(std::string& bytes)
{
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        // Bytes that are not UTF-8 behind the mark are repaired as every
        // other text file's are, so that no raw byte reaches the fields.
        bytes = DecodeTextFile(bytes);
        return TextEncoding::Utf8Bom;
    }
    return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Cp1252;
}

}  // namespace

TextFieldReader::TextFieldReader(std::string bytes) : bytes_(std::move(bytes))
{
    encoding_ = DetectEncoding(bytes_);
}

TextFieldReader::TextFieldReader(std::string bytes, TextEncoding encoding)
    : bytes_(std::move(bytes)), encoding_(encoding)
{
    if (encoding_ == TextEncoding::Utf8Bom) {
        if (bytes_.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes_.erase(0, 3);
        if (!IsValidUtf8(bytes_)) bytes_ = DecodeTextFile("\xEF\xBB\xBF" + bytes_);
    }
}

TextFieldReader TextFieldReader::LoadFromFile(const std::string& path)
{
    std::string bytes;
    const ReadStatus read = ReadFileBytes(Utf8ToPath(path), bytes, MaxFileSize);
    if (read.failure == ReadFailure::TooBig) throw std::runtime_error("Fichier trop volumineux : " + path);
    if (!read) throw std::runtime_error("Impossible de lire le fichier " + path + " : " + read.Reason());
    return TextFieldReader(std::move(bytes));
}

bool TextFieldReader::Eoln() const
{
    return Eof() || bytes_[pos_] == '\r' || bytes_[pos_] == '\n';
}

void TextFieldReader::ReadLn()
{
    while (!Eoln()) ++pos_;
    if (Eof()) return;
    if (bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
}

char TextFieldReader::Peek() const
{
    return Eoln() ? '\0' : bytes_[pos_];
}

void TextFieldReader::Skip()
{
    if (!Eoln()) ++pos_;
}

std::string TextFieldReader::Decode(std::string_view bytes, bool fromOem) const
{
    if (fromOem || encoding_ == TextEncoding::Cp850) return Cp850ToUtf8(bytes);
    if (encoding_ == TextEncoding::Cp1252) return Cp1252ToUtf8(bytes);
    return std::string(bytes);
}

namespace {

// Shared by both field readers: bytes up to the separator or the line end.
std::string ReadRawField(TextFieldReader& file, char separator, bool dropNul)
{
    while (file.Peek() == ' ') file.Skip();
    std::string raw;
    const std::size_t start = file.Tell();
    if (file.Peek() == '"') {
        // A quoted field: the separator may stand inside it.
        std::string value;
        file.Skip();
        bool closed = false;
        while (!file.Eoln()) {
            const char ch = file.Peek();
            file.Skip();
            if (ch == '"') {
                if (file.Peek() == '"') {
                    file.Skip();
                    value += '"';
                    continue;
                }
                closed = true;
                break;
            }
            if (ch != '\0' || !dropNul) value += ch;
        }
        if (closed) {
            // Whatever stands between the closing quote and the separator is kept.
            std::string tail;
            while (!file.Eoln() && file.Peek() != separator) {
                const char ch = file.Peek();
                if (ch != '\0' || !dropNul) tail += ch;
                file.Skip();
            }
            if (file.Peek() == separator) file.Skip();
            while (!tail.empty() && tail.back() == ' ') tail.pop_back();
            return value + tail;
        }
        // No closing quote on the line: the quote is an ordinary character
        // and the field ends at the separator, as every unquoted one does, so
        // that the fields after it keep their places.
        file.Seek(start);
    }
    while (!file.Eoln() && file.Peek() != separator) {
        const char ch = file.Peek();
        if (ch != '\0' || !dropNul) raw += ch;
        file.Skip();
    }
    if (file.Peek() == separator) file.Skip();
    while (!raw.empty() && raw.back() == ' ') raw.pop_back();
    return raw;
}

}  // namespace

void ReadFieldSemicolon(TextFieldReader& file, std::string& field)
{
    field = file.Decode(ReadRawField(file, ';', false), false);
}

std::string ReadFieldSemicolon(TextFieldReader& file)
{
    std::string field;
    ReadFieldSemicolon(file, field);
    return field;
}

void ReadFieldComma(TextFieldReader& file, bool fromOem, std::string& field)
{
    field = file.Decode(ReadRawField(file, ',', true), fromOem);
}

std::string ReadFieldComma(TextFieldReader& file, bool fromOem)
{
    std::string field;
    ReadFieldComma(file, fromOem, field);
    return field;
}

// ---------------------------------------------------------------------------
// Folders
// ---------------------------------------------------------------------------

namespace {

FolderChooser& InstalledChooser()
{
    static FolderChooser chooser;
    return chooser;
}

}  // namespace

void SetFolderChooser(FolderChooser chooser)
{
    InstalledChooser() = std::move(chooser);
}

bool FolderChooserInstalled() { return static_cast<bool>(InstalledChooser()); }

std::string EnsureDirectory(const std::string& folder, const std::string& caption)
{
    return EnsureDirectory(folder, caption, InstalledChooser());
}

std::string EnsureDirectory(const std::string& folder, const std::string& caption, const FolderChooser& chooser)
{
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) return folder;
    std::optional<std::string> chosen;
    if (chooser) chosen = chooser(caption);
    if (!chosen) throw std::runtime_error("Opération annulée");
    return *chosen;
}

// ---------------------------------------------------------------------------
// Block trees
// ---------------------------------------------------------------------------

void RescaleFloatBlocks(TDirBlock& dir, std::string_view path, double a, double b, double c)
{
    for (int i = 0; i < dir.ItemCount(); ++i) {
        TBlock* child = dir.Child(i);
        if (!child || child->BlockType() != 1) continue;
        TBlock* block = static_cast<TDirBlock*>(child)->FindBlock(std::string(path));
        if (!block || (block->BlockType() != 11 && block->BlockType() != 12)) continue;
        for (int k = 0; k < block->Count(); ++k) {
            const double v = block->GetFloat(k);
            // A missing value stays missing: it must not turn into a number, an
            // infinity of the other sign or a NaN.
            if (!std::isfinite(v)) continue;
            block->SetFloat(k, (v - c) * b + a);
        }
    }
}

namespace {

void CollectPaths(const TDirBlock& dir, const std::string& prefix, const std::vector<int>& codes,
                  std::vector<std::string>& list, std::unordered_set<std::string>& seen)
{
    for (int i = 0; i < dir.ItemCount(); ++i) {
        const TBlock* child = dir.Child(i);
        if (!child) continue;
        const std::string path = prefix.empty() ? child->Name : prefix + "\\" + child->Name;
        if (child->BlockType() == 1) {
            CollectPaths(*static_cast<const TDirBlock*>(child), path, codes, list, seen);
            continue;
        }
        bool wanted = false;
        for (const int code : codes) wanted = wanted || code == child->BlockType();
        if (wanted && seen.insert(path).second) list.push_back(path);
    }
}

}  // namespace

void CollectBlockPaths(const TDirBlock& root, std::vector<std::string>& list, const std::vector<int>& codes)
{
    list.clear();
    std::unordered_set<std::string> seen;
    for (int i = 0; i < root.ItemCount(); ++i) {
        const TBlock* child = root.Child(i);
        if (child && child->BlockType() == 1)
            CollectPaths(*static_cast<const TDirBlock*>(child), std::string(), codes, list, seen);
    }
}

void CollectBlockPaths(const TDirBlock& root, std::vector<std::string>& list, std::initializer_list<int> codes)
{
    CollectBlockPaths(root, list, std::vector<int>(codes));
}
