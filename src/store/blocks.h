// The block tree: the one data structure that holds a collection of boreholes,
// the clipboard tree of boreholes and every tree built by an importer.
//
// A block is either a directory of named children (TDirBlock) or a value block
// holding one value or an array of values of one kind: text, 32-bit integer or
// double. Everything else in the program reads and writes collections through
// these classes: by index on one block, or by a backslash path from a directory
// ("Niveau\Litho").
//
// Texts (names and values) are UTF-8 in memory. The .crx file holds them in
// Windows-1252 (see crx_file.h); names compare byte for byte, case included.
//
// Ownership: a directory owns its children (std::unique_ptr). Several
// operations REPLACE a child by a new object (promotion of a single value to an
// array, conversion of an integer column to doubles, merging, row deletion).
// Their comments say so: after calling one, re-fetch the child by name or index,
// never keep a pointer to it across the call.
//
// Missing values: an integer element without value is MissingInt, a double
// MissingFloat (negative infinity), a text the empty text. Growing an array fills
// the new elements with the missing value of its kind.
//
// Number texts follow the runtime conversions of platform/base/rtl_numbers.h:
// reading accepts both "." and the process decimal separator, writing uses the
// process separator.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

class TDirBlock;
class CrxReader;   // crx_file.h
class CrxWriter;   // crx_file.h

// ---------------------------------------------------------------------------
// Type codes and missing values
// ---------------------------------------------------------------------------

// Block type codes held in memory. The file also uses 2 and 3 for directories
// and 6 and 7 for texts (the width of the count or length that follows); a block
// read with one of them takes code 1 or 5.
constexpr std::uint8_t btNone = 0;
constexpr std::uint8_t btDir = 1;
constexpr std::uint8_t btDirWord = 2;     // file only: u16 child count
constexpr std::uint8_t btDirByte = 3;     // file only: u8 child count
constexpr std::uint8_t btString = 5;
constexpr std::uint8_t btStringWord = 6;  // file only: u16 length
constexpr std::uint8_t btStringByte = 7;  // file only: u8 length
constexpr std::uint8_t btStringArray = 8;
constexpr std::uint8_t btInt = 9;
constexpr std::uint8_t btIntArray = 10;
constexpr std::uint8_t btFloat = 11;
constexpr std::uint8_t btFloatArray = 12;

constexpr std::int32_t MissingInt = std::numeric_limits<std::int32_t>::min();   // 0x80000000
constexpr double MissingFloat = -std::numeric_limits<double>::infinity();      // bits 0xFFF0000000000000
inline bool IsMissingInt(std::int32_t v) { return v == MissingInt; }
inline bool IsMissingFloat(double v) { return v == MissingFloat; }

// The store's own failures ("Path not found (Niveau\)", "Invalid block type",
// "Unable to change self block type", " n'est pas un répertoire", and the
// reader's "Unsupported block type" and "Invalid block type"). The conversions
// raise EConvertError (rtl_numbers.h) and the file layer EInOutError
// (crx_file.h); all derive from std::runtime_error.
class EBlockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------
// TBlock: the base class, also the block without value (code 0)
// ---------------------------------------------------------------------------

class TBlock {
public:
    TBlock();                                    // code 0, empty name, no parent
    virtual ~TBlock();
    TBlock(const TBlock&) = delete;
    TBlock& operator=(const TBlock&) = delete;

    // The block's name (UTF-8). Renaming a child through this field bypasses the
    // duplicate check of TDirBlock::RenameChild; prefer that.
    std::string Name;

    // The directory holding the block; none for a root and a detached block.
    TDirBlock* Parent() const { return parent_; }
    // The in-memory type code: 0, 1, 5, 8, 9, 10, 11 or 12.
    std::uint8_t BlockType() const { return blockType_; }
    bool IsDir() const { return blockType_ == btDir; }
    // A value block: codes 5, 8, 9, 10, 11, 12.
    bool IsValue() const;
    // A single value: codes 5, 9, 11.
    bool IsSingleValue() const;

    // Number of elements: the child count of a directory, the element count of
    // an array, 1 for a single value, 0 for a TBlock.
    virtual int Count() const { return 0; }

