#include "store/Table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "store/Bitmap.h"
#include "store/Cp1252.h"
#include "store/DbfFile.h"
#include "store/MemoFile.h"
#include "store/TagSort.h"

namespace brindle::store {

namespace fs = std::filesystem;

namespace {

std::string rtrim(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
    return std::string(s.substr(0, n));
}

std::string ltrim(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return std::string(s.substr(i));
}

// Files of a pack under way, all named after the table: the copies of the
// table, its memo file and its index, and the "<table>.packlog" that says the
// copies are complete and lists how they replace the originals.
std::string packTemp(const std::string& dbfPath) { return dbfPath + ".packing"; }
std::string packTempMemo(const std::string& dbfPath) { return dbfPath + ".packing-memo"; }
std::string packTempIndex(const std::string& dbfPath) { return dbfPath + ".packing-index"; }
std::string packLog(const std::string& dbfPath) { return dbfPath + ".packlog"; }
// An index rebuilt beside the table before it replaces the old one.
std::string stagedIndexOf(const std::string& dbfPath) { return dbfPath + ".indexing"; }

constexpr std::string_view kLogHeading = "brindle pack 2\n";

void removeQuietly(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

std::string folderOf(const std::string& path) {
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

// One step of a pack's commit: a copy renamed over its original, or an
// original removed (the index of a table that no longer has tags).
struct LogStep {
    bool rename = true;
    std::string from;  // path of the copy (renames only)
    std::string to;    // path of the original
};

void syncFolderOf(const std::string& path) {
    fs::path dir = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : fs::path(".");
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes the log that makes a pack's copies authoritative: file names only
// (every file lies in the table's folder), one step a line. It appears whole
// or not at all (written beside, synced, renamed).
void writePackLog(const std::string& dbfPath, const std::vector<LogStep>& steps) {
    std::string text(kLogHeading);
    for (const auto& s : steps) {
        const std::string from = fs::path(s.from).filename().string();
        const std::string to = fs::path(s.to).filename().string();
        if (from.find_first_of("\t\n") != std::string::npos || to.find_first_of("\t\n") != std::string::npos)
            throw StoreError("Cannot pack " + dbfPath + ": its file names hold tabs or line breaks");
        text += s.rename ? "rename\t" + from + "\t" + to + "\n" : "remove\t" + to + "\n";
    }
    const std::string log = packLog(dbfPath);
    const std::string fresh = log + ".new";
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw StoreError("Cannot write " + fresh + ": " + std::strerror(errno));
    try {
        writeExact(fd, text.data(), text.size(), 0, fresh);
        syncFile(fd, fresh);
    } catch (...) {
        ::close(fd);
        removeQuietly(fresh);
        throw;
    }
    ::close(fd);
    std::error_code ec;
    fs::rename(fresh, log, ec);
    if (ec) {
        removeQuietly(fresh);
        throw StoreError("Cannot write " + log + ": " + ec.message());
    }
    syncFolderOf(dbfPath);
}

// Finishes or discards a pack that a crash interrupted: with the log present
// the copies are complete and replace the originals (each step can be done
// again without harm); without it the copies are incomplete and the
// originals are untouched. `legacyMemo` serves logs of the first format
// (empty files), which renamed "<memo>.packing" over the memo file.
void recoverPack(const std::string& dbfPath, const std::string& legacyMemo) {
    const std::string log = packLog(dbfPath);
    const std::string folder = folderOf(dbfPath);
    std::error_code ec;
    removeQuietly(log + ".new");
    if (fs::exists(log, ec)) {
        std::string text;
        {
            std::ifstream in(log, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        if (text.rfind(kLogHeading, 0) == 0) {
            std::size_t pos = kLogHeading.size();
            while (pos < text.size()) {
                std::size_t eol = text.find('\n', pos);
                if (eol == std::string::npos) eol = text.size();
                const std::string line = text.substr(pos, eol - pos);
                pos = eol + 1;
                const std::size_t t1 = line.find('\t');
                if (t1 == std::string::npos) continue;
                const std::string verb = line.substr(0, t1);
                const std::size_t t2 = line.find('\t', t1 + 1);
                if (verb == "rename" && t2 != std::string::npos) {
                    const std::string from = (fs::path(folder) / line.substr(t1 + 1, t2 - t1 - 1)).string();
                    const std::string to = (fs::path(folder) / line.substr(t2 + 1)).string();
                    if (fs::exists(from, ec)) fs::rename(from, to, ec);
                } else if (verb == "remove") {
                    removeQuietly((fs::path(folder) / line.substr(t1 + 1)).string());
                }
            }
        } else {
            if (!legacyMemo.empty() && fs::exists(legacyMemo + ".packing", ec))
                fs::rename(legacyMemo + ".packing", legacyMemo, ec);
            if (fs::exists(packTemp(dbfPath), ec)) fs::rename(packTemp(dbfPath), dbfPath, ec);
        }
        syncFolderOf(dbfPath);
        removeQuietly(log);
    } else {
        removeQuietly(packTemp(dbfPath));
        removeQuietly(packTempMemo(dbfPath));
        removeQuietly(packTempIndex(dbfPath));
        if (!legacyMemo.empty()) removeQuietly(legacyMemo + ".packing");
    }
    removeQuietly(stagedIndexOf(dbfPath));
}

// What an interrupted pack or index rebuild left beside the table, and what
// finishes or clears it; empty when nothing is left.
std::string unfinishedWorkOf(const std::string& dbfPath) {
    std::error_code ec;
    if (fs::exists(packLog(dbfPath), ec))
        return "an interrupted pack is complete but not yet in place; opening the table for writing "
               "(brindle-db reindex, or opening it in the program) finishes it";
    std::string left;
    for (const auto& p : {packTemp(dbfPath), packTempMemo(dbfPath), packTempIndex(dbfPath), stagedIndexOf(dbfPath)}) {
        if (fs::exists(p, ec)) left += (left.empty() ? "" : ", ") + fs::path(p).filename().string();
    }
    if (left.empty()) return {};
    return "work files of an unfinished pack or index rebuild lie beside the table (" + left +
           "); opening the table for writing removes them";
}

bool isCompare(const std::string& op) {
    return op == "=" || op == "<" || op == "<=" || op == ">" || op == ">=";
}

// True when every value of the node has exactly node.width bytes.
bool fixedWidth(const ExprNode& n) {
    if (n.type != ValueType::Character) return false;
    switch (n.kind) {
        case NodeKind::Field: return true;
        case NodeKind::Literal: return true;
        case NodeKind::Call:
            return (n.op == "UPPER" || n.op == "LOWER") && n.args.size() == 1 && fixedWidth(*n.args[0]);
        case NodeKind::Binary:
            return n.op == "+" && n.args.size() == 2 && fixedWidth(*n.args[0]) && fixedWidth(*n.args[1]);
        default: return false;
    }
}

}  // namespace

// A plan result: a set of records (nullopt = every record) and whether the set
// is exactly the records the condition admits, or only a superset of them.
struct PlanBits {
    std::optional<Bitmap> bits;
    bool exact = false;
};

struct Table::Impl {
    std::unique_ptr<DbfFile> dbf;
    std::unique_ptr<MemoFile> memo;
    std::string memoPath;
    std::unique_ptr<IndexFile> cdx;
    std::string cdxPath;
    std::string indexProblem;
    std::vector<std::unique_ptr<Expression>> tagExprs;  // parallel to the CDX's tags
    std::vector<std::unique_ptr<Expression>> tagFors;

    std::unique_ptr<IndexFile> temp;
    std::unique_ptr<Expression> tempExpr;

    int order = 0;  // 0 record order, 1..n structural tags, n+1 the temp index
    IndexTag* active = nullptr;
    const Expression* activeExpr = nullptr;
    std::unique_ptr<IndexTag::Cursor> cursor;

    bool exact = false;
    bool softSeek = false;
    bool hideDeleted = true;
    bool found = false;

    std::uint32_t recno = 0;
    bool atEof = true;
    bool atBof = true;
    std::string rec;
    std::string orig;
    bool editing = false;
    bool appending = false;
    std::uint32_t beforeAppend = 0;
    std::map<int, std::string> pendingMemos;

    std::string filterText;
    std::unique_ptr<Expression> filterExpr;
    // Records navigation may show (filter and hide-deleted), kept for
    // exclusive and read-only opens; invalid until first needed.
    Bitmap visible;
    bool visibleValid = false;
    Bitmap deletedBits;
    bool deletedValid = false;

    std::string scopeLow, scopeHigh;
    bool scoped = false;

    // Reads a memo of the record an expression is evaluating: the edit
    // buffer's pending texts when it is the current record, otherwise the
    // text its block pointer names (old blocks are never overwritten, so a
    // record's original bytes still find their text after a post).
    std::function<std::string(const char*, int)> memoReader;

    // Shared opens: how long to wait for another user's lock, and the record
    // this open holds locked while it edits.
    std::chrono::milliseconds lockWait{5000};
    std::uint32_t lockedRecord = 0;

    // Memory a tag build may use (see BuildOptions).
    std::size_t buildMemory = BuildOptions().memory;

    // The index lock of a shared open for the span of one operation (a read
    // lock to move through the index, a write lock to change it); nothing for
    // other opens. finish() commits; leaving without it (an exception) lets
    // the lock go without writing a half-done change.
    class IndexAccess {
    public:
        IndexAccess(Impl& m, bool write) : m_(m) {
            if (m.dbf && m.dbf->mode() == OpenMode::Shared && m.cdx) {
                m.cdx->beginAccess(write, m.lockWait);
                held_ = true;
            }
        }
        void finish() {
            if (held_) {
                held_ = false;
                m_.cdx->endAccess(true);
            }
        }
        ~IndexAccess() {
            if (held_ && m_.cdx) {
                try {
                    m_.cdx->endAccess(false);
                } catch (...) {
                }
            }
        }
        IndexAccess(const IndexAccess&) = delete;
        IndexAccess& operator=(const IndexAccess&) = delete;

    private:
        Impl& m_;
        bool held_ = false;
    };

    // ---------- helpers ----------
    const Schema& schema() const { return dbf->schema(); }
    std::uint32_t count() const { return dbf->recordCount(); }
    bool cacheable() const { return dbf->mode() != OpenMode::Shared; }

    void requireOpen() const {
        if (!dbf) throw StoreError("The table is not open");
    }

    int field(std::string_view name) const {
        requireOpen();
        int i = schema().find(name);
        if (i < 0) throw StoreError("Field \"" + std::string(name) + "\" does not exist in " + dbf->path());
        return i;
    }

    EvalContext context(const char* record, std::uint32_t r) const {
        EvalContext ctx;
        ctx.record = record;
        ctx.recno = r;
        ctx.exact = exact;
        ctx.memo = &memoReader;
        return ctx;
    }

    std::string readMemoOf(const char* record, int f) const {
        const FieldInfo& fi = schema().fields[static_cast<std::size_t>(f)];
        if (fi.type != 'M' && fi.type != 'G' && fi.type != 'P') return {};
        if (!memo) return {};
        return memo->read(memoBlockOf(record + fi.offset, fi.width));
    }

    void loadTags() {
        tagExprs.clear();
        tagFors.clear();
        if (!cdx) return;
        try {
            for (const auto& t : cdx->tags()) {
                tagExprs.push_back(Expression::compile(t.expression, schema()));
                tagFors.push_back(t.forExpression.empty() ? nullptr : Expression::compile(t.forExpression, schema()));
                if (tagExprs.back()->keyLength() != t.keyLength)
                    throw FormatError("tag " + t.name + " has key length " + std::to_string(t.keyLength) +
                                      " but its expression gives " + std::to_string(tagExprs.back()->keyLength()));
            }
        } catch (const StoreError& e) {
            indexProblem = cdxPath + " cannot be used: " + e.what();
            cdx.reset();
            tagExprs.clear();
            tagFors.clear();
        }
    }

    // Key types of tags in index files that do not record them, from the
    // type of the key expression on this table's fields.
    KeyTypeFn keyTypeJudge() const {
        return [s = schema()](const std::string& expression) -> std::optional<bool> {
            try {
                return Expression::compile(expression, s)->type() == ValueType::Character;
            } catch (const StoreError&) {
                return std::nullopt;
            }
        };
    }

    void openIndex() {
        cdxPath = siblingPath(dbf->path(), ".CDX");
        std::error_code ec;
        if (!fs::exists(cdxPath, ec)) {
            if (dbf->structuralFlag()) indexProblem = "The index file " + cdxPath + " is missing";
            return;
        }
        try {
            cdx = IndexFile::open(cdxPath, dbf->mode(), keyTypeJudge());
        } catch (const StoreError& e) {
            indexProblem = e.what();
            cdx.reset();
            return;
        }
        loadTags();
    }

    int structuralCount() const { return cdx ? cdx->tagCount() : 0; }
    int tempOrder() const { return temp ? structuralCount() + 1 : 0; }

    void activate(int ord) {
        order = 0;
        active = nullptr;
        activeExpr = nullptr;
        cursor.reset();
        scoped = false;
        if (ord >= 1 && ord <= structuralCount()) {
            order = ord;
            active = cdx->tag(ord - 1);
            activeExpr = tagExprs[static_cast<std::size_t>(ord - 1)].get();
        } else if (temp && ord == tempOrder()) {
            order = ord;
            active = temp->tag(0);
            activeExpr = tempExpr.get();
        }
        if (active) cursor = active->cursor();
    }

    bool descending() const { return active && active->info().descending; }

    // ---------- visibility ----------
    bool recordDeleted(std::uint32_t r) { return dbf->record(r)[0] == '*'; }

    void ensureDeletedBits() {
        if (deletedValid) return;
        deletedBits.reset(count(), false);
        if (IndexTag* t = findTagByCanonical("DELETED()")) {
            auto c = t->cursor();
            for (bool ok = c->seek("T"); ok && !c->key().empty() && c->key()[0] == 'T'; ok = c->next())
                deletedBits.set(c->recno());
        } else {
            dbf->setTurbo(true);
            for (std::uint32_t r = 1; r <= count(); ++r)
                if (dbf->record(r)[0] == '*') deletedBits.set(r);
            dbf->setTurbo(false);
        }
        deletedValid = true;
    }

    IndexTag* findTagByCanonical(const std::string& canon, int* index = nullptr) {
        for (int i = 0; i < structuralCount(); ++i) {
            if (tagFors[static_cast<std::size_t>(i)]) continue;
            if (tagExprs[static_cast<std::size_t>(i)]->canonical() == canon) {
                if (index) *index = i;
                return cdx->tag(i);
            }
        }
        return nullptr;
    }

    bool evalFilter(const char* record, std::uint32_t r) const {
        if (!filterExpr) return true;
        return filterExpr->evaluateLogical(context(record, r));
    }

    // Recomputes the visibility of every record from the filter plan.
    void computeVisible() {
        const std::uint32_t n = count();
        PlanBits plan;
        if (filterExpr) plan = planNode(filterExpr->root());
        if (hideDeleted) {
            ensureDeletedBits();
            Bitmap alive = deletedBits;
            alive.invert();
            if (plan.bits) plan.bits->andWith(alive);
            else plan.bits = std::move(alive);
        }
        if (!plan.bits) plan.bits = Bitmap(n, true);
        if (filterExpr && !plan.exact) {
            Bitmap& b = *plan.bits;
            dbf->setTurbo(true);
            for (std::uint32_t r = b.nextSet(1); r != 0; r = b.nextSet(r + 1)) {
                if (!evalFilter(dbf->record(r), r)) b.set(r, false);
            }
            dbf->setTurbo(false);
        }
        visible = std::move(*plan.bits);
        visibleValid = true;
    }

    // A filter is planned into a bitmap once. Hidden deleted records alone use
    // one only when a DELETED() tag answers them; otherwise each record's flag
    // is read as navigation reaches it, so opening a large table costs nothing.
    bool useBitmap() {
        if (!cacheable()) return false;
        if (filterExpr) return true;
        return hideDeleted && findTagByCanonical("DELETED()") != nullptr;
    }

    bool isVisible(std::uint32_t r) {
        // A shared open may meet records another program appended since it
        // last read the count (through the index, or stepping past the end).
        if (r > count() && !cacheable()) dbf->refreshCount();
        if (r < 1 || r > count()) return false;
        if (useBitmap()) {
            if (!visibleValid) computeVisible();
            return visible.test(r);
        }
        if (!filterExpr && !hideDeleted) return true;
        const char* p = dbf->record(r);
        if (hideDeleted && p[0] == '*') return false;
        return evalFilter(p, r);
    }

    // Keeps the bitmaps right after record r changed or was added.
    void noteChanged(std::uint32_t r, const char* record) {
        if (deletedValid) {
            deletedBits.grow(count());
            deletedBits.set(r, record[0] == '*');
        }
        if (visibleValid) {
            visible.grow(count());
            bool v = !(hideDeleted && record[0] == '*');
            if (v && filterExpr) v = evalFilter(record, r);
            visible.set(r, v);
        }
    }

    void invalidateBitmaps() {
        visibleValid = false;
        deletedValid = false;
    }

    // ---------- filter plan ----------
    PlanBits planNode(const ExprNode& n) {
        if (n.constant && n.type == ValueType::Logical) {
            Value v = Expression::evaluateConstant(n);
            PlanBits p;
            p.exact = true;
            if (!v.log) p.bits = Bitmap(count(), false);
            return p;
        }
        if (n.kind == NodeKind::Binary && (n.op == ".AND." || n.op == ".OR.")) {
            PlanBits a = planNode(*n.args[0]);
            PlanBits b = planNode(*n.args[1]);
            PlanBits r;
            if (n.op == ".AND.") {
                r.exact = a.exact && b.exact;
                if (a.bits && b.bits) {
                    a.bits->andWith(*b.bits);
                    r.bits = std::move(a.bits);
                } else {
                    r.bits = a.bits ? std::move(a.bits) : std::move(b.bits);
                }
            } else {
                if (!a.bits || !b.bits) {
                    r.exact = (!a.bits && a.exact) || (!b.bits && b.exact);
                } else {
                    a.bits->orWith(*b.bits);
                    r.bits = std::move(a.bits);
                    r.exact = a.exact && b.exact;
                }
            }
            return r;
        }
        if (n.kind == NodeKind::Unary && n.op == ".NOT.") {
            PlanBits c = planNode(*n.args[0]);
            if (c.exact) {
                PlanBits r;
                r.exact = true;
                if (c.bits) {
                    c.bits->invert();
                    r.bits = std::move(c.bits);
                } else {
                    r.bits = Bitmap(count(), false);
                }
                return r;
            }
        }
        if (n.type == ValueType::Logical && n.kind != NodeKind::Binary) {
            if (IndexTag* t = findTagByCanonical(n.canonical())) {
                if (t->info().keyLength == 1) return keysWithPrefix(t, "T");
            }
        }
        if (n.kind == NodeKind::Binary && isCompare(n.op) && n.args.size() == 2 && n.args[1]->constant &&
            n.args[0]->type == ValueType::Character && n.args[1]->type == ValueType::Character) {
            if (auto p = planCompare(*n.args[0], n.op, Expression::evaluateConstant(*n.args[1]).str)) return *p;
        }
        return PlanBits{};  // every record, not exact
    }

    PlanBits keysWithPrefix(IndexTag* t, std::string_view prefix) {
        PlanBits p;
        p.exact = true;
        p.bits = Bitmap(count(), false);
        auto c = t->cursor();
        for (bool ok = c->seek(prefix); ok && c->key().substr(0, prefix.size()) == prefix; ok = c->next())
            p.bits->set(c->recno());
        return p;
    }

    // A tag whose key starts with the value of `lhs` (fixed width) or equals it.
    IndexTag* tagForPrefix(const ExprNode& lhs, int& width) {
        const std::string canon = lhs.canonical();
        for (int i = 0; i < structuralCount(); ++i) {
            if (tagFors[static_cast<std::size_t>(i)]) continue;
            const Expression& e = *tagExprs[static_cast<std::size_t>(i)];
            if (e.type() != ValueType::Character) continue;
            if (e.canonical() == canon) {
                width = e.keyLength();
                if (fixedWidth(lhs)) width = std::min(width, lhs.width);
                return cdx->tag(i);
            }
        }
        if (!fixedWidth(lhs)) return nullptr;
        for (int i = 0; i < structuralCount(); ++i) {
            if (tagFors[static_cast<std::size_t>(i)]) continue;
            const Expression& e = *tagExprs[static_cast<std::size_t>(i)];
            if (e.type() != ValueType::Character) continue;
            // Walk the left spine of a concatenation: A+B+C starts with A and with A+B.
            const ExprNode* node = &e.root();
            while (node->kind == NodeKind::Binary && node->op == "+" && node->args.size() == 2) {
                const ExprNode& left = *node->args[0];
                if (left.canonical() == canon && fixedWidth(left)) {
                    width = lhs.width;
                    return cdx->tag(i);
                }
                node = &left;
            }
        }
        return nullptr;
    }

    std::optional<PlanBits> planCompare(const ExprNode& lhs, const std::string& op, const std::string& value) {
        int width = 0;
        IndexTag* t = tagForPrefix(lhs, width);
        if (!t || width <= 0) return std::nullopt;
        if (op == "=") {
            if (!exact) {
                if (value.empty()) {
                    PlanBits all;
                    all.exact = true;
                    return all;
                }
                if (static_cast<int>(value.size()) > width) return std::nullopt;
                return keysWithPrefix(t, value);
            }
            std::string v = rtrim(value);
            if (static_cast<int>(v.size()) > width) {
                PlanBits none;
                none.exact = true;
                none.bits = Bitmap(count(), false);
                return none;
            }
            v.resize(static_cast<std::size_t>(width), ' ');
            return keysWithPrefix(t, v);
        }
        // Ranges: the records whose leading bytes compare the right way are a
        // superset of the matches; the filter itself decides each candidate.
        if (value.empty() || static_cast<int>(value.size()) > width) return std::nullopt;
        PlanBits p;
        p.exact = false;
        p.bits = Bitmap(count(), false);
        auto c = t->cursor();
        const std::size_t len = value.size();
        if (op == ">" || op == ">=") {
            for (bool ok = c->seek(value); ok; ok = c->next()) p.bits->set(c->recno());
        } else {
            for (bool ok = c->first(); ok && c->key().substr(0, len) <= std::string_view(value); ok = c->next())
                p.bits->set(c->recno());
        }
        return p;
    }

    // ---------- positioning ----------
    void loadCurrent() { rec.assign(dbf->record(recno), static_cast<std::size_t>(schema().recordLength)); }

    void setEof() {
        recno = count() + 1;
        atEof = true;
        rec.assign(static_cast<std::size_t>(schema().recordLength), ' ');
    }

    void settle(std::uint32_t r) {
        recno = r;
        atEof = false;
        atBof = false;
        loadCurrent();
    }

    bool inScopeHigh(std::string_view key) const {
        return !scoped || scopeHigh.empty() || key.substr(0, scopeHigh.size()) <= std::string_view(scopeHigh);
    }
    bool inScopeLow(std::string_view key) const {
        return !scoped || scopeLow.empty() || key.substr(0, scopeLow.size()) >= std::string_view(scopeLow);
    }

    bool stepCursor(bool forward) {
        return (forward != descending()) ? cursor->next() : cursor->prev();
    }

    // Moves the cursor from its position (inclusive) to the first visible
    // record in scope in the given direction.
    bool scanCursor(bool ok, bool forward) {
        while (ok) {
            std::string_view k = cursor->key();
            if (forward ? !inScopeHigh(k) : !inScopeLow(k)) return false;
            if (forward ? inScopeLow(k) : inScopeHigh(k)) {
                if (isVisible(cursor->recno())) return true;
            }
            ok = stepCursor(forward);
        }
        return false;
    }

    bool cursorStart(bool forward) {
        if (forward) {
            if (descending()) return cursor->last();
            if (scoped && !scopeLow.empty()) return cursor->seek(scopeLow);
            return cursor->first();
        }
        if (descending()) return cursor->first();
        if (scoped && !scopeHigh.empty()) {
            // Past the last key with the high prefix, then one back.
            std::string after = scopeHigh;
            bool ok = false;
            while (!after.empty()) {
                auto& last = after.back();
                if (static_cast<unsigned char>(last) < 0xFF) {
                    last = static_cast<char>(static_cast<unsigned char>(last) + 1);
                    ok = true;
                    break;
                }
                after.pop_back();
            }
            if (ok && cursor->seek(after)) return cursor->prev();
            return cursor->last();
        }
        return cursor->last();
    }

    std::string keyOf(const Expression& e, const char* record, std::uint32_t r) const {
        std::string k;
        e.evaluateKey(context(record, r), k);
        return k;
    }

    // Puts the cursor on the current record's entry.
    bool syncCursor() {
        if (!active || atEof || recno < 1 || recno > count()) return false;
        // The cursor may still stand on an entry of this record that an edit
        // has since replaced, so its key must be the record's key now.
        const std::string k = keyOf(*activeExpr, dbf->record(recno), recno);
        if (cursor->valid() && cursor->recno() == recno && cursor->key() == k) return true;
        return cursor->seek(k, recno) && cursor->recno() == recno && cursor->key() == k;
    }

    bool goFirst() {
        atBof = false;
        if (!active) {
            std::uint32_t r = 1;
            if (useBitmap()) {
                if (!visibleValid) computeVisible();
                r = visible.nextSet(1);
                if (r == 0) r = count() + 1;
            } else {
                while (r <= count() && !isVisible(r)) ++r;
            }
            if (r >= 1 && r <= count()) {
                settle(r);
                return true;
            }
            setEof();
            atBof = true;
            return false;
        }
        if (scanCursor(cursorStart(true), true)) {
            settle(cursor->recno());
            return true;
        }
        setEof();
        atBof = true;
        return false;
    }

    bool goLast() {
        atEof = false;
        if (!active) {
            std::uint32_t r = count();
            if (useBitmap()) {
                if (!visibleValid) computeVisible();
                r = visible.prevSet(count());
            } else {
                while (r >= 1 && !isVisible(r)) --r;
            }
            if (r >= 1) {
                settle(r);
                return true;
            }
            setEof();
            atBof = true;
            return false;
        }
        if (scanCursor(cursorStart(false), false)) {
            settle(cursor->recno());
            return true;
        }
        setEof();
        atBof = true;
        return false;
    }

    bool skip(bool forward) {
        if (forward && atEof) return false;
        if (!forward && atEof) return goLast();
        if (!active) {
            std::uint32_t r = recno;
            if (useBitmap()) {
                if (!visibleValid) computeVisible();
                r = forward ? visible.nextSet(r + 1) : (r > 1 ? visible.prevSet(r - 1) : 0);
            } else {
                if (forward && r >= count() && !cacheable()) dbf->refreshCount();
                do {
                    r = forward ? r + 1 : r - 1;
                } while (r >= 1 && r <= count() && !isVisible(r));
                if (r > count()) r = 0;
            }
            if (r >= 1 && r <= count()) {
                settle(r);
                return true;
            }
        } else {
            // Step from the entry the cursor stands on when it is this
            // record's, even when that entry's key is not the one the record
            // gives (a damaged or stale index): walking then follows the
            // index's own sequence and always ends.
            bool ok = cursor->valid() && cursor->recno() == recno;
            if (!ok) ok = syncCursor();
            if (!ok) {
                // The current record is not in this order (e.g. a temp index):
                // continue from where its key would stand.
                const std::string k = keyOf(*activeExpr, dbf->record(recno), recno);
                ok = cursor->seek(k, recno);
                if (!forward) ok = ok ? cursor->prev() : cursor->last();
                if (scanCursor(ok, forward)) {
                    // The entry found must lie strictly beyond (key, record):
                    // landing on this record again means the tag holds a key
                    // its record does not give, and stepping on would never end.
                    if (cursor->recno() == recno) throw staleKey();
                    settle(cursor->recno());
                    return true;
                }
            } else if (scanCursor(stepCursor(forward), forward)) {
                settle(cursor->recno());
                return true;
            }
        }
        if (forward) {
            setEof();
            return false;
        }
        // Before the first record: stay on it with the beginning flag set.
        goFirst();
        atBof = true;
        return false;
    }

    FormatError staleKey() const {
        const bool inTemp = temp && order == tempOrder();
        const std::string name =
            inTemp ? "the temporary index" : "tag " + cdx->tags()[static_cast<std::size_t>(order - 1)].name;
        return FormatError((inTemp ? temp->path() : cdxPath) + ": " + name + " holds a key for record " +
                           std::to_string(recno) +
                           " that the record does not give (the index is damaged or out of date; rebuild it)");
    }

    // ---------- writing ----------
    void requireWritable() const {
        requireOpen();
        if (!dbf->writable()) throw StoreError(dbf->path() + " is open read-only");
    }

    void writeMemos() {
        for (auto& [f, text] : pendingMemos) {
            const FieldInfo& fi = schema().fields[static_cast<std::size_t>(f)];
            if (!memo) throw StoreError(dbf->path() + " has no memo file");
            const std::uint32_t block = memo->write(text);
            setMemoBlock(rec.data() + fi.offset, fi.width, block);
        }
        pendingMemos.clear();
    }

    void updateKeys(const char* before, const char* after, std::uint32_t r) {
        for (int i = 0; i < structuralCount(); ++i) {
            const auto idx = static_cast<std::size_t>(i);
            IndexTag* t = cdx->tag(i);
            const Expression& e = *tagExprs[idx];
            const Expression* f = tagFors[idx].get();
            std::string oldKey, newKey;
            bool oldIn = false, newIn = false;
            if (before) {
                oldIn = !f || f->evaluateLogical(context(before, r));
                if (oldIn) e.evaluateKey(context(before, r), oldKey);
            }
            newIn = !f || f->evaluateLogical(context(after, r));
            if (newIn) e.evaluateKey(context(after, r), newKey);
            if (oldIn && newIn && oldKey == newKey) continue;
            if (oldIn) t->remove(oldKey, r);
            if (newIn) t->insert(newKey, r);
        }
        // A temporary index holds only the records a check chose: a chosen
        // record whose key changed moves to its new place; others stay out.
        if (temp && tempExpr && before) {
            const std::string oldKey = keyOf(*tempExpr, before, r);
            const std::string newKey = keyOf(*tempExpr, after, r);
            if (oldKey != newKey) {
                IndexTag* t = temp->tag(0);
                if (t->remove(oldKey, r)) t->insert(newKey, r);
            }
        }
    }

    void postRecord() {
        requireWritable();
        if (!editing && !appending) return;
        // Memo texts first, then the record that points at them, then keys:
        // a process killed at any step leaves every record posted before
        // intact (the kernel keeps what was written; flush() syncs to disk).
        // Shared opens hold the record's lock from edit() to here, append
        // under the header lock and change the index under its lock.
        writeMemos();
        std::uint32_t r;
        if (appending) {
            r = dbf->appendRecord(rec.data());
        } else {
            r = recno;
            dbf->writeRecord(r, rec.data());
        }
        {
            IndexAccess access(*this, true);
            updateKeys(appending ? nullptr : orig.data(), rec.data(), r);
            noteChanged(r, rec.data());
            editing = false;
            appending = false;
            recno = r;
            atEof = false;
            atBof = false;
            if (active) syncCursor();
            access.finish();
        }
        releaseRecordLock();
    }

    // ---------- shared opens ----------
    bool shared() const { return dbf && dbf->mode() == OpenMode::Shared; }

    void releaseRecordLock() {
        if (lockedRecord && dbf) dbf->unlockRecord(lockedRecord);
        lockedRecord = 0;
    }

    void requireExclusive(const char* what) const {
        requireWritable();
        if (dbf->mode() != OpenMode::Exclusive)
            throw StoreError(dbf->path() + " must be open exclusively to " + what +
                             " (other programs sharing the table could not follow the change)");
    }

    void blankRecord() {
        rec.assign(static_cast<std::size_t>(schema().recordLength), ' ');
    }

    void setFieldBytes(int f, std::string_view value) {
        const FieldInfo& fi = schema().fields[static_cast<std::size_t>(f)];
        char* p = rec.data() + fi.offset;
        const std::size_t w = static_cast<std::size_t>(fi.width);
        std::memset(p, ' ', w);
        std::memcpy(p, value.data(), std::min(w, value.size()));
    }

    void requireEditing() const {
        if (!editing && !appending) throw StoreError("The record is not being edited (call edit or append first)");
    }

    void installMemoReader() {
        Impl* self = this;
        memoReader = [self](const char* record, int f) -> std::string {
            if (record == self->rec.data()) {
                auto it = self->pendingMemos.find(f);
                if (it != self->pendingMemos.end()) return it->second;
                if (self->atEof && !self->appending) return {};
            }
            return self->readMemoOf(record, f);
        };
    }

    // ---------- tags and pack ----------
    void buildTagsInto(IndexFile& file, const std::vector<TagDef>& defs, const ProgressFn& progress);
    PackResult rewrite(bool keepRecords, const PackOptions& options, const ProgressFn& progress);
};

MemoDamageError::MemoDamageError(const std::string& path, std::vector<MemoDamage> damage)
    : FormatError(path + ": " + std::to_string(damage.size()) + " memo" + (damage.size() == 1 ? "" : "s") +
                  " cannot be read (first: record " + std::to_string(damage.empty() ? 0 : damage[0].recno) +
                  (damage.empty() ? std::string() : ", field " + damage[0].field + ": " + damage[0].problem) + ")"),
      damage_(std::move(damage)) {}

// ====================================================================

Table::Table(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Table::~Table() {
    try {
        close();
    } catch (...) {
    }
}

void Table::create(const std::string& path, const std::vector<FieldDef>& fields, bool overwrite) {
    bool hasMemo = false;
    for (const auto& f : fields) hasMemo = hasMemo || std::toupper(static_cast<unsigned char>(f.type)) == 'M';
    DbfFile::buildHeader(fields, 0, false);  // a bad field list fails before any file is touched
    // On a case-sensitive file system "FRIENDS.DBF" beside "friends.dbf" is
    // the same table to every xBase program: creating it would take over the
    // other's index and memo files.
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        if (const std::string twin = caseTwinOf(path); !twin.empty())
            throw StoreError("Cannot create " + path + ": the table " + twin +
                             " already exists, and names that differ only in letter case name the same table");
    }
    // Exclusive from here on: nothing below happens to a table in use.
    auto dbf = DbfFile::create(path, fields, overwrite);
    // Files left by an earlier table of this name would be taken for the new
    // one's: its index, its memo file, an unfinished pack's copies.
    for (const auto& p : ownedSiblings(path, ".CDX")) removeQuietly(p);
    for (const auto& p : ownedSiblings(path, ".FPT")) removeQuietly(p);
    removeQuietly(packLog(path));
    removeQuietly(packTemp(path));
    removeQuietly(stagedIndexOf(path));
    if (hasMemo) {
        fs::path fpt(path);
        const std::string ext = fpt.extension().string();
        const bool lower = !ext.empty() && std::islower(static_cast<unsigned char>(ext.back()));
        fpt.replace_extension(lower ? ".fpt" : ".FPT");
        try {
            MemoFile::createFpt(fpt.string());
        } catch (...) {
            removeQuietly(path);
            throw;
        }
    }
}

std::unique_ptr<Table> Table::open(const std::string& folder, const std::string& fileName, OpenMode mode) {
    return open(resolvePathIgnoringCase(folder, fileName), mode);
}

std::unique_ptr<Table> Table::open(const std::string& path, OpenMode mode) {
    std::error_code ec;
    if (!fs::exists(path, ec)) throw StoreError("File " + path + " not found");
    auto impl = std::make_unique<Impl>();
    impl->dbf = DbfFile::open(path, mode);
    // Only the exclusive holder may finish or discard an interrupted pack,
    // and only once it holds the table: an open that is refused changes
    // nothing, least of all the work files of a pack still running.
    if (mode == OpenMode::Exclusive && fs::exists(packLog(path), ec)) {
        recoverPack(path, siblingPath(path, ".FPT"));
        // The finished copy now has the table's name; our lock is on the old file.
        auto reopened = DbfFile::open(path, mode);
        impl->dbf = std::move(reopened);
    } else if (mode == OpenMode::Exclusive) {
        recoverPack(path, siblingPath(path, ".FPT"));
    }
    impl->installMemoReader();
    const MemoKind mk = impl->dbf->memoKind();
    if (mk != MemoKind::None) {
        impl->memoPath = siblingPath(path, mk == MemoKind::Fpt ? ".FPT" : ".DBT");
        impl->memo = MemoFile::open(impl->memoPath, mk, mode);
    }
    impl->openIndex();
    std::unique_ptr<Table> t(new Table(std::move(impl)));
    t->impl_->goFirst();
    return t;
}

void Table::copyStructure(const std::string& path) const {
    impl_->requireOpen();
    create(path, impl_->dbf->fieldDefs(), false);
}

void Table::close() {
    if (!impl_ || !impl_->dbf) return;
    Impl& m = *impl_;
    m.releaseRecordLock();
    m.editing = m.appending = false;
    m.pendingMemos.clear();
    m.cursor.reset();
    m.active = nullptr;
    std::exception_ptr err;
    try {
        if (m.cdx) m.cdx->flush();
        if (m.temp) m.temp->flush();
    } catch (...) {
        err = std::current_exception();
    }
    m.temp.reset();
    m.cdx.reset();
    m.memo.reset();
    m.dbf.reset();
    m.tagExprs.clear();
    m.tagFors.clear();
    m.filterExpr.reset();
    m.filterText.clear();
    if (err) std::rethrow_exception(err);
}

bool Table::isOpen() const { return impl_ && impl_->dbf != nullptr; }

const std::string& Table::path() const {
    impl_->requireOpen();
    return impl_->dbf->path();
}
OpenMode Table::mode() const {
    impl_->requireOpen();
    return impl_->dbf->mode();
}
const Schema& Table::schema() const {
    impl_->requireOpen();
    return impl_->schema();
}
std::vector<FieldDef> Table::fieldDefs() const {
    impl_->requireOpen();
    return impl_->dbf->fieldDefs();
}
int Table::fieldIndex(std::string_view name) const {
    impl_->requireOpen();
    return impl_->schema().find(name);
}

TableInfo Table::info() const {
    impl_->requireOpen();
    const DbfFile& d = *impl_->dbf;
    TableInfo i;
    i.type = d.type();
    i.versionByte = d.versionByte();
    i.codePage = d.codePage();
    i.lastUpdate = d.lastUpdate();
    i.recordCount = d.recordCount();
    i.headerLength = d.headerLength();
    i.recordLength = d.schema().recordLength;
    i.hasMemo = d.memoKind() != MemoKind::None;
    i.structuralIndex = d.structuralFlag();
    i.indexProblem = impl_->indexProblem;
    i.unfinishedWork = unfinishedWorkOf(d.path());
    return i;
}

void Table::setLockWait(std::chrono::milliseconds wait) {
    Impl& m = *impl_;
    m.requireOpen();
    m.lockWait = wait;
    m.dbf->setLockWait(wait);
    if (m.memo) m.memo->setLockWait(wait);
}

const TextCodec& Table::codec() const {
    impl_->requireOpen();
    return TextCodec::forHeaderByte(impl_->dbf->codePage());
}

std::string Table::getText(std::string_view field) const { return codec().toUtf8(getString(field)); }

void Table::setExact(bool on) {
    if (impl_->exact == on) return;
    impl_->exact = on;
    impl_->visibleValid = false;  // "=" in the filter changes meaning
}
bool Table::exact() const { return impl_->exact; }
void Table::setSoftSeek(bool on) { impl_->softSeek = on; }
void Table::setHideDeleted(bool on) {
    if (impl_->hideDeleted == on) return;
    impl_->hideDeleted = on;
    impl_->visibleValid = false;
}
bool Table::hideDeleted() const { return impl_->hideDeleted; }
void Table::setTurboRead(bool on) {
    impl_->requireOpen();
    impl_->dbf->setTurbo(on);
}

// ---------- orders ----------

namespace {

struct CompiledTags {
    std::vector<std::unique_ptr<Expression>> keys;
    std::vector<std::unique_ptr<Expression>> fors;
};

CompiledTags compileTags(const std::vector<TagDef>& defs, const Schema& schema) {
    CompiledTags c;
    for (const auto& d : defs) {
        std::string name = toUpper1252(d.name);
        if (name.empty() || name.size() > 10) throw StoreError("Invalid tag name \"" + d.name + "\"");
        auto e = Expression::compile(d.expression, schema);
        if (e->keyLength() < 1 || e->keyLength() > 240)
            throw StoreError("The key of tag " + name + " is " + std::to_string(e->keyLength()) +
                             " bytes long; an index key may hold 1 to 240 bytes");
        c.keys.push_back(std::move(e));
        std::unique_ptr<Expression> f;
        if (!d.forExpression.empty()) {
            f = Expression::compile(d.forExpression, schema);
            if (f->type() != ValueType::Logical)
                throw StoreError("The condition of tag " + name + " is not a logical expression");
        }
        c.fors.push_back(std::move(f));
    }
    return c;
}

// Whether an expression reads a memo field. Memo text comes through the
// table's one memo file, which only one thread may read at a time.
bool readsMemo(const ExprNode& node, const Schema& schema) {
    if (node.kind == NodeKind::Field && node.field >= 0 && static_cast<std::size_t>(node.field) < schema.fields.size()) {
        const char type = schema.fields[static_cast<std::size_t>(node.field)].type;
        if (type == 'M' || type == 'G' || type == 'P') return true;
    }
    for (const auto& a : node.args) {
        if (readsMemo(*a, schema)) return true;
    }
    return false;
}

}  // namespace

// Keys of all tags come from one pass over the records into the index
// file's sorter, which keeps them within the memory budget (sorted runs go to
// a scratch file beside the index when they do not fit). Records are read in
// chunks straight from the file, as the build holds the table exclusively;
// the tags are shared out between two threads that evaluate them over each
// chunk, unless an expression reads memos.
void Table::Impl::buildTagsInto(IndexFile& file, const std::vector<TagDef>& defs, const ProgressFn& progress) {
    CompiledTags compiled = compileTags(defs, schema());
    const auto& exprs = compiled.keys;
    const auto& fors = compiled.fors;
    const std::uint32_t n = count();
    std::vector<IndexTagInfo> infos(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        IndexTagInfo& info = infos[i];
        info.name = toUpper1252(defs[i].name);
        info.expression = defs[i].expression;
        info.forExpression = defs[i].forExpression;
        info.descending = defs[i].descending;
        info.keyLength = exprs[i]->keyLength();
        info.charKeys = exprs[i]->type() == ValueType::Character;
    }
    BuildOptions options;
    options.memory = buildMemory;
    auto keys = file.gatherKeys(std::move(infos), options, n);

    bool memoKeys = false;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        memoKeys = memoKeys || readsMemo(exprs[i]->root(), schema()) || (fors[i] && readsMemo(fors[i]->root(), schema()));
    }
    const bool split = keys->helper().parallel() && !memoKeys;
    // The tags are shared between the threads, costliest first, each to the
    // thread with less work so far: first by key length, then by what the
    // first chunks of records cost each tag.
    std::vector<std::size_t> here, there;
    auto share = [&](const std::vector<double>& cost) {
        std::vector<std::size_t> byCost(cost.size());
        for (std::size_t i = 0; i < byCost.size(); ++i) byCost[i] = i;
        std::stable_sort(byCost.begin(), byCost.end(), [&](std::size_t a, std::size_t b) { return cost[a] > cost[b]; });
        here.clear();
        there.clear();
        double hereCost = 0, thereCost = 0;
        for (std::size_t i : byCost) {
            if (!split || hereCost <= thereCost) {
                here.push_back(i);
                hereCost += cost[i];
            } else {
                there.push_back(i);
                thereCost += cost[i];
            }
        }
        std::sort(here.begin(), here.end());
        std::sort(there.begin(), there.end());
    };
    std::vector<double> cost(defs.size());
    for (std::size_t i = 0; i < cost.size(); ++i) cost[i] = exprs[i]->keyLength() + 8 + (fors[i] ? 8 : 0);
    share(cost);

    const auto len = static_cast<std::size_t>(schema().recordLength);
    const auto chunk = static_cast<std::uint32_t>(std::max<std::size_t>(1, (std::size_t(512) << 10) / len));
    // Two buffers of records: while both threads work out the keys of one
    // chunk, they read the next into the other, half each, so that reading
    // the table is not a step of its own.
    std::string buffers[2];
    for (auto& b : buffers) b.assign(static_cast<std::size_t>(std::min(chunk, std::max<std::uint32_t>(n, 1))) * len, '\0');
    // Tag by tag over the chunk: one key buffer and one expression at a
    // time keep the writes sequential and the calls predictable.
    auto evaluate = [&](const std::string& records, const std::vector<std::size_t>& tags, std::uint32_t first,
                        std::uint32_t count) {
        for (std::size_t i : tags) {
            const Expression& key = *exprs[i];
            const Expression* cond = fors[i].get();
            std::string& out = keys->keys(i);
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint32_t r = first + k;
                const EvalContext ctx = context(records.data() + static_cast<std::size_t>(k) * len, r);
                if (cond && !cond->evaluateLogical(ctx)) continue;
                key.evaluateKey(ctx, out);
                keys->added(i, r);
            }
        }
    };
    // Records [first, first + count) into `to`, from byte `from` to byte `upto` of that stretch.
    auto read = [&](std::string& to, std::uint32_t first, std::uint32_t count, std::size_t from, std::size_t upto) {
        upto = std::min(upto, static_cast<std::size_t>(count) * len);
        if (from >= upto) return;
        readExact(dbf->fd(), to.data() + from, upto - from,
                  static_cast<std::uint64_t>(dbf->headerLength()) + (first - 1ULL) * len + from, dbf->path());
    };
    // A chunk never holds more records than the key buffers have room for
    // (a spill before it makes room when there is none).
    const std::uint32_t runRecords = keys->limits().runRecords;
    auto chunkAt = [&](std::uint32_t r, std::uint32_t room) {
        return std::min({chunk, n - r + 1, room > 0 ? room : runRecords});
    };
    int lastPct = -1;
    int calibrating = split ? 4 : 0;  // chunks still to time
    std::vector<double> measured(defs.size(), 0.0);
    std::uint32_t c = n > 0 ? chunkAt(1, keys->room()) : 0;
    if (c > 0) read(buffers[0], 1, c, 0, static_cast<std::size_t>(c) * len);
    for (std::uint32_t r = 1, cur = 0; r <= n; cur ^= 1) {
        if (keys->room() < c) keys->spill();
        // The room left after this chunk is at least the room now less the
        // chunk, whatever the FOR conditions admit.
        const std::uint32_t nextR = r + c;
        const std::uint32_t nc = nextR <= n ? chunkAt(nextR, keys->room() - c) : 0;
        const std::string& records = buffers[cur];
        std::string& next = buffers[cur ^ 1];
        if (calibrating > 0) {
            // Tag by tag on this thread, timed.
            for (std::size_t i = 0; i < defs.size(); ++i) {
                const auto start = std::chrono::steady_clock::now();
                evaluate(records, {i}, r, c);
                measured[i] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
            read(next, nextR, nc, 0, static_cast<std::size_t>(nc) * len);
            if (--calibrating == 0) share(measured);
        } else if (split) {
            const std::size_t half = (static_cast<std::size_t>(nc) * len / 2 + 4095) / 4096 * 4096;
            keys->helper().run(
                [&] {
                    evaluate(records, here, r, c);
                    read(next, nextR, nc, 0, half);
                },
                [&] {
                    evaluate(records, there, r, c);
                    read(next, nextR, nc, half, static_cast<std::size_t>(nc) * len);
                },
                keys->stop());
        } else {
            evaluate(records, here, r, c);
            read(next, nextR, nc, 0, static_cast<std::size_t>(nc) * len);
        }
        r = nextR;
        c = nc;
        if (progress) {
            const int pct = static_cast<int>(50.0 * (r - 1) / n);
            if (pct != lastPct) {
                lastPct = pct;
                if (!progress(pct)) throw CancelledError("Index build cancelled");
            }
        }
    }
    keys->finishInput();
    ProgressFn rest;
    if (progress) rest = [&progress](int pct) { return progress(50 + pct / 2); };
    file.buildTags(*keys, rest);
    if (progress) progress(100);
}

void Table::setIndexBuildMemory(std::size_t bytes) { impl_->buildMemory = bytes; }

void Table::indexTags(const std::vector<TagDef>& defs, const ProgressFn& progress) {
    Impl& m = *impl_;
    m.requireExclusive("build index tags");
    if (defs.empty()) return;
    if (m.editing || m.appending) throw StoreError("Post or cancel the edit before building an index");
    compileTags(defs, m.schema());  // a bad expression fails before any file is touched
    if (!m.cdx) {
        m.cdxPath = siblingPath(m.dbf->path(), ".CDX");
        m.cdx = IndexFile::create(m.cdxPath, IndexFile::Kind::Compound);
        m.indexProblem.clear();
        m.dbf->setStructuralFlag(true);
    }
    try {
        m.buildTagsInto(*m.cdx, defs, progress);
    } catch (...) {
        // A cancel or failure keeps the tags finished before it; the table
        // follows what the index now holds.
        m.loadTags();
        throw;
    }
    m.loadTags();
    // The last tag built becomes the current order.
    m.activate(tagArea(defs.back().name));
    if (m.atEof) m.goFirst();
    else if (m.recno >= 1 && m.recno <= m.count()) m.syncCursor();
}

int Table::indexTag(const std::string& tag, const std::string& expression, const ProgressFn& progress) {
    indexTags({TagDef{tag, expression}}, progress);
    return tagArea(tag);
}

int Table::tagArea(std::string_view tag) const {
    const Impl& m = *impl_;
    if (!m.cdx) return 0;
    const std::string want = toUpper1252(tag);
    auto tags = m.cdx->tags();
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (toUpper1252(tags[i].name) == want) return static_cast<int>(i) + 1;
    }
    return 0;
}

void Table::setOrder(int order) {
    Impl& m = *impl_;
    m.requireOpen();
    if (order < 0 || order > m.structuralCount() + (m.temp ? 1 : 0)) throw StoreError("Order " + std::to_string(order) + " does not exist");
    m.activate(order);
}

int Table::order() const { return impl_->order; }

std::string Table::tagName(int order) const {
    const Impl& m = *impl_;
    if (order >= 1 && order <= m.structuralCount()) return m.cdx->tags()[static_cast<std::size_t>(order - 1)].name;
    if (m.temp && order == m.tempOrder()) return fs::path(m.temp->path()).stem().string();
    return {};
}

std::string Table::indexFileName() const {
    const Impl& m = *impl_;
    if (m.order >= 1 && m.order <= m.structuralCount()) return m.cdxPath;
    if (m.temp && m.order == m.tempOrder()) return m.temp->path();
    return {};
}

std::vector<TagDef> Table::tags() const {
    std::vector<TagDef> out;
    if (impl_->cdx) {
        for (const auto& t : impl_->cdx->tags()) out.push_back({t.name, t.expression, t.forExpression, t.descending});
    }
    return out;
}

void Table::closeIndexes() {
    Impl& m = *impl_;
    m.activate(0);
    if (m.cdx) m.cdx->flush();
    m.cdx.reset();
    m.tagExprs.clear();
    m.tagFors.clear();
    m.temp.reset();
    m.tempExpr.reset();
    m.invalidateBitmaps();
}

void Table::deleteIndexFile() {
    Impl& m = *impl_;
    m.requireExclusive("delete its index");
    const std::string path = m.cdxPath.empty() ? siblingPath(m.dbf->path(), ".CDX") : m.cdxPath;
    m.activate(0);
    m.cdx.reset();
    m.tagExprs.clear();
    m.tagFors.clear();
    removeQuietly(path);
    m.dbf->setStructuralFlag(false);
    m.indexProblem.clear();
    m.invalidateBitmaps();
}

bool Table::hasStructuralIndex() const { return impl_->cdx != nullptr; }

int Table::createTempIndex(const std::string& path, const std::string& expression, bool descending) {
    Impl& m = *impl_;
    m.requireOpen();
    auto e = Expression::compile(expression, m.schema());
    if (e->keyLength() < 1 || e->keyLength() > 240) throw StoreError("The index key must hold 1 to 240 bytes");
    closeTempIndex();
    auto f = IndexFile::create(path, IndexFile::Kind::Single);
    TagBuild b;
    b.info.name = toUpper1252(fs::path(path).stem().string()).substr(0, 10);
    b.info.expression = expression;
    b.info.keyLength = e->keyLength();
    b.info.charKeys = e->type() == ValueType::Character;
    b.info.descending = descending;
    f->buildTag(std::move(b));
    m.temp = std::move(f);
    m.tempExpr = std::move(e);
    m.activate(m.tempOrder());
    return m.order;
}

int Table::openTempIndex(const std::string& path) {
    Impl& m = *impl_;
    m.requireOpen();
    closeTempIndex();
    auto f = IndexFile::open(path, m.dbf->writable(), m.keyTypeJudge());
    if (f->tagCount() != 1) throw FormatError(path + " is not a single-tag index file");
    auto e = Expression::compile(f->tags()[0].expression, m.schema());
    m.temp = std::move(f);
    m.tempExpr = std::move(e);
    m.activate(m.tempOrder());
    return m.order;
}

void Table::closeTempIndex() {
    Impl& m = *impl_;
    if (!m.temp) return;
    const bool current = m.order == m.tempOrder();
    if (current) m.activate(0);
    m.temp.reset();
    m.tempExpr.reset();
}

void Table::keyAdd() { keyAdd(impl_->recno); }

void Table::keyAdd(std::uint32_t recno) {
    Impl& m = *impl_;
    m.requireOpen();
    if (!m.temp) throw StoreError("No temporary index is open");
    if (recno < 1 || recno > m.count()) throw StoreError("Record " + std::to_string(recno) + " does not exist");
    const std::string k = m.keyOf(*m.tempExpr, m.dbf->record(recno), recno);
    m.temp->tag(0)->insert(k, recno);
}

// ---------- positioning ----------

bool Table::first() {
    impl_->requireOpen();
    if (impl_->dbf->mode() == OpenMode::Shared) impl_->dbf->refreshCount();
    Impl::IndexAccess access(*impl_, false);
    const bool ok = impl_->goFirst();
    access.finish();
    return ok;
}
bool Table::last() {
    impl_->requireOpen();
    if (impl_->dbf->mode() == OpenMode::Shared) impl_->dbf->refreshCount();
    Impl::IndexAccess access(*impl_, false);
    const bool ok = impl_->goLast();
    access.finish();
    return ok;
}
bool Table::next() {
    impl_->requireOpen();
    Impl::IndexAccess access(*impl_, false);
    const bool ok = impl_->skip(true);
    access.finish();
    return ok;
}
bool Table::prior() {
    impl_->requireOpen();
    Impl::IndexAccess access(*impl_, false);
    const bool ok = impl_->skip(false);
    access.finish();
    return ok;
}
bool Table::eof() const { return impl_->atEof; }
bool Table::bof() const { return impl_->atBof; }

bool Table::go(std::uint32_t recno) {
    Impl& m = *impl_;
    m.requireOpen();
    if (m.dbf->mode() == OpenMode::Shared) m.dbf->refreshCount();
    if (recno < 1 || recno > m.count()) {
        m.setEof();
        return false;
    }
    m.settle(recno);
    return true;
}

std::uint32_t Table::recNo() const {
    const Impl& m = *impl_;
    if (!m.dbf) return 0;
    if (m.appending || m.atEof) return m.count() + 1;
    return m.recno;
}

std::uint32_t Table::recordCount() const {
    impl_->requireOpen();
    return impl_->count();
}

bool Table::seek(std::string_view keyIn) {
    Impl::IndexAccess access(*impl_, false);
    const bool ok = seekLocked(keyIn);
    access.finish();
    return ok;
}

bool Table::seekLocked(std::string_view keyIn) {
    Impl& m = *impl_;
    m.requireOpen();
    if (!m.active) throw StoreError("Seek needs an index order");
    const IndexTagInfo& info = m.active->info();
    std::string key(keyIn);
    bool whole = m.exact || !info.charKeys;
    if (static_cast<int>(key.size()) >= info.keyLength) {
        // Extra trailing blanks do not matter; any other extra byte means no
        // key can match, and a soft seek stops after the keys it passes.
        const bool blanksOnly = key.find_first_not_of(' ', static_cast<std::size_t>(info.keyLength)) == std::string::npos;
        key.resize(static_cast<std::size_t>(info.keyLength));
        if (!blanksOnly) {
            m.found = false;
            bool ok = m.cursor->seek(key);
            while (ok && m.cursor->key() <= std::string_view(key)) ok = m.cursor->next();
            if (m.softSeek && m.scanCursor(ok, true)) m.settle(m.cursor->recno());
            else m.setEof();
            return false;
        }
        whole = true;
    }
    if (whole && info.charKeys) key.resize(static_cast<std::size_t>(info.keyLength), ' ');
    bool ok = m.cursor->seek(key);
    // The first visible entry that still matches.
    while (ok && m.cursor->key().substr(0, key.size()) == key && !m.isVisible(m.cursor->recno())) ok = m.cursor->next();
    if (ok && m.cursor->key().substr(0, key.size()) == key) {
        m.found = true;
        m.settle(m.cursor->recno());
        return true;
    }
    m.found = false;
    if (m.softSeek && m.scanCursor(ok, true)) {
        m.settle(m.cursor->recno());
    } else {
        m.setEof();
    }
    return false;
}

bool Table::seekNumber(double value) { return seek(numericKey(value)); }

bool Table::found() const { return impl_->found; }

void Table::setScope(std::string_view low, std::string_view high) {
    Impl& m = *impl_;
    m.scopeLow = low;
    m.scopeHigh = high;
    m.scoped = !(low.empty() && high.empty());
}

void Table::clearScope() { setScope({}, {}); }

// ---------- filter ----------

void Table::setFilter(const std::string& expression) {
    Impl& m = *impl_;
    m.requireOpen();
    std::string text = expression;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) text.clear();
    if (text.empty()) {
        m.filterExpr.reset();
        m.filterText.clear();
        m.visibleValid = false;
        return;
    }
    auto e = Expression::compile(text, m.schema());
    if (e->type() != ValueType::Logical) throw ExprError("The filter \"" + text + "\" is not a logical expression", 1);
    m.filterExpr = std::move(e);
    m.filterText = text;
    m.visibleValid = false;
}

const std::string& Table::filter() const { return impl_->filterText; }

std::uint32_t Table::filterCount() {
    Impl& m = *impl_;
    m.requireOpen();
    if (m.dbf->mode() == OpenMode::Shared) m.dbf->refreshCount();
    if (m.useBitmap()) {
        if (!m.visibleValid) m.computeVisible();
        return m.visible.count();
    }
    if (!m.filterExpr && !m.hideDeleted) return m.count();
    std::uint32_t n = 0;
    for (std::uint32_t r = 1; r <= m.count(); ++r) n += m.isVisible(r) ? 1 : 0;
    return n;
}

bool Table::testExpression(const std::string& expression, std::string* error) const {
    try {
        impl_->requireOpen();
        Expression::compile(expression, impl_->schema());
        return true;
    } catch (const StoreError& e) {
        if (error) *error = e.what();
        return false;
    }
}

Value Table::evaluate(const std::string& expression) const {
    const Impl& m = *impl_;
    m.requireOpen();
    auto e = Expression::compile(expression, m.schema());
    return e->evaluate(m.context(m.rec.data(), recNo()));
}

bool Table::evalLogical(const std::string& expression) const {
    const Impl& m = *impl_;
    m.requireOpen();
    auto e = Expression::compile(expression, m.schema());
    return e->evaluateLogical(m.context(m.rec.data(), recNo()));
}

// ---------- records ----------

bool Table::hasRecord() const {
    const Impl& m = *impl_;
    return m.dbf && (m.appending || (!m.atEof && m.recno >= 1 && m.recno <= m.count()));
}

std::string Table::getRaw(std::string_view field) const {
    const Impl& m = *impl_;
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(m.field(field))];
    return m.rec.substr(static_cast<std::size_t>(fi.offset), static_cast<std::size_t>(fi.width));
}

std::string Table::getString(std::string_view field) const {
    const Impl& m = *impl_;
    const int f = m.field(field);
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(f)];
    if (fi.type == 'M' || fi.type == 'G' || fi.type == 'P') return getMemo(field);
    std::string raw = m.rec.substr(static_cast<std::size_t>(fi.offset), static_cast<std::size_t>(fi.width));
    switch (fi.type) {
        case 'N': case 'F': return ltrim(rtrim(raw));
        case 'L': {
            const char c = raw.empty() ? ' ' : raw[0];
            if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
            if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
            return {};
        }
        case 'I': {
            if (fi.width != 4) return rtrim(raw);
            return std::to_string(static_cast<std::int32_t>(le32(reinterpret_cast<const unsigned char*>(raw.data()))));
        }
        case 'B': {
            if (fi.width != 8) return rtrim(raw);
            double d;
            std::memcpy(&d, raw.data(), 8);
            char buf[400];
            const auto r = fi.decimals > 0 ? std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, fi.decimals)
                                           : std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
            return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
        }
        case 'Y': {
            if (fi.width != 8) return rtrim(raw);
            std::int64_t v;
            std::memcpy(&v, raw.data(), 8);
            char buf[64];
            std::snprintf(buf, sizeof buf, "%lld.%04lld", static_cast<long long>(v / 10000),
                          static_cast<long long>(std::llabs(v % 10000)));
            return (v < 0 && v > -10000) ? "-" + std::string(buf) : std::string(buf);
        }
        case 'T': {
            if (fi.width != 8) return rtrim(raw);
            const auto* u = reinterpret_cast<const unsigned char*>(raw.data());
            const std::uint32_t day = le32(u);
            const std::uint32_t ms = le32(u + 4);
            if (day == 0) return {};
            std::string d = dtosFromJulian(static_cast<double>(day));
            char buf[32];
            std::snprintf(buf, sizeof buf, "%s %02u:%02u:%02u", d.c_str(), ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60);
            return buf;
        }
        default: return rtrim(raw);
    }
}

