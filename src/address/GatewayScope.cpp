#include "address/GatewayScope.h"

#include <QDebug>
#include <exception>

#include "address/AddressFile.h"
#include "address/RecordSession.h"
#include "common/UserDialogs.h"

namespace brindle::address {

GatewayScope::GatewayScope(RecordSession& session, Options options)
    : session_(session), file_(session.file()), options_(options) {
    wasOpen_ = file_.isOpen();
    path_ = file_.currentFilePath();
    tag_ = file_.currentTag();
    sortName_ = file_.sortName();
    if (wasOpen_) {
        filter_ = file_.table()->filter();
        hadRecord_ = file_.hasRecord();
        recno_ = file_.recNo();
    }
    refreshButtons_ = session_.refreshButtons;
    bulkOperation_ = session_.bulkOperation;
    extraFields_ = file_.extraFields();
    file_.suspendUpdates();
    session_.refreshButtons = false;
    if (options_.bulkOperation) session_.bulkOperation = true;
    if (options_.extraFields) file_.setExtraFields(true);
}

namespace {

QString errorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

}  // namespace

GatewayScope::~GatewayScope() {
    // Nothing here may throw: each step is guarded so the rest still runs, and
    // what failed is told once everything else is back in place.
    QString problem;
    try {
        if (wasOpen_ && !file_.isOpen() && !path_.isEmpty() && !file_.reopenQuietly(path_))
            problem = unableToOpenMessage(path_);
    } catch (...) {
        problem = unableToOpenMessage(path_) + QStringLiteral("\r\n\r\n") + errorText(std::current_exception());
    }
    try {
        if (file_.isOpen()) {
            auto* t = file_.table();
            if (t->editing() || t->appending()) t->cancel();
            if (!sortName_.isEmpty()) file_.setOrderTo(sortName_);
            else file_.setCurrentOrder(tag_);
            if (options_.restoreFilter) t->setFilter(filter_);
            file_.dataChanged();
            if (options_.restoreRecord && hadRecord_) {
                if (!t->go(recno_)) t->first();
            } else if (!file_.hasRecord()) {
                t->first();
            }
        }
    } catch (...) {
        problem = QStringLiteral("The order, filter and current record of ") + file_.currentFilePath() +
                  QStringLiteral(" could not be put back:\r\n\r\n") + errorText(std::current_exception());
    }
    file_.setExtraFields(extraFields_);
    session_.bulkOperation = bulkOperation_;
    session_.refreshButtons = refreshButtons_;
    file_.resumeUpdates();
    if (problem.isEmpty()) return;
    qWarning("%s", qPrintable(problem));
    try {
        file_.dialogs().showError(problem);
    } catch (...) {
    }
}

}  // namespace brindle::address