    // --- Element access (i from 0) ---------------------------------------
    // Readers never raise.
    // Text of element i: "" outside 0..Count-1, for a missing element, for a
    // directory or a TBlock. Integers as decimal digits; doubles as FloatToStr
    // (15 significant digits, process separator).
    virtual std::string GetString(int i) const { return {}; }
    // Integer of element i; MissingInt when out of range, missing or not
    // convertible (text that is not a whole integer; doubles that are NaN,
    // infinite or out of the 32-bit range). Doubles are truncated toward zero.
    virtual std::int32_t GetInt(int i) const { return MissingInt; }
    // Double of element i; MissingFloat when out of range, missing or, for a
    // text, not a number (both "." and the process separator are accepted).
    virtual double GetFloat(int i) const { return MissingFloat; }

    // Writers. Nothing happens when i < 0, when Count() is 0 (an empty array
    // ignores every store) or for a directory. When i >= Count(), an array grows
    // to i+1 elements (the new ones missing) and a single value raises
    // EBlockError "Unable to change self block type". Conversions:
    //  - into text: integers as digits ("" for MissingInt), doubles as FloatToStr
    //    ("" for MissingFloat);
    //  - into an integer: "" gives MissingInt, other text goes through StrToInt
    //    (EConvertError passes on); a double is truncated toward zero,
    //    MissingFloat gives MissingInt, NaN / infinity / out of range raise
    //    EConvertError;
    //  - into a double: "" gives MissingFloat, other text has "." read as the
    //    decimal separator and goes through StrToFloat (EConvertError passes on);
    //    MissingInt gives MissingFloat.
    virtual void SetString(int i, std::string_view text);
    virtual void SetInt(int i, std::int32_t value);
    virtual void SetFloat(int i, double value);

    // First i whose GetString(i) equals the text exactly; -1 when none.
    int IndexOfString(std::string_view text) const;

    // --- Tree ---------------------------------------------------------------
    // A deep copy: same class, name, values (directories with all their
    // children); the copy has no parent.
    virtual std::unique_ptr<TBlock> Clone() const;
    // Detaches the child `block` and hands it back (nullptr when it is not a
    // child). Only directories have children.
    virtual std::unique_ptr<TBlock> RemoveChild(TBlock* block) { return nullptr; }

    // --- File (defined in crx_file.cpp) ----------------------------------
    // Replaces this block's name and content with the root record of the file.
    // Call it on a freshly made block of the expected class (a collection loads
    // into a new TDirBlock). A malformed file raises EBlockError for a record
    // it cannot hold ("Unsupported block type", "Unable to resize block";
    // "Invalid block type" when the file's root is of another kind) and
    // EInOutError when it ends too soon or nests too deep ("Read beyond end of
    // file", "Too many nested blocks"); input/output failures raise EInOutError.
    // On failure the block holds what was read so far: discard it.
    void LoadFromFile(const std::string& fileName);
    // Writes the block and its subtree as a .crx file, safely: a temporary file
    // in the same folder renamed over the target, so a failure leaves any old
    // file as it was (in place only where no temporary file can be made).
    // Returns the number of characters that have no Windows-1252 byte and were
    // written as "?". Raises EInOutError.
    std::size_t SaveToFile(const std::string& fileName) const;
    // Reads the payload of a record whose name and stored code were read.
    virtual void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth);
    // Writes this block's whole record (name, code, payload, children).
    virtual void WriteToFile(CrxWriter& writer) const;

protected:
    explicit TBlock(std::uint8_t blockType) : blockType_(blockType) {}
    // Common precondition of the writers: false when nothing is to be done;
    // raises for an index past a single value. May grow an array (Resize).
    bool PrepareStore(int i);
    virtual void Resize(int count) {}

    friend class TDirBlock;
    TDirBlock* parent_ = nullptr;
    std::uint8_t blockType_ = btNone;
    // The block's index in its parent's children, kept by a parent that holds
    // a name index (see TDirBlock), valid below the index's slotsValid.
    std::int32_t slot_ = 0;
};

// ---------------------------------------------------------------------------
// Single values
// ---------------------------------------------------------------------------

class TStrBlock : public TBlock {
public:
    TStrBlock();                                                     // "" 
    explicit TStrBlock(std::string name, std::string value = {});
    std::string Value;                                               // UTF-8

    int Count() const override { return 1; }
    std::string GetString(int i) const override;
    std::int32_t GetInt(int i) const override;
    double GetFloat(int i) const override;
    void SetString(int i, std::string_view text) override;
    void SetInt(int i, std::int32_t value) override;
    void SetFloat(int i, double value) override;
    std::unique_ptr<TBlock> Clone() const override;
    void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth) override;
    void WriteToFile(CrxWriter& writer) const override;
};

