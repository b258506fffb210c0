// Private-profile (.ini) files, with the behaviour users of the program know.
//
// Carotix keeps all its settings in .ini files beside the program, and other
// programs (a text editor opened from Carotix on edition.ini, the program's
// older Windows peers) read and write the same files. So this layer behaves like
// the classic private-profile functions, not like a settings framework:
//
//  * every read sees the file as it is now, and every write goes to the file at
//    once (written to a temporary file in the same folder, then renamed over
//    it, so a failure leaves the old file whole);
//  * sections and keys match without regard to case over the Windows-1252
//    repertoire ("[GÉNÉRAL]" finds "Général"); the first occurrence wins;
//  * values are trimmed and lose one pair of matching surrounding quotes
//    ("..." or '...'); "Key=" reads "", a missing key (or a line "Key" without
//    "=") reads the default;
//  * integers accept "0x" as "$" (hexadecimal); booleans are integers (0 is
//    false, any other number true; "True" is not a number and gives the default);
//  * no length limits;
//  * comments, unknown lines, each line's own line end and the file's encoding
//    (UTF-8, UTF-8 with BOM, Windows-1252, UTF-16 little- or big-endian with
//    its byte-order mark) survive a write. A file created here is Windows-1252
//    with CRLF line ends. A file of any other form (NUL bytes without a UTF-16
//    mark: UTF-16 without one, UTF-32, a binary file) reads as empty and is
//    never written: adding 8-bit lines to it would leave a file of two
//    encodings.
//
// Reading the whole file on every read would be too slow for the hot paths (a
// drawing reads hundreds of keys), so each TIniFile keeps the parsed file and
// re-reads it when its modification time, size or identity (inode) changed.
// A file modified within the last second is re-read and compared on each
// access, because file systems stamp times coarsely and two edits of the same
// size within one tick would otherwise look alike.
//
// Writes fail with EIniFileError (a French message naming the file, meant for
// the user) when the file or its folder is read-only, when the file exists but
// cannot be read or is of an encoding refused above (writing would destroy
// it), or when a key or section name cannot be stored in an .ini line. Reads
// never fail: any problem gives the default. A file that exists but reads as
// empty for such a reason is told to the user once, through the report
// handler, by the first read that finds it so (again only after it has read
// well in between): settings that vanish without a word look like a fault of
// the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/safe_files.h"
#include "platform/base/text_codec.h"

// A settings file could not be written (or read before a write). what() is the
// message shown to the user.
class EIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest settings file read (bytes). Bigger files read as empty and cannot be
// written through this layer.
inline constexpr std::size_t kMaxIniFileBytes = kMaxTextFileBytes;

// The message for a settings file whose bytes are no text of the encodings the
// program reads (IsReadableTextFile): "Impossible de lire le fichier « path » :
// son encodage n'est ni UTF-8, ni Windows-1252, ni UTF-16 avec marque d'ordre
// des octets."
std::string UnreadableEncodingMessage(const std::filesystem::path& file);

// FileStamp and StatFileStamp (safe_files.h) decide whether a cached copy of
// a file's text is still current.

// True when the stamp's modification time lies so close to `readAtNs` (a
// CLOCK_REALTIME time in ns at which the file was read) that a later change
// could carry the same stamp: the caller must compare contents.
bool FileStampIsRacy(const FileStamp& stamp, std::int64_t readAtNs);
std::int64_t RealtimeNowNs();

// The parsed content of one .ini file. Pure text: no file access. TIniFile
// wraps it with the file handling; the fuzz target and the tests use it alone.
class IniDocument {
    friend class TIniFile;

public:
    IniDocument();
    // Decodes the bytes (BOM or valid UTF-8: UTF-8; otherwise Windows-1252;
    // a pure ASCII file counts as Windows-1252) and parses the lines.
    static IniDocument Parse(std::string_view bytes);
    // The bytes of the document in its own encoding. *unmapped receives the
    // number of characters written as "?" because the encoding lacks them.
    std::string Serialize(std::size_t* unmapped = nullptr) const;
    TextEncoding Encoding() const { return encoding_; }

    // Value of the first key `key` of the first section `section`; nullptr when
    // either is missing or the key line has no "=". Trimmed and unquoted.
    const std::string* FindValue(std::string_view section, std::string_view key) const;
    // Section names in file order, duplicates kept.
    std::vector<std::string> SectionNames() const;
    // Key names of the first matching section in file order, duplicates kept
    // (lines without "=" count as keys; comments, blank lines and keys with an
    // empty name do not).
    std::vector<std::string> SectionKeys(std::string_view section) const;
    // "key=value" per key line of the section, in file order, each with its own
    // value (trimmed, unquoted; "key=" for a line without "=").
    std::vector<std::string> SectionValues(std::string_view section) const;
    // The section's lines as they stand (trimmed at both ends), comments and
    // blank lines left out.
    std::vector<std::string> SectionLines(std::string_view section) const;
    bool HasSectionHeader(std::string_view section) const;

    // Changes. Each returns true when the text changed. Throws EIniFileError
    // for names that an .ini line cannot hold (see TIniFile::WriteString).
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);
    bool EraseSection(std::string_view section);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool ReplaceSection(std::string_view section, const std::vector<std::string>& lines);

