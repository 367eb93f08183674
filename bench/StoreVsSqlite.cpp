// Brindle's record store against SQLite on the same synthetic address data:
// bulk append, building the 26 address tags (26 indexes), opening, seeking,
// filtered counts and walks, posting with all tags maintained, and packing.
//
// Records: $BRINDLE_BENCH_RECORDS (default 1,000,000; 10,000,000 is the large
// run). Files live in a fresh folder under $BRINDLE_BENCH_DIR (default the
// system's temporary folder) that is removed at the end ($BRINDLE_BENCH_KEEP=1
// keeps it); a run that would not fit on that disk is refused before it
// starts. After the Google Benchmark output a summary table compares both
// engines with the performance targets; $BRINDLE_BENCH_TABLE=FILE also writes
// it there. With --benchmark_repetitions=N the table keeps each row's best
// time of the N runs and its highest peak memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "SampleData.h"
#include "SqliteDb.h"
#include "address/AddressSchema.h"
#include "store/Cp1252.h"
#include "store/Table.h"

extern char** environ;

namespace fs = std::filesystem;
using brindle::bench::SqliteDb;
using brindle::bench::SqliteStmt;
namespace store = brindle::store;
namespace sample = brindle::sample;
namespace address = brindle::address;

namespace {

constexpr std::uint64_t kSeed = 20240501;
constexpr int kSeeks = 10000;
constexpr int kPosts = 10000;
const char* kPrefixFilter = "UPPER(LNAME)=\"JO\" .and. !ISDEL";
const char* kContainsFilter = "\"A\"$UPPER(CODES) .and. !ISDEL";
const char* kSqlPrefixWhere = "UPPER(lname) >= 'JO' AND UPPER(lname) < 'JP' AND isdel = 0 AND del = 0";
const char* kSqlContainsWhere = "instr(UPPER(codes), 'A') > 0 AND isdel = 0 AND del = 0";

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::uint64_t recordCount() {
    if (const char* e = std::getenv("BRINDLE_BENCH_RECORDS")) {
        const long long n = std::atoll(e);
        if (n > 0) return static_cast<std::uint64_t>(n);
    }
    return 1000000;
}

// ---------------------------------------------------------------- results

struct Row {
    std::string op;
    std::string unit;      // "s", "ms", "us", "MB"
    double scale = 1;      // seconds -> unit
    double brindle = NAN;  // in unit
    double sqlite = NAN;
    double target = NAN;   // in unit; NAN for none
    bool targetIsSqlite = false;  // met when Brindle is no slower than SQLite
};

// Repeated runs keep the best time and the highest peak memory.
void keepBest(double& slot, double value) {
    if (std::isnan(value)) return;
    if (std::isnan(slot) || value < slot) slot = value;
}
void keepHighest(double& slot, double value) {
    if (std::isnan(value)) return;
    if (std::isnan(slot) || value > slot) slot = value;
}

// Targets of the tag build: 3 s for a million records, 40 s for ten million.
double buildTarget(std::uint64_t n) { return n <= 1000000 ? 3 : n <= 10000000 ? 40 : NAN; }
constexpr double kPeakTargetMB = 256;

// A deque: rows handed out stay where they are when more are added.
std::deque<Row>& rows() {
    static std::deque<Row> r;
    return r;
}

Row& row(const std::string& op, const std::string& unit, double target) {
    for (auto& r : rows()) {
        if (r.op == op) return r;
    }
    Row r;
    r.op = op;
    r.unit = unit;
    r.scale = unit == "s" ? 1 : unit == "ms" ? 1e3 : unit == "us" ? 1e6 : 1;
    r.target = target;
    rows().push_back(r);
    return rows().back();
}

// ---------------------------------------------------------------- files

struct Env {
    fs::path dir;
    std::uint64_t n = recordCount();
    std::string base() const { return (dir / "addr.dbf").string(); }
    std::string packFile() const { return (dir / "pack.dbf").string(); }
    std::string sqlBase() const { return (dir / "addr.sqlite").string(); }
    std::string sqlPack() const { return (dir / "pack.sqlite").string(); }
    std::string reindexFile() const { return (dir / "reindex.dbf").string(); }
    bool baseBuilt = false, tagsBuilt = false, sqlBuilt = false, sqlIndexed = false;
};

Env& env() {
    static Env e;
    return e;
}

void appendBrindle(const std::string& path, std::uint64_t n, int deletedPerMille) {
    store::Table::create(path, address::addressFields(address::FieldLengths::defaults()), true);
    auto t = store::Table::open(path, store::OpenMode::Exclusive);
    sample::AddressGenerator gen(kSeed, deletedPerMille);
    sample::AddressRecord rec;
    for (std::uint64_t i = 0; i < n; ++i) {
        gen.next(rec);
        sample::appendRecord(*t, rec);
    }
    t->close();
}

const char* kSqlColumns[] = {"lname", "fname", "middle", "prefix", "title", "org", "street", "street2",
                             "city", "state", "zip", "country", "date", "phone", "phone2", "fax",
                             "email", "codes", "user1", "user2", "isdel", "tag", "memo", "del"};

void appendSqlite(const std::string& path, std::uint64_t n, int deletedPerMille) {
    fs::remove(path);
    SqliteDb db(path);
    std::string create = "CREATE TABLE t(";
    std::string insert = "INSERT INTO t VALUES(";
    for (std::size_t i = 0; i < std::size(kSqlColumns); ++i) {
        const std::string c = kSqlColumns[i];
        create += (i ? ", " : "") + c + ((c == "isdel" || c == "del") ? " INTEGER" : " TEXT");
        insert += i ? ", ?" : "?";
    }
    db.exec(create + ")");
    db.exec("BEGIN");
    SqliteStmt ins(db.handle(), insert + ")");
    sample::AddressGenerator gen(kSeed, deletedPerMille);
    sample::AddressRecord r;
    for (std::uint64_t i = 0; i < n; ++i) {
        gen.next(r);
        const std::string* text[] = {&r.lname, &r.fname, &r.middle, &r.prefix, &r.title, &r.org, &r.street,
                                     &r.street2, &r.city, &r.state, &r.zip, &r.country, &r.date, &r.phone,
                                     &r.phone2, &r.fax, &r.email, &r.codes, &r.user1, &r.user2};
        int col = 1;
        for (const std::string* s : text) ins.bindText(col++, store::cp1252ToUtf8(*s));
        ins.bindInt(col++, r.deleted);
        ins.bindText(col++, "");
        ins.bindText(col++, store::cp1252ToUtf8(r.memo));
        ins.bindInt(col++, r.deleted);
        ins.step();
        ins.reset();
    }
    db.exec("COMMIT");
}

// The 26 address tags as SQLite expression indexes. Fixed-width xBase keys
// that concatenate fields sort like a two-column index on the unpadded values.
const char* kSqlIndexes[] = {
    "NAME ON t(UPPER(RTRIM(lname)) || UPPER(fname))",
    "LNAME ON t(UPPER(lname), UPPER(fname))",
    "FNAME ON t(UPPER(fname))",
    "TITLE ON t(UPPER(title))",
    "ORG ON t(UPPER(org))",
    "STREET ON t(UPPER(street))",
    "STREET2 ON t(UPPER(street2))",
    "CITY ON t(UPPER(city), UPPER(state))",
    "STATE ON t(UPPER(state))",
    "ZIP ON t(UPPER(zip))",
    "COUNTRY ON t(UPPER(country))",
    "PHONE ON t(UPPER(phone))",
    "PHONE2 ON t(UPPER(phone2))",
    "EMAIL ON t(UPPER(email))",
    "FAX ON t(UPPER(fax))",
    "USER1 ON t(UPPER(user1))",
    "USER2 ON t(UPPER(user2))",
    "DATE ON t(UPPER(date))",
    "TAG ON t(UPPER(tag))",
    "CODES ON t(UPPER(codes))",
    "PREFIX ON t(UPPER(prefix))",
    "MIDDLE ON t(UPPER(middle))",
    "DELETED ON t(del)",
    "STATEZIP ON t(UPPER(RTRIM(state)) || UPPER(zip))",
    "ISDEL ON t(isdel)",
    "NOTISDEL ON t(isdel = 0)",
};

void indexSqlite(const std::string& path) {
    SqliteDb db(path);
    db.exec("BEGIN");
    for (const char* ix : kSqlIndexes) db.exec(std::string("CREATE INDEX ix_") + ix);
    db.exec("COMMIT");
    // Without statistics the planner takes the index on the deletion flag for
    // "del = 0" and ignores the name index.
    db.exec("ANALYZE");
}

// Runs the tag build in a child process of this program so that its peak
// resident memory is its own, not that of the appends before it.
struct ChildResult {
    double seconds = NAN;
    double cpuSeconds = NAN;  // user + system
    double peakMB = NAN;
};

ChildResult runChild(const std::string& engine, const std::string& path) {
    const std::string out = (env().dir / ("child-" + engine + ".txt")).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<char*> argv = {self.data(), const_cast<char*>("--child-build-tags"), const_cast<char*>(engine.c_str()),
                               const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    ChildResult r;
    if (posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return r;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "tag build child for %s failed\n", engine.c_str());
        return r;
    }
    std::ifstream in(out);
    in >> r.seconds;
    auto secs = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6; };
    r.cpuSeconds = secs(usage.ru_utime) + secs(usage.ru_stime);
    r.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
    return r;
}