class TIntBlock : public TBlock {
public:
    TIntBlock();                                                     // 0
    explicit TIntBlock(std::string name, std::int32_t value = 0);
    std::int32_t Value = 0;

    int Count() const override { return 1; }
    std::string GetString(int i) const override;
    std::int32_t GetInt(int i) const override;
    double GetFloat(int i) const override;
    void SetString(int i, std::string_view text) override;
    void SetInt(int i, std::int32_t value) override;
    void SetFloat(int i, double value) override;
    std::unique_ptr<TBlock> Clone() const override;
    void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth) override;
    void WriteToFile(CrxWriter& writer) const override;
};

class TFloatBlock : public TBlock {
public:
    TFloatBlock();                                                   // 0.0
    explicit TFloatBlock(std::string name, double value = 0.0);
    double Value = 0.0;

    int Count() const override { return 1; }
    std::string GetString(int i) const override;
    std::int32_t GetInt(int i) const override;
    double GetFloat(int i) const override;
    void SetString(int i, std::string_view text) override;
    void SetInt(int i, std::int32_t value) override;
    void SetFloat(int i, double value) override;
    std::unique_ptr<TBlock> Clone() const override;
    void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth) override;
    void WriteToFile(CrxWriter& writer) const override;
};

// ---------------------------------------------------------------------------
// Arrays
// ---------------------------------------------------------------------------

// An array of texts. The texts are packed one after the other in one buffer,
// after their end offsets (a collection holds hundreds of thousands of short
// codes and descriptions, and one heap string each would triple its memory),
// so element access gives views that stay valid only until the array changes.
class TStrArrayBlock : public TBlock {
public:
    TStrArrayBlock();
    explicit TStrArrayBlock(std::string name);
    ~TStrArrayBlock() override;
    int Delta = 16;

    int ItemCount() const { return pack_ ? static_cast<int>(pack_->count) : 0; }
    // Element i (0 <= i < ItemCount()); valid until the array changes.
    std::string_view Item(int i) const;
    void SetItem(int i, std::string_view text);
    void Append(std::string_view text);
    // Inserts at i (0 <= i <= ItemCount()), shifting the following ones up.
    void Insert(int i, std::string_view text);
    // Deletes element i (0 <= i < ItemCount()).
    void Delete(int i);
    // Grows with empty texts or cuts to `count` elements.
    void Resize(int count) override;
    void Clear();
    // Reserves room for `count` elements holding `bytes` bytes of text in all.
    void Reserve(int count, std::size_t bytes);

    int Count() const override { return ItemCount(); }
    std::string GetString(int i) const override;
    std::int32_t GetInt(int i) const override;
    double GetFloat(int i) const override;
    void SetString(int i, std::string_view text) override;
    void SetInt(int i, std::int32_t value) override;
    void SetFloat(int i, double value) override;
    std::unique_ptr<TBlock> Clone() const override;
    void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth) override;
    void WriteToFile(CrxWriter& writer) const override;

private:
    // One allocation: this header, the end offset of each text (countCap of
    // them), then the texts end to end (bytesCap bytes). No allocation at all
    // for an empty array.
    struct Pack {
        std::uint32_t count;
        std::uint32_t countCap;
        std::uint32_t bytes;
        std::uint32_t bytesCap;
    };
    std::uint32_t* Ends() const { return reinterpret_cast<std::uint32_t*>(pack_ + 1); }
    char* Texts() const { return reinterpret_cast<char*>(Ends() + pack_->countCap); }
    std::size_t Begin(int i) const { return i == 0 ? 0 : Ends()[static_cast<std::size_t>(i) - 1]; }
    std::size_t Bytes() const { return pack_ ? pack_->bytes : 0; }
    // Room for `moreCount` more texts and `moreBytes` more bytes, growing by
    // half again at least so that appends take constant time on average.
    void Room(std::size_t moreCount, std::size_t moreBytes);
    void Repack(std::size_t countCap, std::size_t bytesCap);
    // The text lies in this array's own buffer.
    bool Aliases(std::string_view text) const;
    Pack* pack_ = nullptr;
};

class TIntArrayBlock : public TBlock {
public:
    TIntArrayBlock();
    explicit TIntArrayBlock(std::string name, std::vector<std::int32_t> items = {});
    int Delta = 16;
    // The elements; Items.size() is the element count. Direct access is fine.
    std::vector<std::int32_t> Items;

    int ItemCount() const { return static_cast<int>(Items.size()); }
    void Resize(int count) override;    // new elements MissingInt

