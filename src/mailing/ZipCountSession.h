#pragma once
// What the "Count Zip Codes" window does, without the window: the count on
// first activation (again for Print or Preview when none has finished), its
// cancel question, the texts it shows, and the report lines it keeps for
// every Print and Preview of the window.
#include <QString>

#include <functional>
#include <vector>

#include "mailing/ZipCount.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::mailing {

extern const char* const kZipCountHeading;   // "Counting the number of occurrences of each zip code:"
extern const char* const kZipCountFinished;  // "Finished counting. Press Print or Preview for the report"

class ZipCountSession {
public:
    ZipCountSession(store::Table& table, common::UserDialogs& dialogs);

    // Counts the table's current record set. `status` shows the status line,
    // `processEvents` lets the window handle input after every record. True
    // when the count finished (the standard beep sounds); false when it was
    // cancelled (the window then closes) or one is running already.
    bool count(const std::function<void(const QString&)>& status, const std::function<void()>& processEvents);
    // Cancel: "Cancel Count?" (Yes/No, "CANCEL") while counting; Yes stops
    // the count after the current record.
    void cancelPressed();

    bool counting() const { return counting_; }
    bool counted() const { return counted_; }
    bool closeWanted() const { return closeWanted_; }
    QString heading() const;
    const std::vector<ZipCountLine>& lines() const { return lines_; }
    std::uint64_t recordsRead() const { return read_; }

private:
    store::Table& table_;
    common::UserDialogs& dialogs_;
    std::vector<ZipCountLine> lines_;
    std::uint64_t read_ = 0;
    bool counting_ = false;
    bool counted_ = false;
    bool cancelRequested_ = false;
    bool closeWanted_ = false;
};

}  // namespace brindle::mailing
