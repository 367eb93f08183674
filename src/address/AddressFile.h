#pragma once
// The one open address file of the main window: opening with its checks and
// messages, the recently used list, the sort order, the filter, moving through
// the records and reading the current one. No widgets: the window listens to
// `changed` and asks through `rebuildRequested` for its rebuild window.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "address/AddressSchema.h"
#include "address/ComputedFields.h"
#include "address/Query.h"
#include "store/Table.h"

namespace brindle::common {
class UserDialogs;
class ProfileFile;
}  // namespace brindle::common

namespace brindle::address {

// "Unable to open <path>\r\n\r\n * May not be a Brindle file.\r\n * May be in use by another program or user"
QString unableToOpenMessage(const QString& path);
// "The index file for <path>\r\nis missing or invalid. Rebuild now?"
QString rebuildQuestion(const QString& path);

// Opens any table file. Reports a missing file ("File <path> not found") and
// returns null; a file that cannot be opened (in use, not a table) or that
// lacks a required field gives null without a message.
std::unique_ptr<store::Table> openTableFile(const QString& path, common::UserDialogs& dialogs,
                                            const std::vector<std::string>& requiredFields);
// The field names an address file must have (all 23).
const std::vector<std::string>& addressFieldNames();
// True when the table has every required field; the widths are the file's own.
bool syncFieldSizes(const store::Table& table, const std::vector<std::string>& requiredFields);

// Creates a new address file with its 26 tags and leaves it closed, telling
// the user what failed ("Create failed", "Unable to create index files",
// "File creation failed").
bool createAddressFileReporting(const QString& path, const FieldLengths& lengths, common::UserDialogs& dialogs);

class AddressFile {
public:
    AddressFile(common::UserDialogs& dialogs, QString settingsPath);
    ~AddressFile();
    AddressFile(const AddressFile&) = delete;
    AddressFile& operator=(const AddressFile&) = delete;

    common::UserDialogs& dialogs() { return dialogs_; }
    const QString& settingsPath() const { return settingsPath_; }

    // Runs the rebuild window on the open table (the window sets this; without
    // it the rebuild runs with no window).
    std::function<void()> rebuildRequested;
    // Called after every change of the open file, its order or the current record.
    std::function<void()> changed;

    // ---- opening ----
    // Opens an address file as the current one, with the messages and the
    // rebuild question; the result tells whether the file itself opened.
    bool openBRWDBF(const QString& path);
    // openTableFile into this object plus the index check and the failure message.
    bool openBRWFile(const QString& path);
    // IndexValid: all 26 tags present.
    bool checkValidIndex();
    // After the file opened (or failed): order "Last Name", filter, first record; or nothing open.
    void onOpenBRWFile(bool opened);
    // An entry of the recently used list: opens it, and reopens the previous
    // file when the entry leaves nothing open.
    bool openMruEntry(const QString& path);
    // Closes the open file (a pending edit is cancelled).
    void close();

    bool isOpen() const { return table_ != nullptr; }
    store::Table* table() { return table_.get(); }
    const store::Table* table() const { return table_.get(); }
    const QString& currentFilePath() const { return currentFilePath_; }
    bool indexValid() const { return indexValid_; }
    // The window caption after the last open: "Brindle - <path>", or "Brindle".
    const QString& caption() const { return caption_; }
    // The open file's folder with a trailing "/"; empty when none.
    QString databasePath() const;
    // The file name of the open file ("ADD0001.DBF").
    QString fileName() const;

    // ---- recently used list ----
    QStringList mruList() const;
    QString mruFile() const;  // first entry or empty

    // ---- sort order ----
    // By sort name ("Last Name", any case); false for an unknown name, which changes nothing.
    bool setOrderTo(const QString& sortName);
    // Remembers the tag and, when not empty, makes it the order; errors are ignored.
    void setCurrentOrder(const QString& tag);
    const QString& currentTag() const { return currentTag_; }
    const QString& sortName() const { return sortName_; }
    QString sortStatus() const;  // "Sorted by ..." or empty

