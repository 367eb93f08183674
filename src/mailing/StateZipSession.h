#pragma once
// What the "Check State and Zip  Codes" window does, without the window: the
// check over the open address table with its result index in the address
// file's folder, cancelling, and the clean-up. The window shows the state
// this class keeps and calls it from its buttons.
#include <QString>
#include <functional>
#include <memory>

#include "address/ResultIndex.h"
#include "mailing/StateZipCheck.h"

namespace brindle::common {
class UserDialogs;
}
namespace brindle::store {
class Table;
}

namespace brindle::mailing {

extern const char* const kCszRemovedMessage;  // "The file CSZ.DBF has been removed ..."
extern const char* const kCancelQuestion;     // "Cancel operation?"

class StateZipSession {
public:
    // `openCsz` opens the state file, telling the user why when it cannot
    // (null then); the program passes common::openCszTable.
    using CszOpener = std::function<std::unique_ptr<store::Table>(common::UserDialogs&)>;
    StateZipSession(store::Table& address, QString folder, common::UserDialogs& dialogs, CszOpener openCsz);
    ~StateZipSession();  // finish()

    enum class Outcome { Failed, Done, Cancelled };
    // Opens the state file, makes the empty result index "_chksz.idx" in the
    // folder (a stale one is replaced), walks the table and leaves it ordered
    // by the index on its first record. `afterRecord(percent, found)` runs
    // after every record; the walk stops once cancel() was confirmed.
    Outcome check(bool includeBlanks, const std::function<void(int, int)>& afterRecord);

    bool checking() const { return checking_; }
    bool cancelRequested() const { return cancelRequested_; }
    bool resultsShown() const { return index_ != nullptr && !checking_; }
    int found() const { return found_; }
    int indexOrder() const { return index_ ? index_->order() : 0; }
    QString indexPath() const;

    // "Cancel operation?"; Yes stops the walk after the current record.
    // True when the walk will stop (or none is running).
    bool cancel();
    // Removes the result index; while a walk is running it is removed when
    // the walk has ended, never under it.
    void finish();

    // "Found N records with questionable state or zipcodes"
    static QString countLine(int found);

    // The state file for its editing grid; when it cannot be opened the user
    // is told "Unable to open CSZ.DBF" (not the opener's own message) and
    // the result is null.
    static std::unique_ptr<store::Table> openForEditing(const CszOpener& openCsz, common::UserDialogs& dialogs);

private:
    store::Table& address_;
    QString folder_;
    common::UserDialogs& dialogs_;
    CszOpener openCsz_;
    std::unique_ptr<address::ResultIndex> index_;
    bool checking_ = false;
    bool cancelRequested_ = false;
    bool finishRequested_ = false;
    int found_ = 0;
};

}  // namespace brindle::mailing