namespace {

// The leading number of a text, as VAL() reads it: 0 when there is none.
double leadingNumber(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    s.remove_prefix(first);
    if (s.size() > 1 && s.front() == '+' && s[1] != '-') s.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && std::isfinite(v) ? v : 0;
}

}  // namespace

double Table::getNumber(std::string_view field) const {
    const Impl& m = *impl_;
    const int f = m.field(field);
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(f)];
    if (fi.type == 'N' || fi.type == 'F' || fi.type == 'C') return leadingNumber(getRaw(field));
    if (fi.type == 'D') return julianFromDtos(getRaw(field));
    return leadingNumber(getString(field));
}

std::optional<double> Table::readNumber(std::string_view field) const {
    const Impl& m = *impl_;
    const int f = m.field(field);
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(f)];
    if (fi.type == 'D') return julianFromDtos(getRaw(field));
    const std::string s = (fi.type == 'N' || fi.type == 'F' || fi.type == 'C') ? getRaw(field) : getString(field);
    if (s.find_first_not_of(' ') == std::string::npos) return 0.0;
    return parseNumber(s);
}

bool Table::getLogical(std::string_view field) const { return getString(field) == "T"; }

std::string Table::getMemo(std::string_view field) const {
    const Impl& m = *impl_;
    const int f = m.field(field);
    auto it = m.pendingMemos.find(f);
    if (it != m.pendingMemos.end()) return it->second;
    if (!m.appending && m.atEof) return {};
    return m.readMemoOf(m.rec.data(), f);
}

