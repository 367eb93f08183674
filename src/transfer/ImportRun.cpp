#include "transfer/ImportRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <exception>

#include "address/AddressSchema.h"
#include "address/FieldCatalogue.h"
#include "address/FileText.h"
#include "store/Table.h"

namespace brindle::transfer {

namespace {

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

QString countText(std::uint64_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

}  // namespace

QString ValueNotes::text(const QString& verb) const {
    QString out;
    const auto examples = [](const QStringList& list, std::uint64_t total) {
        QString s;
        for (const QString& e : list) s += QStringLiteral("\r\n   ") + e;
        if (total > static_cast<std::uint64_t>(list.size()))
            s += QStringLiteral("\r\n   and %1 more").arg(total - static_cast<std::uint64_t>(list.size()));
        return s;
    };
    if (cut) {
        out += countText(cut, "value was", "values were") +
               QStringLiteral(" longer than the field and cut to its width:") + examples(cutExamples, cut);
    }
    if (replaced) {
        if (!out.isEmpty()) out += QStringLiteral("\r\n\r\n");
        out += countText(replaced, "character", "characters") +
               QStringLiteral(" cannot be held by the file's code page and were %1 as their nearest spelling:")
                   .arg(verb) +
               examples(replacedExamples, replacedValues);
    }
    return out;
}

RecordWriter::RecordWriter(store::Table& table, ValueNotes& notes) : table_(table), notes_(notes) {}

QString RecordWriter::place() const {
    return QStringLiteral("%1 %2").arg(QLatin1String(placeWhat_)).arg(placeNumber_);
}

QString RecordWriter::label(int field) const {
    return address::fieldLabel(QString::fromStdString(table_.schema().fields[static_cast<std::size_t>(field)].name));
}

std::string RecordWriter::encode(int field, std::string_view utf8) {
    const store::TextCodec& codec = table_.codec();
    if (codec.isWindows1252() && isAscii(utf8)) return std::string(utf8);
    store::EncodedText enc = codec.fromUtf8(utf8);
    if (enc.lossless()) return std::move(enc.text);
    const address::FileText text(codec);
    const QString original = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const QString storable = text.toStorable(original);
    notes_.replaced += enc.lost.size();
    ++notes_.replacedValues;
    if (notes_.replacedExamples.size() < ValueNotes::kExamples) {
        notes_.replacedExamples << QStringLiteral("%1, %2: \"%3\" as \"%4\"")
                                       .arg(place(), label(field), original.left(60), storable.left(60));
    }
    return text.encode(storable);
}

void RecordWriter::setText(int field, std::string_view utf8) {
    if (field < 0 || utf8.empty()) return;
    const store::FieldInfo& info = table_.schema().fields[static_cast<std::size_t>(field)];
    // Plain ASCII that fits is stored as it is, without a copy.
    if (static_cast<int>(utf8.size()) <= info.width && table_.codec().isWindows1252() && isAscii(utf8)) {
        table_.setString(info.name, utf8);
        return;
    }
    std::string bytes = encode(field, utf8);
    if (static_cast<int>(bytes.size()) > info.width) {
        // Blanks past the width are what the field pads with anyway.
        const auto last = bytes.find_last_not_of(' ');
        if (last == std::string::npos || static_cast<int>(last) >= info.width) {
            ++notes_.cut;
            if (notes_.cutExamples.size() < ValueNotes::kExamples) {
                const auto chars = QString::fromStdString(table_.codec().toUtf8(bytes)).size();
                notes_.cutExamples << QStringLiteral("%1, %2: %3 characters, the field holds %4")
                                          .arg(place(), label(field))
                                          .arg(chars)
                                          .arg(info.width);
            }
        }
    }
    table_.setString(info.name, bytes);
}

void RecordWriter::setMemo(int field, std::string_view utf8, bool lengthRule) {
    if (field < 0) return;
    std::string bytes = encode(field, utf8);
    if (lengthRule) applyMemoLengthRule(bytes);
    if (bytes.empty()) return;
    table_.setMemo(table_.schema().fields[static_cast<std::size_t>(field)].name, bytes);
}

void RecordWriter::setLogical(int field, bool value) {
    if (field < 0) return;
    table_.setLogical(table_.schema().fields[static_cast<std::size_t>(field)].name, value);
}

void applyMemoLengthRule(std::string& stored) {
    if (!stored.empty() && stored.size() % 4 == 0) stored += ' ';
}

QString ImportResult::message() const {
    const QString n = QString::number(imported);
    QString m;
    switch (outcome) {
    case ImportOutcome::Complete:
        m = QStringLiteral("Import complete. Imported %1 records.").arg(n);
        break;
    case ImportOutcome::Cancelled:
        m = QStringLiteral("Import cancelled after importing %1 records.").arg(n);
        break;
    case ImportOutcome::ReadError:
        m = kind == ImportKind::Ascii
                ? QStringLiteral("Unknown error reading ASCII file after importing %1 records.").arg(n)
                : QStringLiteral("Unknown error while importing. The import stopped after %1 records.").arg(n);
        break;
    case ImportOutcome::WriteError:
        m = kind == ImportKind::Ascii
                ? QStringLiteral("Unknown error writing to data file after importing %1 records.").arg(n)
                : QStringLiteral("Unknown error while importing. The import stopped after %1 records.").arg(n);
        break;
    }
    if (!error.isEmpty()) m += QStringLiteral("\r\n\r\n") + error;
    const QString notesText = notes.text();
    if (!notesText.isEmpty()) m += QStringLiteral("\r\n\r\n") + notesText;
    return m;
}

ImportResult runImport(store::Table& target, ImportSource& source, ImportKind kind, const RunControl& control) {
    ImportResult result;
    result.kind = kind;
    // Appends go faster without keys to keep; the tags are built at the end.
    if (target.hasStructuralIndex() || target.order() > 0) target.deleteIndexFile();
    if (control.status) control.status(QStringLiteral("Importing records"));
    RecordWriter writer(target, result.notes);
    int shown = -1;
    for (;;) {
        bool have = false;
        try {
            have = source.next();
        } catch (const std::exception& e) {
            result.outcome = ImportOutcome::ReadError;
            result.error = QString::fromUtf8(e.what());
            break;
        }
        if (!have) break;
        try {
            target.append();
            source.fill(writer);
            target.post();
        } catch (const std::exception& e) {
            // The record that failed is not kept half-made.
            try {
                if (target.appending() || target.editing()) target.cancel();
            } catch (...) {
            }
            result.outcome = ImportOutcome::WriteError;
            result.error = QString::fromUtf8(e.what());
            break;
        }
        ++result.imported;
        const int pct = source.percent();
        if (pct != shown && control.progress) control.progress(pct);
        shown = pct;
        if (control.cancelRequested && control.cancelRequested()) {
            result.outcome = ImportOutcome::Cancelled;
            break;
        }
    }
    if (control.status) control.status(QStringLiteral("Rebuilding Indexes "));
    if (control.progress) control.progress(0);
    try {
        target.flush();
        address::createAddressTags(target, [&control](int pct) {
            if (control.progress) control.progress(pct);
            return true;
        });
        result.tagsBuilt = true;
    } catch (const std::exception& e) {
        result.tagError = QString::fromUtf8(e.what());
    }
    if (control.progress) control.progress(0);
    if (control.status) control.status(QString());
    return result;
}

// ---- comma-separated text ----

CsvSource::CsvSource(const DecodedText& text, char separator, bool headerLine, const store::Table& target,
                     const ColumnMap& map)
    : reader_(text.utf8, separator), skipHeader_(headerLine) {
    for (const auto& [column, field] : map) {
        const int index = target.fieldIndex(field.toStdString());
        if (column >= 0 && index >= 0) columns_.emplace_back(column, index);
    }
}

bool CsvSource::next() {
    if (skipHeader_) {
        skipHeader_ = false;
        if (!reader_.next(fields_)) return false;
    }
    return reader_.next(fields_);
}

void CsvSource::fill(RecordWriter& writer) {
    writer.setPlace("line", reader_.line());
    for (const auto& [column, field] : columns_) {
        if (column >= static_cast<int>(fields_.size())) continue;
        const std::string& v = fields_[static_cast<std::size_t>(column)];
        if (v.empty()) continue;
        if (v.find_first_of("\r\n") == std::string::npos) writer.setText(field, v);
        else writer.setText(field, flattenLineBreaks(v));
    }
}

int CsvSource::percent() const {
    if (reader_.size() == 0) return 100;
    return static_cast<int>(std::lround(static_cast<double>(reader_.position()) * 100.0 /
                                        static_cast<double>(reader_.size())));
}

ImportResult importCsvFile(store::Table& target, const QString& path, const CsvOptions& options,
                           const ColumnMap& map, const RunControl& control) {
    if (control.status) control.status(QStringLiteral("Reading %1").arg(path));
    std::string bytes;
    QString error;
    if (!readWholeFile(path, bytes, &error)) {
        ImportResult r;
        r.outcome = ImportOutcome::ReadError;
        r.error = error;
        return r;
    }
    const DecodedText text = decodeText(bytes, options.encoding);
    bytes.clear();
    bytes.shrink_to_fit();
    const char sep = options.separator ? options.separator : detectSeparator(text.utf8);
    CsvSource source(text, sep, options.headerLine, target, map);
    return runImport(target, source, ImportKind::Ascii, control);
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {}, sb {};
    if (::stat(a.toLocal8Bit().constData(), &sa) != 0) return false;
    if (::stat(b.toLocal8Bit().constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace brindle::transfer
