#include "mailing/StateZipSession.h"

#include <QDir>
#include <exception>

#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::mailing {

const char* const kCszRemovedMessage =
    "The file CSZ.DBF has been removed from the SYSDATA directory. Unable to continue.";
const char* const kCancelQuestion = "Cancel operation?";

StateZipSession::StateZipSession(store::Table& address, QString folder, common::UserDialogs& dialogs,
                                 CszOpener openCsz)
    : address_(address), folder_(std::move(folder)), dialogs_(dialogs), openCsz_(std::move(openCsz)) {}

StateZipSession::~StateZipSession() { finish(); }

QString StateZipSession::indexPath() const {
    return QDir(folder_).filePath(QString::fromLatin1(kStateZipIndexName));
}

QString StateZipSession::countLine(int found) {
    return QStringLiteral("Found %1 records with questionable state or zipcodes").arg(found);
}

StateZipSession::Outcome StateZipSession::check(bool includeBlanks,
                                                const std::function<void(int, int)>& afterRecord) {
    if (checking_) return Outcome::Failed;
    StateZipRanges ranges;
    {
        const std::unique_ptr<store::Table> csz = openCsz_(dialogs_);
        if (!csz) return Outcome::Failed;
        ranges = StateZipRanges::fromTable(*csz);
    }
    // A check run again starts from an empty list.
    index_.reset();
    index_ = std::make_unique<address::ResultIndex>(address_, indexPath().toStdString(), kStateZipIndexExpression);
    checking_ = true;
    cancelRequested_ = false;
    found_ = 0;
    class Progress : public address::WalkProgress {
    public:
        explicit Progress(StateZipSession& s, const std::function<void(int, int)>& f) : s_(s), f_(f) {}
        bool afterRecord(int percent, int found) override {
            s_.found_ = found;
            if (f_) f_(percent, found);
            return !s_.cancelRequested_ && !s_.finishRequested_;
        }

    private:
        StateZipSession& s_;
        const std::function<void(int, int)>& f_;
    } progress(*this, afterRecord);
    StateZipResult result;
    try {
        result = runStateZipCheck(address_, ranges, {.includeBlanks = includeBlanks}, progress, index_.get());
    } catch (...) {
        checking_ = false;
        index_.reset();
        throw;
    }
    checking_ = false;
    found_ = result.found();
    if (finishRequested_) {
        finish();
        return Outcome::Cancelled;
    }
    return result.cancelled ? Outcome::Cancelled : Outcome::Done;
}

namespace {

// Passes everything on except plain messages, which it keeps.
class QuietDialogs : public common::UserDialogs {
public:
    explicit QuietDialogs(common::UserDialogs& d) : d_(d) {}
    void showInfo(const QString&, const QString&) override {}
    bool askYesNo(const QString& m, const QString& c) override { return d_.askYesNo(m, c); }
    bool askYesNoDefaultNo(const QString& m, const QString& c) override { return d_.askYesNoDefaultNo(m, c); }
    void showError(const QString&) override {}
    void beep() override { d_.beep(); }
    QString chooseOpenFile(const QString& c, const QString& d, const QString& f, const QString& s) override {
        return d_.chooseOpenFile(c, d, f, s);
    }
    QString chooseSaveFile(const QString& c, const QString& d, const QString& f, const QString& s) override {
        return d_.chooseSaveFile(c, d, f, s);
    }
    void beginBusy() override { d_.beginBusy(); }
    void endBusy() override { d_.endBusy(); }
    void processEvents() override { d_.processEvents(); }

private:
    common::UserDialogs& d_;
};

}  // namespace

std::unique_ptr<store::Table> StateZipSession::openForEditing(const CszOpener& openCsz, common::UserDialogs& dialogs) {
    QuietDialogs quiet(dialogs);
    std::unique_ptr<store::Table> t;
    try {
        t = openCsz(quiet);
    } catch (const std::exception&) {
        t.reset();
    }
    if (!t) dialogs.showInfo(QStringLiteral("Unable to open CSZ.DBF"));
    return t;
}

bool StateZipSession::cancel() {
    if (!checking_ || cancelRequested_) return true;
    if (dialogs_.askYesNo(QString::fromLatin1(kCancelQuestion), QStringLiteral("CANCEL"))) cancelRequested_ = true;
    return cancelRequested_;
}

void StateZipSession::finish() {
    if (checking_) {
        finishRequested_ = true;
        return;
    }
    index_.reset();
}

}  // namespace brindle::mailing
