#include "transfer/Export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/LatinText.h"
#include "common/UserDialogs.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::transfer {

namespace {

const char* const kMemo = "MEMO";

// The fields copied into a DBF copy besides the memo.
const std::vector<const char*>& dbfFields() {
    static const std::vector<const char*> f = {"PREFIX", "FNAME",   "MIDDLE", "LNAME", "TITLE", "ORG",   "STREET",
                                               "STREET2", "CITY",   "STATE",  "ZIP",   "COUNTRY", "PHONE", "PHONE2",
                                               "EMAIL",  "FAX",     "DATE",   "CODES", "USER1", "USER2"};
    return f;
}

void appendQuoted(std::string& line, std::string_view v) {
    line += '"';
    if (v.find('"') == std::string_view::npos) {
        line.append(v);
    } else {
        for (char c : v) {
            if (c == '"') line += '"';
            line += c;
        }
    }
    line += '"';
}

QString siblingWithSuffix(const QString& path, const QString& suffix) {
    const QFileInfo fi(path);
    return fi.dir().filePath(fi.completeBaseName() + QLatin1Char('.') + suffix);
}

// Removes a file whose name equals `path`'s ignoring case.
void removeIgnoringCase(const QString& path) {
    const QString existing = existingIgnoringCase(path);
    if (!existing.isEmpty()) QFile::remove(existing);
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

int percentOf(std::uint32_t done, std::uint32_t total) {
    return total == 0 ? 100 : std::min(100, static_cast<int>(std::lround(done * 100.0 / total)));
}

// Text of a source field for a text file in the chosen encoding.
class TextValues {
public:
    TextValues(const store::Table& source, TextEncoding enc, ValueNotes& notes)
        : source_(source), enc_(enc), notes_(notes) {}

    std::string value(const char* field, std::uint32_t recno) const {
        std::string raw = source_.getString(field);
        // Plain ASCII reads the same in every code page and encoding.
        if (isAscii(raw)) return raw;
        const bool cp1252 = source_.codec().isWindows1252();
        if (enc_ == TextEncoding::Windows1252 && cp1252) return raw;
        const std::string utf8 = source_.codec().toUtf8(raw);
        if (enc_ != TextEncoding::Windows1252) return utf8;
        store::EncodedText e = store::utf8ToCp1252Counted(utf8);
        if (e.lossless()) return std::move(e.text);
        const QString original = QString::fromStdString(utf8);
        const QString latin = common::toNearestLatin(original);
        notes_.replaced += e.lost.size();
        ++notes_.replacedValues;
        if (notes_.replacedExamples.size() < ValueNotes::kExamples)
            notes_.replacedExamples << QStringLiteral("record %1, %2: \"%3\" as \"%4\"")
                                           .arg(recno)
                                           .arg(QLatin1String(field), original.left(60), latin.left(60));
        return store::utf8ToCp1252(latin.toStdString());
    }

private:
    const store::Table& source_;
    TextEncoding enc_;
    ValueNotes& notes_;
};

}  // namespace

const std::vector<const char*>& exportedTextFields() {
    static const std::vector<const char*> f = {"PREFIX", "FNAME",   "MIDDLE", "LNAME", "TITLE",  "ORG",   "STREET",
                                               "STREET2", "CITY",   "STATE",  "ZIP",   "COUNTRY", "PHONE", "PHONE2",
                                               "EMAIL",  "FAX",     "DATE",   "USER1", "USER2",  "CODES"};
    return f;
}

QString existingIgnoringCase(const QString& path) {
    const QFileInfo fi(path);
    if (fi.exists()) return fi.absoluteFilePath();
    const QDir dir = fi.absoluteDir();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.compare(fi.fileName(), Qt::CaseInsensitive) == 0) return dir.filePath(name);
    return {};
}

