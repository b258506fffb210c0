// Small shared helpers of the program: text, name=value lines, ";" and ","
// lists, quoting, the date forms (dd/mm/yyyy shown, yyyymmdd stored), angles in
// degrees, minutes and seconds, tube names, delimited fields of text files, and
// two walks over block trees. The number readers and writers live in numbers.h.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/text_codec.h"
#include "store/numbers.h"

class TDirBlock;

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

bool IsDigit(char32_t c);
// A letter has distinct upper- and lower-case forms (accented letters count).
bool IsLetter(char32_t c);
// Removes the space character (only it) at both ends.
std::string TrimBlanks(std::string_view text);
// The text before the first non-breaking space (U+00A0); all of it when none.
std::string CutAtNbsp(std::string_view text);
// name=value lines: the parts before and after the first "="; "" without "=".
std::string NamePart(std::string_view line);
std::string ValuePart(std::string_view line);
// Whether the value equals an item of the ";"-separated list. An empty list
// holds nothing; an empty item before a ";" matches the empty value.
bool InSemicolonList(std::string_view value, std::string_view list);
// Whether the name equals an item of the ","-separated list; items before a ","
// are trimmed, the last one is compared as it is.
bool InCommaList(std::string_view name, std::string_view list);
// Quotes a text that holds a space, a double quote, an apostrophe or a ";",
// doubling its double quotes; other texts are returned unchanged.
std::string QuoteIfNeeded(std::string_view text);
// Removes a pair of enclosing double quotes (or apostrophes) and undoubles them.
std::string Unquote(std::string_view text);

// ---------------------------------------------------------------------------
// Clock (today's date and the time of day), replaceable by tests
// ---------------------------------------------------------------------------

struct ClockReading {
    int Year = 2000;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// The local date and time, from the installed clock.
ClockReading ClockNow();
// Installs a clock; an empty function restores the system clock.
void SetClock(std::function<ClockReading()> clock);

// Installs a fixed clock for the lifetime of the object (tests).
class ScopedFixedClock {
public:
    explicit ScopedFixedClock(ClockReading reading);
    ~ScopedFixedClock();
    ScopedFixedClock(const ScopedFixedClock&) = delete;
    ScopedFixedClock& operator=(const ScopedFixedClock&) = delete;
};

// ---------------------------------------------------------------------------
// Dates
// ---------------------------------------------------------------------------

// A date being typed: length 0, 5, 8 or 10 with "/" third and sixth.
bool IsPartialDate(std::string_view text);
// "" -> "01", "7" -> "07"; longer texts unchanged.
std::string Pad2(std::string_view text);
// Completes a year from the current one: "" -> 2026, "7" -> 2027, "98" -> 2098.
std::string CompleteYear(std::string_view text);
// Completes a date being typed into a field 5, 8 or 10 characters wide with
// the current month and year.
std::string CompleteDate(std::string_view text, int width);
// dd/mm/yy or dd/mm/yyyy (or dd/mm, dd) to the stored digits yyyymmdd; throws
// std::runtime_error "/ manquant dans la date" when a "/" is missing.
std::string NormalizeDate(std::string_view text);
// The full year of a year written with one or two digits in a date read from
// a file: a dossier's dates are in the past, so a year that would fall after
// today's belongs to the century before (in 2025: 85 -> 1985, 25 -> 2025,
// 26 -> 1926). Decided against today (ClockNow), not a fixed pivot.
int PastYearOfShortYear(int shortYear);
// NormalizeDate for a date read from a file: a short year (dd/mm/yy, dd/mm/y) is
// completed by PastYearOfShortYear rather than into the current century.
std::string NormalizePastDate(std::string_view text);
// Stored digits back to the shown form: 20010512 -> 12/05/2001, 0512 -> 12/05.
std::string DigitsToDate(std::string_view text);
// Today as dd/mm/yyyy and the time as 14h35 (the program's short forms).
std::string TodayText();
std::string TimeText();

// ---------------------------------------------------------------------------
// Angles in decimal degrees, shown as "Degré", "Minute" or "Seconde"
// ---------------------------------------------------------------------------

// With the display setting OptLatitudeLongitude.
std::string FormatAngle(double degrees);
// With an explicit display setting. A negative angle carries its sign once, in
// front of the whole text, and an angle that shows as zero has no sign.
std::string FormatAngle(double degrees, std::string_view display);
// Reads 45°30', 45°30'15", -1°30' (and the old -1° -30') back to a float text;
// a text without "°" or with marks out of order is returned trimmed. A number
// part that is not a number throws EConvertError.
std::string ParseAngleText(std::string_view text);

// ---------------------------------------------------------------------------
// Tubes (settings OptNomTubeSimple and OptEnteteMultitube)
// ---------------------------------------------------------------------------

bool IsMultiTubeName(std::string_view name);
std::string NormalizeTubeName(std::string_view name);
// The same rules with explicit settings.
bool IsMultiTubeName(std::string_view name, std::string_view prefix);
std::string NormalizeTubeName(std::string_view name, std::string_view singleTube, std::string_view prefix);

// ---------------------------------------------------------------------------
// Delimited fields of text files
// ---------------------------------------------------------------------------

// An open text file read field by field and line by line. It holds the file's
// bytes; fields are returned as UTF-8, decoded by the file's encoding (UTF-8
// with or without BOM, otherwise Windows-1252) or, on request, from the OEM
// code page 850. Separators are ASCII, so splitting the bytes is safe.
class TextFieldReader {
public:
    // The largest file LoadFromFile accepts.
    static constexpr std::uintmax_t MaxFileSize = 256u * 1024u * 1024u;

