#include "platform/base/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/rtl_numbers.h"

namespace fs = std::filesystem;

namespace {

// Matching key of a section or key name: trimmed, upper-cased over the
// Windows-1252 repertoire.
std::string Fold(std::string_view name) { return UpperCase(TrimView(name)); }

bool IsBlank(std::string_view text) { return TrimView(text).empty(); }

bool IsComment(std::string_view trimmed) { return !trimmed.empty() && trimmed.front() == ';'; }

// "[name]" (blanks around allowed); the name runs to the last "]" of the line.
bool ParseHeader(std::string_view trimmed, std::string* name)
{
    if (trimmed.empty() || trimmed.front() != '[') return false;
    const std::size_t close = trimmed.rfind(']');
    if (close == std::string_view::npos || close == 0) return false;
    if (name) *name = Trim(trimmed.substr(1, close - 1));
    return true;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::string Unquote(std::string_view v)
{
    if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// An .ini line cannot hold a line break: each becomes one space.
std::string FlattenLineBreaks(std::string_view v)
{
    std::string out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\r') {
            out += ' ';
            if (i + 1 < v.size() && v[i + 1] == '\n') ++i;
        } else if (v[i] == '\n') {
            out += ' ';
        } else {
            out += v[i];
        }
    }
    return out;
}

// The text to put after "=" so that reading gives `value` back exactly.
std::string ProtectValue(const std::string& value)
{
    const bool padded = TrimView(value).size() != value.size();
    const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (padded || quoted) return "\"" + value + "\"";
    return value;
}

std::string CheckedKey(std::string_view key)
{
    std::string k = Trim(key);
    if (k.empty() || k.find_first_of("=\r\n") != std::string::npos || k.front() == '[' || k.front() == ';')
        throw EIniFileError("Nom de clé invalide pour un fichier de configuration : « " + std::string(key) + " »");
    return k;
}

std::string CheckedSection(std::string_view section)
{
    std::string s = Trim(section);
    if (s.find_first_of("\r\n") != std::string::npos)
        throw EIniFileError("Nom de section invalide pour un fichier de configuration : « " + std::string(section) +
                            " »");
    return s;
}

std::string CheckedRawLine(std::string_view line)
{
    std::string l = FlattenLineBreaks(line);
    std::string_view t = TrimView(l);
    if (!t.empty() && t.front() == '[')
        throw EIniFileError("Ligne invalide pour une section de fichier de configuration : « " + l + " »");
    return l;
}

std::function<void(const std::string&)>& ReportHandler()
{
    static std::function<void(const std::string&)> handler = [](const std::string& message) {
        std::cerr << message << '\n';
    };
    return handler;
}

bool& ReportHandlerSet()
{
    static bool set = false;
    return set;
}

std::string WriteErrorMessage(const fs::path& file, int err)
{
    if (err == EACCES || err == EROFS || err == EPERM)
        return "Impossible d'enregistrer les réglages dans « " + PathText(file) +
               " » : le fichier ou son dossier est en lecture seule.";
    return "Impossible d'enregistrer les réglages dans « " + PathText(file) + " » : " + SystemErrorText(err) + ".";
}

}  // namespace

std::string UnreadableEncodingMessage(const fs::path& file)
{
    return "Impossible de lire le fichier \xC2\xAB " + PathText(file) +
           " \xC2\xBB : son encodage n'est ni UTF-8, ni Windows-1252, ni UTF-16 avec marque d'ordre des octets.";
}

// ---------------------------------------------------------------------------
// File stamps and bounded reading
// ---------------------------------------------------------------------------

std::int64_t RealtimeNowNs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool FileStampIsRacy(const FileStamp& stamp, std::int64_t readAtNs)
{
    // File systems stamp modification times from a coarse clock (a few ms, and
    // 2 s on FAT media); one second covers the usual ones.
    constexpr std::int64_t kWindowNs = 1000000000;
    return stamp.exists && readAtNs - stamp.mtimeNs < kWindowNs;
}

// ---------------------------------------------------------------------------
// IniDocument
// ---------------------------------------------------------------------------

IniDocument::IniDocument() = default;

