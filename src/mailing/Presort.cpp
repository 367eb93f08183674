#include "mailing/Presort.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#include "common/Common.h"
#include "mailing/AdcTable.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::mailing {

namespace {

constexpr std::string_view kFiveDigit = "** 5-digit ";
constexpr std::string_view kThreeDigit = "** 3-digit ";
constexpr std::string_view kAdc = "** ADC ";
constexpr std::string_view kUnknown = "** Unknown";

// Keys are at most five bytes: the bytes big-endian in the low 40 bits and
// the length above them, so that keys of different lengths never collide.
std::uint64_t packKey(std::string_view key) {
    std::uint64_t v = static_cast<std::uint64_t>(key.size()) << 40;
    for (std::size_t i = 0; i < key.size(); ++i)
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(key[i])) << (8 * (4 - i));
    return v;
}

std::string unpackKey(std::uint64_t v) {
    const std::size_t n = static_cast<std::size_t>(v >> 40);
    std::string key(n, '\0');
    for (std::size_t i = 0; i < n; ++i) key[i] = static_cast<char>((v >> (8 * (4 - i))) & 0xFF);
    return key;
}

std::string_view prefixOf(std::string_view key) { return key.substr(0, 3); }

// Puts the table's order, record and read mode back on every way out.
class TableState {
public:
    explicit TableState(store::Table& t) : t_(t), order_(t.order()), recno_(t.recNo()), hadRecord_(t.hasRecord()) {}
    ~TableState() {
        try {
            t_.setTurboRead(false);
            t_.setOrder(order_);
            if (hadRecord_) t_.go(recno_);
        } catch (...) {
            // Restoring is best effort; the error that brought us here matters more.
        }
    }
    TableState(const TableState&) = delete;
    TableState& operator=(const TableState&) = delete;

private:
    store::Table& t_;
    int order_;
    std::uint32_t recno_;
    bool hadRecord_;
};

}  // namespace

QString orderFilePath() { return common::programDir() + QString::fromLatin1(kOrderFileName); }

std::string presortKey(std::string_view zipField) {
    std::size_t end = zipField.size();
    while (end > 0 && zipField[end - 1] == ' ') --end;
    std::string key(zipField.substr(0, std::min<std::size_t>(end, 5)));
    store::upperInPlace(key.data(), key.size());
    return key;
}

bool takesPart(std::string_view key) {
    if (key.empty() || key[0] < '0' || key[0] > '9') return false;
    return key >= std::string_view("00000") && key <= std::string_view("99999-999");
}

bool isSeparatorLine(std::string_view line) { return line.substr(0, 3) == "** "; }

// ---------------------------------------------------------------- tally

void PresortTally::add(std::string_view key) {
    ++counts_[packKey(key)];
    ++pieces_;
}

std::array<std::vector<TallyEntry>, 10> PresortTally::sortedLists() const {
    std::array<std::vector<TallyEntry>, 10> lists;
    for (const auto& [packed, count] : counts_) {
        std::string key = unpackKey(packed);
        const int digit = key[0] - '0';
        lists[static_cast<std::size_t>(digit)].push_back({std::move(key), count});
    }
    for (auto& list : lists)
        std::sort(list.begin(), list.end(), [](const TallyEntry& a, const TallyEntry& b) { return a.key < b.key; });
    return lists;
}

// ---------------------------------------------------------------- groups

std::vector<std::string> buildOrder(const PresortTally& tally, PresortSummary* summary) {
    PresortSummary totals;
    std::vector<std::string> output;      // 5-digit groups
    std::vector<std::string> threeDigit;  // 3-digit groups
    std::vector<TallyEntry> remainder;

    for (auto& list : tally.sortedLists()) {
        // 5-digit pass: a key with ten or more pieces is a group of its own.
        std::vector<TallyEntry> left;
        for (auto& e : list) {
            if (e.count > kGroupThreshold) {
                output.push_back(std::string(kFiveDigit) + e.key);
                output.push_back(e.key);
                ++totals.fiveDigit.groups;
                ++totals.fiveDigit.keys;
                totals.fiveDigit.pieces += static_cast<std::uint64_t>(e.count);
            } else {
                left.push_back(std::move(e));
            }
        }
        // 3-digit pass: runs of keys with one prefix that add up to ten or
        // more pieces; the rest goes on to the ADC pass.
        std::size_t start = 0;
        while (start < left.size()) {
            const std::string_view prefix = prefixOf(left[start].key);
            std::size_t end = start;
            std::uint64_t sum = 0;
            while (end < left.size() && prefixOf(left[end].key) == prefix)
                sum += static_cast<std::uint64_t>(left[end++].count);
            if (sum > kGroupThreshold) {
                threeDigit.push_back(std::string(kThreeDigit) + std::string(prefix));
                for (std::size_t i = start; i < end; ++i) threeDigit.push_back(left[i].key.substr(0, 5));
                ++totals.threeDigit.groups;
                totals.threeDigit.keys += static_cast<int>(end - start);
                totals.threeDigit.pieces += sum;
            } else {
                for (std::size_t i = start; i < end; ++i) remainder.push_back(std::move(left[i]));
            }
            start = end;
        }
    }

    // ADC pass: each remaining key goes to the centre whose list names its
    // prefix; the groups follow the table's order, keys keep theirs.
    std::array<std::vector<const TallyEntry*>, kAdcGroupCount> centres;
    std::vector<const TallyEntry*> unknown;
    for (const auto& e : remainder) {
        const int row = e.key.size() >= 3 ? adcGroupOf(prefixOf(e.key)) : -1;
        if (row >= 0) centres[static_cast<std::size_t>(row)].push_back(&e);
        else unknown.push_back(&e);
    }

    output.insert(output.end(), std::make_move_iterator(threeDigit.begin()), std::make_move_iterator(threeDigit.end()));
    for (std::size_t row = 0; row < kAdcGroupCount; ++row) {
        if (centres[row].empty()) continue;
        output.push_back(std::string(kAdc) + adcGroups()[row].name);
        ++totals.adc.groups;
        for (const TallyEntry* e : centres[row]) {
            output.push_back(e->key);
            ++totals.adc.keys;
            totals.adc.pieces += static_cast<std::uint64_t>(e->count);
        }
    }
    if (!unknown.empty()) {
        output.emplace_back(kUnknown);
        totals.unknown.groups = 1;
        for (const TallyEntry* e : unknown) {
            output.push_back(e->key);
            ++totals.unknown.keys;
            totals.unknown.pieces += static_cast<std::uint64_t>(e->count);
        }
    }
    if (summary) *summary = totals;
    return output;
}