bool Table::isEmpty(std::string_view field) const {
    const Impl& m = *impl_;
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(m.field(field))];
    if (fi.type == 'M' || fi.type == 'G' || fi.type == 'P') return getMemo(field).empty();
    return getString(field).find_first_not_of(' ') == std::string::npos ||
           ((fi.type == 'N' || fi.type == 'F') && getNumber(field) == 0);
}

bool Table::deleted() const {
    const Impl& m = *impl_;
    return hasRecord() && !m.rec.empty() && m.rec[0] == '*';
}

void Table::edit() {
    Impl& m = *impl_;
    m.requireWritable();
    if (m.appending || m.editing) return;
    if (!hasRecord()) throw StoreError("There is no current record to edit");
    if (m.shared()) {
        // The record's lock, held until post or cancel, keeps other users
        // (here or in other programs) from changing it at the same time; the
        // record is read again under it.
        if (!m.dbf->lockRecord(m.recno, m.lockWait))
            throw InUseError("Record " + std::to_string(m.recno) + " of " + m.dbf->path() +
                             " is being changed by another user");
        m.lockedRecord = m.recno;
        m.loadCurrent();
    }
    m.orig = m.rec;
    m.editing = true;
}

void Table::append() {
    Impl& m = *impl_;
    m.requireWritable();
    if (m.editing || m.appending) throw StoreError("Post or cancel the edit before appending");
    m.beforeAppend = m.atEof ? 0 : m.recno;
    m.blankRecord();
    m.pendingMemos.clear();
    m.appending = true;
    m.atEof = false;
    m.atBof = false;
}