int childBuildTags(const std::string& engine, const std::string& path) {
    try {
        if (engine == "sqlite") {
            // A repeated run builds the indexes anew (not timed).
            SqliteDb db(path);
            for (const char* ix : kSqlIndexes) {
                const std::string spec(ix);
                db.exec("DROP INDEX IF EXISTS ix_" + spec.substr(0, spec.find(' ')));
            }
        }
        const auto start = Clock::now();
        if (engine == "brindle") {
            auto t = store::Table::open(path, store::OpenMode::Exclusive);
            address::createAddressTags(*t);
            t->close();
        } else if (engine == "brindle-reindex") {
            // What brindle-db reindex does: pack, then the 26 tags into the packed copy.
            auto t = store::Table::open(path, store::OpenMode::Exclusive);
            store::PackOptions options;
            options.tags = address::addressTags();
            t->pack({}, options);
            t->close();
        } else {
            indexSqlite(path);
        }
        std::printf("%.6f\n", since(start));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

void ensureBase() {
    if (!env().baseBuilt) {
        appendBrindle(env().base(), env().n, 10);
        env().baseBuilt = true;
    }
}
void ensureTags() {
    ensureBase();
    if (!env().tagsBuilt) {
        runChild("brindle", env().base());
        env().tagsBuilt = true;
    }
}
void ensureSqlBase() {
    if (!env().sqlBuilt) {
        appendSqlite(env().sqlBase(), env().n, 10);
        env().sqlBuilt = true;
    }
}
void ensureSqlIndexes() {
    ensureSqlBase();
    if (!env().sqlIndexed) {
        runChild("sqlite", env().sqlBase());
        env().sqlIndexed = true;
    }
}

// People to seek: 10,000 records drawn at random (deterministically) from the
// generated ones, skipping deleted records.
struct Person {
    std::string lname, fname;  // Windows-1252
};

const std::vector<Person>& seekPeople() {
    static const std::vector<Person> people = [] {
        const std::uint64_t n = env().n;
        sample::Random rng(kSeed ^ 0x5EEDull);
        std::vector<std::uint32_t> picks(kSeeks);
        for (auto& p : picks) p = rng.below(static_cast<std::uint32_t>(n));
        std::vector<std::uint32_t> sorted = picks;
        std::sort(sorted.begin(), sorted.end());
        std::map<std::uint32_t, Person> byIndex;
        sample::AddressGenerator gen(kSeed, 10);
        sample::AddressRecord r;
        std::size_t next = 0;
        for (std::uint32_t i = 0; i < n && next < sorted.size(); ++i) {
            gen.next(r);
            if (sorted[next] != i) continue;
            if (!r.deleted) byIndex[i] = {r.lname, r.fname};
            while (next < sorted.size() && sorted[next] == i) ++next;
        }
        std::vector<Person> out;
        for (auto p : picks) {
            if (auto it = byIndex.find(p); it != byIndex.end()) out.push_back(it->second);
        }
        return out;
    }();
    return people;
}

std::string padRight(std::string s, std::size_t width) {
    s.resize(std::max(s.size(), width), ' ');
    return s;
}

// ---------------------------------------------------------------- benchmarks

void BM_Generate(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        sample::AddressGenerator gen(kSeed);
        sample::AddressRecord r;
        std::size_t bytes = 0;
        for (std::uint64_t i = 0; i < env().n; ++i) {
            gen.next(r);
            bytes += r.lname.size();
        }
        benchmark::DoNotOptimize(bytes);
        state.SetIterationTime(since(start));
        row("generate the records alone (in both appends)", "s", NAN).brindle = since(start);
    }
}

void BM_BulkAppend_Brindle(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        appendBrindle(env().base(), env().n, 10);
        const double s = since(start);
        state.SetIterationTime(s);
        env().baseBuilt = true;
        env().tagsBuilt = false;
        row("bulk append, no tags", "s", 3).brindle = s;
    }
}

