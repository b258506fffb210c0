#include "exchange/fixed_width_import.h"
#include "exchange/import_rows.h"
#include "platform/base/safe_files.h"

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/numbers.h"
#include "store/options.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr int EndOfData = -1;

// The data file's bytes, read through one fixed buffer so that a file of any
// size costs the same memory; or a text already in memory.
class DataReader {
public:
    explicit DataReader(std::string_view memory)
        : p_(reinterpret_cast<const unsigned char*>(memory.data())), end_(p_ + memory.size()),
          size_(memory.size())
    {
    }
    DataReader(std::FILE* file, std::uint64_t size, OracleImportObserver* observer)
        : file_(file), size_(size), observer_(observer), buffer_(1u << 20)
    {
    }
    ~DataReader()
    {
        if (file_)
            std::fclose(file_);
    }
    DataReader(const DataReader&) = delete;
    DataReader& operator=(const DataReader&) = delete;

    int Get()
    {
        if (p_ == end_ && !Refill())
            return EndOfData;
        return *p_++;
    }
    int Peek()
    {
        if (p_ == end_ && !Refill())
            return EndOfData;
        return *p_;
    }
    // Bulk access: true when at least one byte is buffered (refilling when
    // needed); the bytes from Cursor() to Cursor() + Available() may be read
    // and then passed over with Advance().
    bool Ensure() { return p_ != end_ || Refill(); }
    const unsigned char* Cursor() const { return p_; }
    std::size_t Available() const { return static_cast<std::size_t>(end_ - p_); }
    void Advance(std::size_t n) { p_ += n; }
    // Bytes consumed so far.
    std::uint64_t Position() const { return consumedBefore_ + static_cast<std::uint64_t>(p_ - bufferStart_); }
    std::uint64_t Size() const { return size_; }

private:
    bool Refill()
    {
        if (!file_)
            return false;
        consumedBefore_ += static_cast<std::uint64_t>(end_ - bufferStart_);
        std::size_t n = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        bufferStart_ = p_ = reinterpret_cast<const unsigned char*>(buffer_.data());
        end_ = p_ + n;
        if (observer_)
            observer_->Progress(consumedBefore_, size_);
        if (n == 0 && std::ferror(file_))
            throw EOracleImportError("Erreur de lecture du fichier de données", 0, 0);
        return n > 0;
    }

    std::FILE* file_ = nullptr;
    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;
    const unsigned char* bufferStart_ = p_;
    std::uint64_t consumedBefore_ = 0;
    std::uint64_t size_ = 0;
    OracleImportObserver* observer_ = nullptr;
    std::vector<char> buffer_;
};

bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

// A character of a message: "#13" below 32, else between double quotes.
std::string ShowChar(char32_t c)
{
    if (c < 32)
        return "#" + IntToStr(static_cast<std::int64_t>(c));
    std::string out = "\"";
    AppendUtf8(out, c);
    out += '"';
    return out;
}

std::string BytesToText(std::string_view bytes)
{
    for (unsigned char b : bytes)
        if (b >= 0x80)
            return Cp1252ToUtf8(bytes);
    return std::string(bytes);
}

std::string_view TrimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// "niveau" gives "Niveau\": where the main filter's fields go while that
// sub-filter is current.
std::string SubFilterPrefix(const std::string& name)
{
    std::u32string text = Utf8ToU32(LowerCase(name));
    if (!text.empty())
        text[0] = UpperChar(text[0]);
    return U32ToUtf8(text) + "\\";
}

bool IsFiller(const TFilterField& f) { return f.FieldName == "."; }
bool CarriesValue(const TFilterField& f) { return !f.IsKey && !f.IsSelector && !IsFiller(f); }

// One value a record carries: a main field (under the sub-filter's prefix) or a
// field of the sub-filter, in the order the record adds them.
struct ValueSlot {
    bool inSub = false;
    std::size_t field = 0;             // index in its filter
    std::string name;                  // the block's path in the record
    std::vector<std::string> segments; // the path's names
    // False when an earlier value of the record takes the name, or one of the
    // names the path runs through: the record refuses such a value.
    bool accepted = true;
    // The value's table (its path less the last name) may be the borehole's
    // own, as "Dossier": the record brings no designation for it and the
    // table's definitions name none. It is, unless the borehole's table has a
    // "Désign" column.
    bool ownable = false;
    // The value's table is a record sheet with a designation, as "Ouvrage",
    // and the record brings the designation: a record of an ouvrage already
    // there writes into its row the values it gives.
    bool sheet = false;
    // The slot of the record's designation for that table (sheet only).
    std::size_t designSlot = 0;
    std::string table;
};

// The state of one sub-filter (or of none) for the records that select it.
struct SubFilter {
    std::string name;
    TFiltre fields;
    bool missing = false;
    std::vector<int> separatorBytes; // each field's separator as a data byte
    std::vector<ValueSlot> slots;
};

// A value read for a slot, waiting for the record's key.
struct PendingValue {
    char kind = 'S'; // S text, I integer, F double
    std::int32_t intValue = 0;
    double floatValue = 0.0;
    std::string text;
};

bool PathsCollide(const std::string& a, const std::string& b)
{
    auto under = [](const std::string& shorter, const std::string& longer) {
        return longer.size() > shorter.size() && longer.compare(0, shorter.size(), shorter) == 0
            && longer[shorter.size()] == '\\';
    };
    return a == b || under(a, b) || under(b, a);
}

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = path.find('\\', start);
        parts.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            return parts;
        start = slash + 1;
    }
}