bool Table::editing() const { return impl_->editing || impl_->appending; }
bool Table::appending() const { return impl_->appending; }

void Table::setString(std::string_view field, std::string_view value) {
    Impl& m = *impl_;
    m.requireEditing();
    const int f = m.field(field);
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(f)];
    switch (fi.type) {
        case 'M': case 'G': case 'P': setMemo(field, value); return;
        case 'L': {
            const char c = value.empty() ? ' ' : value[0];
            const bool t = c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1';
            m.setFieldBytes(f, value.empty() ? " " : (t ? "T" : "F"));
            return;
        }
        case 'N': case 'F': {
            const std::string v = ltrim(rtrim(value));
            if (v.empty()) {
                m.setFieldBytes(f, "");
                return;
            }
            const std::optional<double> d = parseNumber(v);
            if (!d) throw StoreError("\"" + v + "\" is not a number for field " + fi.name);
            setNumber(field, *d);
            return;
        }
        default:
            if (fi.type != 'C' && fi.type != 'D') throw StoreError("Field " + fi.name + " cannot be written");
            m.setFieldBytes(f, value);
    }
}

void Table::setNumber(std::string_view field, double value) {
    Impl& m = *impl_;
    m.requireEditing();
    const int f = m.field(field);
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(f)];
    if (fi.type != 'N' && fi.type != 'F') {
        setString(field, formatNumber(value, fi.width, 0));
        return;
    }
    m.setFieldBytes(f, formatNumber(value, fi.width, fi.decimals));
}

