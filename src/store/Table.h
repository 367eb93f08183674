#pragma once
// A DBF table with its memo file and its structural compound index: the
// record store the whole program works through.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/CodePage.h"
#include "store/Expression.h"
#include "store/IndexFile.h"
#include "store/OpenMode.h"
#include "store/Schema.h"
#include "store/StoreError.h"

namespace brindle::store {


enum class TableType {
    FoxPro,      // 0xF5 with a memo (.FPT), 0x03 without; what the program creates
    DBase3,      // 0x03 / 0x83 with .DBT (read for imports)
    DBase4,      // 0x8B with .DBT (read for imports)
    VisualFoxPro // 0x30 / 0x31 (read for imports)
};

struct FieldDef {
    std::string name;
    char type = 'C';  // C N L M (F and D accepted too)
    int width = 0;    // L is 1, M is 10 whatever is given
    int decimals = 0;
};

struct TagDef {
    TagDef() = default;
    TagDef(std::string tagName, std::string key, std::string condition = {}, bool descend = false)
        : name(std::move(tagName)), expression(std::move(key)), forExpression(std::move(condition)), descending(descend) {}
    std::string name;
    std::string expression;
    std::string forExpression;  // only records for which it is true get a key; empty for all
    bool descending = false;
};

struct TableInfo {
    TableType type = TableType::FoxPro;
    unsigned char versionByte = 0;
    unsigned char codePage = 0;
    std::string lastUpdate;  // YYYY-MM-DD
    std::uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    bool hasMemo = false;
    bool structuralIndex = false;  // header flag says a .CDX belongs to the table
    std::string indexProblem;      // why the structural index was not opened; empty when fine
    std::string unfinishedWork;    // what an interrupted pack left and what finishes it; empty when nothing
};

// A record whose memo text cannot be read (a reference past the end of the
// memo file, an impossible length, a garbled pointer).
struct MemoDamage {
    std::uint32_t recno = 0;
    std::string field;
    std::string problem;
};

// A pack found memos it cannot read and was not asked to repair them; nothing
// was changed. `damage()` lists the records.
class MemoDamageError : public FormatError {
public:
    MemoDamageError(const std::string& path, std::vector<MemoDamage> damage);
    const std::vector<MemoDamage>& damage() const { return damage_; }

private:
    std::vector<MemoDamage> damage_;
};

struct PackOptions {
    // Tags of the new index; without them the table keeps its own tags.
    std::optional<std::vector<TagDef>> tags;
    // Records whose memo cannot be read keep their other fields and lose the
    // memo reference; without it such records stop the pack (MemoDamageError).
    bool repairMemos = false;
    // Progress of the index build that follows the copy.
    ProgressFn indexProgress;
};

struct PackResult {
    std::uint32_t kept = 0;
    std::uint32_t removed = 0;
    std::vector<MemoDamage> clearedMemos;  // memo references cleared by repairMemos
};

class Table {
public:
    ~Table();  // closes; never throws
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // ---- files ----
    // Creates a FoxPro table (and its .FPT when there is a memo field); fails when
    // the file exists unless overwrite. Throws StoreError.
    static void create(const std::string& path, const std::vector<FieldDef>& fields, bool overwrite = false);
    // Opens a table. Throws StoreError subclasses with a clear reason: missing
    // file, InUseError (locked by another process or another open here),
    // FormatError (not a table, truncated, garbled). A missing or damaged .CDX
    // does not stop the open: the table opens without it and info().indexProblem says why.
    static std::unique_ptr<Table> open(const std::string& path, OpenMode mode = OpenMode::Exclusive);
    // The same, with the folder and the file name apart; a file name that does
    // not exist as written is looked up ignoring case.
    static std::unique_ptr<Table> open(const std::string& folder, const std::string& fileName, OpenMode mode);
    // Creates an empty table with this table's fields (no index).
    void copyStructure(const std::string& path) const;
    void close();
    bool isOpen() const;

    const std::string& path() const;
    OpenMode mode() const;
    const Schema& schema() const;
    std::vector<FieldDef> fieldDefs() const;
    int fieldIndex(std::string_view name) const;  // -1 when missing
    TableInfo info() const;
    // The code page the header names: text is stored in it, and read and
    // written as UTF-8 through it (Windows-1252 for our own tables).
    const TextCodec& codec() const;
    // A field's text as UTF-8 (getString decoded through codec()).
    std::string getText(std::string_view field) const;

    // ---- settings ----
    void setExact(bool on);
    bool exact() const;
    void setSoftSeek(bool on);
    void setHideDeleted(bool on);   // engine-deleted records hidden (default on)
    bool hideDeleted() const;
    void setTurboRead(bool on);     // hint: long sequential scan ahead
    // Shared opens: how long to wait for another user's record, header, memo
    // or index lock before giving up with InUseError (default 5 s).
    void setLockWait(std::chrono::milliseconds wait);
    // Memory a tag build (indexTags, rebuildIndex, pack) may use for its
    // keys; beyond it they are sorted in runs kept in an unnamed scratch file
    // beside the table (default 160 MB).
    void setIndexBuildMemory(std::size_t bytes);