// The children of the collection's root by name, first of a name only, so that
// each record finds its borehole at once however many there are. Open
// addressing over (hash, block) pairs: one probe run in one array, and the
// names are those of the blocks themselves (the import renames nothing).
class BoreholeIndex {
public:
    void Reserve(std::size_t count)
    {
        std::size_t size = 16;
        while (size < count * 2)
            size *= 2;
        if (size > slots_.size())
            Rehash(size);
    }
    TBlock* Find(std::string_view name) const { return Find(name, Hash(name)); }
    // Adds the block unless a block of its name is known already.
    void Add(TBlock* block)
    {
        const std::size_t h = Hash(block->Name);
        if (Find(block->Name, h))
            return;
        if ((count_ + 1) * 2 > slots_.size())
            Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        Place(h, block);
        ++count_;
    }

private:
    struct Slot {
        std::size_t hash = 0;
        TBlock* block = nullptr;
    };
    static std::size_t Hash(std::string_view name) { return std::hash<std::string_view>{}(name); }
    TBlock* Find(std::string_view name, std::size_t h) const
    {
        if (slots_.empty())
            return nullptr;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (!slot.block)
                return nullptr;
            if (slot.hash == h && slot.block->Name == name)
                return slot.block;
        }
    }
    void Place(std::size_t h, TBlock* block)
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = h & mask;
        while (slots_[i].block)
            i = (i + 1) & mask;
        slots_[i] = Slot{h, block};
    }
    void Rehash(std::size_t size)
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(size, Slot{});
        for (const Slot& slot : old)
            if (slot.block)
                Place(slot.hash, slot.block);
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

enum class FieldEnd { Full, LineEnd, EndOfFile };

class OracleImporter {
public:
    OracleImporter(DataReader& reader, TDirBlock* root, std::string_view filterText, TFiltre mainFilter,
                   OracleImportReport& report)
        : in_(reader), root_(root), filterText_(filterText), main_(std::move(mainFilter)), report_(report),
          singleTube_(FilterSingleTubeName())
    {
        for (const TFilterField& f : main_) {
            selectorNames_.push_back(f.IsSelector ? SelectorNames(f) : std::vector<std::string>{});
            mainSeparatorBytes_.push_back(SeparatorByte(f.Separator));
        }
        BuildSlots(noSub_, "");
        // Room for as many boreholes as the file can hold records, within reason.
        std::uint64_t recordBytes = 1;
        for (const TFilterField& f : main_)
            recordBytes += static_cast<std::uint64_t>(f.Width) + (f.Separator != FilterSeparatorNone ? 1 : 0);
        keys_.Reserve(static_cast<std::size_t>(root_->ItemCount())
                      + static_cast<std::size_t>(std::min<std::uint64_t>(in_.Size() / recordBytes, 1u << 18)));
        for (int i = 0; i < root_->ItemCount(); ++i)
            keys_.Add(root_->Child(i));
    }

    void Run()
    {
        while (ReadRecord()) {
        }
    }

    // Merges every record through a record directory, as the block store
    // merges directories: the plain way, against which tests check the
    // direct merge.
    void UseRecordDirectories() { referenceMerge_ = true; }

private:
    static int SeparatorByte(char32_t sep)
    {
        if (sep == FilterSeparatorNone || sep == FilterSeparatorLineEnd)
            return -1;
        return CodePointToCp1252(sep);
    }

    std::int64_t LineNumber() const { return line_; }

    // Completes a line end whose first character c was just read: a CR LF
    // pair is one line end, so that its LF never ends the next field.
    void EndLine(int c)
    {
        if (c == '\r' && in_.Peek() == '\n')
            in_.Get();
        ++line_;
    }

    // Reads up to Width characters of a field into raw_; a line end ends it
    // early. Runs of ordinary bytes are taken from the buffer at once.
    FieldEnd ReadFieldText(std::int32_t width)
    {
        raw_.clear();
        std::size_t left = static_cast<std::size_t>(width);
        while (left > 0) {
            if (!in_.Ensure())
                return FieldEnd::EndOfFile;
            const unsigned char* p = in_.Cursor();
            const std::size_t n = std::min(left, in_.Available());
            std::size_t i = 0;
            while (i < n && p[i] != '\r' && p[i] != '\n')
                ++i;
            raw_.append(reinterpret_cast<const char*>(p), i);
            in_.Advance(i);
            left -= i;
            if (i < n) {
                EndLine(in_.Get());
                return FieldEnd::LineEnd;
            }
        }
        return FieldEnd::Full;
    }

    void SkipRestOfLine()
    {
        while (in_.Ensure()) {
            const unsigned char* p = in_.Cursor();
            const std::size_t n = in_.Available();
            std::size_t i = 0;
            while (i < n && p[i] != '\r' && p[i] != '\n')
                ++i;
            in_.Advance(i);
            if (i < n) {
                EndLine(in_.Get());
                return;
            }
        }
    }

    // Reads one field and what follows it. Returns how the field ended; a
    // line end met where a separator character was due counts as the line
    // ending the field (a data line may stop short after any field).
    FieldEnd ReadField(TFilterField& f, int separatorByte, bool inSubFilter)
    {
        FieldEnd end = ReadFieldText(f.Width);
        f.ReadText = BytesToText(raw_);
        if (end != FieldEnd::Full)
            return end;
        if (f.Separator == FilterSeparatorNone)
            return end;
        if (f.Separator == FilterSeparatorLineEnd) {
            SkipRestOfLine();
            return end;
        }
        int c = in_.Get();
        if (c == EndOfData)
            return FieldEnd::EndOfFile;
        if (IsLineEnd(c)) {
            EndLine(c);
            return FieldEnd::LineEnd;
        }
        if (c != separatorByte) {
            throw EOracleImportError(
                std::string(inSubFilter ? "Sous-filtre" : "Filre") + ": erreur de longueur de champ (" + f.FieldName
                    + ")\nChamp trouvé : \"" + f.ReadText + "\"\nCaractère attendu : " + ShowChar(f.Separator)
                    + "\nCaractère trouvé : " + ShowChar(Cp1252ToCodePoint(static_cast<unsigned char>(c))),
                LineNumber(), record_);
        }
        return end;
    }

