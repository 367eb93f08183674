#include "utilities/DuplicateSession.h"

#include <QDir>

#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::utilities {

DuplicateSession::DuplicateSession(store::Table& address, QString folder, common::UserDialogs& dialogs)
    : address_(address), folder_(std::move(folder)), dialogs_(dialogs) {}

DuplicateSession::~DuplicateSession() { finish(); }

QString DuplicateSession::indexPath() const {
    return QDir(folder_).filePath(QString::fromLatin1(kDuplicateIndexName));
}

QString DuplicateSession::countLine(int found) { return QStringLiteral("Found %1 possible duplicates").arg(found); }

bool DuplicateSession::check(const DuplicateOptions& options, const std::function<void(int, int)>& afterRecord) {
    if (checking_ || done_) return false;
    index_ = std::make_unique<address::ResultIndex>(address_, indexPath().toStdString(),
                                                    duplicateIndexExpression(options.kind));
    checking_ = true;
    class Progress : public address::WalkProgress {
    public:
        Progress(DuplicateSession& s, const std::function<void(int, int)>& f) : s_(s), f_(f) {}
        bool afterRecord(int percent, int found) override {
            s_.found_ = found;
            if (f_) f_(percent, found);
            return !s_.cancelRequested_ && !s_.finishRequested_;
        }

    private:
        DuplicateSession& s_;
        const std::function<void(int, int)>& f_;
    } progress(*this, afterRecord);
    DuplicateResult result;
    try {
        result = runDuplicateCheck(address_, options, progress, index_.get());
    } catch (...) {
        checking_ = false;
        index_.reset();
        throw;
    }
    checking_ = false;
    done_ = true;
    cancelled_ = result.cancelled;
    found_ = result.found();
    if (finishRequested_) finish();
    return true;
}

bool DuplicateSession::cancel() {
    if (!checking_ || cancelRequested_) return true;
    if (dialogs_.askYesNo(QStringLiteral("Cancel operation?"), QStringLiteral("CANCEL"))) cancelRequested_ = true;
    return cancelRequested_;
}

void DuplicateSession::finish() {
    if (checking_) {
        finishRequested_ = true;
        return;
    }
    index_.reset();
}

}  // namespace brindle::utilities