void Table::setLogical(std::string_view field, bool value) { setString(field, value ? "T" : "F"); }

void Table::setMemo(std::string_view field, std::string_view text) {
    Impl& m = *impl_;
    m.requireEditing();
    const int f = m.field(field);
    const FieldInfo& fi = m.schema().fields[static_cast<std::size_t>(f)];
    if (fi.type != 'M') throw StoreError("Field " + fi.name + " is not a memo field");
    m.pendingMemos[f] = std::string(text);
}

void Table::post() { impl_->postRecord(); }

void Table::cancel() {
    Impl& m = *impl_;
    if (!m.dbf) return;
    const bool wasAppending = m.appending;
    m.editing = false;
    m.appending = false;
    m.pendingMemos.clear();
    m.releaseRecordLock();
    if (wasAppending) {
        if (m.beforeAppend >= 1 && m.beforeAppend <= m.count()) m.settle(m.beforeAppend);
        else m.setEof();
    } else if (hasRecord()) {
        m.rec = m.orig.empty() ? m.rec : m.orig;
        m.loadCurrent();
    }
}

void Table::deleteRecord() {
    Impl& m = *impl_;
    m.requireWritable();
    if (!m.editing && !m.appending) edit();
    m.rec[0] = '*';
    m.postRecord();
}

