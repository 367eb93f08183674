#include "SampleData.h"

#include <cctype>
#include <filesystem>
#include <vector>

#include "SampleLists.h"
#include "address/AddressSchema.h"
#include "store/Cp1252.h"

namespace brindle::sample {
namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

using Strings = std::vector<std::string>;

Strings toCp1252(lists::Words words) {
    Strings out;
    out.reserve(words.size);
    for (std::size_t i = 0; i < words.size; ++i) out.push_back(store::utf8ToCp1252(words[i]));
    return out;
}

// The word lists in the table's character set, converted once.
struct Words1252 {
    Strings male = toCp1252(lists::maleFirstNames());
    Strings female = toCp1252(lists::femaleFirstNames());
    Strings last = toCp1252(lists::lastNames());
    Strings streets = toCp1252(lists::streetNames());
    Strings suffixes = toCp1252(lists::streetSuffixes());
    Strings titles = toCp1252(lists::jobTitles());
    Strings orgWords = toCp1252(lists::orgWords());
    Strings orgKinds = toCp1252(lists::orgKinds());
    Strings comments = toCp1252(lists::comments());
    Strings memo = toCp1252(lists::memoSentences());
    Strings cityNames;
    Strings cityStates;
    Strings cityZip3;
    Words1252() {
        const auto c = lists::cities();
        for (std::size_t i = 0; i < c.size; ++i) {
            cityNames.push_back(store::utf8ToCp1252(c[i].name));
            cityStates.push_back(c[i].state);
            cityZip3.push_back(c[i].zip3);
        }
    }
};

const Words1252& words() {
    static const Words1252 w;
    return w;
}

const std::string& pick(Random& rng, const Strings& s) { return s[rng.below(static_cast<std::uint32_t>(s.size()))]; }

void appendDigits(std::string& out, std::uint32_t value, int digits) {
    char buf[16];
    for (int i = digits - 1; i >= 0; --i) {
        buf[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(buf, static_cast<std::size_t>(digits));
}

void appendNumber(std::string& out, std::uint32_t value) { out += std::to_string(value); }

// North American number: (AAA) EEE-NNNN; area codes and exchanges start with 2-9
// and avoid the N11 service codes.
void makePhone(Random& rng, std::string& out) {
    out.clear();
    std::uint32_t area = 200 + rng.below(800);
    if (area % 100 == 11) area += 1;
    std::uint32_t exchange = 200 + rng.below(800);
    if (exchange % 100 == 11) exchange += 1;
    out += '(';
    appendDigits(out, area, 3);
    out += ") ";
    appendDigits(out, exchange, 3);
    out += '-';
    appendDigits(out, rng.below(10000), 4);
}

// Lower-case ASCII letters of a name, for e-mail addresses ("O'Brien" -> "obrien",
// accented letters dropped).
void appendMailPart(std::string& out, const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x80 && std::isalpha(c)) out += static_cast<char>(std::tolower(c));
    }
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return days[month - 1];
}

}  // namespace

Random::Random(std::uint64_t seed) {
    std::uint64_t x = seed;
    for (auto& s : s_) s = splitmix64(x);
}