    // Makes the sub-filter named by a selector's value current.
    void Select(const TFilterField& f, const std::vector<std::string>& accepted)
    {
        std::string value(TrimSpaces(f.ReadText));
        bool ok = false;
        for (const std::string& name : accepted)
            if (name == value) {
                ok = true;
                break;
            }
        if (!ok)
            throw EOracleImportError("Nom de sous-filtre incorrect (" + value + ")\n"
                                         "Les sous-filtres acceptés ici sont :\n"
                                         + f.FieldName,
                                     LineNumber(), record_);
        if (value.empty()) {
            sub_ = &noSub_;
            return;
        }
        if (sub_ != &noSub_ && sub_->name == value)
            return;
        auto it = subFilters_.find(value);
        if (it == subFilters_.end()) {
            auto loaded = std::make_unique<SubFilter>();
            loaded->name = value;
            if (!ParseFilter(filterText_, loaded->fields, value, true, singleTube_)) {
                // Said once per import, not at every record that selects it.
                loaded->missing = true;
                report_.MissingSubFilters.push_back(value);
                report_.AddNote(MissingFilterMessage(value) + " (sous-filtre)");
            }
            for (const TFilterField& s : loaded->fields)
                loaded->separatorBytes.push_back(SeparatorByte(s.Separator));
            BuildSlots(*loaded, SubFilterPrefix(value));
            it = subFilters_.emplace(value, std::move(loaded)).first;
        }
        sub_ = it->second.get();
    }

    void BuildSlots(SubFilter& sub, const std::string& prefix)
    {
        auto add = [&](bool inSub, std::size_t i, std::string name) {
            ValueSlot slot;
            slot.inSub = inSub;
            slot.field = i;
            slot.name = std::move(name);
            slot.segments = SplitPath(slot.name);
            for (const ValueSlot& earlier : sub.slots)
                if (earlier.accepted && PathsCollide(earlier.name, slot.name))
                    slot.accepted = false;
            sub.slots.push_back(std::move(slot));
        };
        for (std::size_t i = 0; i < main_.size(); ++i)
            if (CarriesValue(main_[i]))
                add(false, i, prefix + main_[i].FieldName);
        for (std::size_t i = 0; i < sub.fields.size(); ++i)
            if (CarriesValue(sub.fields[i]))
                add(true, i, sub.fields[i].FieldName);
        const TDirBlock noBorehole("");
        for (ValueSlot& slot : sub.slots) {
            const std::size_t cut = slot.name.rfind('\\');
            slot.table = cut == std::string::npos ? std::string() : slot.name.substr(0, cut);
            bool bringsDesign = false;
            for (const ValueSlot& other : sub.slots)
                bringsDesign = bringsDesign || (other.accepted && other.name == slot.table + "\\" + kImportDesign);
            slot.ownable = !slot.table.empty()
                && IsBoreholeOwnTable(noBorehole, slot.table, EditionSectionLines(slot.table), bringsDesign);
            if (bringsDesign && std::find(sheets_.begin(), sheets_.end(), slot.table) != sheets_.end()) {
                slot.sheet = true;
                for (std::size_t k = 0; k < sub.slots.size(); ++k)
                    if (sub.slots[k].accepted && sub.slots[k].name == slot.table + "\\" + kImportDesign)
                        slot.designSlot = k;
            }
        }
        if (pending_.size() < sub.slots.size())
            pending_.resize(sub.slots.size());
    }

    // The value of a field's text by its type letter; counts the number texts
    // that do not read (they are stored as missing values).
    void Convert(const TFilterField& f, PendingValue& v)
    {
        std::string_view text = TrimView(f.ReadText);
        switch (f.DataType) {
        case 'I':
        case 'N':
            v.kind = 'I';
            v.intValue = MissingInt;
            if (!text.empty()) {
                std::int32_t read = StrToIntVal(text);
                if (LastValError == 0)
                    v.intValue = read;
                else
                    Unreadable(f, text, "un nombre entier");
            }
            break;
        case 'F':
        case 'R':
            v.kind = 'F';
            v.floatValue = MissingFloat;
            if (!text.empty()) {
                double read = StrToFloatVal(text);
                if (LastValError == 0)
                    v.floatValue = read;
                else
                    Unreadable(f, text, "un nombre");
            }
            break;
        default:
            v.kind = 'S';
            v.text.assign(text);
            break;
        }
    }

    // Said by line, field and value, so that the user finds what is missing.
    void Unreadable(const TFilterField& f, std::string_view text, const char* what)
    {
        ++report_.UnreadableNumbers;
        report_.AddNote("Ligne " + IntToStr(recordLine_) + ", champ " + f.FieldName + " : \"" + std::string(text)
                        + "\" n'est pas " + what + ", importé comme valeur manquante");
    }

    static std::unique_ptr<TBlock> MakeBlock(const PendingValue& v, const std::string& name)
    {
        if (v.kind == 'I')
            return std::make_unique<TIntBlock>(name, v.intValue);
        if (v.kind == 'F')
            return std::make_unique<TFloatBlock>(name, v.floatValue);
        return std::make_unique<TStrBlock>(name, v.text);
    }

    // The record directory of the values read, built as the record adds its
    // blocks one by one. Counts the values it holds in `values`.
    std::unique_ptr<TDirBlock> BuildRecord(const SubFilter& sub, const std::string& key, int& values)
    {
        auto record = std::make_unique<TDirBlock>(key);
        values = 0;
        for (std::size_t k = 0; k < pendingCount_; ++k) {
            // A second field of the same name in one record is refused and
            // freed, and so is a field whose path runs through a value.
            try {
                if (record->AddChild(MakeBlock(pending_[k], sub.slots[k].name), false))
                    ++values;
            } catch (const EBlockError&) {
            }
        }
        return record;
    }