QString acceptExportTarget(const QString& chosen, const QString& openFile, ExportFormat format,
                           common::UserDialogs& dialogs) {
    if (chosen.isEmpty()) return {};
    if (format == ExportFormat::Dbf && QFileInfo(chosen).suffix().toUpper() != QLatin1String("DBF")) {
        dialogs.showInfo(QStringLiteral("Must have a .DBF extension"));
        return {};
    }
    const QString existing = existingIgnoringCase(chosen);
    if (!openFile.isEmpty()) {
        const QString a = QFileInfo(chosen).absoluteFilePath();
        const QString b = QFileInfo(openFile).absoluteFilePath();
        if (a.compare(b, Qt::CaseInsensitive) == 0 || sameFile(chosen, openFile) ||
            (!existing.isEmpty() && sameFile(existing, openFile))) {
            dialogs.showInfo(QStringLiteral("Cannot copy a file to itself!"));
            return {};
        }
    }
    if (!existing.isEmpty()) {
        if (!dialogs.askYesNoDefaultNo(existing + QStringLiteral(" already exists.\r\nDo you want to overwrite it?"),
                                       QStringLiteral("Warning!")))
            return {};
        return existing;
    }
    return QFileInfo(chosen).absoluteFilePath();
}

QString ExportResult::message() const {
    QString m;
    switch (outcome) {
    case Complete:
        break;
    case Cancelled:
        m = QStringLiteral("Copy cancelled after %1 records. They were written to %2.").arg(copied).arg(path);
        break;
    case Failed:
        m = format == ExportFormat::Dbf ? QStringLiteral("There was an error copying")
                                        : QStringLiteral("Error copying - possibly Disk Full");
        if (!error.isEmpty()) m += QStringLiteral("\r\n\r\n") + error;
        m += QStringLiteral("\r\n\r\nNothing was written to %1.").arg(path);
        return m;
    }
    const QString notesText = notes.text(QStringLiteral("written"));
    if (!notesText.isEmpty()) {
        if (m.isEmpty()) m = QStringLiteral("Copied %1 records to %2.").arg(copied).arg(path);
        m += QStringLiteral("\r\n\r\n") + notesText;
    }
    return m;
}