IniDocument IniDocument::Parse(std::string_view bytes)
{
    IniDocument doc;
    TextEncoding enc = TextEncoding::Cp1252;
    const std::string text = DecodeTextFile(bytes, &enc);
    doc.encoding_ = enc;
    std::size_t crlf = 0, lf = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t nl = text.find('\n', start);
        Line line;
        if (nl == std::string::npos) {
            line.text = text.substr(start);
            start = text.size();
        } else {
            std::size_t end = nl;
            if (end > start && text[end - 1] == '\r') {
                --end;
                line.eol = "\r\n";
                ++crlf;
            } else {
                line.eol = "\n";
                ++lf;
            }
            line.text = text.substr(start, end - start);
            start = nl + 1;
        }
        doc.lines_.push_back(std::move(line));
    }
    doc.eol_ = (lf > crlf) ? "\n" : "\r\n";
    doc.Reindex();
    return doc;
}

std::string IniDocument::Serialize(std::size_t* unmapped) const
{
    std::string text;
    for (const Line& l : lines_) {
        text += l.text;
        text += l.eol;
    }
    return EncodeTextFile(text, encoding_, unmapped);
}

void IniDocument::Reindex()
{
    sections_.clear();
    sectionIndex_.clear();
    IndexFrom(0);
}

void IniDocument::IndexFrom(std::size_t from)
{
    // Lines appended at the end belong to the last section until a header
    // comes.
    if (!sections_.empty()) sections_.back().end = lines_.size();
    for (std::size_t i = from; i < lines_.size(); ++i) {
        const std::string_view t = TrimView(lines_[i].text);
        if (t.empty() || IsComment(t)) continue;
        std::string name;
        if (ParseHeader(t, &name)) {
            if (!sections_.empty()) sections_.back().end = i;
            Section s;
            s.name = std::move(name);
            s.header = i;
            s.end = lines_.size();
            sectionIndex_.emplace(Fold(s.name), sections_.size());  // first occurrence wins
            sections_.push_back(std::move(s));
            continue;
        }
        if (sections_.empty()) continue;  // lines before the first section belong to none
        Section& s = sections_.back();
        Entry e;
        e.line = i;
        const std::size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            e.key = std::string(t);
        } else {
            e.key = Trim(t.substr(0, eq));
            e.value = Unquote(TrimView(t.substr(eq + 1)));
            e.hasValue = true;
        }
        if (e.key.empty()) continue;
        s.keyIndex.emplace(Fold(e.key), s.entries.size());
        s.entries.push_back(std::move(e));
    }
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const
{
    const auto it = sectionIndex_.find(Fold(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const std::string* IniDocument::FindValue(std::string_view section, std::string_view key) const
{
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    const auto it = s->keyIndex.find(Fold(key));
    if (it == s->keyIndex.end()) return nullptr;
    const Entry& e = s->entries[it->second];
    return e.hasValue ? &e.value : nullptr;
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> out;
    out.reserve(sections_.size());
    for (const Section& s : sections_) out.push_back(s.name);
    return out;
}

std::vector<std::string> IniDocument::SectionKeys(std::string_view section) const
{
    std::vector<std::string> out;
    if (const Section* s = FindSection(section))
        for (const Entry& e : s->entries) out.push_back(e.key);
    return out;
}

std::vector<std::string> IniDocument::SectionValues(std::string_view section) const
{
    std::vector<std::string> out;
    if (const Section* s = FindSection(section))
        for (const Entry& e : s->entries) out.push_back(e.key + "=" + e.value);
    return out;
}

std::vector<std::string> IniDocument::SectionLines(std::string_view section) const
{
    std::vector<std::string> out;
    if (const Section* s = FindSection(section))
        for (std::size_t i = s->header + 1; i < s->end; ++i) {
            const std::string_view t = TrimView(lines_[i].text);
            if (!t.empty() && !IsComment(t)) out.emplace_back(t);
        }
    return out;
}

bool IniDocument::HasSectionHeader(std::string_view section) const { return FindSection(section) != nullptr; }

std::size_t IniDocument::LastContentLine(const Section& s) const
{
    std::size_t pos = s.end;
    while (pos > s.header + 1 && IsBlank(lines_[pos - 1].text)) --pos;
    return pos;
}

void IniDocument::InsertLines(std::size_t at, std::vector<std::string> texts)
{
    if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = eol_;
    std::vector<Line> added;
    added.reserve(texts.size());
    for (std::string& t : texts) added.push_back(Line {std::move(t), eol_});
    const std::size_t oldSize = lines_.size();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    // Lines appended at the end are indexed alone: a large file does not pay
    // for its whole index on each key added (start-up adds several).
    if (at == oldSize)
        IndexFrom(oldSize);
    else
        Reindex();
}

void IniDocument::InsertKeyLine(std::size_t section, std::size_t at, std::string text, std::string key,
                                std::string value)
{
    if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = eol_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line {std::move(text), eol_});
    // Only positions move: the sections and entries after the new line shift
    // by one, and the section that receives it gains one entry at its end.
    for (std::size_t k = 0; k < sections_.size(); ++k) {
        Section& s = sections_[k];
        if (s.header >= at) ++s.header;
        if (s.end >= at) ++s.end;
        for (Entry& e : s.entries)
            if (e.line >= at) ++e.line;
    }
    Section& s = sections_[section];
    Entry e;
    e.line = at;
    e.key = std::move(key);
    e.value = std::move(value);
    e.hasValue = true;
    s.keyIndex.emplace(Fold(e.key), s.entries.size());
    s.entries.push_back(std::move(e));
}

void IniDocument::AppendSection(std::string_view section, const std::vector<std::string>& texts)
{
    std::vector<std::string> added;
    // A blank line before a new section keeps the file easy to read.
    if (!lines_.empty() && !IsBlank(lines_.back().text)) added.emplace_back();
    added.push_back("[" + std::string(section) + "]");
    added.insert(added.end(), texts.begin(), texts.end());
    InsertLines(lines_.size(), std::move(added));
}

bool IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string sec = CheckedSection(section);
    const std::string k = CheckedKey(key);
    const std::string flat = FlattenLineBreaks(value);
    const Section* s = FindSection(sec);
    if (!s) {
        AppendSection(sec, {k + "=" + ProtectValue(flat)});
        return true;
    }
    const auto it = s->keyIndex.find(Fold(k));
    if (it != s->keyIndex.end()) {
        // The key stays as written; its value reads back exactly as given.
        Entry& e = sections_[static_cast<std::size_t>(s - sections_.data())].entries[it->second];
        if (e.hasValue && e.value == flat) return false;
        lines_[e.line].text = e.key + "=" + ProtectValue(flat);
        e.value = flat;
        e.hasValue = true;
        return true;
    }
    // After the section's last line that is not blank, so that a blank line
    // before the next section stays where it is.
    const std::size_t at = LastContentLine(*s);
    const std::size_t index = static_cast<std::size_t>(s - sections_.data());
    InsertKeyLine(index, at, k + "=" + ProtectValue(flat), k, flat);
    return true;
}

bool IniDocument::EraseSection(std::string_view section)
{
    const std::string folded = Fold(section);
    bool changed = false;
    for (std::size_t i = sections_.size(); i-- > 0;) {
        if (Fold(sections_[i].name) != folded) continue;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(sections_[i].header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(sections_[i].end));
        changed = true;
    }
    if (changed) Reindex();
    return changed;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key)
{
    const Section* s = FindSection(section);
    if (!s) return false;
    const std::string folded = Fold(key);
    std::vector<std::size_t> doomed;
    for (const Entry& e : s->entries)
        if (Fold(e.key) == folded) doomed.push_back(e.line);
    for (std::size_t i = doomed.size(); i-- > 0;) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(doomed[i]));
    if (!doomed.empty()) Reindex();
    return !doomed.empty();
}