// ---------------------------------------------------------------- the file

QByteArray orderFileBytes(const std::vector<std::string>& lines) {
    QByteArray bytes;
    std::size_t size = 0;
    for (const auto& l : lines) size += l.size() + 2;
    bytes.reserve(static_cast<qsizetype>(size));
    for (const auto& l : lines) {
        bytes.append(l.data(), static_cast<qsizetype>(l.size()));
        bytes.append("\r\n", 2);
    }
    return bytes;
}

bool writeOrderFile(const QString& path, const std::vector<std::string>& lines, QString* error) {
    // QSaveFile writes beside the target and renames only after a complete,
    // flushed write, so a failure leaves the earlier file as it was.
    QSaveFile file(path);
    const QByteArray bytes = orderFileBytes(lines);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error) *error = file.errorString();
    return ok;
}

std::vector<OrderLine> parseOrderFile(const QByteArray& bytes) {
    std::vector<OrderLine> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0) end = bytes.size();
        qsizetype stop = end;
        if (stop > pos && bytes[stop - 1] == '\r') --stop;
        if (stop > pos) {
            std::string text(bytes.constData() + pos, static_cast<std::size_t>(stop - pos));
            const bool separator = isSeparatorLine(text);
            lines.push_back({separator, std::move(text)});
        }
        pos = end + 1;
    }
    return lines;
}

QString leftOutText(std::uint64_t leftOut) {
    if (leftOut == 0) return {};
    return leftOut == 1 ? QStringLiteral("1 record without a US ZIP code is left out.")
                        : QStringLiteral("%1 records without a US ZIP code are left out.").arg(leftOut);
}

// ---------------------------------------------------------------- the run

PresortResult runPresort(store::Table& table, const QString& orderFile, PresortProgress& progress) {
    PresortResult result;
    PresortTally tally;
    {
        TableState keep(table);
        const int zip = table.fieldIndex("ZIP");
        if (zip < 0) {
            result.error = QStringLiteral("The address file has no ZIP field.");
            return result;
        }
        const std::string zipName = table.schema().fields[static_cast<std::size_t>(zip)].name;
        table.setOrder(0);
        table.setTurboRead(true);
        progress.status(QStringLiteral("Reading database records..."));
        const std::uint64_t total = std::max<std::uint32_t>(table.recordCount(), 1);
        bool cancelled = false;
        for (bool ok = table.first(); ok && !table.eof();) {
            const std::string key = presortKey(table.getRaw(zipName));
            ++result.recordsRead;
            if (takesPart(key)) tally.add(key);
            else ++result.leftOut;
            ok = table.next();
            const std::uint32_t here = table.recNo();
            if (ok && !table.eof() && here % 100 == 0)
                progress.status(QStringLiteral("Reading record %1").arg(here));
            const std::uint64_t done = table.eof() ? total : here;
            const int percent = static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total));
            if (!progress.afterRecord(percent)) {
                cancelled = true;
                break;
            }
        }
        if (cancelled) {
            result.outcome = PresortResult::Outcome::Cancelled;
            return result;
        }
    }
    result.counted = tally.pieces();
    result.distinctKeys = tally.distinctKeys();
    QString sorting = QStringLiteral("Sorting Zip Codes...");
    if (result.leftOut) sorting += QStringLiteral("\n") + leftOutText(result.leftOut);
    progress.status(sorting);

    const std::vector<std::string> lines = buildOrder(tally, &result.summary);
    result.lines = lines.size();
    QString error;
    if (!writeOrderFile(orderFile, lines, &error)) {
        result.error = QStringLiteral("The presort order could not be written to %1:\n%2")
                           .arg(QFileInfo(orderFile).absoluteFilePath(), error);
        return result;
    }
    result.outcome = PresortResult::Outcome::Completed;
    return result;
}

}  // namespace brindle::mailing