void Table::recall() {
    Impl& m = *impl_;
    m.requireWritable();
    if (!m.editing && !m.appending) edit();
    m.rec[0] = ' ';
    m.postRecord();
}

void Table::flush() {
    Impl& m = *impl_;
    m.requireOpen();
    if (m.cdx) m.cdx->flush();
    if (m.temp) m.temp->flush();
    if (m.dbf->writable()) syncFile(m.dbf->fd(), m.dbf->path());
    if (m.memo) m.memo->sync();
}

// ---------- pack and zap ----------

namespace {

constexpr std::uint64_t kMaxMemoText = 256ULL * 1024 * 1024;  // as MemoFile reads them
constexpr std::size_t kCopyChunk = std::size_t(1) << 20;

// Asks the system to start writing a stretch of a file to disk now, so that
// the sync that ends the copy has little left to wait for.
void startWriteback(int fd, std::uint64_t offset, std::uint64_t bytes) {
#ifdef __linux__
    ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(bytes), SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)bytes;
#endif
}

// Memo texts of an FPT file read through a window of the file, so that memos
// stored near each other cost one read. Only plainly sound blocks are read
// here; for anything else fetch() says no and MemoFile, which names the
// damage, takes over.
class MemoWindow {
public:
    MemoWindow(const std::string& path, std::uint32_t blockSize) : blockSize_(blockSize) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0) size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~MemoWindow() {
        if (fd_ >= 0) ::close(fd_);
    }
    MemoWindow(const MemoWindow&) = delete;
    MemoWindow& operator=(const MemoWindow&) = delete;

    bool fetch(std::uint32_t block, std::string& text) {
        const std::uint64_t off = static_cast<std::uint64_t>(block) * blockSize_;
        if (fd_ < 0 || off < 512 || off + 8 > size_ || !cover(off, 8)) return false;
        const auto* h = reinterpret_cast<const unsigned char*>(window_.data() + (off - start_));
        const std::uint64_t len = be32(h + 4);
        if (len > kMaxMemoText || off + 8 + len > size_) return false;
        if (cover(off, 8 + len)) {
            text.assign(window_.data() + (off - start_) + 8, static_cast<std::size_t>(len));
            return true;
        }
        text.resize(static_cast<std::size_t>(len));  // longer than the window
        return readAll(text.data(), text.size(), off + 8);
    }