    int Count() const override { return ItemCount(); }
    std::string GetString(int i) const override;
    std::int32_t GetInt(int i) const override;
    double GetFloat(int i) const override;
    void SetString(int i, std::string_view text) override;
    void SetInt(int i, std::int32_t value) override;
    void SetFloat(int i, double value) override;
    std::unique_ptr<TBlock> Clone() const override;
    void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth) override;
    void WriteToFile(CrxWriter& writer) const override;
};

class TFloatArrayBlock : public TBlock {
public:
    TFloatArrayBlock();
    explicit TFloatArrayBlock(std::string name, std::vector<double> items = {});
    int Delta = 16;
    std::vector<double> Items;

    int ItemCount() const { return static_cast<int>(Items.size()); }
    void Resize(int count) override;    // new elements MissingFloat

    int Count() const override { return ItemCount(); }
    std::string GetString(int i) const override;
    std::int32_t GetInt(int i) const override;
    double GetFloat(int i) const override;
    void SetString(int i, std::string_view text) override;
    void SetInt(int i, std::int32_t value) override;
    void SetFloat(int i, double value) override;
    std::unique_ptr<TBlock> Clone() const override;
    void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth) override;
    void WriteToFile(CrxWriter& writer) const override;
};

// ---------------------------------------------------------------------------
// TDirBlock: a directory of named children
// ---------------------------------------------------------------------------

class TDirBlock : public TBlock {
public:
    TDirBlock();                                   // named "Root"
    explicit TDirBlock(std::string name);          // CreateNamed
    ~TDirBlock() override;
    // The step by which the children's storage grows; the same for every
    // directory (a field of its own would cost every directory of a large
    // collection eight bytes).
    static constexpr int Delta = 32;

    int ItemCount() const { return static_cast<int>(items_.size()); }
    int Count() const override { return ItemCount(); }
    // Child at the index, nullptr outside 0..ItemCount-1.
    TBlock* Child(int index) const;
    // Child directory at the index, nullptr when it is not a directory.
    TDirBlock* ChildDir(int index) const;
    const std::vector<std::unique_ptr<TBlock>>& Items() const { return items_; }

    // --- Lookups (first match, exact bytes) --------------------------------
    // Linear scans in a small directory; a large one (a collection's
    // boreholes) keeps an index of its children's names, built on its first
    // look-up and kept by every change made through the directory, so that a
    // look-up takes constant time on average. The index sees a child's name
    // only through the directory: rename a child with RenameChild, never by
    // writing its Name.
    int IndexOf(const TBlock* block) const;
    int IndexOfName(std::string_view name) const;
    // Passes over value blocks of that name.
    int IndexOfDir(std::string_view name) const;

    // --- Children -----------------------------------------------------------
    // Adds a detached block. A name "X\Y" adds the block under the name Y to the
    // subdirectory X (found or created; a value block X raises
    // "X n'est pas un répertoire"), the block keeping the shortened name, with
    // allowDuplicate false. Answers false, and adds nothing, when another child
    // already bears the name and allowDuplicate is false, or when the block is a
    // directory that holds this directory (or is this directory).
    // Takes ownership ONLY when it answers true; otherwise `block` still holds
    // the block.
    template <class T>
    bool AddChild(std::unique_ptr<T>&& block, bool allowDuplicate)
    {
        static_assert(std::is_base_of_v<TBlock, T>, "only blocks go into a directory");
        if (!AddOwned(block.get(), allowDuplicate)) return false;
        static_cast<void>(block.release());   // now held by the directory
        return true;
    }
    // Moves a block that is a child of another directory (possibly of another
    // tree) to the end of this one, same rules. When it answers false the block
    // stays where it was. A block without parent raises std::logic_error: hand
    // it over as a unique_ptr instead.
    bool AddChild(TBlock* block, bool allowDuplicate);
    // Detaches the child at the index and hands it back; nullptr out of range.
    std::unique_ptr<TBlock> RemoveAt(int index);
    std::unique_ptr<TBlock> RemoveChild(TBlock* block) override;
    // Destroys the child at the index; out of range does nothing.
    void DeleteChild(int index);
    // True when the name is unchanged or was changed; false, nothing changed,
    // when allowDuplicate is false and another child bears the new name (or the
    // index is out of range).
    bool RenameChild(int index, std::string_view newName, bool allowDuplicate);
    // Destroys every child.
    void Clear();
    // Destroys the children for which `doomed` answers true, in one pass over
    // the directory: the others keep their order.
    void DeleteChildrenIf(const std::function<bool(const TBlock&)>& doomed);