namespace {

// Walks the records the source shows and calls `write` for each; the
// source's current record is restored afterwards.
template <typename Write>
void walk(store::Table& source, std::uint32_t knownCount, const RunControl& control, ExportResult& result,
          Write write) {
    const std::uint32_t saved = source.hasRecord() ? source.recNo() : 0;
    const std::uint32_t total = knownCount ? knownCount : source.recordCount();
    int shown = -1;
    // Every record is read once, in a row: the store may read ahead.
    source.setTurboRead(true);
    struct TurboOff {
        store::Table& t;
        ~TurboOff() {
            try {
                t.setTurboRead(false);
            } catch (...) {
            }
        }
    } turboOff{source};
    try {
        for (bool ok = source.first(); ok && !source.eof(); ok = source.next()) {
            write();
            ++result.copied;
            const int pct = percentOf(result.copied, total);
            if (pct != shown && control.progress) control.progress(pct);
            shown = pct;
            if (control.cancelRequested && control.cancelRequested()) {
                result.outcome = ExportResult::Cancelled;
                break;
            }
        }
    } catch (...) {
        if (saved) source.go(saved);
        throw;
    }
    if (saved) source.go(saved);
}

void exportDbf(store::Table& source, const QString& target, const ExportOptions& options, ExportResult& result,
               const RunControl& control) {
    const QFileInfo fi(target);
    const QString partial = fi.dir().filePath(QStringLiteral(".%1.part.DBF").arg(fi.completeBaseName()));
    const QString partialMemo = siblingWithSuffix(partial, QStringLiteral("FPT"));
    QFile::remove(partial);
    QFile::remove(partialMemo);
    const auto discard = [&] {
        QFile::remove(partial);
        QFile::remove(partialMemo);
    };
    try {
        source.copyStructure(partial.toStdString());
        std::uint32_t written = 0;
        {
            auto copy = store::Table::open(partial.toStdString(), store::OpenMode::Exclusive);
            RecordWriter writer(*copy, result.notes);
            const bool sameCodePage = source.codec().headerByte() == copy->codec().headerByte() ||
                                      (source.codec().isWindows1252() && copy->codec().isWindows1252());
            std::vector<std::pair<std::string, int>> fields;
            for (const char* f : dbfFields())
                if (source.fieldIndex(f) >= 0 && copy->fieldIndex(f) >= 0) fields.emplace_back(f, copy->fieldIndex(f));
            const bool hasMemo = source.fieldIndex(kMemo) >= 0 && copy->fieldIndex(kMemo) >= 0;
            walk(source, options.knownCount, control, result, [&] {
                copy->append();
                writer.setPlace("record", source.recNo());
                for (const auto& [name, index] : fields) {
                    if (sameCodePage) copy->setString(name, source.getString(name));
                    else writer.setText(index, source.codec().toUtf8(source.getString(name)));
                }
                if (hasMemo) {
                    std::string memo = source.getMemo(kMemo);
                    if (!sameCodePage) memo = writer.encode(copy->fieldIndex(kMemo), source.codec().toUtf8(memo));
                    applyMemoLengthRule(memo);
                    if (!memo.empty()) copy->setMemo(kMemo, memo);
                }
                copy->post();
            });
            written = copy->recordCount();
            copy->close();
        }
        if (written != result.copied)
            throw store::StoreError("the copy holds " + std::to_string(written) + " records instead of " +
                                    std::to_string(result.copied) + " (possibly: not enough disk space)");
        // A stale index of the same name would not describe the new records.
        removeIgnoringCase(siblingWithSuffix(target, QStringLiteral("CDX")));
        const QString memoTarget = siblingWithSuffix(target, fi.suffix() == fi.suffix().toLower() ? QStringLiteral("fpt")
                                                                                                   : QStringLiteral("FPT"));
        removeIgnoringCase(memoTarget);
        if (QFileInfo::exists(partialMemo) &&
            std::rename(QFile::encodeName(partialMemo).constData(), QFile::encodeName(memoTarget).constData()) != 0)
            throw store::StoreError("cannot rename the memo file into place: " + std::string(std::strerror(errno)));
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
            throw store::StoreError("cannot rename the copy into place: " + std::string(std::strerror(errno)));
    } catch (const std::exception& e) {
        discard();
        result.outcome = ExportResult::Failed;
        result.error = QString::fromUtf8(e.what());
    }
}

void exportCsv(store::Table& source, const QString& target, const ExportOptions& options, ExportResult& result,
               const RunControl& control) {
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        result.outcome = ExportResult::Failed;
        result.error = file.errorString();
        return;
    }
    const TextValues values(source, options.encoding, result.notes);
    std::string buffer;
    bool writeFailed = false;
    const auto flush = [&] {
        if (!buffer.empty() && file.write(buffer.data(), static_cast<qint64>(buffer.size())) != static_cast<qint64>(buffer.size()))
            writeFailed = true;
        buffer.clear();
    };
    const auto& fields = exportedTextFields();
    std::vector<bool> present;
    for (const char* f : fields) present.push_back(source.fieldIndex(f) >= 0);
    if (options.headerLine) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i) buffer += ',';
            appendQuoted(buffer, fields[i]);
        }
        buffer += "\r\n";
    }
    try {
        walk(source, options.knownCount, control, result, [&] {
            const std::uint32_t recno = source.recNo();
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (i) buffer += ',';
                if (present[i]) appendQuoted(buffer, values.value(fields[i], recno));
                else buffer += "\"\"";
            }
            buffer += "\r\n";
            if (buffer.size() >= (1u << 16)) flush();
            if (writeFailed) throw store::StoreError(file.errorString().toStdString());
        });
        flush();
        if (writeFailed) throw store::StoreError(file.errorString().toStdString());
        if (!file.commit()) throw store::StoreError(file.errorString().toStdString());
    } catch (const std::exception& e) {
        file.cancelWriting();
        result.outcome = ExportResult::Failed;
        result.error = QString::fromUtf8(e.what());
    }
}

}  // namespace

ExportResult exportRecords(store::Table& source, const QString& target, const ExportOptions& options,
                           const RunControl& control) {
    ExportResult result;
    result.format = options.format;
    result.path = target;
    if (control.status) control.status(QStringLiteral("Copying to ") + target);
    if (options.format == ExportFormat::Dbf) exportDbf(source, target, options, result, control);
    else exportCsv(source, target, options, result, control);
    return result;
}

}  // namespace brindle::transfer