void BM_BulkAppend_Sqlite(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        appendSqlite(env().sqlBase(), env().n, 10);
        const double s = since(start);
        state.SetIterationTime(s);
        env().sqlBuilt = true;
        env().sqlIndexed = false;
        row("bulk append, no tags", "s", 3).sqlite = s;
    }
}

void recordBuild(const ChildResult& r, bool brindle, benchmark::State& state) {
    const double target = buildTarget(env().n);
    Row& wall = row("build 26 tags", "s", target);
    Row& cpu = row("build 26 tags, CPU time (user + system)", "s", NAN);
    Row& peak = row("peak memory of the tag build", "MB", kPeakTargetMB);
    keepBest(brindle ? wall.brindle : wall.sqlite, r.seconds);
    keepBest(brindle ? cpu.brindle : cpu.sqlite, r.cpuSeconds);
    keepHighest(brindle ? peak.brindle : peak.sqlite, r.peakMB);
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["peak_MB"] = r.peakMB;
}

void BM_BuildTags_Brindle(benchmark::State& state) {
    ensureBase();
    for (auto _ : state) {
        const ChildResult r = runChild("brindle", env().base());
        state.SetIterationTime(std::isnan(r.seconds) ? 0 : r.seconds);
        env().tagsBuilt = !std::isnan(r.seconds);
        recordBuild(r, true, state);
    }
}