    // --- Paths --------------------------------------------------------------
    // The topmost directory above this one (this one when it has no parent):
    // where a path that begins with "\" starts.
    TDirBlock* TopDir();
    const TDirBlock* TopDir() const;

    // Names joined by "\"; a leading "\" resolves from the topmost directory
    // above this one; one trailing "\" is ignored; the empty path is this
    // directory. Finders and readers never raise; Get*/Force* do.

    // The child directory of that name, created (and appended) when absent or
    // when alwaysCreate. A value block of that name raises
    // name + " n'est pas un répertoire".
    TDirBlock* GetOrCreateSubDir(std::string_view name, bool alwaysCreate);
    // Raises "Path not found (rest)" / "X is not a directory".
    TDirBlock* GetDir(std::string_view path);
    // The value block at the path (the empty path gives this directory).
    // Raises "Path not found (rest)", "X is not a directory",
    // "File not found (name)", "Block <holder> is a directory".
    TBlock* GetBlock(std::string_view path);
    // The directory at the path or nullptr (directories looked up by
    // IndexOfDir at every step).
    TDirBlock* FindDir(std::string_view path) const;
    // The value block at the path or nullptr (also for a directory).
    TBlock* FindBlock(std::string_view path) const;
    // FindBlock would find a block; true for the empty path.
    bool BlockExists(std::string_view path) const;
    // The directory at the path, creating each missing one.
    TDirBlock* ForceDir(std::string_view path);
    // The block at the path; when absent, created with the type code (5, 8, 9,
    // 10, 11, 12; others raise "Invalid constructor type") and element 0 set from
    // initialText through SetString (so code 9 with "" holds MissingInt, and an
    // array code gives an empty array), missing directories created on the way.
    // An existing block is returned whatever its type; an existing directory at
    // the last name raises "Block <holder> is a directory".
    TBlock* ForceBlock(std::string_view path, std::uint8_t typeCode, std::string_view initialText);

    // Element i of FindBlock(path): "", MissingInt, MissingFloat when absent or
    // out of range. GetPathInt of a TEXT element reads tolerantly: the whole
    // text's integer, or else the value of the digits before the first bad
    // character, without minus sign (0 for "" or no digit), never MissingInt.
    std::string GetPathString(std::string_view path, int i) const;
    std::int32_t GetPathInt(std::string_view path, int i) const;
    double GetPathFloat(std::string_view path, int i) const;

    // Stores into element i of the block at the path, created by ForceBlock with
    // the type code when absent. The store goes through the holding directory
    // (SetStringAt / SetIntAt / SetFloatAt, with the type code as the wanted
    // code for texts), so a single value is promoted to an array and grown, and
    // a double stored into an integer column converts the column to doubles.
    // MAY REPLACE the block at the path (promotion, conversion): re-fetch it.
    // Conversion errors (EConvertError) pass on.
    void SetPathString(std::string_view path, int i, std::uint8_t typeCode, std::string_view value);
    void SetPathInt(std::string_view path, int i, std::uint8_t typeCode, std::int32_t value);
    void SetPathFloat(std::string_view path, int i, std::uint8_t typeCode, double value);

    // IndexOfString of the block at the path, -1 when there is none.
    int IndexOfPathString(std::string_view path, std::string_view text) const;

    // Prepares child c to hold element i and returns it, or nullptr (c out of
    // range, i < 0, a directory, a child with Count() 0). With wanted 11 or 12
    // an integer child is first converted to doubles (MissingInt becoming
    // MissingFloat); a single value is promoted to an array of its kind when
    // i >= 1; an array grows to i+1 elements.
    // REPLACES child c by a new block when it converts or promotes: re-fetch.
    TBlock* EnsureElement(int c, int i, std::uint8_t wanted);
    // EnsureElement then the element store. SetStringAt with wanted 11 and a
    // text that is a whole integer stores it with SetIntAt (an integer column
    // stays integer). SetIntAt uses wanted 9, SetFloatAt 11, SetTextAt 0 (no
    // change of kind). MAY REPLACE child c: re-fetch.
    void SetStringAt(int c, int i, std::uint8_t wanted, std::string_view text);
    void SetIntAt(int c, int i, std::int32_t value);
    void SetFloatAt(int c, int i, double value);
    void SetTextAt(int c, int i, std::string_view text);