    // Appends the record's values to its borehole (a new one starts empty)
    // without building the record: the same result as merging the record
    // directory, without its allocations, for the many records of a file.
    void MergeDirect(TDirBlock& borehole, const SubFilter& sub)
    {
        FindSheetRows(borehole, sub);
        NoteRows(borehole, sub);
        for (std::size_t k = 0; k < pendingCount_; ++k) {
            const ValueSlot& slot = sub.slots[k];
            if (!slot.accepted)
                continue;
            const PendingValue& v = pending_[k];
            TDirBlock* dir = &borehole;
            bool lost = false;
            for (std::size_t s = 0; s + 1 < slot.segments.size(); ++s) {
                int idx = dir->IndexOfName(slot.segments[s]);
                if (idx < 0) {
                    auto made = std::make_unique<TDirBlock>(slot.segments[s]);
                    TDirBlock* next = made.get();
                    dir->AddChild(std::move(made), true);
                    dir = next;
                } else if (TDirBlock* existing = dir->ChildDir(idx)) {
                    dir = existing;
                } else {
                    lost = true;
                    break;
                }
            }
            if (lost) {
                ++report_.LostValues;
                continue;
            }
            const std::string& last = slot.segments.back();
            if (slot.ownable && dir->IndexOfName(kImportDesign) < 0) {
                MergeAt(*dir, MakeBlock(v, last), 0, AgainLabel(slot.table));
                continue;
            }
            if (const int row = SheetRow(slot.table); slot.sheet && row >= 0) {
                MergeAt(*dir, MakeBlock(v, last), row, AgainLabel(slot.table));
                continue;
            }
            int idx = dir->IndexOfName(last);
            if (idx < 0) {
                dir->AddChild(MakeBlock(v, last), true);
                continue;
            }
            {
                TBlock* column = dir->Child(idx);
                if (v.kind == 'I' && column->BlockType() == btIntArray) {
                    static_cast<TIntArrayBlock*>(column)->Items.push_back(v.intValue);
                    continue;
                }
                if (v.kind == 'F' && column->BlockType() == btFloatArray) {
                    static_cast<TFloatArrayBlock*>(column)->Items.push_back(v.floatValue);
                    continue;
                }
                if (v.kind == 'S' && column->BlockType() == btStringArray) {
                    static_cast<TStrArrayBlock*>(column)->Append(v.text);
                    continue;
                }
            }
            if (!dir->MergeChild(MakeBlock(v, last)))
                ++report_.LostValues;
        }
        KeepRows();
    }

    // Reads one record and merges it. False once the end of the file is met
    // before a record starts.
    bool ReadRecord()
    {
        // Empty lines between records (and at the end of the file) carry
        // nothing: pass over them rather than read them as records.
        for (;;) {
            int c = in_.Peek();
            if (!IsLineEnd(c))
                break;
            in_.Get();
            EndLine(c);
            ++report_.BlankLines;
        }
        // Old DOS and Windows tools end a text file with Ctrl-Z: it starts no record.
        if (in_.Peek() == EndOfData || in_.Peek() == 0x1A)
            return false;

        ++record_;
        ++report_.Records;
        const std::uint64_t start = in_.Position();
        const std::int64_t startLine = line_;
        recordLine_ = line_;
        pendingCount_ = 0;
        for (TFilterField& f : main_)
            f.ReadText.clear();

        // While a data line has ended early, the fields up to the one that ends
        // the filter's line are passed over with empty texts.
        bool skipping = false;
        bool atEnd = false;
        for (std::size_t i = 0; i < main_.size(); ++i) {
            TFilterField& f = main_[i];
            if (skipping) {
                if (f.IsSelector)
                    Select(f, selectorNames_[i]);
                if (f.Separator == FilterSeparatorLineEnd)
                    skipping = false;
                continue;
            }
            FieldEnd end = ReadField(f, mainSeparatorBytes_[i], false);
            if (f.IsSelector)
                Select(f, selectorNames_[i]);
            if (end == FieldEnd::EndOfFile) {
                atEnd = true;
                break;
            }
            if (end == FieldEnd::LineEnd)
                skipping = f.Separator != FilterSeparatorLineEnd;
        }

        SubFilter* sub = sub_;
        for (const ValueSlot& slot : sub->slots)
            if (!slot.inSub)
                Convert(main_[slot.field], pending_[pendingCount_++]);

        if (sub != &noSub_) {
            // A short line must not leave the previous record's texts behind.
            for (TFilterField& f : sub->fields)
                f.ReadText.clear();
            if (!atEnd) {
                const std::vector<int>& sepBytes = sub->separatorBytes;
                for (std::size_t i = 0; i < sub->fields.size(); ++i) {
                    TFilterField& f = sub->fields[i];
                    if (skipping) {
                        if (f.Separator == FilterSeparatorLineEnd)
                            skipping = false;
                    } else {
                        FieldEnd end = ReadField(f, sepBytes[i], true);
                        if (end == FieldEnd::EndOfFile)
                            break;
                        if (end == FieldEnd::LineEnd)
                            skipping = f.Separator != FilterSeparatorLineEnd;
                    }
                    if (CarriesValue(f))
                        Convert(f, pending_[pendingCount_++]);
                }
            }
        }

        if (in_.Position() == start)
            // A filter whose fields read nothing would read this record forever.
            throw EOracleImportError("Le filtre \"" + report_.FilterName
                                         + "\" ne lit aucun caractère de l'enregistrement " + IntToStr(record_)
                                         + ".\nL'importation est arrêtée.",
                                     LineNumber(), record_);

        Finish(*sub, startLine);
        return !atEnd;
    }

    void DropWithoutValue(std::int64_t startLine)
    {
        ++report_.DroppedNoValue;
        report_.AddNote("Enregistrement " + IntToStr(record_) + " (ligne " + IntToStr(startLine)
                        + ") sans valeur : ignoré");
    }

