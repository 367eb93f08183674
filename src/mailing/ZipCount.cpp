#include "mailing/ZipCount.h"

#include "store/Table.h"

namespace brindle::mailing {

std::string zipCountKey(std::string_view zipField) {
    std::string key(zipField.substr(0, std::min<std::size_t>(zipField.size(), 5)));
    while (!key.empty() && (key.back() == ' ' || key.back() == '\0')) key.pop_back();
    return key;
}

bool isRegularZipKey(std::string_view key) {
    return key.size() == 5 && key[0] >= '0' && key[0] <= '9' && key >= std::string_view("00000") &&
           key <= std::string_view("99999-999");
}

QString formatCount(std::uint64_t n) {
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QChar(','));
    return digits;
}

QString ZipCountLine::text() const {
    if (isEmpty()) return {};
    return key.left(10).leftJustified(10, QChar(' ')) + count;
}

void ZipTally::add(std::string_view key) {
    ++records_;
    if (key.empty()) ++blank_;
    else if (isRegularZipKey(key)) ++regular_[static_cast<std::size_t>(key[0] - '0')][std::string(key)];
    else ++other_[std::string(key)];
}

std::vector<ZipCountLine> ZipTally::lines(const std::function<QString(std::string_view)>& decode) const {
    std::vector<ZipCountLine> out;
    for (const auto& list : regular_)
        for (const auto& [key, n] : list) out.push_back({decode(key), formatCount(n)});
    out.push_back({});
    out.push_back({});
    for (const auto& [key, n] : other_) out.push_back({decode(key), formatCount(n)});
    if (blank_ > 0) out.push_back({QStringLiteral("BLANK"), formatCount(blank_)});
    return out;
}

namespace {

// Fast reading, and the table's order and record, for the length of a count.
class CountScope {
public:
    CountScope(store::Table& t, ZipCountProgress& p)
        : t_(t), p_(p), order_(t.order()), recno_(t.recNo()), hadRecord_(t.hasRecord()) {
        t_.setOrder(0);
        t_.setTurboRead(true);
        p_.fastRead(true);
    }
    ~CountScope() {
        fastReadOff();
        try {
            t_.setOrder(order_);
            if (hadRecord_ && recno_ > 0) t_.go(recno_);
        } catch (...) {
            // Best effort; the error that ended the count matters more.
        }
    }
    void fastReadOff() {
        if (!on_) return;
        on_ = false;
        try {
            t_.setTurboRead(false);
        } catch (...) {
        }
        p_.fastRead(false);
    }
    CountScope(const CountScope&) = delete;
    CountScope& operator=(const CountScope&) = delete;

private:
    store::Table& t_;
    ZipCountProgress& p_;
    int order_;
    std::uint32_t recno_;
    bool hadRecord_;
    bool on_ = true;
};

}  // namespace

ZipCountResult runZipCount(store::Table& table, ZipCountProgress& progress) {
    ZipCountResult result;
    const int zip = table.fieldIndex("ZIP");
    if (zip < 0) throw store::StoreError(table.path() + " has no ZIP field");
    const std::string zipName = table.schema().fields[static_cast<std::size_t>(zip)].name;
    ZipTally tally;
    {
        CountScope scope(table, progress);
        progress.status(QStringLiteral("Reading database records..."));
        for (bool ok = table.first(); ok && !table.eof();) {
            tally.add(zipCountKey(table.getRaw(zipName)));
            ++result.read;
            ok = table.next();
            const std::uint32_t here = table.recNo();
            if (ok && !table.eof() && here % 100 == 0) progress.status(QStringLiteral("Reading record %1").arg(here));
            if (!progress.afterRecord()) {
                result.cancelled = true;
                return result;
            }
        }
        scope.fastReadOff();
        progress.status(QStringLiteral("Sorting Zip Codes..."));
    }
    const store::TextCodec& codec = table.codec();
    result.lines = tally.lines([&codec](std::string_view key) { return QString::fromStdString(codec.toUtf8(key)); });
    return result;
}

}  // namespace brindle::mailing