    // --- Tables (tables.cpp) -------------------------------------------------
    // A table is a directory whose value children are its columns; a row is
    // one element index across them. Directory and TBlock children are ignored.
    // The largest Count() of the children, 0 without children.
    int RowCount() const;
    // Inserts a missing element at row r in every column (r < 0: nothing).
    // Single values are promoted to arrays: REPLACES columns, re-fetch them.
    void InsertRow(int r);
    // Deletes element r of every column (r < 0: nothing). With r = 0 a single
    // value or a one-element array column is DESTROYED and removed from the
    // table: re-fetch columns.
    void DeleteRow(int r);
    // Appends row r of the source table as a new row, column by column name
    // (columns absent here are created, padded with missing values; a double
    // arriving in an integer column converts it). MAY REPLACE columns.
    void AppendRowFrom(const TDirBlock& source, int r);
    // Adds the block, or merges it into the child of the same name: a directory
    // into a directory (its children merged one by one, recursively), a single
    // value appended to the array (or promoted single value) of its kind.
    // Answers true when the block was added or merged: ownership is then taken
    // (a merged block is destroyed). Answers false when it could not be merged:
    // `block` still holds it. MAY REPLACE the existing child (promotion).
    template <class T>
    bool MergeChild(std::unique_ptr<T>&& block)
    {
        static_assert(std::is_base_of_v<TBlock, T>, "only blocks go into a directory");
        if (!MergeOwned(block.get())) return false;
        static_cast<void>(block.release());   // now held or destroyed by the directory
        return true;
    }

    // --- Base overrides ---------------------------------------------------
    std::unique_ptr<TBlock> Clone() const override;
    // A typed deep copy.
    std::unique_ptr<TDirBlock> CloneDir() const;
    void ReadFromFile(CrxReader& reader, std::uint8_t storedCode, int depth) override;
    void WriteToFile(CrxWriter& writer) const override;

private:
    // Adopts an owned block at the end (sets its parent).
    TBlock* Append(std::unique_ptr<TBlock> block);
    // Replaces child c by `block`, destroying the old one; returns the new one.
    TBlock* ReplaceAt(int c, std::unique_ptr<TBlock> block);
    bool HoldsInTree(const TBlock* block) const;   // block is this or an ancestor
    // `block` is either detached and held by the caller (`owned`), or a child of
    // another directory. Ownership passes only when true is answered.
    bool AddChecked(TBlock* block, bool owned, bool allowDuplicate);
    bool AddOwned(TBlock* block, bool allowDuplicate);
    bool MergeOwned(TBlock* block);
    void StoreThroughParent(TBlock* b, int i, std::uint8_t typeCode, int kind,
                            std::string_view text, std::int32_t intValue, double floatValue);

    // The name index: for each name, its first child and how many children
    // bear it.
    struct NameEntry {
        TBlock* first = nullptr;
        int count = 0;
    };
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    struct NameIndex : std::unordered_map<std::string, NameEntry, NameHash, std::equal_to<>> {
        // Children below this position hold their index in slot_.
        std::size_t slotsValid = 0;
    };
    // Directories with fewer children are scanned.
    static constexpr std::size_t kIndexedFrom = 32;
    // The index, built when missing and the directory is large; nullptr for
    // a small directory.
    NameIndex* Index() const;
    void BuildIndex() const;
    // The position of a child, through the slots (renumbered when stale).
    int SlotOf(const TBlock* child) const;
    void IndexAdd(TBlock* child, int position) const;
    void IndexRemove(TBlock* child, int position) const;

    std::vector<std::unique_ptr<TBlock>> items_;
    mutable std::unique_ptr<NameIndex> index_;
};

// True when both trees hold the same names, types and values, children in the
// same order. Both null: true; one null: false. Two NaN are equal (a tree always
// equals its clone); doubles otherwise compare exactly. A type code other than
// 0, 1, 5, 8-12 raises "Unable to compares blocks".
bool SameBlock(const TBlock* a, const TBlock* b);

// A 128-bit digest of a tree: names, types, values and children in order, read
// as SameBlock reads them (every NaN alike, 0.0 and -0.0 alike). Trees that
// SameBlock finds equal have equal digests; trees that differ have different
// digests but for a chance of one in 2^128. A collection keeps the digest of
// its last saved state instead of a second copy of the whole tree.
struct BlockDigest {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    friend bool operator==(const BlockDigest&, const BlockDigest&) = default;
};
BlockDigest DigestOf(const TBlock& block);

// A new block of the given in-memory type code (0, 1, 5, 8, 9, 10, 11, 12)
// with its default value, or nullptr for any other code.
std::unique_ptr<TBlock> CreateBlockOfType(std::uint8_t typeCode);
