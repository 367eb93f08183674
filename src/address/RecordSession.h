#pragma once
// What the main window does with records, without the window: adding with the
// adding preferences, editing, saving, cancelling, deleting, cloning, tags,
// the date, aggressive saving, the search box and the memo search. The window
// only gathers input and shows the state; every rule lives here.
#include <QList>
#include <QString>
#include <functional>
#include <map>
#include <optional>

#include "address/FileText.h"
#include "address/Preferences.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {

class AddressFile;
struct RecordTextParts;

// What the "New Record" box returned.
struct NewRecordAnswer {
    QString last, first, zip;
};

// Which fields the "New Record" box shows.
struct NewRecordBoxLayout {
    bool names = false;  // "Last Name", "First Name" (AutoDupCheck)
    bool zip = false;    // "Zip Code or Postal Code" (PlugCityState)
};

extern const char* const kLostDataMessage;

class RecordSession {
public:
    RecordSession(AddressFile& file, common::UserDialogs& dialogs);

    AddressFile& file() { return file_; }
    Preferences prefs;

    // ---- window state ----
    bool refreshButtons = true;  // while false, posts and edits do not update the buttons
    bool bulkOperation = false;  // while true, saves never close and reopen the file
    int saveCounter = 0;         // saves since the last close-and-reopen
    bool editing() const;
    bool appending() const;

    // ---- adding ----
    NewRecordBoxLayout newRecordBox() const;
    // Opens the "New Record" box; nullopt when it was cancelled. Set by the window.
    std::function<std::optional<NewRecordAnswer>(const NewRecordBoxLayout&)> askNewRecord;
    // The whole add: carry values, the box, city and state from the ZIP, the
    // duplicate check, the new record with its preset values. True when a new
    // record is being added afterwards.
    bool add();
    // The field that gets the focus after an add ("LNAME", ..., "STREET").
    QString addFocusField() const;
    // True: go on adding. Asks when a record with these names exists; when the
    // user stops, that record becomes current.
    bool checkDupName(const QString& first, const QString& last);
    // City and state of another record with this ZIP in the open file; empty when none.
    std::pair<QString, QString> fillCityState(const QString& zip);
    // Whether the Tab and Enter order leaves out a record edit while adding.
    bool skipField(const QString& field) const;

    // ---- editing ----
    // Puts the current record into edit state; false when there is none.
    bool startEdit();
    // Changes a field of the record being edited or added. The text is kept
    // as typed until the record is saved or cancelled, so characters the file
    // cannot hold are not lost while the edit lasts.
    void setField(const QString& field, const QString& value);
    // A field of the current record: while editing, the text as typed.
    QString field(const QString& field) const;
    // Saves the edit with this memo text (a length that is a positive multiple
    // of 4 in the stored text gets one blank at its end). Falls back to the
    // plain filter when the filter no longer matches anything. When a field or
    // the memo holds characters the file cannot store, the user is told which
    // and asked whether to store the nearest Latin letters instead; No keeps
    // the edit going and writes nothing (the result is then false).
    bool save(const QString& memoText);
    void cancel();
    // The memo text the control shows for the current record.
    QString memoText() const;
    // "Delete this record?"; true when the record was deleted.
    bool deleteRecord();
    // "Clone this record?"; the copy becomes current.
    bool cloneRecord();
    // The date selector's result: a YYYYMMDD text or empty ("No Date").
    // Starts an edit when none is in progress; false without a current record.
    bool setDate(const QString& stored);

    // ---- tags ----
    // Tags or untags the current record; posts it unless an edit was in progress.
    // False (and a beep) without a current record.
    bool toggleTag();
    // A new tag identifier: every record shows untagged; no record is written.
    void clearTags();
    struct TagAllResult {
        int tagged = 0;
        bool cancelled = false;
    };
    // Tags every record of the filter. `afterEach`(count) runs after each
    // record; returning false stops the run. The first record is current afterwards.
    TagAllResult tagAll(const std::function<bool(int)>& afterEach);

    // ---- aggressive saving ----
    // Counts a save and closes and reopens the file when the level says so.
    void checkCloseAndOpen();

    // ---- search ----
    // Seeks the first record whose key in that order starts with the text;
    // the current record stays when none does. An empty text does nothing.
    void searchFor(const QString& sortName, const QString& text);
    QString memoSearchText;
    bool memoFound = false;
    // From the first record (or the one after the current one) to the end:
    // the first whose memo holds the text. `step` runs after each record and
    // returns false to cancel. Beeps and keeps the current record when none is found.
    bool findTextInMemo(bool fromStart, const std::function<bool()>& step = {});

    // Puts the current record's text (the chosen parts) on the clipboard and says so.
    void copyToClipboard(const RecordTextParts& parts);

    // Called after every post (the window updates its buttons).
    std::function<void()> afterPost;

private:
    void post();
    void clearTyped() { typed_.clear(); }

    AddressFile& file_;
    common::UserDialogs& dialogs_;
    std::map<QString, QString> carried_;
    std::map<QString, QString> typed_;  // field -> text as typed in the current edit
};

// A field (or "MEMO") whose text holds characters an address file cannot store.
struct UnstorableField {
    QString field;
    QList<char32_t> characters;
};
// The question asked before such text is saved: which characters, in which
// fields, and their replacements in a file of this code page.
QString unstorableQuestion(const QList<UnstorableField>& fields, const FileText& fileText = FileText());

// The record's text for the clipboard and for reports: lines ended by CR LF,
// empty lines left out, at most 1000 characters.
struct RecordTextParts {
    bool name = true;      // "Name, Organization, Title"
    bool address = true;
    bool phones = true;
    bool codes = true;
    bool comments = true;
};
constexpr int kRecordTextLimit = 1000;
// `value` reads a field of the record ("LNAME") without trailing blanks.
QString getRecordAsString(const std::function<QString(const char*)>& value, const RecordTextParts& parts);

// The stored form of a memo typed in the window: CR LF line ends, and one
// blank added when the stored length is a positive multiple of 4 (in the
// file's code page).
std::string storedMemo(const QString& text, const FileText& fileText = FileText());
// The window's form of a stored memo.
QString memoForDisplay(const std::string& stored, const FileText& fileText = FileText());

}  // namespace brindle::address
