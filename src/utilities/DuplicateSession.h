#pragma once
// What the "Check and Repair Duplicates" window does, without the window:
// one check over the open address table with its result index in the
// program folder, cancelling, and the clean-up.
#include <QString>
#include <functional>
#include <memory>

#include "address/ResultIndex.h"
#include "utilities/DuplicateCheck.h"

namespace brindle::common {
class UserDialogs;
}
namespace brindle::store {
class Table;
}

namespace brindle::utilities {

class DuplicateSession {
public:
    // `folder`: where "_chkdup.idx" is made (the program folder).
    DuplicateSession(store::Table& address, QString folder, common::UserDialogs& dialogs);
    ~DuplicateSession();  // finish()

    // Makes the empty result index (a stale one is replaced), walks the
    // table and leaves it ordered by the index on its first record.
    // `afterRecord(percent, found)` runs after every record; the walk stops
    // once cancel() was confirmed. False when a check has run already.
    bool check(const DuplicateOptions& options, const std::function<void(int, int)>& afterRecord);

    bool checking() const { return checking_; }
    bool done() const { return done_; }
    bool cancelled() const { return cancelled_; }
    int found() const { return found_; }
    QString indexPath() const;

    // "Cancel operation?"; Yes stops the walk after the current record.
    bool cancel();
    // Removes the result index; while the walk runs, when it has ended.
    void finish();

    // "Found N possible duplicates"
    static QString countLine(int found);

private:
    store::Table& address_;
    QString folder_;
    common::UserDialogs& dialogs_;
    std::unique_ptr<address::ResultIndex> index_;
    bool checking_ = false;
    bool done_ = false;
    bool cancelled_ = false;
    bool cancelRequested_ = false;
    bool finishRequested_ = false;
    int found_ = 0;
};

}  // namespace brindle::utilities
