#include "transfer/DbfImport.h"

#include <QLocale>
#include <cmath>

#include "store/Table.h"

namespace brindle::transfer {

namespace {

std::vector<SourceField> fieldsOf(const store::Table& t) {
    std::vector<SourceField> out;
    for (const auto& f : t.schema().fields) out.push_back({QString::fromStdString(f.name), f.type, f.width});
    return out;
}

int roundedPercent(std::uint32_t done, std::uint32_t total) {
    if (total == 0) return 100;
    return std::min(100, static_cast<int>(std::lround(done * 100.0 / total)));
}

}  // namespace

OpenedSource openDbfSource(const QString& path) {
    OpenedSource s;
    try {
        s.table = store::Table::open(path.toStdString(), store::OpenMode::ReadOnly);
    } catch (const std::exception&) {
        s.refusal = QStringLiteral("Unable to open the file ") + path;
        return s;
    }
    s.table->setHideDeleted(true);
    s.table->closeIndexes();
    if (s.table->recordCount() == 0 || !s.table->first()) {
        s.table.reset();
        s.refusal = QStringLiteral("There are no records in ") + path;
        return s;
    }
    s.fields = fieldsOf(*s.table);
    return s;
}

bool autoMatchable(char type) {
    return type == 'C' || type == 'L' || type == 'N' || type == 'F' || type == 'D';
}

bool allowedForTarget(char sourceType, const ImportTarget& target) {
    const bool memoSource = sourceType == 'M';
    return target.type == 'M' ? memoSource : !memoSource && sourceType != 'G' && sourceType != 'P';
}

FieldMatching proposeDbfMatching(const std::vector<SourceField>& fields) {
    std::vector<QString> names;
    for (const auto& f : fields) names.push_back(f.name);
    FieldMatching m(importTargets(TargetSet::Dbf), names);
    // A memo goes to MEMO only; the by-name rule below never reaches it
    // because no other field is allowed there.
    for (int s = 0; s < static_cast<int>(fields.size()); ++s) {
        if (fields[static_cast<std::size_t>(s)].type != 'M') continue;
        for (int r = 0; r < m.rowCount(); ++r)
            if (m.target(r).type == 'M' && m.sourceAt(r) < 0) m.choose(r, s);
    }
    m.matchByName([&fields, &m](int s, int r) {
        const char type = fields[static_cast<std::size_t>(s)].type;
        return autoMatchable(type) && m.target(r).type != 'M';
    });
    return m;
}

std::string sourceText(const store::Table& source, int field) {
    const store::FieldInfo& f = source.schema().fields[static_cast<std::size_t>(field)];
    switch (f.type) {
    case 'C':
    case 'M':
        return source.codec().toUtf8(source.getString(f.name));
    default: {
        std::string s = source.getString(f.name);
        const auto b = s.find_first_not_of(' ');
        return b == std::string::npos ? std::string() : s.substr(b);
    }
    }
}

DbfSource::DbfSource(store::Table& source, const store::Table& target,
                     const std::vector<std::pair<int, QString>>& map)
    : source_(source), total_(source.recordCount()) {
    for (const auto& [from, name] : map) {
        const int to = target.fieldIndex(name.toStdString());
        if (from >= 0 && from < static_cast<int>(source.schema().fields.size()) && to >= 0) fields_.emplace_back(from, to);
    }
}

bool DbfSource::next() {
    const bool ok = started_ ? source_.next() : source_.first();
    started_ = true;
    return ok && !source_.eof();
}

void DbfSource::fill(RecordWriter& writer) {
    writer.setPlace("record", source_.recNo());
    for (const auto& [from, to] : fields_) {
        const char type = source_.schema().fields[static_cast<std::size_t>(from)].type;
        const std::string value = sourceText(source_, from);
        // The address memo takes a memo's text; everything else is text.
        if (type == 'M') writer.setMemo(to, value, false);
        else writer.setText(to, value);
    }
}

int DbfSource::percent() const { return roundedPercent(source_.recNo(), total_); }

// ---- older generations ----

QString generationName(Generation g) { return g == Generation::V1 ? QStringLiteral("1.x") : QStringLiteral("2.x"); }

const std::vector<std::string>& requiredFields(Generation g) {
    static const std::vector<std::string> v1 = {"LNAME", "FNAME", "MIDDLE", "TITLE",  "ORG",    "STREET",
                                                "CITY",  "STATE", "ZIP",    "COUNTRY", "PHONE",  "EMAIL",
                                                "FAX",   "NOTES", "PREFIX", "CARRIER", "DATE",   "MEMO"};
    static const std::vector<std::string> v2 = {"LNAME", "FNAME",  "MIDDLE", "TITLE", "ORG",   "STREET",
                                                "STREET2", "CITY", "STATE",  "ZIP",   "COUNTRY", "PHONE",
                                                "PHONE2", "EMAIL", "FAX",    "CODES", "PREFIX", "DATE",
                                                "USER1",  "USER2", "ISDEL",  "MEMO",  "TAG"};
    return g == Generation::V1 ? v1 : v2;
}

OpenedSource openOlderSource(const QString& path, Generation g) {
    OpenedSource s = openDbfSource(path);
    if (!s.table) return s;
    for (const std::string& f : requiredFields(g)) {
        if (s.table->fieldIndex(f) < 0) {
            s.table.reset();
            s.fields.clear();
            s.refusal = path + QStringLiteral(" does not appear to be a Brindle ") + generationName(g) +
                        QStringLiteral(" DBF");
            return s;
        }
    }
    return s;
}

std::string convertV1Date(const QString& value, const QString& shortFormat, QDate today) {
    const QString v = value.trimmed();
    if (v.isEmpty()) return {};
    if (v.size() == 8 && std::all_of(v.begin(), v.end(), [](QChar c) { return c.isDigit(); })) {
        const QDate d(v.left(4).toInt(), v.mid(4, 2).toInt(), v.right(2).toInt());
        return d.isValid() ? v.toStdString() : std::string();
    }
    QString format = shortFormat.isEmpty() ? QLocale::system().dateFormat(QLocale::ShortFormat) : shortFormat;
    if (!today.isValid()) today = QDate::currentDate();
    // Read the year as it is written: a two-digit year is placed by the window
    // below, a four-digit one as it stands.
    QString fourDigit = format;
    if (!fourDigit.contains(QLatin1String("yyyy"))) fourDigit.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QDate d = QDate::fromString(v, fourDigit);
    if (!d.isValid()) {
        QString twoDigit = format;
        twoDigit.replace(QLatin1String("yyyy"), QLatin1String("yy"));
        d = QDate::fromString(v, twoDigit);
        if (d.isValid()) {
            const int yy = d.year() % 100;
            const int last = today.year() + 20;
            int year = (last / 100) * 100 + yy;
            if (year > last) year -= 100;
            d = QDate(year, d.month(), d.day());
        }
    }
    if (!d.isValid()) return {};
    return d.toString(QStringLiteral("yyyyMMdd")).toStdString();
}

OlderSource::OlderSource(store::Table& source, const store::Table& target, Generation g)
    : source_(source), total_(source.recordCount()) {
    const auto add = [&](const char* from, const char* to, Copy::Kind kind) {
        const int f = source.fieldIndex(from);
        const int t = target.fieldIndex(to);
        if (f >= 0 && t >= 0) copies_.push_back({f, t, kind});
    };
    for (const char* name : {"LNAME", "FNAME", "PREFIX", "MIDDLE", "TITLE", "ORG", "STREET", "CITY", "STATE", "ZIP",
                             "COUNTRY", "PHONE", "FAX", "EMAIL"})
        add(name, name, Copy::Text);
    if (g == Generation::V2) {
        for (const char* name : {"CODES", "STREET2", "PHONE2", "USER1", "USER2", "DATE"}) add(name, name, Copy::Text);
        add("ISDEL", "ISDEL", Copy::Logical);
    } else {
        add("NOTES", "CODES", Copy::Text);
        add("DATE", "DATE", Copy::Date1x);
    }
    add("MEMO", "MEMO", Copy::Memo);
}

bool OlderSource::next() {
    const bool ok = started_ ? source_.next() : source_.first();
    started_ = true;
    return ok && !source_.eof();
}

void OlderSource::fill(RecordWriter& writer) {
    writer.setPlace("record", source_.recNo());
    for (const Copy& c : copies_) {
        switch (c.kind) {
        case Copy::Text:
            writer.setText(c.to, sourceText(source_, c.from));
            break;
        case Copy::Date1x: {
            std::string stored;
            try {
                stored = convertV1Date(QString::fromStdString(sourceText(source_, c.from)));
            } catch (...) {
                stored.clear();
            }
            writer.setText(c.to, stored);
            break;
        }
        case Copy::Logical: {
            const char type = source_.schema().fields[static_cast<std::size_t>(c.from)].type;
            const std::string v = sourceText(source_, c.from);
            const bool on = type == 'L' ? v == "T" : (!v.empty() && (v[0] == 'T' || v[0] == 't' || v[0] == 'Y' || v[0] == 'y'));
            if (on) writer.setLogical(c.to, true);
            break;
        }
        case Copy::Memo:
            writer.setMemo(c.to, sourceText(source_, c.from), true);
            break;
        }
    }
}

int OlderSource::percent() const { return roundedPercent(source_.recNo(), total_); }

}  // namespace brindle::transfer