    // ---- orders ----
    // Creates or replaces a tag in the structural index (creating the .CDX when
    // there is none) and makes it the current order. Returns its order number (>= 1).
    int indexTag(const std::string& tag, const std::string& expression, const ProgressFn& progress = {});
    // Several tags in one pass over the records, in the given order; the last becomes current.
    void indexTags(const std::vector<TagDef>& tags, const ProgressFn& progress = {});
    int tagArea(std::string_view tag) const;  // order number, 0 when missing
    void setOrder(int order);                 // 0 = record order
    int order() const;
    std::string tagName(int order) const;     // "" for 0 or out of range
    std::string indexFileName() const;        // path of the current order's file, "" in record order
    std::vector<TagDef> tags() const;         // structural tags in order
    void closeIndexes();                      // closes every index file; record order
    void deleteIndexFile();                   // closes and deletes the structural .CDX
    bool hasStructuralIndex() const;

    // Temporary single-tag index files (.idx): created empty on an expression,
    // filled key by key, then made the current order; navigation sees only their records.
    // Each returns the temp index's order number (after the structural tags) and
    // makes it the current order. One temp index is open at a time.
    int createTempIndex(const std::string& path, const std::string& expression, bool descending = false);
    int openTempIndex(const std::string& path);
    void closeTempIndex();                         // record order when it was current
    void keyAdd();                                 // adds the current record's key to the temp index
    void keyAdd(std::uint32_t recno);              // adds that record's key

    // ---- positioning (honour order, filter, hide-deleted) ----
    bool first();
    bool last();
    bool next();
    bool prior();
    bool eof() const;
    bool bof() const;
    bool go(std::uint32_t recno);   // to this record even when hidden by the filter; false when out of range
    std::uint32_t recNo() const;    // recordCount() + 1 at the end or on a new record
    std::uint32_t recordCount() const;
    // Seek in the current tag. A character key shorter than the key length
    // matches by prefix unless exact is on. Returns found(); on a miss with soft
    // seek on, stays on the next key (eof when none).
    bool seek(std::string_view key);
    bool seekNumber(double value);
    bool found() const;
    // Limits navigation in the current tag to keys within [low, high] (by prefix); empty clears.
    void setScope(std::string_view low, std::string_view high);
    void clearScope();

    // ---- filter ----
    void setFilter(const std::string& expression);  // "" clears; throws ExprError
    const std::string& filter() const;
    std::uint32_t filterCount();                    // records the filter and hide-deleted admit
    bool testExpression(const std::string& expression, std::string* error = nullptr) const;
    bool evalLogical(const std::string& expression) const;  // on the current record
    Value evaluate(const std::string& expression) const;

    // ---- records ----
    bool hasRecord() const;        // a current record (not at eof/bof, or a new record)
    std::string getString(std::string_view field) const;   // trailing blanks removed; memo text for M
    std::string getRaw(std::string_view field) const;      // field bytes as stored
    // The number a field holds; 0 when it is blank and, as VAL() reads it,
    // the leading number of anything else ("12abc" is 12, "abc" is 0).
    double getNumber(std::string_view field) const;
    // The same, strictly: nullopt when a non-blank field holds text that is
    // not a whole number, so callers can report damaged values.
    std::optional<double> readNumber(std::string_view field) const;
    bool getLogical(std::string_view field) const;
    std::string getMemo(std::string_view field) const;
    bool isEmpty(std::string_view field) const;
    bool deleted() const;          // engine deletion flag of the current record

    void edit();                   // start changing the current record
    void append();                 // a blank new record (also in an empty table)
    bool editing() const;
    bool appending() const;
    void setString(std::string_view field, std::string_view value);  // cut to width
    void setNumber(std::string_view field, double value);
    void setLogical(std::string_view field, bool value);
    void setMemo(std::string_view field, std::string_view text);
    void post();                   // writes the record, updates changed keys
    void cancel();
    void deleteRecord();           // engine flag on the current record (posted at once)
    void recall();

    // Drops flagged records / all records. The kept records, their memos and
    // a new index are written under temporary names, then renamed into place
    // together (a crash leaves either the old files or the new ones); any
    // failure before that leaves the table as it was. `progress` follows the
    // copy, options.indexProgress the index build.
    PackResult pack(const ProgressFn& progress = {}, const PackOptions& options = {});
    void zap();
    // Builds these tags into a new index file beside the table and renames it
    // over the old one only when complete; the last tag becomes current. A
    // failure leaves the old index as it was.
    void rebuildIndex(const std::vector<TagDef>& tags, const ProgressFn& progress = {});
    // Writes everything cached (index pages, header) to disk.
    void flush();

    // ---- checks ----
    // Header against file size, memo references, every tag's keys recomputed and
    // in order. One line per problem; empty when the table is sound.
    std::vector<std::string> check(const ProgressFn& progress = {});

    struct Impl;

private:
    explicit Table(std::unique_ptr<Impl> impl);
    void checkIndex(std::vector<std::string>& problems, const ProgressFn& progress);
    bool seekLocked(std::string_view key);
    std::unique_ptr<Impl> impl_;
};

}  // namespace brindle::store