    // ---- filter ----
    // The values of the filter window; they outlive the open file.
    const QueryVars& queryVars() const { return queryVars_; }
    void setQueryVars(const QueryVars& v) { queryVars_ = v; }
    // Empties the values and the query string.
    void clearQueryVars();
    // The user's query as last built ("" for none); the engine filter adds the
    // condition that ISDEL is false.
    const QString& queryString() const { return queryString_; }
    // The same query as the engine gets it, in the open file's code page.
    const std::string& queryExpression() const { return queryExpression_; }
    bool filterSet() const { return !queryString_.isEmpty(); }
    // Whether the last applyQuery refused the values (too long, or a value
    // that cannot be quoted) with a message.
    bool lastQueryRefused() const { return lastQueryRefused_; }
    // Builds the query string and sets the engine filter; returns the number of
    // matching records (0 when no filter is set). A query that is too long or
    // holds a value that cannot be quoted is refused with a message, and one
    // that matches nothing is dropped: both leave the plain filter. The record
    // pointer does not move.
    int applyQuery();
    // Whether the current record is one the filter shows.
    bool currentMatches() const;
    // Makes the first record of the filter current unless the current one matches.
    void showMatchingRecord();
    // A restored filter: takes the values, applies them and shows a matching
    // record; returns the number of matches (0 when the filter was dropped).
    int restoreFilter(const QueryVars& vars);
    // The filter status panel: "<n> filter matches", "<n> records (no filter)",
    // "No records"; empty when no file is open. Uses the count kept since the
    // last change of filter or data.
    QString filterStatus();
    // The number of records the current filter admits, counted once per change
    // of filter or data.
    std::uint32_t filterCount();
    // Records were written: the kept count is worked out again when next needed.
    void dataChanged() { countValid_ = false; }

    // ---- screen updates ----
    // While suspended (nested calls count), `changed` is not called.
    void suspendUpdates() { ++suspended_; }
    void resumeUpdates();
    bool updatesSuspended() const { return suspended_ > 0; }
    // Tells the window to show the current state (unless suspended).
    void refresh() { notify(); }

    // Opens the file again after it was closed, without any message; false
    // when it cannot be opened or its tags are incomplete (nothing open then).
    bool reopenQuietly(const QString& path);
    // After a reopen failed for good: no file is current any more.
    void forgetCurrentFile();

    // ---- records ----
    bool hasRecord() const;
    bool first();
    bool prior();  // false (and a beep) at the first record
    bool next();   // false (and a beep) at the last record
    bool last();
    QString field(const char* name) const;  // current record's text, no trailing blanks
    int fieldWidth(const char* name) const; // width in the open file; 0 when none
    QString memo() const;
    std::uint32_t recordCount() const;
    std::uint32_t recNo() const;
    // The open file's text conversion (its code page; Windows-1252 when none
    // is open). Fields, memos and typed values pass through it.
    FileText text() const { return FileText::of(table_.get()); }

    // ---- computed fields ----
    const QString& globalTagId() const { return globalTagId_; }
    void setGlobalTagId(const QString& id) { globalTagId_ = id; }
    bool extraFields() const { return extraFields_; }
    void setExtraFields(bool on) { extraFields_ = on; }
    ComputedFields calcFields() const;

    // ---- rebuilding ----
    // Packs and rebuilds the 26 tags of the open file (no window). Throws store errors.
    void rebuildIndexes(const std::function<void(int bar, const QString& activity)>& progress = {});
    // After a rebuild from the File menu: checks the tags again; a file whose
    // tags are still incomplete is closed as on opening; otherwise the order
    // and filter are applied again and the first record becomes current.
    void afterRebuild();

    // ---- new files ----
    // Creates `folder` + name + ".DBF" and opens it; refuses an existing file.
    bool createAndOpen(const QString& folder, const QString& name, const FieldLengths& lengths);

private:
    void notify();
    bool step(bool forward);
    void runRebuild();

    common::UserDialogs& dialogs_;
    QString settingsPath_;
    std::unique_ptr<store::Table> table_;
    QString currentFilePath_;
    QString caption_ = QStringLiteral("Brindle");
    bool indexValid_ = false;
    QString currentTag_;
    QString sortName_;
    QString queryString_;
    std::string queryExpression_;
    QueryVars queryVars_;
    std::uint32_t count_ = 0;
    bool countValid_ = false;
    bool lastQueryRefused_ = false;
    int suspended_ = 0;
    QString globalTagId_;
    bool extraFields_ = false;
};

}  // namespace brindle::address