bool IniDocument::ReplaceSection(std::string_view section, const std::vector<std::string>& lines)
{
    const std::string sec = CheckedSection(section);
    std::vector<std::string> texts;
    texts.reserve(lines.size());
    for (const std::string& l : lines) {
        std::string checked = CheckedRawLine(l);
        if (!IsBlank(checked)) texts.push_back(std::move(checked));
    }
    const std::string folded = Fold(sec);
    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (Fold(sections_[i].name) == folded) matches.push_back(i);
    if (matches.empty()) {
        AppendSection(sec, texts);
        return true;
    }
    const Section& first = sections_[matches.front()];
    const std::size_t from = first.header + 1;
    const std::size_t to = LastContentLine(first);
    bool same = matches.size() == 1 && to - from == texts.size();
    for (std::size_t i = 0; same && i < texts.size(); ++i) same = lines_[from + i].text == texts[i];
    if (same) return false;
    // Later copies of the section go: after this write the section reads
    // exactly as given, wherever it is looked up.
    for (std::size_t m = matches.size(); m-- > 1;) {
        const Section& dup = sections_[matches[m]];
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(dup.header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(dup.end));
    }
    // The first copy lies before every removed one: its positions still hold.
    const bool hadTail = to < lines_.size();
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.begin() + static_cast<std::ptrdiff_t>(to));
    if (from > 0 && lines_[from - 1].eol.empty() && (!texts.empty() || hadTail)) lines_[from - 1].eol = eol_;
    std::vector<Line> added;
    for (std::string& t : texts) added.push_back(Line {std::move(t), eol_});
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(from), added.begin(), added.end());
    Reindex();
    return true;
}

