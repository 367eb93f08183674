#include "address/AddressFile.h"

#include <QFileInfo>

#include "address/AddressReindex.h"
#include "address/MruList.h"
#include "address/SortOrders.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"

namespace brindle::address {

QString unableToOpenMessage(const QString& path) {
    return QStringLiteral("Unable to open ") + path + QStringLiteral("\r\n\r\n") + QStringLiteral(" * May not be ") +
           QStringLiteral("a Brindle") + QStringLiteral(" file.") + QStringLiteral("\r\n") +
           QStringLiteral(" * May be in use by another program or user");
}

QString rebuildQuestion(const QString& path) {
    return QStringLiteral("The index file for ") + path + QStringLiteral("\r\n") +
           QStringLiteral("is missing or invalid. Rebuild now?");
}

const std::vector<std::string>& addressFieldNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const auto& f : addressFields(FieldLengths::defaults())) v.push_back(f.name);
        return v;
    }();
    return names;
}

bool syncFieldSizes(const store::Table& table, const std::vector<std::string>& requiredFields) {
    for (const auto& name : requiredFields)
        if (table.fieldIndex(name) < 0) return false;
    return true;
}

std::unique_ptr<store::Table> openTableFile(const QString& path, common::UserDialogs& dialogs,
                                            const std::vector<std::string>& requiredFields) {
    const QString actual = common::resolveIgnoringCase(path);
    if (!QFileInfo(actual).isFile()) {
        dialogs.showInfo(QStringLiteral("File ") + path + QStringLiteral(" not found"));
        return nullptr;
    }
    try {
        const QFileInfo fi(actual);
        auto t = store::Table::open(fi.absolutePath().toStdString(), fi.fileName().toStdString(),
                                    store::OpenMode::Exclusive);
        if (!syncFieldSizes(*t, requiredFields)) return nullptr;
        t->setOrder(0);
        return t;
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool createAddressFileReporting(const QString& path, const FieldLengths& lengths, common::UserDialogs& dialogs) {
    try {
        store::Table::create(path.toStdString(), addressFields(lengths));
    } catch (const std::exception&) {
        dialogs.showInfo(QStringLiteral("Create failed"));
        return false;
    }
    auto table = openTableFile(path, dialogs, addressFieldNames());
    if (!table) {
        dialogs.showInfo(QStringLiteral("File creation failed"));
        return false;
    }
    try {
        createAddressTags(*table);
    } catch (const std::exception&) {
        dialogs.showInfo(QStringLiteral("Unable to create index files"));
        dialogs.showInfo(QStringLiteral("File creation failed"));
        return false;
    }
    table->close();
    return true;
}

AddressFile::AddressFile(common::UserDialogs& dialogs, QString settingsPath)
    : dialogs_(dialogs), settingsPath_(std::move(settingsPath)) {}

AddressFile::~AddressFile() {
    try {
        close();
    } catch (...) {
    }
}

void AddressFile::notify() {
    if (changed && suspended_ == 0) changed();
}

void AddressFile::resumeUpdates() {
    if (suspended_ > 0 && --suspended_ == 0) notify();
}

namespace {
// Swallows every message: quiet retries must not flood the user.
class SilentDialogs : public common::UserDialogs {
public:
    void showInfo(const QString&, const QString&) override {}
    bool askYesNo(const QString&, const QString&) override { return false; }
    bool askYesNoDefaultNo(const QString&, const QString&) override { return false; }
    void showError(const QString&) override {}
    void beep() override {}
    QString chooseOpenFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseSaveFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    void beginBusy() override {}
    void endBusy() override {}
    void processEvents() override {}
};
}  // namespace

void AddressFile::forgetCurrentFile() {
    close();
    currentFilePath_.clear();
    currentTag_.clear();
    sortName_.clear();
}

bool AddressFile::reopenQuietly(const QString& path) {
    close();
    SilentDialogs silent;
    table_ = openTableFile(path, silent, addressFieldNames());
    if (!table_) return false;
    table_->setHideDeleted(true);
    if (!checkValidIndex()) {
        close();
        return false;
    }
    countValid_ = false;
    return true;
}

void AddressFile::close() {
    if (!table_) return;
    if (table_->editing() || table_->appending()) table_->cancel();
    table_->close();
    table_.reset();
    indexValid_ = false;
    countValid_ = false;
}

bool AddressFile::openBRWFile(const QString& path) {
    close();
    table_ = openTableFile(path, dialogs_, addressFieldNames());
    if (table_) {
        table_->setHideDeleted(true);
        checkValidIndex();
        return true;
    }
    dialogs_.showInfo(unableToOpenMessage(path));
    return false;
}

bool AddressFile::checkValidIndex() {
    indexValid_ = table_ && hasAllAddressTags(*table_);
    return indexValid_;
}

bool AddressFile::openBRWDBF(const QString& path) {
    if (path.isEmpty()) return false;
    suspendUpdates();
    struct Resume {
        AddressFile* f;
        ~Resume() { f->resumeUpdates(); }
    } resume{this};
    const bool opened = openBRWFile(path);
    if (opened && !indexValid_) {
        if (dialogs_.askYesNo(rebuildQuestion(path), QStringLiteral("Warning"))) {
            runRebuild();
            checkValidIndex();
        }
        if (!indexValid_) close();
    }
    onOpenBRWFile(isOpen());
    dialogs_.processEvents();
    if (opened) {
        common::ProfileFile settings(settingsPath_);
        updateMruList(settings, path);
        currentFilePath_ = path;
    } else {
        currentFilePath_.clear();
    }
    // The caption names a file only while one is open.
    caption_ = isOpen() ? QStringLiteral("Brindle - ") + path : QStringLiteral("Brindle");
    notify();
    return opened;
}

void AddressFile::runRebuild() {
    if (rebuildRequested) rebuildRequested();
    else if (table_) rebuildAddressFile(*table_, dialogs_);
}

void AddressFile::onOpenBRWFile(bool opened) {
    if (opened && table_) {
        setOrderTo(defaultSortName());
        applyQuery();
        table_->first();
    } else {
        close();
        currentTag_.clear();
        sortName_.clear();
    }
}

bool AddressFile::openMruEntry(const QString& path) {
    const QString previous = isOpen() ? currentFilePath_ : QString();
    openBRWDBF(path);
    if (!isOpen() && !previous.isEmpty()) openBRWDBF(previous);
    return isOpen();
}

QString AddressFile::databasePath() const {
    if (currentFilePath_.isEmpty()) return {};
    return QFileInfo(currentFilePath_).absolutePath() + QLatin1Char('/');
}

QString AddressFile::fileName() const {
    if (table_) return QFileInfo(QString::fromStdString(table_->path())).fileName();
    return QFileInfo(currentFilePath_).fileName();
}

QStringList AddressFile::mruList() const { return getMruList(common::ProfileFile(settingsPath_)); }

QString AddressFile::mruFile() const {
    const QStringList l = mruList();
    return l.isEmpty() ? QString() : l.first();
}

bool AddressFile::setOrderTo(const QString& sortName) {
    const QString tag = tagForSortName(sortName);
    if (tag.isEmpty()) return false;
    sortName_ = sortName;
    setCurrentOrder(tag);
    notify();
    return true;
}

void AddressFile::setCurrentOrder(const QString& tag) {
    currentTag_ = tag;
    if (tag.isEmpty() || !table_) return;
    try {
        const int area = table_->tagArea(tag.toStdString());
        if (area > 0) table_->setOrder(area);
    } catch (const std::exception&) {
    }
}

QString AddressFile::sortStatus() const { return sortName_.isEmpty() ? QString() : sortStatusText(sortName_); }

void AddressFile::clearQueryVars() {
    queryVars_.clear();
    queryString_.clear();
    queryExpression_.clear();
}

int AddressFile::applyQuery() {
    common::BusyScope busy(dialogs_);
    lastQueryRefused_ = false;
    QString refusal;
    try {
        // Values are compared in the open file's code page (Windows-1252 with none open).
        const FileText text = this->text();
        queryExpression_ = buildQueryExpression(queryVars_, globalTagId_, text);
        queryString_ = text.decode(queryExpression_);
        if (queryTooLong(queryString_) || expressionTooLong(queryExpression_)) refusal = tooComplexMessage();
    } catch (const QueryValueError& e) {
        refusal = unquotableValueMessage(e.value());
    }
    countValid_ = false;
    if (!refusal.isEmpty()) {
        // Refused values never reach the engine, not even when no file is open.
        lastQueryRefused_ = true;
        dialogs_.showInfo(refusal);
        clearQueryVars();
    }
    if (!table_) return 0;
    const auto plain = [this] {
        table_->setFilter(common::toStore(notDeletedCondition()));
        countValid_ = false;
    };
    if (queryString_.isEmpty()) {
        plain();
        notify();
        return 0;
    }
    const std::string expression = engineExpression(queryExpression_);
    std::string error;
    if (!table_->testExpression(expression, &error)) {
        // A value the engine cannot read (a stray quote) is dropped like a filter without matches.
        clearQueryVars();
        plain();
        notify();
        return 0;
    }
    table_->setFilter(expression);
    const std::uint32_t n = filterCount();
    if (n == 0) {
        clearQueryVars();
        plain();
        notify();
        return 0;
    }
    notify();
    return static_cast<int>(n);
}

bool AddressFile::currentMatches() const {
    if (!table_ || !table_->hasRecord() || table_->appending()) return false;
    try {
        return table_->evalLogical(engineExpression(queryExpression_));
    } catch (const std::exception&) {
        return false;
    }
}

void AddressFile::showMatchingRecord() {
    if (!table_ || currentMatches()) return;
    first();
}

int AddressFile::restoreFilter(const QueryVars& vars) {
    setQueryVars(vars);
    const int n = applyQuery();
    showMatchingRecord();
    return n;
}

std::uint32_t AddressFile::filterCount() {
    if (!table_) return 0;
    if (!countValid_) {
        count_ = table_->filterCount();
        countValid_ = true;
    }
    return count_;
}

QString AddressFile::filterStatus() {
    if (!table_) return {};
    const std::uint32_t n = filterCount();
    if (filterSet()) return QString::number(n) + QStringLiteral(" filter matches");
    if (n > 0) return QString::number(n) + QStringLiteral(" records (no filter)");
    return QStringLiteral("No records");
}

bool AddressFile::hasRecord() const { return table_ && table_->hasRecord(); }

bool AddressFile::first() {
    if (!table_) return false;
    const bool ok = table_->first();
    notify();
    return ok;
}

bool AddressFile::last() {
    if (!table_) return false;
    const bool ok = table_->last();
    notify();
    return ok;
}

bool AddressFile::next() { return step(true); }

bool AddressFile::prior() { return step(false); }

bool AddressFile::step(bool forward) {
    if (!table_ || !table_->hasRecord()) return false;
    const std::uint32_t here = table_->recNo();
    const bool moved = forward ? (table_->next() && !table_->eof()) : (table_->prior() && !table_->bof());
    if (!moved) {
        // Past either end: stay on the record we were on.
        table_->go(here);
        dialogs_.beep();
    }
    notify();
    return moved;
}

QString AddressFile::field(const char* name) const {
    if (!table_ || !table_->hasRecord()) return {};
    return text().decode(table_->getString(name));
}

int AddressFile::fieldWidth(const char* name) const {
    if (!table_) return 0;
    for (const auto& f : table_->fieldDefs())
        if (f.name == name) return f.width;
    return 0;
}

QString AddressFile::memo() const {
    if (!table_ || !table_->hasRecord()) return {};
    return text().decode(table_->getMemo("MEMO"));
}

std::uint32_t AddressFile::recordCount() const { return table_ ? table_->recordCount() : 0; }
std::uint32_t AddressFile::recNo() const { return table_ ? table_->recNo() : 0; }

ComputedFields AddressFile::calcFields() const {
    RecordNames r;
    if (hasRecord()) {
        r.fname = field("FNAME");
        r.middle = field("MIDDLE");
        r.lname = field("LNAME");
        r.prefix = field("PREFIX");
        r.city = field("CITY");
        r.state = field("STATE");
        r.zip = field("ZIP");
        r.date = field("DATE");
        r.tag = field("TAG");
    }
    return computeFields(r, globalTagId_, extraFields_);
}

void AddressFile::rebuildIndexes(const std::function<void(int, const QString&)>& progress) {
    if (!table_) return;
    rebuildAddressFile(*table_, dialogs_, progress);
}

void AddressFile::afterRebuild() {
    if (!table_) return;
    if (!checkValidIndex()) {
        onOpenBRWFile(false);
        notify();
        return;
    }
    setCurrentOrder(currentTag_);
    applyQuery();
    table_->first();
    notify();
}

bool AddressFile::createAndOpen(const QString& folder, const QString& name, const FieldLengths& lengths) {
    QString dir = folder;
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    const QString path = dir + name + QStringLiteral(".DBF");
    if (QFileInfo::exists(common::resolveIgnoringCase(path))) {
        dialogs_.showInfo(QStringLiteral("That file already exists.Please select another name"));
        return false;
    }
    if (!createAddressFileReporting(path, lengths, dialogs_)) return false;
    close();
    dialogs_.processEvents();
    return openBRWDBF(path);
}

}  // namespace brindle::address
