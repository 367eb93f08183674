#pragma once
// Deterministic synthetic address records: realistic enough to exercise the
// tags, filters and reports, and fast enough to fill a file of a million
// records for benchmarks. The same seed always yields the same records (the
// generator and its random source are fixed algorithms, independent of the
// compiler's standard library).
#include <cstdint>
#include <string>

#include "store/IndexFile.h"
#include "store/Table.h"

namespace brindle::sample {

// xoshiro256** seeded through splitmix64.
class Random {
public:
    explicit Random(std::uint64_t seed);
    std::uint64_t next();
    // 0 .. n-1 (n > 0).
    std::uint32_t below(std::uint32_t n);
    // True with a probability of perMille / 1000.
    bool chance(int perMille) { return below(1000) < static_cast<std::uint32_t>(perMille); }

private:
    std::uint64_t s_[4];
};

// One address record; text is Windows-1252 as it is stored.
struct AddressRecord {
    std::string lname, fname, middle, prefix, title, org, street, street2, city, state, zip, country, date,
        phone, phone2, fax, email, codes, user1, user2, memo;
    bool deleted = false;  // engine flag and ISDEL together
};

class AddressGenerator {
public:
    // deletedPerMille: share of records marked deleted (drawn last, so the
    // other values do not depend on it).
    explicit AddressGenerator(std::uint64_t seed, int deletedPerMille = 10);
    // Fills `out` with the next record (reusing its buffers).
    void next(AddressRecord& out);

private:
    Random rng_;
    int deletedPerMille_;
};

// Appends `rec` through the table's append/post path; a deleted record gets
// ISDEL true and the engine's deletion flag.
void appendRecord(store::Table& table, const AddressRecord& rec);

struct SampleOptions {
    std::uint64_t records = 1000;
    std::uint64_t seed = 1;
    bool buildTags = true;    // the 26 address tags, built in one pass after the records
    bool overwrite = false;   // replace an existing file (and its memo and index files)
    store::ProgressFn appendProgress;  // 0..100 over the records
    store::ProgressFn tagProgress;     // 0..100 over the tag build
};

// Creates an address file of generated records. Throws store::StoreError
// (for example when the file exists and overwrite is off).
void writeSampleFile(const std::string& path, const SampleOptions& options);

}  // namespace brindle::sample