    void Finish(const SubFilter& sub, std::int64_t startLine)
    {
        std::string key;
        for (const TFilterField& f : main_)
            if (f.IsKey)
                key += f.ReadText;
        for (const TFilterField& f : sub.fields)
            if (f.IsKey)
                key += f.ReadText;
        key = std::string(TrimSpaces(key));

        auto where = [&] { return "ligne " + IntToStr(startLine); };
        if (key.empty()) {
            ++report_.DroppedNoKey;
            report_.AddNote("Enregistrement " + IntToStr(record_) + " (" + where() + ") sans clé : ignoré");
            return;
        }
        // A borehole's name is one element of a block path: a backslash would
        // split it. A slash is kept, as the store keeps it. Every key goes
        // through the names of the run, so that a key landing in the borehole
        // that a renamed one made ("A_B" after "A\B") is named as well.
        {
            const std::int64_t before = report_.RenamedKeys;
            std::vector<std::string> merged;
            std::string renamed = (report_.Names ? *report_.Names : names_)
                                      .Name(*root_, key, report_.RenamedKeys, merged);
            if (report_.RenamedKeys != before)
                report_.AddNote("Clé \"" + key + "\" (" + where() + ") enregistrée sous le nom \"" + renamed + "\"");
            report_.MergedKeys += static_cast<std::int64_t>(merged.size());
            for (std::string& note : merged)
                report_.AddNote(std::move(note));
            key = std::move(renamed);
        }
        TBlock* known = keys_.Find(key);
        if (!referenceMerge_ && (!known || known->IsDir())) {
            std::size_t accepted = 0;
            for (std::size_t k = 0; k < pendingCount_; ++k)
                accepted += sub.slots[k].accepted ? 1 : 0;
            if (accepted == 0) {
                DropWithoutValue(startLine);
                return;
            }
            TDirBlock* borehole;
            if (!known) {
                auto made = std::make_unique<TDirBlock>(key);
                borehole = made.get();
                root_->AddChild(std::move(made), true);
                keys_.Add(borehole);
                ++report_.NewBoreholes;
            } else {
                borehole = static_cast<TDirBlock*>(known);
            }
            MergeDirect(*borehole, sub);
            ++report_.Merged;
            return;
        }

        int values = 0;
        std::unique_ptr<TDirBlock> record = BuildRecord(sub, key, values);
        if (values == 0) {
            DropWithoutValue(startLine);
            return;
        }
        if (!known) {
            TDirBlock* added = record.get();
            if (!root_->AddChild(std::move(record), true))
                return;
            FindSheetRows(*added, sub);
            NoteRows(*added, sub);
            KeepRows();
            keys_.Add(added);
            ++report_.NewBoreholes;
            ++report_.Merged;
            return;
        }
        if (!known->IsDir()) {
            ++report_.NotMerged;
            report_.AddNote("Enregistrement " + IntToStr(record_) + " (" + where() + ") : \"" + key
                            + "\" désigne une valeur de la collection, pas un ouvrage : ignoré");
            return;
        }
        MergeInto(*static_cast<TDirBlock*>(known), *record, sub);
        KeepRows();
        ++report_.Merged;
    }

    static std::int64_t CountValues(const TBlock& b)
    {
        if (!b.IsDir())
            return b.IsValue() ? 1 : 0;
        std::int64_t n = 0;
        for (const auto& child : static_cast<const TDirBlock&>(b).Items())
            n += CountValues(*child);
        return n;
    }

    // The rows of the record sheets (as "Ouvrage") that the record's ouvrage
    // has in the borehole, by the designation it brings: one look through the
    // sheet's designations, before the record is merged.
    void FindSheetRows(const TDirBlock& borehole, const SubFilter& sub)
    {
        sheetRows_.clear();
        for (std::size_t k = 0; k < pendingCount_ && k < sub.slots.size(); ++k) {
            const ValueSlot& slot = sub.slots[k];
            if (!slot.sheet || !slot.accepted || SheetRow(slot.table) != -2) continue;
            const PendingValue& design = pending_[slot.designSlot];
            const TDirBlock* table = borehole.FindDir(slot.table);
            // A blank designation is the ouvrage without one: it too has its row.
            int row = -1;
            if (table && (design.kind == 'S' || !ImportValueGiven(design.text)))
                row = table->IndexOfPathString(kImportDesign, ImportValueGiven(design.text) ? design.text : "");
            sheetRows_.emplace_back(slot.table, row);
        }
    }
    // -1: the ouvrage has no row there (the record adds one); -2: not a sheet.
    int SheetRow(const std::string& table) const
    {
        for (const auto& [name, row] : sheetRows_)
            if (name == table)
                return row;
        return -2;
    }

    // The rows this record writes in place (a borehole's own table, an
    // ouvrage's row of a record sheet), each once, by borehole, table and
    // ouvrage; those an earlier record of the file wrote are kept in
    // againRows_ with the ouvrage's name. Before the record is merged, after
    // FindSheetRows.
    void NoteRows(const TDirBlock& borehole, const SubFilter& sub)
    {
        againRows_.clear();
        rowKeys_.clear();
        for (std::size_t k = 0; k < pendingCount_ && k < sub.slots.size(); ++k) {
            const ValueSlot& slot = sub.slots[k];
            if (!slot.accepted || slot.table.empty())
                continue;
            // Most values (levels, casing...) append rows: nothing to note,
            // and nothing built for them.
            bool own = false;
            if (slot.ownable) {
                const TDirBlock* table = borehole.FindDir(slot.table);
                own = !(table && table->IndexOfName(kImportDesign) >= 0);
            }
            if (!own && !(slot.sheet && SheetRow(slot.table) != -2))
                continue;
            std::string key = borehole.Name + '\n' + slot.table + '\n', label = borehole.Name;
            if (own) {
                key += '\n';
            } else {
                const PendingValue& design = pending_[slot.designSlot];
                const bool named = design.kind == 'S' && ImportValueGiven(design.text);
                key += named ? design.text : std::string();
                label += named ? " (d\xC3\xA9signation " + design.text + ")" : std::string(" (sans d\xC3\xA9signation)");
            }
            if (std::find(rowKeys_.begin(), rowKeys_.end(), key) != rowKeys_.end())
                continue;
            if (written_.count(key))
                againRows_.emplace_back(slot.table, std::move(label));
            rowKeys_.push_back(std::move(key));
        }
    }
    const std::string* AgainLabel(const std::string& table) const
    {
        for (const auto& [name, label] : againRows_)
            if (name == table)
                return &label;
        return nullptr;
    }
    // After the record is merged: its rows are the file's from now on.
    void KeepRows()
    {
        for (std::string& key : rowKeys_)
            written_.insert(std::move(key));
        rowKeys_.clear();
        againRows_.clear();
    }