private:
    static constexpr std::size_t kWindow = 256 * 1024;
    bool cover(std::uint64_t off, std::uint64_t n) {
        if (off >= start_ && off + n <= start_ + got_) return true;
        if (n > kWindow) return false;
        window_.resize(kWindow);
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size_ - off));
        start_ = off;
        got_ = readAll(window_.data(), want, off) ? want : 0;
        return off + n <= start_ + got_;
    }
    bool readAll(char* buf, std::size_t n, std::uint64_t off) const {
        while (n > 0) {
            const ssize_t r = ::pread(fd_, buf, n, static_cast<off_t>(off));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            buf += r;
            n -= static_cast<std::size_t>(r);
            off += static_cast<std::uint64_t>(r);
        }
        return true;
    }

    int fd_ = -1;
    std::uint32_t blockSize_;
    std::uint64_t size_ = 0;
    std::string window_;
    std::uint64_t start_ = 0;
    std::size_t got_ = 0;
};

// The memos of a packed copy, written one after the other into a fresh FPT
// (made by MemoFile::createFpt) the way MemoFile::write lays them out: type
// 1, length, text, the last block filled with zeros. Written through a
// buffer; the header's next free block follows at the end.
class MemoAppender {
public:
    MemoAppender(const std::string& path, std::uint32_t blockSize)
        : path_(path), blockSize_(blockSize), next_((512 + blockSize - 1) / blockSize) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) throw StoreError("Cannot open " + path + ": " + std::strerror(errno));
        flushedTo_ = static_cast<std::uint64_t>(next_) * blockSize_;
    }
    ~MemoAppender() {
        if (fd_ >= 0) ::close(fd_);
    }
    MemoAppender(const MemoAppender&) = delete;
    MemoAppender& operator=(const MemoAppender&) = delete;

    // The first block of the text; 0 for an empty text.
    std::uint32_t write(std::string_view text) {
        if (text.empty()) return 0;
        if (text.size() > kMaxMemoText) throw StoreError("A memo text may hold at most 256 MB");
        const std::uint64_t blocks = (8 + text.size() + blockSize_ - 1) / blockSize_;
        if (next_ + blocks > 0xFFFFFFFFULL) throw StoreError(path_ + " is full");
        const std::uint32_t block = next_;
        unsigned char h[8];
        putBe32(h, 1);
        putBe32(h + 4, static_cast<std::uint32_t>(text.size()));
        buf_.append(reinterpret_cast<const char*>(h), 8);
        buf_.append(text.data(), text.size());
        buf_.resize(buf_.size() + static_cast<std::size_t>(blocks * blockSize_ - 8 - text.size()), '\0');
        next_ = static_cast<std::uint32_t>(next_ + blocks);
        if (buf_.size() >= kCopyChunk) flush();
        return block;
    }

    // Writes what is buffered and the next free block, then syncs.
    void finish() {
        flush();
        unsigned char nf[4];
        putBe32(nf, next_);
        writeExact(fd_, nf, 4, 0, path_);
        syncFile(fd_, path_);
    }

private:
    void flush() {
        if (buf_.empty()) return;
        writeExact(fd_, buf_.data(), buf_.size(), flushedTo_, path_);
        startWriteback(fd_, flushedTo_, buf_.size());
        flushedTo_ += buf_.size();
        buf_.clear();
    }

    std::string path_;
    std::uint32_t blockSize_;
    std::uint32_t next_;
    int fd_ = -1;
    std::uint64_t flushedTo_ = 0;
    std::string buf_;
};

}  // namespace

PackResult Table::Impl::rewrite(bool keepRecords, const PackOptions& options, const ProgressFn& progress) {
    requireWritable();
    if (dbf->mode() != OpenMode::Exclusive) throw StoreError(dbf->path() + " must be open exclusively to pack it");
    if (editing || appending) throw StoreError("Post or cancel the edit before packing");
    const std::string path = dbf->path();
    const std::string tmpDbf = packTemp(path);
    const std::string tmpMemo = packTempMemo(path);
    const std::string tmpCdx = packTempIndex(path);
    const bool fptMemo = memo && memo->kind() == MemoKind::Fpt;
    if (memo && !fptMemo) throw StoreError(path + ": tables with dBASE memo files cannot be packed here");
    auto discard = [&] {
        removeQuietly(tmpDbf);
        removeQuietly(tmpMemo);
        removeQuietly(tmpCdx);
    };

    // The new index gets the tags asked for, or the table's own.
    std::vector<TagDef> tags;
    if (options.tags) tags = *options.tags;
    else if (cdx)
        for (const auto& t : cdx->tags()) tags.push_back({t.name, t.expression, t.forExpression, t.descending});

    // 1. Copies of the kept records, their memos and their index under
    //    temporary names; the originals are not touched.
    PackResult result;
    std::unique_ptr<Table> staged;
    try {
        // The copy keeps the original header byte for byte (version, code
        // page, flags, the header length other writers chose); only the
        // record count changes.
        std::string header(static_cast<std::size_t>(dbf->headerLength()), '\0');
        readExact(dbf->fd(), header.data(), header.size(), 0, path);
        int fd = ::open(tmpDbf.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) throw StoreError("Cannot create " + tmpDbf + ": " + std::strerror(errno));
        std::unique_ptr<MemoWindow> memoSource;
        std::unique_ptr<MemoAppender> newMemo;
        std::vector<MemoDamage> damage;
        try {
            if (fptMemo) {
                MemoFile::createFpt(tmpMemo, memo->blockSize());
                memoSource = std::make_unique<MemoWindow>(memoPath, memo->blockSize());
                newMemo = std::make_unique<MemoAppender>(tmpMemo, memo->blockSize());
            }
            std::vector<std::size_t> memoFields;
            for (std::size_t f = 0; f < schema().fields.size(); ++f) {
                const char type = schema().fields[f].type;
                if (type == 'M' || type == 'G' || type == 'P') memoFields.push_back(f);
            }
            const auto len = static_cast<std::size_t>(schema().recordLength);
            // Kept records go straight into the output buffer; their memo
            // references are rewritten there.
            std::string out;
            out.reserve(kCopyChunk + len + 1);
            std::uint64_t offset = header.size();
            std::string text;
            const std::uint32_t n = count();
            dbf->setTurbo(true);
            int lastPct = -1;
            for (std::uint32_t r = 1; keepRecords && r <= n; ++r) {
                const char* p = dbf->record(r);
                if (p[0] == '*') continue;
                const std::size_t at = out.size();
                out.append(p, len);
                if (newMemo) {
                    for (std::size_t f : memoFields) {
                        const FieldInfo& fi = schema().fields[f];
                        const std::uint32_t b = memoBlockOf(p + fi.offset, fi.width);
                        std::uint32_t nb = 0;
                        if (b != 0) {
                            // A memo that cannot be read is noted; its record
                            // keeps every other field.
                            std::string problem;
                            if (b == 0xFFFFFFFFu) {
                                problem = "the memo reference is garbled";
                            } else if (!memoSource->fetch(b, text)) {
                                problem = memo->problem(b);
                                if (problem.empty()) {
                                    try {
                                        text = memo->read(b);
                                    } catch (const FormatError& e) {
                                        problem = e.what();
                                    }
                                }
                            }
                            if (problem.empty()) nb = newMemo->write(text);
                            else damage.push_back({r, fi.name, problem});
                        }
                        setMemoBlock(out.data() + at + fi.offset, fi.width, nb);
                    }
                }
                ++result.kept;
                if (out.size() >= kCopyChunk) {
                    writeExact(fd, out.data(), out.size(), offset, tmpDbf);
                    startWriteback(fd, offset, out.size());
                    offset += out.size();
                    out.clear();
                }
                if (progress && (r & 0x3FF) == 0) {
                    const int pct = static_cast<int>(100.0 * r / n);
                    if (pct != lastPct) {
                        lastPct = pct;
                        if (!progress(pct)) throw CancelledError("Pack cancelled");
                    }
                }
            }
            dbf->setTurbo(false);
            if (!damage.empty() && !options.repairMemos) throw MemoDamageError(path, std::move(damage));
            result.clearedMemos = std::move(damage);
            out.push_back('\x1A');
            writeExact(fd, out.data(), out.size(), offset, tmpDbf);
            putLe32(reinterpret_cast<unsigned char*>(header.data()) + 4, result.kept);
            // The staged table carries the structural flag only with an index.
            auto* h = reinterpret_cast<unsigned char*>(header.data());
            h[28] = static_cast<unsigned char>(tags.empty() ? (h[28] & ~0x01) : (h[28] | 0x01));
            writeExact(fd, header.data(), header.size(), 0, tmpDbf);
            if (::ftruncate(fd, static_cast<off_t>(offset + out.size())) != 0) {
                throw StoreError("Cannot write " + tmpDbf + ": " + std::strerror(errno));
            }
            if (newMemo) newMemo->finish();
            syncFile(fd, tmpDbf);
        } catch (...) {
            dbf->setTurbo(false);
            ::close(fd);
            throw;
        }
        ::close(fd);
        result.removed = keepRecords ? count() - result.kept : count();
        if (progress) progress(100);

        // The copies, opened as a table of their own, get their index.
        auto st = std::make_unique<Impl>();
        st->dbf = DbfFile::open(tmpDbf, OpenMode::Exclusive);
        if (fptMemo) {
            st->memoPath = tmpMemo;
            st->memo = MemoFile::open(tmpMemo, MemoKind::Fpt, OpenMode::Exclusive);
        }
        st->installMemoReader();
        st->buildMemory = buildMemory;
        staged.reset(new Table(std::move(st)));
        Impl& sm = *staged->impl_;
        if (!tags.empty()) {
            sm.cdxPath = tmpCdx;
            sm.cdx = IndexFile::create(tmpCdx, IndexFile::Kind::Compound);
            staged->indexTags(tags, options.indexProgress);
            sm.cdx->sync();
        }
    } catch (...) {
        staged.reset();
        discard();
        throw;
    }

    // 2. The log makes the copies authoritative; 3. they replace the
    //    originals. A crash after the log is finished by the next open.
    const std::string cdxTarget = cdxPath.empty() ? siblingPath(path, ".CDX") : cdxPath;
    std::vector<LogStep> steps{{true, tmpDbf, path}};
    if (fptMemo) steps.push_back({true, tmpMemo, memoPath});
    if (!tags.empty()) steps.push_back({true, tmpCdx, cdxTarget});
    else steps.push_back({false, {}, cdxTarget});
    try {
        writePackLog(path, steps);
    } catch (...) {
        staged.reset();
        discard();
        throw;
    }
    activate(0);
    cdx.reset();
    tagExprs.clear();
    tagFors.clear();
    temp.reset();
    tempExpr.reset();
    memo.reset();
    recoverPack(path, memoPath);
    // The staged files are open (and exclusively locked) under their new
    // names, so no other program can slip in between the renames and us.
    Impl& sm = *staged->impl_;
    auto oldDbf = std::move(dbf);
    dbf = std::move(sm.dbf);
    dbf->renamed(path);
    if (sm.memo) {
        memo = std::move(sm.memo);
        memo->renamed(memoPath);
    }
    if (sm.cdx) {
        cdx = std::move(sm.cdx);
        cdx->renamed(cdxTarget);
        cdxPath = cdxTarget;
    }
    staged.reset();
    oldDbf.reset();
    indexProblem.clear();
    invalidateBitmaps();
    loadTags();
    return result;
}