void BM_BuildTags_Sqlite(benchmark::State& state) {
    ensureSqlBase();
    for (auto _ : state) {
        const ChildResult r = runChild("sqlite", env().sqlBase());
        state.SetIterationTime(std::isnan(r.seconds) ? 0 : r.seconds);
        env().sqlIndexed = !std::isnan(r.seconds);
        recordBuild(r, false, state);
    }
}

// brindle-db reindex on a copy of the table (about 1 % deleted): pack and 26 tags.
void BM_Reindex_Brindle(benchmark::State& state) {
    ensureBase();
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::copy_file(env().base(), env().reindexFile(), fs::copy_options::overwrite_existing, ec);
        fs::copy_file(fs::path(env().base()).replace_extension(".fpt"), fs::path(env().reindexFile()).replace_extension(".fpt"),
                      fs::copy_options::overwrite_existing, ec);
        fs::remove(fs::path(env().reindexFile()).replace_extension(".cdx"), ec);
        state.ResumeTiming();
        const ChildResult r = runChild("brindle-reindex", env().reindexFile());
        state.SetIterationTime(std::isnan(r.seconds) ? 0 : r.seconds);
        keepBest(row("reindex (pack + 26 tags, as brindle-db reindex)", "s", NAN).brindle, r.seconds);
        keepHighest(row("peak memory of the reindex", "MB", kPeakTargetMB).brindle, r.peakMB);
        state.counters["cpu_s"] = r.cpuSeconds;
        state.counters["peak_MB"] = r.peakMB;
    }
    std::error_code ec;
    for (const char* ext : {".dbf", ".fpt", ".cdx"}) fs::remove(fs::path(env().reindexFile()).replace_extension(ext), ec);
}

void BM_OpenFirst_Brindle(benchmark::State& state) {
    ensureTags();
    std::size_t len = 0;
    for (auto _ : state) {
        auto t = store::Table::open(env().base(), store::OpenMode::Exclusive);
        t->setOrder(t->tagArea("LNAME"));
        t->first();
        len += t->getString("LNAME").size();
    }
    benchmark::DoNotOptimize(len);
    state.SetItemsProcessed(state.iterations());
}

void BM_OpenFirst_Sqlite(benchmark::State& state) {
    ensureSqlIndexes();
    std::size_t len = 0;
    for (auto _ : state) {
        SqliteDb db(env().sqlBase());
        SqliteStmt q(db.handle(), "SELECT lname FROM t WHERE del = 0 ORDER BY UPPER(lname), UPPER(fname) LIMIT 1");
        if (q.step()) len += q.columnText(0).size();
    }
    benchmark::DoNotOptimize(len);
    state.SetItemsProcessed(state.iterations());
}