    // A value of a borehole's own table goes to its one row, and a value of a
    // record sheet to the ouvrage's row: a new column takes it as it is (the
    // rows above it missing); an existing one takes it in place of its
    // element when it gives something (a text not blank, a number not
    // missing) and is of the column's kind, else keeps what it holds.
    // `again`: the ouvrage's name when an earlier record of the file wrote
    // this row; a value it gave that this one replaces names the ouvrage.
    void MergeAt(TDirBlock& table, std::unique_ptr<TBlock> value, int row, const std::string* again)
    {
        const int idx = table.IndexOfName(value->Name);
        const std::uint8_t kind = value->BlockType();
        if (idx < 0) {
            if (row == 0)
                table.AddChild(std::move(value), true);
            else if (kind == btInt)
                table.SetPathInt(value->Name, row, btInt, value->GetInt(0));
            else if (kind == btFloat)
                table.SetPathFloat(value->Name, row, btFloat, value->GetFloat(0));
            else
                table.SetPathString(value->Name, row, btString, value->GetString(0));
            return;
        }
        TBlock* column = table.Child(idx);
        const bool given = kind == btString ? ImportValueGiven(value->GetString(0))
                         : kind == btInt    ? !IsMissingInt(value->GetInt(0))
                                            : !IsMissingFloat(value->GetFloat(0));
        if (!given && row < column->Count())
            return;
        const std::uint8_t array = kind == btString ? btStringArray : kind == btInt ? btIntArray : btFloatArray;
        if (column->BlockType() != kind && column->BlockType() != array) {
            ++report_.LostValues;
            return;
        }
        if (again && row < column->Count()) {
            const bool replaced = kind == btString
                ? ImportValueGiven(column->GetString(row)) && column->GetString(row) != value->GetString(0)
                : kind == btInt ? !IsMissingInt(column->GetInt(row)) && column->GetInt(row) != value->GetInt(0)
                                : !IsMissingFloat(column->GetFloat(row)) && column->GetFloat(row) != value->GetFloat(0);
            if (replaced && repeated_.insert(*again).second) {
                ++report_.Repeated;
                if (report_.RepeatedNames.size() < OracleImportReport::MaxNotes)
                    report_.RepeatedNames.push_back(*again);
            }
        }
        if (kind == btInt)
            table.SetPathInt(value->Name, row, btInt, value->GetInt(0));
        else if (kind == btFloat)
            table.SetPathFloat(value->Name, row, btFloat, value->GetFloat(0));
        else
            table.SetPathString(value->Name, row, btString, value->GetString(0));
    }

    // Merges the record's blocks into the borehole as the block store merges a
    // directory into its namesake, counting the values that find a column of
    // another kind (they cannot join it and are lost). `sub` tells which of
    // the tables (paths below the borehole, `path` that of `dest`) may be the
    // borehole's own.
    void MergeInto(TDirBlock& dest, TDirBlock& src, const SubFilter& sub, const std::string& path = "")
    {
        if (path.empty()) {
            FindSheetRows(dest, sub);
            NoteRows(dest, sub);
        }
        bool ownable = false, sheet = false;
        for (const ValueSlot& slot : sub.slots) {
            ownable = ownable || (slot.ownable && slot.table == path);
            sheet = sheet || (slot.sheet && slot.table == path);
        }
        const bool own = ownable && dest.IndexOfName(kImportDesign) < 0;
        const int sheetRow = sheet && !own ? SheetRow(path) : -1;
        while (src.ItemCount() > 0) {
            std::unique_ptr<TBlock> child = src.RemoveAt(0);
            if (child->IsDir()) {
                int idx = dest.IndexOfName(child->Name);
                if (idx < 0) {
                    dest.AddChild(std::move(child), true);
                } else if (TDirBlock* existing = dest.ChildDir(idx)) {
                    const std::string inner = path.empty() ? child->Name : path + "\\" + child->Name;
                    MergeInto(*existing, static_cast<TDirBlock&>(*child), sub, inner);
                } else {
                    report_.LostValues += CountValues(*child);
                }
            } else if (own) {
                MergeAt(dest, std::move(child), 0, AgainLabel(path));
            } else if (sheetRow >= 0) {
                MergeAt(dest, std::move(child), sheetRow, AgainLabel(path));
            } else if (!dest.MergeChild(std::move(child))) {
                ++report_.LostValues;
            }
        }
    }

    DataReader& in_;
    TDirBlock* root_;
    std::string_view filterText_;
    TFiltre main_;
    OracleImportReport& report_;
    std::string singleTube_;
    std::vector<std::vector<std::string>> selectorNames_;
    std::vector<int> mainSeparatorBytes_;
    SubFilter noSub_;
    SubFilter* sub_ = &noSub_;
    std::unordered_map<std::string, std::unique_ptr<SubFilter>> subFilters_;
    BoreholeIndex keys_;
    std::string raw_;
    ImportedBoreholeNames names_;
    std::int64_t record_ = 0;
    std::int64_t line_ = 1;
    std::int64_t recordLine_ = 1;  // where the record being read starts
    std::vector<PendingValue> pending_;
    std::size_t pendingCount_ = 0;
    bool referenceMerge_ = false;
    std::vector<std::string> sheets_ = RecordSheetTables();
    std::vector<std::pair<std::string, int>> sheetRows_;  // this record's (table, row), FindSheetRows
    // The in-place rows earlier records of the file wrote (NoteRows' keys),
    // the ouvrages named for changing one, and this record's rows.
    std::unordered_set<std::string> written_;
    std::unordered_set<std::string> repeated_;
    std::vector<std::string> rowKeys_;
    std::vector<std::pair<std::string, std::string>> againRows_;  // table, ouvrage's name
};