private:
    struct Line {
        std::string text;  // decoded, without its line end
        std::string eol;   // "\r\n", "\n" or "" (last line without one)
    };
    struct Entry {
        std::size_t line = 0;
        std::string key;     // trimmed, as written
        std::string value;   // trimmed and unquoted
        bool hasValue = false;
    };
    struct Section {
        std::string name;
        std::size_t header = 0;  // line of "[name]"
        std::size_t end = 0;     // one past its last line
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> keyIndex;  // folded key -> first entry
    };

    void Reindex();
    void IndexFrom(std::size_t from);  // indexes lines from `from` on, the earlier ones being indexed
    void InsertKeyLine(std::size_t section, std::size_t at, std::string text, std::string key, std::string value);
    const Section* FindSection(std::string_view section) const;
    std::size_t LastContentLine(const Section& s) const;  // insertion point after the last non-blank line
    void InsertLines(std::size_t at, std::vector<std::string> texts);
    void AppendSection(std::string_view section, const std::vector<std::string>& texts);

    TextEncoding encoding_ = TextEncoding::Cp1252;
    std::string eol_ = "\r\n";  // line end for new lines: the file's prevailing one
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> first section
};

// One settings file. Cheap to construct: nothing is read until asked.
class TIniFile {
public:
    explicit TIniFile(std::filesystem::path fileName);
    TIniFile(const TIniFile& other);
    TIniFile& operator=(const TIniFile&) = delete;
    // Writes what a batch left pending (failures go to the report handler).
    ~TIniFile();

    const std::filesystem::path& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // The text read with the process decimal separator (StrToFloat); the
    // default when empty or not a number.
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;

    // Writes at once. A value that would not read back the same (leading or
    // trailing blanks, surrounding quotes) is written inside double quotes, so
    // that it does. Line breaks inside a value become spaces (an .ini line
    // cannot hold them). Keys may not be empty, hold "=" or line breaks, or
    // begin with "[" or ";"; section names may not hold line breaks: such
    // names throw EIniFileError.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
    void WriteFloat(std::string_view section, std::string_view key, double value);  // FloatToStr

    // Key names of a section, file order, duplicates kept.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Section names, file order, duplicates kept.
    std::vector<std::string> ReadSections() const;
    // "key=value" lines of a section, file order, each line with its own value.
    std::vector<std::string> ReadSectionValues(std::string_view section) const;
    // The section's raw lines (trimmed; comments and blank lines left out).
    std::vector<std::string> ReadSectionLines(std::string_view section) const;
    // As the class library had it: true when the section holds at least one key.
    bool SectionExists(std::string_view section) const;
    // True when the section lists the key (with or without a value).
    bool ValueExists(std::string_view section, std::string_view key) const;

    // Removes every section of that name with all its lines.
    void EraseSection(std::string_view section);
    // Removes the key's lines from the (first) section.
    void DeleteKey(std::string_view section, std::string_view key);
    // Replaces the whole content of the section by `lines` ("key=value" each),
    // in one write; the section is created at the end of the file when missing.
    void WriteSection(std::string_view section, const std::vector<std::string>& lines);

    // The file's text decoded to UTF-8 ("" when missing or unreadable), as it
    // is now.
    std::string ReadText() const;

    // Why the file, which exists, reads as empty (the French message naming
    // it: its encoding refused, or it cannot be read); "" when it reads or is
    // missing. A caller that shows this message itself asks before reading,
    // and the reads then keep quiet about it.
    std::string Refusal() const;
    // Throws the EIniFileError a write would throw when the file exists but
    // cannot be read back whole; the reads then keep quiet about it.
    void RequireReadable() const;

    // Called after every write through this object (the edition.ini cache
    // drops its copy at once).
    void SetAfterWrite(std::function<void()> callback) { afterWrite_ = std::move(callback); }

    // Where "characters written as ?" reports go (the program shows them to the
    // user; the default prints to standard error). Process-wide.
    static void SetReportHandler(std::function<void(const std::string& message)> handler);
    // Whether the program installed one (standard error is the fallback).
    static bool ReportHandlerInstalled();

    // Writes the changes a batch kept for this file now (raises EIniFileError).
    void FlushPending();

private:
    const IniDocument* Refresh(std::string* error) const;  // the file as it is now; null when unreadable
    const IniDocument& Current() const;          // never throws
    IniDocument LoadForWrite() const;            // throws EIniFileError
    void Modify(const std::function<bool(IniDocument&)>& change);
    void Save(const IniDocument& doc);

    std::filesystem::path fileName_;
    std::function<void()> afterWrite_;

    bool pending_ = false;  // changed inside a batch, not yet written
    mutable bool cached_ = false;
    mutable bool cacheRacy_ = false;
    mutable FileStamp cachedStamp_;
    mutable std::string cachedBytes_;
    mutable IniDocument cachedDoc_;
};

// While a batch is open, writes through any TIniFile change that object's copy
// only (reads through it see them); each file changed is written once, when the
// outermost batch ends. Start-up adds many missing keys to settings files that
// may be large: one rewrite per key would cost a rewrite and a disk sync each.
// Batches nest. Commit() ends the batch and raises the first failure (every
// file is still attempted); a batch left without Commit() writes on
// destruction and reports failures through the report handler.
class IniWriteBatch {
public:
    IniWriteBatch();
    ~IniWriteBatch();
    IniWriteBatch(const IniWriteBatch&) = delete;
    IniWriteBatch& operator=(const IniWriteBatch&) = delete;
    void Commit();

private:
    bool open_ = true;
};