void BM_Seek_Brindle(benchmark::State& state) {
    ensureTags();
    const auto& people = seekPeople();
    std::vector<std::string> keys;
    auto t = store::Table::open(env().base(), store::OpenMode::Exclusive);
    const int lnameWidth = t->schema().fields[static_cast<std::size_t>(t->fieldIndex("LNAME"))].width;
    for (const auto& p : people) keys.push_back(store::toUpper1252(padRight(p.lname, static_cast<std::size_t>(lnameWidth))) + store::toUpper1252(p.fname));
    t->setOrder(t->tagArea("LNAME"));
    std::size_t found = 0;
    for (auto _ : state) {
        for (const auto& k : keys) found += t->seek(k);
    }
    if (found != keys.size() * state.iterations()) state.SkipWithError("a seek missed a record that exists");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}

void BM_Seek_Sqlite(benchmark::State& state) {
    ensureSqlIndexes();
    const auto& people = seekPeople();
    SqliteDb db(env().sqlBase());
    SqliteStmt q(db.handle(), "SELECT rowid FROM t WHERE UPPER(lname) = UPPER(?1) AND UPPER(fname) = UPPER(?2) AND del = 0 LIMIT 1");
    std::vector<std::pair<std::string, std::string>> keys;
    for (const auto& p : people) keys.emplace_back(store::cp1252ToUtf8(p.lname), store::cp1252ToUtf8(p.fname));
    std::size_t found = 0;
    for (auto _ : state) {
        for (const auto& [l, f] : keys) {
            q.bindText(1, l);
            q.bindText(2, f);
            found += q.step();
            q.reset();
        }
    }
    if (found != keys.size() * state.iterations()) state.SkipWithError("a seek missed a record that exists");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}

std::map<std::string, long long>& counts() {
    static std::map<std::string, long long> c;
    return c;
}

void countBrindle(benchmark::State& state, const char* filter, const char* op) {
    ensureTags();
    auto t = store::Table::open(env().base(), store::OpenMode::Exclusive);
    long long n = 0;
    for (auto _ : state) {
        t->setFilter(filter);
        n = t->filterCount();
        t->setFilter("");
    }
    counts()[std::string("brindle ") + op] = n;
    state.counters["count"] = static_cast<double>(n);
}

void countSqlite(benchmark::State& state, const char* where, const char* op) {
    ensureSqlIndexes();
    SqliteDb db(env().sqlBase());
    SqliteStmt q(db.handle(), std::string("SELECT COUNT(*) FROM t WHERE ") + where);
    long long n = 0;
    for (auto _ : state) {
        q.step();
        n = q.columnInt(0);
        q.reset();
    }
    counts()[std::string("sqlite ") + op] = n;
    state.counters["count"] = static_cast<double>(n);
}

void BM_CountPrefix_Brindle(benchmark::State& s) { countBrindle(s, kPrefixFilter, "prefix"); }
void BM_CountPrefix_Sqlite(benchmark::State& s) { countSqlite(s, kSqlPrefixWhere, "prefix"); }
void BM_CountContains_Brindle(benchmark::State& s) { countBrindle(s, kContainsFilter, "contains"); }
void BM_CountContains_Sqlite(benchmark::State& s) { countSqlite(s, kSqlContainsWhere, "contains"); }

void BM_SkipFiltered_Brindle(benchmark::State& state) {
    ensureTags();
    auto t = store::Table::open(env().base(), store::OpenMode::Exclusive);
    t->setOrder(t->tagArea("LNAME"));
    t->setFilter(kContainsFilter);
    long long n = 0;
    for (auto _ : state) {
        n = 0;
        for (bool ok = t->first(); ok && !t->eof(); ok = t->next()) ++n;
    }
    state.counters["records"] = static_cast<double>(n);
}

void BM_SkipFiltered_Sqlite(benchmark::State& state) {
    ensureSqlIndexes();
    SqliteDb db(env().sqlBase());
    SqliteStmt q(db.handle(), std::string("SELECT rowid FROM t WHERE ") + kSqlContainsWhere +
                                  " ORDER BY UPPER(lname), UPPER(fname)");
    long long n = 0;
    for (auto _ : state) {
        n = 0;
        while (q.step()) ++n;
        q.reset();
    }
    state.counters["records"] = static_cast<double>(n);
}