// Whether a table holds nothing but blank texts and missing numbers: the
// "Ouvrage" table that a record made which carried only a borehole's dossier.
bool HoldsNoValue(const TDirBlock& table)
{
    for (const auto& column : table.Items()) {
        if (column->IsDir())
            return false;
        for (int r = 0; r < column->Count(); ++r) {
            const std::uint8_t kind = column->BlockType();
            if ((kind == btInt || kind == btIntArray) ? !IsMissingInt(column->GetInt(r))
                : (kind == btFloat || kind == btFloatArray) ? !IsMissingFloat(column->GetFloat(r))
                                                            : ImportValueGiven(column->GetString(r)))
                return false;
        }
    }
    return true;
}

// The tables of the collection as an import finds them: those that hold a
// "Désign" column already, and the rows of the others. What the import then
// does to the designations concerns only the columns it made itself.
struct DesignationsBefore {
    std::unordered_set<const TDirBlock*> designed;
    std::unordered_map<const TDirBlock*, int> rows;  // of the tables that hold any
};

DesignationsBefore NoteDesignations(const TDirBlock& root)
{
    DesignationsBefore before;
    for (const auto& child : root.Items()) {
        if (!child->IsDir())
            continue;
        for (const auto& table : static_cast<const TDirBlock&>(*child).Items()) {
            if (!table->IsDir())
                continue;
            const TDirBlock& dir = static_cast<const TDirBlock&>(*table);
            if (dir.IndexOfName(kImportDesign) >= 0)
                before.designed.insert(&dir);
            if (const int rows = dir.RowCount(); rows > 0)
                before.rows.emplace(&dir, rows);
        }
    }
    return before;
}

// A table's "Désign" column that the import made and filled with blanks only
// came from a file that gives none (a driller's sheet written before its
// filter carried them, or a table that belongs to the whole borehole, written
// blank): its rows belong to every ouvrage of the borehole, as a table without
// the column, and not to none of them. "Ouvrage" keeps its column: it lists
// the ouvrages. A column the import made in a table that held rows already
// holds the designations of the import's rows, which follow those rows: it is
// moved down to them, the earlier rows keeping no designation. A column the
// collection held before the import is left as it is, and so are the tables
// of other boreholes. An "Ouvrage" table the import made that holds nothing
// lists no ouvrage: it is removed.
void SettleDesignations(TDirBlock& root, const DesignationsBefore& before, OracleImportReport& report)
{
    for (const auto& child : root.Items()) {
        if (!child->IsDir())
            continue;
        TDirBlock& borehole = static_cast<TDirBlock&>(*child);
        std::vector<TDirBlock*> emptyOuvrages;
        for (const auto& table : borehole.Items()) {
            if (!table->IsDir())
                continue;
            TDirBlock& dir = static_cast<TDirBlock&>(*table);
            const int at = dir.IndexOfName(kImportDesign);
            if (at < 0)
                continue;
            const TBlock* design = dir.Child(at);
            if (design->BlockType() != btString && design->BlockType() != btStringArray)
                continue;
            const auto earlier = before.rows.find(&dir);
            const int rowsBefore = earlier == before.rows.end() ? 0 : earlier->second;
            const bool made = !before.designed.count(&dir);
            if (!made && dir.RowCount() <= rowsBefore)
                continue;  // a table the import did not write
            if (made) {
                bool blank = true;
                for (int r = 0; blank && r < design->Count(); ++r)
                    blank = !ImportValueGiven(design->GetString(r));
                if (blank && table->Name != "Ouvrage") {
                    dir.DeleteChild(at);
                    continue;
                }
                if (rowsBefore > 0 && design->Count() > 0) {
                    std::vector<std::string> values;
                    for (int r = 0; r < design->Count(); ++r)
                        values.push_back(design->GetString(r));
                    const int rows = rowsBefore + static_cast<int>(values.size());
                    dir.SetStringAt(at, rows - 1, btString, values.back());
                    for (int r = 0; r < rows; ++r)
                        dir.Child(at)->SetString(
                            r, r < rowsBefore ? std::string() : values[static_cast<std::size_t>(r - rowsBefore)]);
                }
            }
            if (table->Name == "Ouvrage") {
                if (made && rowsBefore == 0 && HoldsNoValue(dir))
                    emptyOuvrages.push_back(&dir);
                continue;
            }
            // Rows without designation next to designated ones belong to the
            // ouvrage listed without one; without such an ouvrage, to none.
            bool listsBlank = false;
            if (const TBlock* listed = borehole.FindBlock(std::string("Ouvrage\\") + kImportDesign);
                listed && !listed->IsDir())
                for (int r = 0; !listsBlank && r < listed->Count(); ++r)
                    listsBlank = !ImportValueGiven(listed->GetString(r));
            if (listsBlank)
                continue;
            std::int64_t blanks = 0;
            const TBlock* settled = dir.Child(at);
            for (int r = made ? 0 : rowsBefore; r < dir.RowCount(); ++r)
                blanks += r < settled->Count() && ImportValueGiven(settled->GetString(r)) ? 0 : 1;
            if (blanks == 0)
                continue;
            report.UndesignatedRows += blanks;
            report.AddNote("Indice \"" + borehole.Name + "\", table " + table->Name + " : " + IntToStr(blanks)
                           + " ligne(s) sans désignation parmi des lignes désignées, "
                             "rattachée(s) à aucun ouvrage");
        }
        for (TDirBlock* empty : emptyOuvrages)
            borehole.DeleteChild(borehole.IndexOf(empty));
    }
}

// Runs the import, then settles the designation columns it made, also when a
// record fails: the rows merged before the failure stay, and must belong to
// their ouvrages as well.
void RunSettlingDesignations(OracleImporter& importer, TDirBlock& root, OracleImportReport& report)
{
    const DesignationsBefore before = NoteDesignations(root);
    try {
        importer.Run();
    } catch (...) {
        SettleDesignations(root, before, report);
        throw;
    }
    SettleDesignations(root, before, report);
}

