#include "mailing/ZipCountSession.h"

#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::mailing {

const char* const kZipCountHeading = "Counting the number of occurrences of each zip code:";
const char* const kZipCountFinished = "Finished counting. Press Print or Preview for the report";

ZipCountSession::ZipCountSession(store::Table& table, common::UserDialogs& dialogs)
    : table_(table), dialogs_(dialogs) {}

QString ZipCountSession::heading() const {
    return QString::fromLatin1(counted_ ? kZipCountFinished : kZipCountHeading);
}

bool ZipCountSession::count(const std::function<void(const QString&)>& status,
                            const std::function<void()>& processEvents) {
    if (counting_) return false;
    counting_ = true;
    cancelRequested_ = false;
    counted_ = false;
    lines_.clear();
    class Progress : public ZipCountProgress {
    public:
        Progress(ZipCountSession& s, const std::function<void(const QString&)>& status,
                 const std::function<void()>& events)
            : s_(s), status_(status), events_(events) {}
        void status(const QString& text) override {
            if (status_) status_(text);
        }
        bool afterRecord() override {
            if (events_) events_();
            return !s_.cancelRequested_;
        }

    private:
        ZipCountSession& s_;
        const std::function<void(const QString&)>& status_;
        const std::function<void()>& events_;
    } progress(*this, status, processEvents);
    ZipCountResult result;
    try {
        result = runZipCount(table_, progress);
    } catch (...) {
        counting_ = false;
        throw;
    }
    counting_ = false;
    read_ = result.read;
    if (result.cancelled) {
        closeWanted_ = true;
        return false;
    }
    lines_ = std::move(result.lines);
    counted_ = true;
    dialogs_.beep();
    return true;
}

void ZipCountSession::cancelPressed() {
    if (!counting_) return;
    if (dialogs_.askYesNo(QStringLiteral("Cancel Count?"), QStringLiteral("CANCEL"))) cancelRequested_ = true;
}

}  // namespace brindle::mailing