// New last names and target records for the posts, the same for both engines.
struct PostPlan {
    std::vector<std::uint32_t> recnos;
    std::vector<std::string> names;  // Windows-1252
};

const PostPlan& postPlan() {
    static const PostPlan plan = [] {
        PostPlan p;
        sample::Random rng(kSeed ^ 0x9057ull);
        const auto& people = seekPeople();
        for (int i = 0; i < kPosts; ++i) {
            p.recnos.push_back(1 + rng.below(static_cast<std::uint32_t>(env().n)));
            p.names.push_back(people.empty() ? std::string("Smith") : people[rng.below(static_cast<std::uint32_t>(people.size()))].lname);
        }
        return p;
    }();
    return plan;
}

void BM_Post_Brindle(benchmark::State& state) {
    ensureTags();
    const PostPlan& plan = postPlan();
    auto t = store::Table::open(env().base(), store::OpenMode::Exclusive);
    t->setOrder(t->tagArea("LNAME"));
    for (auto _ : state) {
        for (int i = 0; i < kPosts; ++i) {
            t->go(plan.recnos[static_cast<std::size_t>(i)]);
            t->edit();
            t->setString("LNAME", plan.names[static_cast<std::size_t>(i)]);
            t->post();
        }
    }
    state.SetItemsProcessed(state.iterations() * kPosts);
}

void BM_Post_Sqlite(benchmark::State& state) {
    ensureSqlIndexes();
    const PostPlan& plan = postPlan();
    SqliteDb db(env().sqlBase());
    SqliteStmt up(db.handle(), "UPDATE t SET lname = ?1 WHERE rowid = ?2");
    std::vector<std::string> names;
    for (const auto& n : plan.names) names.push_back(store::cp1252ToUtf8(n));
    for (auto _ : state) {
        for (int i = 0; i < kPosts; ++i) {
            up.bindText(1, names[static_cast<std::size_t>(i)]);
            up.bindInt(2, plan.recnos[static_cast<std::size_t>(i)]);
            up.step();
            up.reset();
        }
    }
    state.SetItemsProcessed(state.iterations() * kPosts);
}

// Packing must be no slower than SQLite's delete and vacuum.
Row& packRow() {
    Row& r = row("pack, 10 % deleted, no index", "s", NAN);
    r.targetIsSqlite = true;
    return r;
}

// Packing as the rebuild does it: the index file is gone, 10 % of the records are deleted.
void BM_Pack_Brindle(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        appendBrindle(env().packFile(), env().n, 100);
        auto t = store::Table::open(env().packFile(), store::OpenMode::Exclusive);
        state.ResumeTiming();
        const auto start = Clock::now();
        t->pack();
        const double s = since(start);
        state.SetIterationTime(s);
        keepBest(packRow().brindle, s);
    }
}

void BM_Pack_Sqlite(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        appendSqlite(env().sqlPack(), env().n, 100);
        SqliteDb db(env().sqlPack());
        state.ResumeTiming();
        const auto start = Clock::now();
        db.exec("DELETE FROM t WHERE del = 1");
        db.exec("VACUUM");
        const double s = since(start);
        state.SetIterationTime(s);
        keepBest(packRow().sqlite, s);
    }
}

// Per-operation times from repeated benchmarks, in the summary's unit.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) continue;
            const std::string name = run.benchmark_name();
            const double perIteration = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            const bool brindle = name.find("_Brindle") != std::string::npos;
            auto put = [&](const char* op, const char* unit, double target, double seconds) {
                Row& r = row(op, unit, target);
                (brindle ? r.brindle : r.sqlite) = seconds * r.scale;
            };
            if (name.rfind("BM_OpenFirst", 0) == 0) put("open + first record in LNAME order", "ms", NAN, perIteration);
            if (name.rfind("BM_Seek", 0) == 0) put("exact seek on LNAME (per seek)", "us", 20, perIteration / kSeeks);
            if (name.rfind("BM_CountPrefix", 0) == 0) put("count UPPER(LNAME)=\"JO\" .and. !ISDEL", "ms", 50, perIteration);
            if (name.rfind("BM_CountContains", 0) == 0) put("count \"A\"$UPPER(CODES) .and. !ISDEL", "ms", 250, perIteration);
            if (name.rfind("BM_SkipFiltered", 0) == 0) put("walk LNAME order under the CODES filter", "ms", NAN, perIteration);
            if (name.rfind("BM_Post", 0) == 0) put("post changing LNAME, 26 tags (per post)", "us", 200, perIteration / kPosts);
        }
    }
};