PackResult Table::pack(const ProgressFn& progress, const PackOptions& options) {
    Impl& m = *impl_;
    m.requireOpen();
    PackResult r = m.rewrite(true, options, progress);
    if (m.cdx && m.structuralCount() > 0) m.activate(m.structuralCount());
    m.goFirst();
    return r;
}

void Table::zap() {
    Impl& m = *impl_;
    m.requireOpen();
    m.rewrite(false, {}, {});
    if (m.cdx && m.structuralCount() > 0) m.activate(m.structuralCount());
    m.goFirst();
}

void Table::rebuildIndex(const std::vector<TagDef>& tags, const ProgressFn& progress) {
    Impl& m = *impl_;
    m.requireWritable();
    if (m.dbf->mode() != OpenMode::Exclusive)
        throw StoreError(m.dbf->path() + " must be open exclusively to rebuild its index");
    if (m.editing || m.appending) throw StoreError("Post or cancel the edit before building an index");
    const std::string path = m.dbf->path();
    const std::string target = m.cdxPath.empty() ? siblingPath(path, ".CDX") : m.cdxPath;
    if (tags.empty()) {
        deleteIndexFile();
        removeQuietly(target);
        return;
    }
    const std::string staged = stagedIndexOf(path);
    std::unique_ptr<IndexFile> built;
    try {
        built = IndexFile::create(staged, IndexFile::Kind::Compound);
        m.buildTagsInto(*built, tags, progress);
        built->sync();
    } catch (...) {
        built.reset();
        removeQuietly(staged);
        throw;
    }
    // The complete index replaces the old one in one rename.
    m.activate(0);
    m.cdx.reset();
    m.tagExprs.clear();
    m.tagFors.clear();
    std::error_code ec;
    fs::rename(staged, target, ec);
    if (ec) {
        built.reset();
        removeQuietly(staged);
        m.openIndex();
        throw StoreError("Cannot replace " + target + ": " + ec.message());
    }
    syncFolderOf(target);
    built->renamed(target);
    m.cdx = std::move(built);
    m.cdxPath = target;
    m.indexProblem.clear();
    m.dbf->setStructuralFlag(true);
    m.invalidateBitmaps();
    m.loadTags();
    m.activate(tagArea(tags.back().name));
    if (m.atEof) m.goFirst();
    else if (m.recno >= 1 && m.recno <= m.count()) m.syncCursor();
}

// ---------- checks ----------

std::vector<std::string> Table::check(const ProgressFn& progress) {
    Impl& m = *impl_;
    m.requireOpen();
    std::vector<std::string> problems;
    const std::string& path = m.dbf->path();
    const std::uint64_t size = fileSize(m.dbf->fd(), path);
    const std::uint32_t n = m.count();
    const auto len = static_cast<std::uint64_t>(m.schema().recordLength);
    const std::uint64_t need = static_cast<std::uint64_t>(m.dbf->headerLength()) + n * len;
    if (size < need) problems.push_back(path + ": the header counts " + std::to_string(n) + " records but the file is too short");
    if (size > need + 1) {
        problems.push_back(path + ": " + std::to_string(size - need) +
                           " bytes follow the last record (an unfinished append?)");
    }
    if (!m.indexProblem.empty()) problems.push_back(m.indexProblem);
    const bool recordsReadable = size >= need;
    // Pass 1: deletion flags and memo references.
    m.dbf->setTurbo(true);
    std::size_t memoProblems = 0;
    for (std::uint32_t r = 1; r <= n && recordsReadable; ++r) {
        const char* p = m.dbf->record(r);
        if (p[0] != ' ' && p[0] != '*' && problems.size() < 1000)
            problems.push_back(path + ": record " + std::to_string(r) + " has an invalid deletion flag");
        for (const FieldInfo& fi : m.schema().fields) {
            if (fi.type != 'M' || !m.memo) continue;
            const std::uint32_t b = memoBlockOf(p + fi.offset, fi.width);
            if (b == 0) continue;
            std::string pr = b == 0xFFFFFFFFu ? "the memo reference is garbled" : m.memo->problem(b);
            if (!pr.empty() && ++memoProblems <= 100)
                problems.push_back(path + ": record " + std::to_string(r) + ", field " + fi.name + ": " + pr);
        }
        if (progress && (r & 0xFFFF) == 0) progress(static_cast<int>(20.0 * r / n));
    }
    m.dbf->setTurbo(false);
    if (!m.cdx || !recordsReadable) return problems;
    // Damage that stops a walk through the index is one more problem found.
    try {
        Impl::IndexAccess access(m, false);
        checkIndex(problems, progress);
        access.finish();
    } catch (const FormatError& e) {
        problems.push_back(e.what());
    }
    return problems;
}

void Table::checkIndex(std::vector<std::string>& problems, const ProgressFn& progress) {
    Impl& m = *impl_;
    const std::uint32_t n = m.count();
    const int tagCount = m.structuralCount();
    // Pass 2: the index's own structure (order of entries, links, counts).
    m.cdx->verify(problems);
    const auto infos = m.cdx->tags();
    // Pass 3: every tag's entries against keys recomputed from the records,
    // for groups of tags whose keys fit in about 640 MB at a time.
    constexpr std::uint64_t kBudget = 640ULL * 1024 * 1024;
    int start = 0;
    while (start < tagCount) {
        int end = start;
        std::uint64_t bytes = 0;
        while (end < tagCount) {
            const std::uint64_t b = static_cast<std::uint64_t>(n + 1) * static_cast<std::uint64_t>(infos[static_cast<std::size_t>(end)].keyLength);
            if (end > start && bytes + b > kBudget) break;
            bytes += b;
            ++end;
        }
        std::vector<std::string> expected(static_cast<std::size_t>(end - start));
        std::vector<Bitmap> included(static_cast<std::size_t>(end - start));
        for (int i = start; i < end; ++i) {
            expected[static_cast<std::size_t>(i - start)].reserve(static_cast<std::size_t>(n) * static_cast<std::size_t>(infos[static_cast<std::size_t>(i)].keyLength));
            included[static_cast<std::size_t>(i - start)].reset(n, false);
        }
        m.dbf->setTurbo(true);
        for (std::uint32_t r = 1; r <= n; ++r) {
            const char* p = m.dbf->record(r);
            const EvalContext ctx = m.context(p, r);
            for (int i = start; i < end; ++i) {
                const auto idx = static_cast<std::size_t>(i);
                std::string& keys = expected[idx - static_cast<std::size_t>(start)];
                const std::size_t before = keys.size();
                m.tagExprs[idx]->evaluateKey(ctx, keys);
                if (keys.size() != before + static_cast<std::size_t>(infos[idx].keyLength))
                    keys.resize(before + static_cast<std::size_t>(infos[idx].keyLength), ' ');
                if (!m.tagFors[idx] || m.tagFors[idx]->evaluateLogical(ctx))
                    included[idx - static_cast<std::size_t>(start)].set(r);
            }
        }
        m.dbf->setTurbo(false);
        for (int i = start; i < end; ++i) {
            const auto idx = static_cast<std::size_t>(i);
            const auto len = static_cast<std::size_t>(infos[idx].keyLength);
            const std::string& keys = expected[idx - static_cast<std::size_t>(start)];
            const Bitmap& want = included[idx - static_cast<std::size_t>(start)];
            Bitmap seen(n, false);
            std::uint64_t have = 0, wrong = 0;
            m.cdx->forEach(i, [&](std::string_view key, std::uint32_t recno) {
                ++have;
                if (!want.test(recno) || seen.test(recno) ||
                    key != std::string_view(keys.data() + (recno - 1) * len, len)) {
                    ++wrong;
                    return;
                }
                seen.set(recno);
            });
            const std::uint32_t missing = want.count() - seen.count();
            if (wrong > 0 || missing > 0) {
                problems.push_back(m.cdxPath + ": tag " + infos[idx].name + " holds " + std::to_string(have) +
                                   " keys, " + std::to_string(wrong) + " of them wrong, and lacks " +
                                   std::to_string(missing) + " of the " + std::to_string(want.count()) +
                                   " keys the records give");
            }
            if (progress) progress(20 + 80 * (i + 1) / std::max(1, tagCount));
        }
        start = end;
    }
}

}  // namespace brindle::store