// Loads the main filter; false when there is nothing to read it with.
bool LoadMainFilter(std::string_view filterText, const std::string& name, TFiltre& filter,
                    OracleImportReport& report)
{
    report.FilterName = name;
    if (!ParseFilter(filterText, filter, name, false, FilterSingleTubeName())) {
        report.FilterMissing = true;
        report.AddNote(MissingFilterMessage(name));
        return false;
    }
    if (filter.empty()) {
        // Without a field no record would ever read a character.
        report.FilterEmpty = true;
        report.AddNote("Le filtre \"" + name + "\" ne contient aucun champ : rien n'est importé");
        return false;
    }
    return true;
}

} // namespace

void OracleImportReport::AddNote(std::string note)
{
    if (Notes.size() < MaxNotes)
        Notes.push_back(std::move(note));
    else
        ++NotesLeftOut;
}

bool OracleImportReport::HasRemarks() const
{
    return FilterMissing || FilterEmpty || DroppedNoKey || DroppedNoValue || NotMerged || LostValues
        || UnreadableNumbers || RenamedKeys || MergedKeys || UndesignatedRows || Repeated
        || !MissingSubFilters.empty();
}

std::string OracleImportReport::Summary() const
{
    std::string s;
    if (FilterMissing)
        return MissingFilterMessage(FilterName) + "\nAucune donnée n'a été importée de " + DataFile + ".";
    if (FilterEmpty)
        return "Le filtre \"" + FilterName + "\" ne contient aucun champ.\nAucune donnée n'a été importée de "
            + DataFile + ".";
    s += "Fichier : " + DataFile + "\n";
    s += "Enregistrements lus : " + IntToStr(Records) + "\n";
    s += "Enregistrements importés : " + IntToStr(Merged) + " (nouveaux ouvrages : " + IntToStr(NewBoreholes)
        + ")\n";
    if (DroppedNoKey)
        s += "Enregistrements sans clé ignorés : " + IntToStr(DroppedNoKey) + "\n";
    if (DroppedNoValue)
        s += "Enregistrements sans valeur ignorés : " + IntToStr(DroppedNoValue) + "\n";
    if (NotMerged)
        s += "Enregistrements non fusionnés : " + IntToStr(NotMerged) + "\n";
    if (RenamedKeys)
        s += "Clés renommées (\\ remplacés par _) : " + IntToStr(RenamedKeys) + "\n";
    if (MergedKeys)
        s += "Indices fusionnés avec un autre indice : " + IntToStr(MergedKeys) + "\n";
    if (UndesignatedRows)
        s += "Lignes sans désignation rattachées à aucun ouvrage : " + IntToStr(UndesignatedRows) + "\n";
    if (UnreadableNumbers)
        s += "Nombres illisibles, importés comme valeurs manquantes : " + IntToStr(UnreadableNumbers) + "\n";
    if (LostValues)
        s += "Valeurs perdues (colonne d'un autre type) : " + IntToStr(LostValues) + "\n";
    if (Repeated) {
        s += IntToStr(Repeated)
            + " ouvrage(s) donné(s) plusieurs fois avec des valeurs différentes, la dernière ligne gardée :\n";
        for (const std::string& who : RepeatedNames)
            s += "  " + who + "\n";
        if (Repeated > static_cast<std::int64_t>(RepeatedNames.size()))
            s += "  ... (" + IntToStr(Repeated - static_cast<std::int64_t>(RepeatedNames.size())) + " de plus)\n";
    }
    for (const std::string& n : Notes)
        s += n + "\n";
    if (NotesLeftOut)
        s += "... et " + IntToStr(NotesLeftOut) + " autre(s) remarque(s)\n";
    return s;
}

std::string OracleFilterNameOf(const std::string& DataFile)
{
    std::string name = DataFile;
    std::size_t slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    return LowerCase(name);
}

namespace {

void ImportFromMemory(std::string_view dataBytes, const std::string& filterName, TDirBlock* Root,
                      std::string_view filterText, OracleImportReport& report, OracleImportObserver* observer,
                      bool throughRecords)
{
    TFiltre mainFilter;
    if (!LoadMainFilter(filterText, filterName, mainFilter, report))
        return;
    DataReader reader(dataBytes);
    OracleImporter importer(reader, Root, filterText, std::move(mainFilter), report);
    if (throughRecords)
        importer.UseRecordDirectories();
    RunSettlingDesignations(importer, *Root, report);
    if (observer)
        observer->Progress(dataBytes.size(), dataBytes.size());
}

} // namespace

void ImportOracleData(std::string_view dataBytes, const std::string& filterName, TDirBlock* Root,
                      std::string_view filterText, OracleImportReport& report, OracleImportObserver* observer)
{
    ImportFromMemory(dataBytes, filterName, Root, filterText, report, observer, false);
}

void ImportOracleDataThroughRecords(std::string_view dataBytes, const std::string& filterName, TDirBlock* Root,
                                    std::string_view filterText, OracleImportReport& report)
{
    ImportFromMemory(dataBytes, filterName, Root, filterText, report, nullptr, true);
}

void ImportOracleFile(const std::string& DataFile, TDirBlock* Root, const std::string& FilterFile,
                      OracleImportReport& report, OracleImportObserver* observer)
{
    report.DataFile = DataFile;
    const std::string filterText = ReadFilterFileText(FilterFile);
    TFiltre mainFilter;
    if (!LoadMainFilter(filterText, OracleFilterNameOf(DataFile), mainFilter, report))
        return;

    // Streamed, but opened as every file of the program is: only a regular
    // file, without blocking on a pipe.
    std::uint64_t size = 0;
    const int fd = OpenRegularFile(std::filesystem::u8path(DataFile), nullptr, &size, UINT64_MAX);
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "rb") : nullptr;
    if (fd >= 0 && !file)
        ::close(fd);
    if (!file)
        throw EOracleImportError("Impossible d'ouvrir le fichier de données " + QuotePath(DataFile), 0, 0);
    DataReader reader(file, size, observer);
    OracleImporter importer(reader, Root, filterText, std::move(mainFilter), report);
    RunSettlingDesignations(importer, *Root, report);
    if (observer)
        observer->Progress(reader.Position(), size);
}