std::string fmt(double v) {
    if (std::isnan(v)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, v >= 100 ? "%.0f" : v >= 10 ? "%.1f" : "%.2f", v);
    return buf;
}

std::string summaryTable() {
    std::string s = "| Operation (" + std::to_string(env().n) + " records) | Brindle | SQLite | Brindle / SQLite | Target | Met |\n";
    s += "|---|---:|---:|---:|---:|:---:|\n";
    for (const Row& r : rows()) {
        const double ratio = r.brindle / r.sqlite;
        std::string met = "";
        if (!std::isnan(r.target) && !std::isnan(r.brindle)) met = r.brindle <= r.target ? "yes" : "**no**";
        if (r.targetIsSqlite && !std::isnan(ratio)) met = r.brindle <= r.sqlite ? "yes" : "**no**";
        auto cell = [&](double v) { return std::isnan(v) ? std::string("-") : fmt(v) + " " + r.unit; };
        s += "| " + r.op + " | " + cell(r.brindle) + " | " + cell(r.sqlite) + " | " +
             (std::isnan(ratio) ? "-" : fmt(ratio)) + " | " +
             (r.targetIsSqlite ? std::string("≤ SQLite")
                               : std::isnan(r.target) ? std::string("-") : "≤ " + fmt(r.target) + " " + r.unit) +
             " | " + met + " |\n";
    }
    for (const char* op : {"prefix", "contains"}) {
        const auto b = counts().find(std::string("brindle ") + op), q = counts().find(std::string("sqlite ") + op);
        if (b != counts().end() && q != counts().end() && b->second != q->second)
            s += "\nWARNING: the " + std::string(op) + " counts differ: Brindle " + std::to_string(b->second) +
                 ", SQLite " + std::to_string(q->second) + "\n";
    }
    return s;
}

}  // namespace

BENCHMARK(BM_Generate)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BulkAppend_Brindle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BulkAppend_Sqlite)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTags_Brindle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTags_Sqlite)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reindex_Brindle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFirst_Brindle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenFirst_Sqlite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Seek_Brindle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Seek_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountPrefix_Brindle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountPrefix_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountContains_Brindle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountContains_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipFiltered_Brindle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipFiltered_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Post_Brindle)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Post_Sqlite)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack_Brindle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack_Sqlite)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--child-build-tags") return childBuildTags(argv[2], argv[3]);

    const char* where = std::getenv("BRINDLE_BENCH_DIR");
    const fs::path parent = where && *where ? fs::path(where) : fs::temp_directory_path();
    // Both tables, the pack copies, the reindex copy, Brindle's index and
    // scratch runs, SQLite's indexes: about 4 KB a record at most.
    struct statvfs vfs {};
    const double need = static_cast<double>(env().n) * 4096.0;
    if (::statvfs(parent.c_str(), &vfs) == 0) {
        const double free = static_cast<double>(vfs.f_bavail) * static_cast<double>(vfs.f_frsize);
        if (free < need) {
            std::fprintf(stderr, "%s has %.1f GB free; %llu records need about %.1f GB (set BRINDLE_BENCH_DIR)\n",
                         parent.c_str(), free / 1e9, static_cast<unsigned long long>(env().n), need / 1e9);
            return 2;
        }
    }
    std::string templ = (parent / "brindle-bench-XXXXXX").string();
    if (!::mkdtemp(templ.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    env().dir = templ;
    std::fprintf(stderr, "records: %llu, files in %s\n", static_cast<unsigned long long>(env().n), templ.c_str());

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    int status = 0;
    try {
        SummaryReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        status = 1;
    }
    benchmark::Shutdown();

    const std::string table = summaryTable();
    std::printf("\n%s", table.c_str());
    if (const char* out = std::getenv("BRINDLE_BENCH_TABLE")) std::ofstream(out) << table;

    const char* keep = std::getenv("BRINDLE_BENCH_KEEP");
    if (keep && std::string(keep) == "1") {
        std::fprintf(stderr, "kept %s\n", templ.c_str());
    } else {
        std::error_code ec;
        fs::remove_all(env().dir, ec);
    }
    return status;
}