    // Bytes of a whole file; the encoding is detected.
    explicit TextFieldReader(std::string bytes);
    TextFieldReader(std::string bytes, TextEncoding encoding);
    // Reads a file; throws std::runtime_error with a message naming the file when
    // it cannot be read or is larger than MaxFileSize.
    static TextFieldReader LoadFromFile(const std::string& path);

    // At the end of the text.
    bool Eof() const { return pos_ >= bytes_.size(); }
    // At the end of the current line (or of the text).
    bool Eoln() const;
    // Skips the rest of the current line and its line end (CR LF, LF or CR).
    void ReadLn();
    // The next byte of the current line; 0 at a line end or at the end.
    char Peek() const;
    // Consumes one byte of the current line (nothing at a line end).
    void Skip();
    // Where the reader stands, and back to a place read before.
    std::size_t Tell() const { return pos_; }
    void Seek(std::size_t pos) { pos_ = pos < bytes_.size() ? pos : bytes_.size(); }

    std::string Decode(std::string_view bytes, bool fromOem) const;
    TextEncoding Encoding() const { return encoding_; }

private:
    std::string bytes_;
    std::size_t pos_ = 0;
    TextEncoding encoding_ = TextEncoding::Utf8;
};

// Reads one field up to the end of the line or a ";" (consumed; the line end is
// not). Leading and trailing spaces are dropped. A field that starts with a
// double quote runs to its closing quote (";" inside it belongs to the field,
// doubled quotes stand for one), as QuoteIfNeeded writes it; without a closing
// quote on its line the quote is an ordinary character. A quote elsewhere in
// a field is always one.
void ReadFieldSemicolon(TextFieldReader& file, std::string& field);
std::string ReadFieldSemicolon(TextFieldReader& file);
// The same with "," as separator; NUL characters are dropped, and with
// fromOem the field's bytes are read in the OEM code page 850.
void ReadFieldComma(TextFieldReader& file, bool fromOem, std::string& field);
std::string ReadFieldComma(TextFieldReader& file, bool fromOem);

// ---------------------------------------------------------------------------
// Folders
// ---------------------------------------------------------------------------

// Asks the user for a folder (a dialog titled with the caption); nullopt when
// the user cancels.
using FolderChooser = std::function<std::optional<std::string>(const std::string& caption)>;
// The folder chooser the program installs at start-up (none by default).
void SetFolderChooser(FolderChooser chooser);
bool FolderChooserInstalled();
// The folder when it exists; otherwise the chooser's answer. Throws
// std::runtime_error "Opération annulée" when the user cancels (or when there
// is no chooser).
std::string EnsureDirectory(const std::string& folder, const std::string& caption);
std::string EnsureDirectory(const std::string& folder, const std::string& caption, const FolderChooser& chooser);

// ---------------------------------------------------------------------------
// Block trees
// ---------------------------------------------------------------------------

// For each borehole directory of `dir`, every element v of the float block at
// `path` becomes (v - c) * b + a. Missing values stay missing.
void RescaleFloatBlocks(TDirBlock& dir, std::string_view path, double a, double b, double c);
// The paths (relative to each child directory of root, "\"-joined) of every
// value block whose type code is in `codes`, once each, in order of discovery.
void CollectBlockPaths(const TDirBlock& root, std::vector<std::string>& list, std::initializer_list<int> codes);
void CollectBlockPaths(const TDirBlock& root, std::vector<std::string>& list, const std::vector<int>& codes);
