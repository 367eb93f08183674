#include "transfer/ImportSessions.h"

#include <QFileInfo>

#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::transfer {

namespace {

bool isTheAddressFile(const QString& path, const QString& targetPath) {
    if (targetPath.isEmpty()) return false;
    return sameFile(path, targetPath) ||
           QFileInfo(path).absoluteFilePath().compare(QFileInfo(targetPath).absoluteFilePath(), Qt::CaseInsensitive) == 0;
}

}  // namespace

void reportImport(const ImportResult& result, common::UserDialogs& dialogs) {
    dialogs.showInfo(result.message());
    if (!result.tagsBuilt) {
        QString m = QStringLiteral("Unable to create index files");
        if (!result.tagError.isEmpty()) m += QStringLiteral("\r\n\r\n") + result.tagError;
        dialogs.showInfo(m);
    }
}

// ---- text ----

AsciiImportSession::AsciiImportSession(store::Table& target, common::UserDialogs& dialogs)
    : target_(target), dialogs_(dialogs) {}

bool AsciiImportSession::chooseFile(const QString& path) {
    path_.clear();
    bytes_.clear();
    text_ = {};
    sample_ = {};
    matching_ = {};
    if (path.isEmpty()) return false;
    QString error;
    if (!readWholeFile(path, bytes_, &error)) {
        dialogs_.showInfo(QStringLiteral("Unable to import from this file") + QStringLiteral("\r\n\r\n") + error);
        return false;
    }
    text_ = decodeText(bytes_);
    sample_ = sampleCsv(text_, {});
    if (sample_.linesRead < 2) {
        dialogs_.showInfo(QStringLiteral("Unable to import from this file"));
        bytes_.clear();
        text_ = {};
        sample_ = {};
        return false;
    }
    path_ = path;
    makeMatching();
    return true;
}

void AsciiImportSession::resample(char separator, bool headerLine, std::optional<TextEncoding> encoding) {
    if (!hasFile()) return;
    if (encoding && *encoding != text_.encoding) text_ = decodeText(bytes_, encoding);
    CsvOptions o;
    o.separator = separator;
    o.headerLine = headerLine;
    sample_ = sampleCsv(text_, o);
    makeMatching();
}

void AsciiImportSession::makeMatching() {
    matching_ = FieldMatching(importTargets(TargetSet::Text), sample_.names);
    if (sample_.headerLine) matching_.matchByName();
}

ImportResult AsciiImportSession::run(const RunControl& control) {
    ColumnMap map;
    for (const auto& p : matching_.pairs()) map.push_back(p);
    const char sep = sample_.separator;
    CsvSource source(text_, sep, sample_.headerLine, target_, map);
    const ImportResult r = runImport(target_, source, ImportKind::Ascii, control);
    reportImport(r, dialogs_);
    return r;
}

// ---- DBF ----

DbfImportSession::DbfImportSession(store::Table& target, const QString& targetPath, common::UserDialogs& dialogs)
    : target_(target), targetPath_(targetPath), dialogs_(dialogs) {}
DbfImportSession::~DbfImportSession() = default;

bool DbfImportSession::chooseFile(const QString& path) {
    path_.clear();
    source_ = {};
    matching_ = {};
    proposed_ = matched_ = false;
    if (path.isEmpty()) return false;
    if (isTheAddressFile(path, targetPath_)) {
        dialogs_.showInfo(QStringLiteral("Cannot import a file to itself"));
        return false;
    }
    source_ = openDbfSource(path);
    if (!source_.table) {
        dialogs_.showInfo(source_.refusal);
        return false;
    }
    path_ = path;
    return true;
}

FieldMatching DbfImportSession::matchingForWindow() {
    if (!proposed_) {
        matching_ = proposeDbfMatching(source_.fields);
        proposed_ = true;
    }
    return matching_;
}

void DbfImportSession::setMatching(const FieldMatching& m) {
    matching_ = m;
    matched_ = true;
}

ImportResult DbfImportSession::run(const RunControl& control) {
    DbfSource source(*source_.table, target_, matching_.pairs());
    const ImportResult r = runImport(target_, source, ImportKind::Dbf, control);
    reportImport(r, dialogs_);
    return r;
}

// ---- older generations ----

OlderImportSession::OlderImportSession(store::Table& target, const QString& targetPath, Generation generation,
                                       common::UserDialogs& dialogs)
    : target_(target), targetPath_(targetPath), generation_(generation), dialogs_(dialogs) {}
OlderImportSession::~OlderImportSession() = default;

QString OlderImportSession::caption() const {
    return QStringLiteral("Import Brindle %1 DBF").arg(generationName(generation_));
}

bool OlderImportSession::chooseFile(const QString& path) {
    path_.clear();
    source_ = {};
    if (path.isEmpty()) return false;
    if (isTheAddressFile(path, targetPath_)) {
        dialogs_.showInfo(QStringLiteral("Cannot import a file to itself"));
        return false;
    }
    source_ = openOlderSource(path, generation_);
    if (!source_.table) {
        dialogs_.showInfo(source_.refusal);
        return false;
    }
    path_ = path;
    return true;
}

ImportResult OlderImportSession::run(const RunControl& control) {
    OlderSource source(*source_.table, target_, generation_);
    const ImportResult r = runImport(target_, source, ImportKind::Dbf, control);
    reportImport(r, dialogs_);
    return r;
}

}  // namespace brindle::transfer