// ---------------------------------------------------------------------------
// TIniFile
// ---------------------------------------------------------------------------

TIniFile::TIniFile(fs::path fileName) : fileName_(std::move(fileName)) {}

namespace {

int gBatchDepth = 0;

std::vector<TIniFile*>& PendingFiles()
{
    static std::vector<TIniFile*> files;
    return files;
}

}  // namespace

TIniFile::TIniFile(const TIniFile& other)
    : fileName_(other.fileName_), afterWrite_(other.afterWrite_), cached_(other.cached_),
      cacheRacy_(other.cacheRacy_), cachedStamp_(other.cachedStamp_), cachedBytes_(other.cachedBytes_),
      cachedDoc_(other.cachedDoc_)
{
    // A copy sees the pending changes of the original (while the file is
    // unchanged) but leaves writing them to the original.
}

TIniFile::~TIniFile()
{
    if (!pending_) return;
    try {
        FlushPending();
    } catch (const std::exception& e) {
        ReportHandler()(e.what());
    }
}

void TIniFile::FlushPending()
{
    if (!pending_) return;
    pending_ = false;
    auto& files = PendingFiles();
    files.erase(std::remove(files.begin(), files.end(), this), files.end());
    Save(cachedDoc_);
    if (afterWrite_) afterWrite_();
}

IniWriteBatch::IniWriteBatch() { ++gBatchDepth; }

IniWriteBatch::~IniWriteBatch()
{
    if (open_) {
        try {
            Commit();
        } catch (const std::exception& e) {
            ReportHandler()(e.what());
        }
    }
}

void IniWriteBatch::Commit()
{
    if (!open_) return;
    open_ = false;
    if (--gBatchDepth > 0) return;
    // Every file is written even when one fails; the first failure is told.
    std::string firstError;
    while (!PendingFiles().empty()) {
        TIniFile* file = PendingFiles().front();
        try {
            file->FlushPending();
        } catch (const std::exception& e) {
            if (firstError.empty()) firstError = e.what();
        }
    }
    if (!firstError.empty()) throw EIniFileError(firstError);
}

void TIniFile::SetReportHandler(std::function<void(const std::string&)> handler)
{
    ReportHandlerSet() = static_cast<bool>(handler);
    ReportHandler() = handler ? std::move(handler) : [](const std::string& message) { std::cerr << message << '\n'; };
}

bool TIniFile::ReportHandlerInstalled() { return ReportHandlerSet(); }

const IniDocument* TIniFile::Refresh(std::string* error) const
{
    // Changes waiting for the end of a batch are the settings as they stand.
    if (pending_) return &cachedDoc_;
    const FileStamp stamp = StatFileStamp(fileName_);
    if (cached_ && stamp == cachedStamp_ && !cacheRacy_) return &cachedDoc_;
    if (!stamp.exists) {
        cached_ = true;
        cacheRacy_ = false;
        cachedStamp_ = stamp;
        cachedBytes_.clear();
        cachedDoc_ = IniDocument();
        return &cachedDoc_;
    }
    std::string bytes;
    if (!ReadFileBounded(fileName_, bytes, error)) {
        cached_ = false;  // unreadable: look again next time
        return nullptr;
    }
    if (!IsReadableTextFile(bytes)) {
        // Read as Windows-1252 it would give nothing, and the lines a write
        // adds would make it a file of two encodings.
        if (error) *error = UnreadableEncodingMessage(fileName_);
        cached_ = false;
        return nullptr;
    }
    // Same bytes as cached (a file just written, or touched): keep the parsed
    // copy, which also keeps the encoding of a file that became pure ASCII.
    const bool sameText = cached_ && bytes == cachedBytes_;
    cachedStamp_ = stamp;
    cacheRacy_ = FileStampIsRacy(stamp, RealtimeNowNs());
    if (!sameText) {
        cachedDoc_ = IniDocument::Parse(bytes);
        cachedBytes_ = std::move(bytes);
    }
    cached_ = true;
    return &cachedDoc_;
}

namespace {

// The files whose refusal the user has been told, until they read again.
std::set<std::string>& RefusalsTold()
{
    static std::set<std::string> told;
    return told;
}

}  // namespace

const IniDocument& TIniFile::Current() const
{
    static const IniDocument kEmpty;
    std::string error;
    const IniDocument* doc = Refresh(&error);
    if (doc) {
        if (!RefusalsTold().empty()) RefusalsTold().erase(PathText(fileName_));
        return *doc;
    }
    if (RefusalsTold().insert(PathText(fileName_)).second) ReportHandler()(error);
    return kEmpty;
}