std::uint64_t Random::next() {
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

std::uint32_t Random::below(std::uint32_t n) {
    return static_cast<std::uint32_t>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
}

AddressGenerator::AddressGenerator(std::uint64_t seed, int deletedPerMille)
    : rng_(seed), deletedPerMille_(deletedPerMille) {}

void AddressGenerator::next(AddressRecord& r) {
    const Words1252& w = words();
    Random& rng = rng_;

    const bool female = rng.chance(500);
    r.fname = pick(rng, female ? w.female : w.male);
    r.lname = pick(rng, w.last);
    r.middle.clear();
    if (rng.chance(400)) r.middle = static_cast<char>('A' + rng.below(26));

    r.prefix.clear();
    if (rng.chance(600)) {
        const std::uint32_t p = rng.below(20);
        if (p < 2) r.prefix = "Dr.";
        else if (p == 2) r.prefix = "Prof.";
        else if (p == 3) r.prefix = "Rev.";
        else if (female) r.prefix = p < 11 ? "Ms." : "Mrs.";
        else r.prefix = "Mr.";
    }

    const bool business = rng.chance(350);
    r.org.clear();
    r.title.clear();
    if (business) {
        r.org = pick(rng, w.orgWords);
        r.org += ' ';
        r.org += pick(rng, w.orgKinds);
        if (rng.chance(700)) r.title = pick(rng, w.titles);
    } else if (rng.chance(80)) {
        r.title = pick(rng, w.titles);
    }

    r.street.clear();
    appendNumber(r.street, 1 + rng.below(rng.chance(800) ? 9999 : 99999));
    r.street += ' ';
    if (rng.chance(150)) {
        static const char* const dirs[] = {"N ", "S ", "E ", "W "};
        r.street += dirs[rng.below(4)];
    }
    r.street += pick(rng, w.streets);
    r.street += ' ';
    r.street += pick(rng, w.suffixes);

    r.street2.clear();
    if (rng.chance(150)) {
        const std::uint32_t kind = rng.below(4);
        if (kind == 0) {
            r.street2 = "Apt ";
            appendNumber(r.street2, 1 + rng.below(30));
            r.street2 += static_cast<char>('A' + rng.below(6));
        } else if (kind == 1) {
            r.street2 = "Suite ";
            appendNumber(r.street2, 100 * (1 + rng.below(9)) + rng.below(20));
        } else if (kind == 2) {
            r.street2 = "Unit ";
            appendNumber(r.street2, 1 + rng.below(400));
        } else {
            r.street2 = "PO Box ";
            appendNumber(r.street2, 1 + rng.below(9999));
        }
    }

    const std::uint32_t city = rng.below(static_cast<std::uint32_t>(w.cityNames.size()));
    r.city = w.cityNames[city];
    r.state = w.cityStates[city];
    r.zip = w.cityZip3[city];
    appendDigits(r.zip, rng.below(100), 2);
    if (rng.chance(300)) {
        r.zip += '-';
        appendDigits(r.zip, rng.below(10000), 4);
    }
    r.country.clear();
    if (rng.chance(100)) r.country = "USA";

    r.date.clear();
    if (rng.chance(850)) {
        const int year = 1985 + static_cast<int>(rng.below(40));
        const int month = 1 + static_cast<int>(rng.below(12));
        const int day = 1 + static_cast<int>(rng.below(static_cast<std::uint32_t>(daysInMonth(year, month))));
        appendDigits(r.date, static_cast<std::uint32_t>(year), 4);
        appendDigits(r.date, static_cast<std::uint32_t>(month), 2);
        appendDigits(r.date, static_cast<std::uint32_t>(day), 2);
    }

    r.phone.clear();
    r.phone2.clear();
    r.fax.clear();
    if (rng.chance(900)) makePhone(rng, r.phone);
    if (rng.chance(250)) makePhone(rng, r.phone2);
    if (rng.chance(business ? 400 : 50)) makePhone(rng, r.fax);

    r.email.clear();
    if (rng.chance(700)) {
        const std::uint32_t form = rng.below(4);
        if (form == 0) {
            appendMailPart(r.email, r.fname);
            r.email += '.';
            appendMailPart(r.email, r.lname);
        } else if (form == 1) {
            appendMailPart(r.email, r.fname);
            if (!r.email.empty()) r.email.resize(1);
            appendMailPart(r.email, r.lname);
        } else if (form == 2) {
            appendMailPart(r.email, r.fname);
            appendMailPart(r.email, r.lname);
            appendDigits(r.email, rng.below(100), 2);
        } else {
            appendMailPart(r.email, r.fname);
            r.email += '_';
            appendMailPart(r.email, r.lname);
        }
        if (business) {
            r.email += '@';
            appendMailPart(r.email, r.org);
            r.email += ".example.com";
        } else {
            static const char* const domains[] = {"@example.com", "@example.net", "@example.org", "@mail.example.com"};
            r.email += domains[rng.below(4)];
        }
    }

    // Codes: one to three distinct letters of a small alphabet, separated by blanks.
    r.codes.clear();
    if (rng.chance(600)) {
        static const char alphabet[] = "ABCDEFGHKMPRSTVX";
        const std::uint32_t n = 1 + rng.below(3);
        unsigned used = 0;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t k = rng.below(16);
            if (used & (1u << k)) continue;
            used |= 1u << k;
            if (!r.codes.empty()) r.codes += ' ';
            r.codes += alphabet[k];
        }
    }

    r.user1.clear();
    r.user2.clear();
    if (rng.chance(200)) r.user1 = pick(rng, w.comments);
    if (rng.chance(80)) r.user2 = pick(rng, w.comments);

    r.memo.clear();
    if (rng.chance(50)) {
        const std::uint32_t sentences = 1 + rng.below(4);
        for (std::uint32_t i = 0; i < sentences; ++i) {
            if (i > 0) r.memo += rng.chance(300) ? "\r\n" : " ";
            r.memo += pick(rng, w.memo);
        }
    }

    r.deleted = rng.chance(deletedPerMille_);
}

void appendRecord(store::Table& table, const AddressRecord& r) {
    table.append();
    auto set = [&table](std::string_view field, const std::string& value) {
        if (!value.empty()) table.setString(field, value);
    };
    set("LNAME", r.lname);
    set("FNAME", r.fname);
    set("MIDDLE", r.middle);
    set("PREFIX", r.prefix);
    set("TITLE", r.title);
    set("ORG", r.org);
    set("STREET", r.street);
    set("STREET2", r.street2);
    set("CITY", r.city);
    set("STATE", r.state);
    set("ZIP", r.zip);
    set("COUNTRY", r.country);
    set("DATE", r.date);
    set("PHONE", r.phone);
    set("PHONE2", r.phone2);
    set("FAX", r.fax);
    set("EMAIL", r.email);
    set("CODES", r.codes);
    set("USER1", r.user1);
    set("USER2", r.user2);
    table.setLogical("ISDEL", r.deleted);
    if (!r.memo.empty()) table.setMemo("MEMO", r.memo);
    table.post();
    if (r.deleted) table.deleteRecord();
}

void writeSampleFile(const std::string& path, const SampleOptions& options) {
    // Creating takes the file exclusively before it changes anything and
    // clears out the old table's index and memo files itself.
    store::Table::create(path, address::addressFields(address::FieldLengths::defaults()), options.overwrite);
    auto table = store::Table::open(path, store::OpenMode::Exclusive);

    AddressGenerator gen(options.seed);
    AddressRecord rec;
    int lastPercent = -1;
    for (std::uint64_t i = 0; i < options.records; ++i) {
        gen.next(rec);
        appendRecord(*table, rec);
        if (options.appendProgress) {
            const int percent = static_cast<int>((i + 1) * 100 / options.records);
            if (percent != lastPercent) {
                lastPercent = percent;
                if (!options.appendProgress(percent)) throw store::CancelledError("Sample generation cancelled");
            }
        }
    }
    if (options.buildTags) address::createAddressTags(*table, options.tagProgress);
    table->close();
}

}  // namespace brindle::sample
