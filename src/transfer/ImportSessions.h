#pragma once
// What the import windows do, without the widgets: the chosen file and its
// checks and messages, the matching, and the run with its final message.
// The windows show this state and pass on the user's choices.
#include <QString>
#include <memory>
#include <optional>

#include "transfer/CsvReader.h"
#include "transfer/DbfImport.h"
#include "transfer/FieldMatching.h"
#include "transfer/ImportRun.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::transfer {

// Tells the user how an import ended; an index build that failed is told too.
void reportImport(const ImportResult& result, common::UserDialogs& dialogs);

class AsciiImportSession {
public:
    AsciiImportSession(store::Table& target, common::UserDialogs& dialogs);

    // Reads and samples the file with the separator judged from its first
    // line. Empty: forgets the file. A file that cannot be read or has fewer
    // than two lines: "Unable to import from this file", and no file.
    bool chooseFile(const QString& path);
    // Samples again with the user's separator, header choice and encoding;
    // the matching starts again (by names when the first line holds them).
    void resample(char separator, bool headerLine, std::optional<TextEncoding> encoding);

    bool hasFile() const { return !path_.isEmpty(); }
    const QString& path() const { return path_; }
    const CsvSample& sample() const { return sample_; }
    const FieldMatching& matching() const { return matching_; }
    void setMatching(const FieldMatching& m) { matching_ = m; }
    bool canImport() const { return hasFile() && matching_.anyMatched(); }

    // Imports and reports; true unless it was cancelled.
    ImportResult run(const RunControl& control);

private:
    void makeMatching();

    store::Table& target_;
    common::UserDialogs& dialogs_;
    QString path_;
    std::string bytes_;
    DecodedText text_;
    CsvSample sample_;
    FieldMatching matching_;
};

class DbfImportSession {
public:
    // `targetPath` is the address file, which can never be the source.
    DbfImportSession(store::Table& target, const QString& targetPath, common::UserDialogs& dialogs);
    ~DbfImportSession();

    // Opens the source; its refusals are shown and leave no file. Earlier
    // matches are forgotten either way.
    bool chooseFile(const QString& path);
    bool hasFile() const { return source_.table != nullptr; }
    const QString& path() const { return path_; }
    store::Table* source() { return source_.table.get(); }
    const std::vector<SourceField>& fields() const { return source_.fields; }

    // The proposals the first time, the current matches afterwards.
    FieldMatching matchingForWindow();
    void setMatching(const FieldMatching& m);
    const FieldMatching& matching() const { return matching_; }
    bool canImport() const { return hasFile() && matched_ && matching_.anyMatched(); }

    ImportResult run(const RunControl& control);

private:
    store::Table& target_;
    QString targetPath_;
    common::UserDialogs& dialogs_;
    QString path_;
    OpenedSource source_;
    FieldMatching matching_;
    bool proposed_ = false;
    bool matched_ = false;
};

class OlderImportSession {
public:
    OlderImportSession(store::Table& target, const QString& targetPath, Generation generation,
                       common::UserDialogs& dialogs);
    ~OlderImportSession();

    // "Cannot import a file to itself" for the address file (by identity or
    // by a spelling that differs only in case); the source's refusals.
    bool chooseFile(const QString& path);
    bool hasFile() const { return source_.table != nullptr; }
    const QString& path() const { return path_; }
    Generation generation() const { return generation_; }
    // "Import Brindle 1.x DBF"
    QString caption() const;

    ImportResult run(const RunControl& control);

private:
    store::Table& target_;
    QString targetPath_;
    Generation generation_;
    common::UserDialogs& dialogs_;
    QString path_;
    OpenedSource source_;
};

}  // namespace brindle::transfer