std::string TIniFile::Refusal() const
{
    std::string error;
    if (Refresh(&error)) return {};
    RefusalsTold().insert(PathText(fileName_));
    return error;
}

void TIniFile::RequireReadable() const { LoadForWrite(); }

IniDocument TIniFile::LoadForWrite() const
{
    std::string error;
    const IniDocument* doc = Refresh(&error);
    if (!doc) {
        // The message of the failed write tells it.
        RefusalsTold().insert(PathText(fileName_));
        throw EIniFileError("Impossible d'enregistrer les réglages dans « " + PathText(fileName_) +
                            " » sans perdre son contenu. " + error);
    }
    return *doc;
}

void TIniFile::Save(const IniDocument& doc)
{
    std::size_t unmapped = 0;
    const std::string bytes = doc.Serialize(&unmapped);
    try {
        // Symbolic links are followed: a linked settings file is updated,
        // not replaced by a plain file.
        SafeTempFile temp(fileName_);
        temp.Write(bytes);
        temp.Commit();
    } catch (const EFileError& e) {
        throw EIniFileError(WriteErrorMessage(fileName_, e.Error()));
    }

    // The cache is the file as written. A file that holds only ASCII after
    // this write still has the encoding it had: the next write through this
    // object must not change it.
    const TextEncoding encoding = doc.encoding_;
    if (unmapped > 0) {
        // Characters written as "?" read back as "?".
        cachedDoc_ = IniDocument::Parse(bytes);
    } else if (&doc != &cachedDoc_) {
        cachedDoc_ = doc;
    }
    cachedDoc_.encoding_ = encoding;
    cachedBytes_ = bytes;
    cachedStamp_ = StatFileStamp(fileName_);
    cacheRacy_ = FileStampIsRacy(cachedStamp_, RealtimeNowNs());
    cached_ = true;

    // Once per file and run is enough: the names that cannot be held (a
    // folder, a recent file) are written again and again during a run.
    static std::set<std::string> told;
    if (unmapped > 0 && told.insert(PathText(fileName_)).second) {
        ReportHandler()("Des caractères sans équivalent dans l'encodage du fichier « " + PathText(fileName_) +
                        " » y ont été écrits sous la forme « ? ».");
    }
}

void TIniFile::Modify(const std::function<bool(IniDocument&)>& change)
{
    if (gBatchDepth > 0) {
        // Inside a batch the change goes to this object's copy, written once
        // when the batch ends.
        if (!pending_) LoadForWrite();  // refuses a file it could not read back whole
        if (!change(cachedDoc_)) return;
        if (!pending_) {
            pending_ = true;
            PendingFiles().push_back(this);
        }
        return;
    }
    IniDocument doc = LoadForWrite();
    if (!change(doc)) return;
    Save(doc);
    if (afterWrite_) afterWrite_();
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const std::string* v = Current().FindValue(section, key);
    return v ? *v : std::string(defaultValue);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const
{
    std::string text = ReadString(section, key, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    return StrToIntDef(text, defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const
{
    const std::string text = ReadString(section, key, "");
    if (text.empty()) return defaultValue;
    return TryStrToFloat(text).value_or(defaultValue);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    Modify([&](IniDocument& doc) { return doc.SetValue(section, key, value); });
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(std::string_view section, std::string_view key, double value)
{
    WriteString(section, key, FloatToStr(value));
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const { return Current().SectionKeys(section); }

std::vector<std::string> TIniFile::ReadSections() const { return Current().SectionNames(); }

std::vector<std::string> TIniFile::ReadSectionValues(std::string_view section) const
{
    return Current().SectionValues(section);
}

std::vector<std::string> TIniFile::ReadSectionLines(std::string_view section) const
{
    return Current().SectionLines(section);
}

bool TIniFile::SectionExists(std::string_view section) const { return !Current().SectionKeys(section).empty(); }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    const std::string folded = Fold(key);
    for (const std::string& k : Current().SectionKeys(section))
        if (Fold(k) == folded) return true;
    return false;
}

void TIniFile::EraseSection(std::string_view section)
{
    Modify([&](IniDocument& doc) { return doc.EraseSection(section); });
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    Modify([&](IniDocument& doc) { return doc.DeleteKey(section, key); });
}

void TIniFile::WriteSection(std::string_view section, const std::vector<std::string>& lines)
{
    Modify([&](IniDocument& doc) { return doc.ReplaceSection(section, lines); });
}

std::string TIniFile::ReadText() const
{
    Current();
    return cached_ ? DecodeTextFile(cachedBytes_) : std::string();
}
