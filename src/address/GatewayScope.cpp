#include "address/GatewayScope.h"

#include "address/AddressFile.h"
#include "address/RecordSession.h"

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

GatewayScope::~GatewayScope() {
    // Nothing here may throw: each step is guarded so the rest still runs.
    try {
        if (wasOpen_ && !file_.isOpen() && !path_.isEmpty()) file_.reopenQuietly(path_);
    } catch (...) {
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
    }
    file_.setExtraFields(extraFields_);
    session_.bulkOperation = bulkOperation_;
    session_.refreshButtons = refreshButtons_;
    file_.resumeUpdates();
}

}  // namespace brindle::address
