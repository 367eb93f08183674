#include "address/RecordSession.h"

#include <QClipboard>
#include <QDate>
#include <QGuiApplication>
#include <algorithm>

#include "address/AddressFile.h"
#include "address/FieldCatalogue.h"
#include "address/MruList.h"
#include "address/Query.h"
#include "address/RecordFields.h"
#include "common/AddressFormat.h"
#include "common/Common.h"
#include "common/LatinText.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "store/Cp1252.h"

namespace brindle::address {

const char* const kLostDataMessage =
    "An error has occurred which may have resulted in lost data.\r\nPlease close and restart the program, and verify "
    "that the\r\nlast few changes were saved.\r\n\r\nIf you see this message too often, turn off agressive "
    "saving\r\nfrom the Preferences screen";

namespace {

constexpr int kReopenAttempts = 10;

// Restores a value when the scope ends, whatever way it ends.
template <typename T>
class Restore {
public:
    Restore(T& ref, T during) : ref_(ref), saved_(ref) { ref_ = during; }
    ~Restore() { ref_ = saved_; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& ref_;
    T saved_;
};

class Suspend {
public:
    explicit Suspend(AddressFile& f) : f_(f) { f_.suspendUpdates(); }
    ~Suspend() { f_.resumeUpdates(); }
    Suspend(const Suspend&) = delete;
    Suspend& operator=(const Suspend&) = delete;

private:
    AddressFile& f_;
};

// Record edit -> its Skip preference.
const std::map<QString, QString>& skipKeyOfField() {
    static const std::map<QString, QString> m = [] {
        std::map<QString, QString> keys;
        for (const PreferenceKey& k : skipKeys()) keys[QString::fromLatin1(k.field)] = QString::fromLatin1(k.key);
        return keys;
    }();
    return m;
}

std::string padOrCut(std::string s, int width) {
    s.resize(static_cast<std::size_t>(std::max(width, 0)), ' ');
    return s;
}

// A clone copies every character field but the tag: the copy is untagged and
// not deleted (ISDEL is logical); the memo is copied on its own.
const std::vector<const char*>& cloneFields() {
    static const std::vector<const char*> names = [] {
        std::vector<const char*> v;
        for (const AddressField& f : kAddressFields)
            if (f.type == 'C' && std::string_view(f.name) != "TAG") v.push_back(f.name);
        return v;
    }();
    return names;
}

}  // namespace

QString unstorableQuestion(const QList<UnstorableField>& fields, const FileText& fileText) {
    // Our own files are Windows-1252; a file of another code page is named.
    QString text = fileText.isWindows1252()
                       ? QStringLiteral("Some characters cannot be stored in an address file:\r\n\r\n")
                       : QStringLiteral("Some characters cannot be stored in this address file (") +
                             fileText.codePageName() + QStringLiteral("):\r\n\r\n");
    QList<char32_t> all;
    for (const UnstorableField& f : fields) {
        QStringList chars;
        for (char32_t c : f.characters) {
            chars << common::characterText(c);
            if (!all.contains(c)) all << c;
        }
        text += recordFieldCaption(f.field) + QStringLiteral(": ") + chars.join(QLatin1Char(' ')) +
                QStringLiteral("\r\n");
    }
    QStringList replacements;
    for (char32_t c : all) {
        const QString latin = fileText.nearestSpelling(c);
        replacements << common::characterText(c) + QStringLiteral(" \u2192 ") +
                            (latin.isEmpty() ? QStringLiteral("(left out)") : latin);
    }
    text += QStringLiteral("\r\nReplace them with the nearest Latin letters?\r\n") +
            replacements.join(QStringLiteral(", ")) + QStringLiteral("\r\n\r\nChoose No to go back to editing.");
    return text;
}

std::string storedMemo(const QString& text, const FileText& fileText) { return fileText.storedMemo(text); }

QString memoForDisplay(const std::string& stored, const FileText& fileText) { return fileText.memoForDisplay(stored); }

RecordSession::RecordSession(AddressFile& file, common::UserDialogs& dialogs) : file_(file), dialogs_(dialogs) {}

bool RecordSession::editing() const {
    const auto* t = file_.table();
    return t && (t->editing() || t->appending());
}

bool RecordSession::appending() const {
    const auto* t = file_.table();
    return t && t->appending();
}

NewRecordBoxLayout RecordSession::newRecordBox() const {
    return {prefs.flag(QStringLiteral("AutoDupCheck")), prefs.flag(QStringLiteral("PlugCityState"))};
}

bool RecordSession::skipField(const QString& field) const {
    const auto it = skipKeyOfField().find(field);
    return it != skipKeyOfField().end() && prefs.flag(it->second);
}

bool RecordSession::add() {
    if (!file_.isOpen() || editing()) return false;
    auto* t = file_.table();
    carried_.clear();
    for (const char* f : {"ORG", "STREET", "STREET2", "CITY", "STATE", "ZIP"})
        carried_[QString::fromLatin1(f)] = file_.field(f);
    carried_[QStringLiteral("COUNTRY")] = prefs.flag(QStringLiteral("CarryCountry")) ? file_.field("COUNTRY") : QString();

    NewRecordAnswer answer;
    const NewRecordBoxLayout box = newRecordBox();
    if (box.names || box.zip) {
        if (!askNewRecord) return false;
        const auto a = askNewRecord(box);
        if (!a) return false;
        answer = *a;
    }
    QString city, state;
    if (box.zip && !answer.zip.isEmpty()) std::tie(city, state) = fillCityState(answer.zip);
    if (!checkDupName(answer.first, answer.last)) return false;

    t->append();
    clearTyped();
    // Everything goes in as typed: the box's names are checked like the edits on saving.
    auto put = [&](const char* f, const QString& v) { setField(QString::fromLatin1(f), v); };
    auto flag = [&](const char* k) { return prefs.flag(QString::fromLatin1(k)); };
    if (!answer.first.isEmpty()) put("FNAME", answer.first);
    if (!answer.last.isEmpty()) put("LNAME", answer.last);
    if (!answer.zip.isEmpty()) put("ZIP", answer.zip);
    if (!city.isEmpty()) put("CITY", city);
    if (!state.isEmpty()) put("STATE", state);
    if (field("ZIP").isEmpty() && flag("CarryZip")) put("ZIP", carried_["ZIP"]);
    if (field("CITY").isEmpty() && flag("CarryCity")) put("CITY", carried_["CITY"]);
    if (field("STATE").isEmpty() && flag("CarryState")) put("STATE", carried_["STATE"]);
    if (flag("CarryCountry")) put("COUNTRY", carried_["COUNTRY"]);
    if (flag("CarrySA1")) put("STREET", carried_["STREET"]);
    if (flag("CarrySA2")) put("STREET2", carried_["STREET2"]);
    if (carried_["COUNTRY"].isEmpty() && !prefs.defaultCountry.isEmpty()) put("COUNTRY", prefs.defaultCountry);
    if (flag("PlugDate")) put("DATE", common::toStoredDate(QDate::currentDate()));
    if (flag("CarryOrg")) put("ORG", carried_["ORG"]);
    file_.refresh();
    return true;
}

QString RecordSession::addFocusField() const {
    if (!skipField(QStringLiteral("LNAME")) && field(QStringLiteral("LNAME")).isEmpty()) return QStringLiteral("LNAME");
    if (!skipField(QStringLiteral("FNAME")) && field(QStringLiteral("FNAME")).isEmpty()) return QStringLiteral("FNAME");
    for (const char* f : {"MIDDLE", "PREFIX", "TITLE", "ORG"})
        if (!skipField(QString::fromLatin1(f))) return QString::fromLatin1(f);
    return QStringLiteral("STREET");
}

bool RecordSession::checkDupName(const QString& first, const QString& last) {
    if (first.isEmpty() || last.isEmpty() || !file_.isOpen()) return true;
    auto* t = file_.table();
    // Compared in the spelling and the bytes the names would be stored in,
    // each padded or cut to its field's width.
    const FileText text = file_.text();
    const std::string key = store::toUpper1252(padOrCut(text.encode(text.toStorable(last)), file_.fieldWidth("LNAME")) +
                                               padOrCut(text.encode(text.toStorable(first)), file_.fieldWidth("FNAME")));
    const std::uint32_t here = t->recNo();
    const int order = t->order();
    const bool exact = t->exact();
    bool found = false;
    QString question;
    {
        Suspend suspend(file_);
        t->setOrder(t->tagArea("LNAME"));
        t->setExact(true);
        found = t->seek(key);
        if (found) {
            question = QStringLiteral("Possible duplicate: \r\n\r\n") + file_.field("FNAME") + QStringLiteral(" ") +
                       file_.field("LNAME") + QStringLiteral("\r\n") + file_.field("STREET") + QStringLiteral("\r\n") +
                       file_.field("CITY") + QStringLiteral(",") + file_.field("STATE") + QStringLiteral(" ") +
                       file_.field("ZIP") + QStringLiteral("\r\n\r\n") + QStringLiteral("Continue adding?");
        }
        t->setExact(exact);
        t->setOrder(order);
    }
    bool goOn = true;
    if (found) {
        dialogs_.beep();
        goOn = dialogs_.askYesNoDefaultNo(question, QStringLiteral("Possible Duplicate"));
    }
    // Going on keeps the record that was current; stopping shows the duplicate.
    if (goOn) t->go(here);
    file_.refresh();
    return goOn;
}

std::pair<QString, QString> RecordSession::fillCityState(const QString& zip) {
    if (!file_.isOpen() || zip.isEmpty()) return {};
    auto* t = file_.table();
    const std::uint32_t here = t->recNo();
    const int order = t->order();
    const bool exact = t->exact();
    std::pair<QString, QString> result;
    Suspend suspend(file_);
    try {
        t->setOrder(t->tagArea("ZIP"));
        t->setExact(false);
        if (t->seek(storeKey(zip, file_.text())))
            result = {file_.field("CITY"), file_.field("STATE")};
    } catch (const std::exception&) {
    }
    try {
        t->setExact(exact);
        t->setOrder(order);
        t->go(here);
    } catch (const std::exception&) {
    }
    return result;
}

bool RecordSession::startEdit() {
    if (!file_.hasRecord()) return false;
    if (editing()) return true;
    clearTyped();
    file_.table()->edit();
    file_.refresh();
    return true;
}

void RecordSession::setField(const QString& name, const QString& value) {
    if (!editing()) return;
    const QString text = common::storableForm(value);
    typed_[name] = text;
    const QByteArray n = name.toLatin1();
    file_.table()->setString(n.constData(), file_.text().encode(text));
}

QString RecordSession::field(const QString& name) const {
    const auto* t = file_.table();
    if (!t || !t->hasRecord()) return {};
    if (editing()) {
        const auto it = typed_.find(name);
        if (it != typed_.end()) return it->second;
    }
    return file_.text().decode(t->getString(name.toLatin1().constData()));
}

QString RecordSession::memoText() const {
    const auto* t = file_.table();
    if (!t || !t->hasRecord() || t->appending()) return {};
    return file_.text().memoForDisplay(t->getMemo("MEMO"));
}

void RecordSession::post() {
    file_.table()->post();
    clearTyped();
    file_.dataChanged();
    if (afterPost) afterPost();
    if (prefs.aggressiveSave > 0 && !bulkOperation) checkCloseAndOpen();
}

bool RecordSession::save(const QString& memoText) {
    if (!editing()) return false;
    QString memo = common::storableForm(memoText);
    // What the file can hold depends on the code page its header names.
    const FileText fileText = file_.text();
    QList<UnstorableField> unstorable;
    const auto check = [&](const QString& field, const QString& text) {
        const QList<char32_t> chars = fileText.unstorableCharacters(text);
        if (!chars.isEmpty()) unstorable << UnstorableField{field, chars};
    };
    // In the order the window shows the fields, then any others.
    QStringList order;
    for (auto fields : {nameFields(), addressPageFields()})
        for (const RecordField& f : fields) order << QString::fromLatin1(f.field);
    for (const auto& [name, text] : typed_)
        if (!order.contains(name)) order << name;
    for (const QString& name : order)
        if (const auto it = typed_.find(name); it != typed_.end()) check(name, it->second);
    check(QStringLiteral("MEMO"), memo);
    if (!unstorable.isEmpty()) {
        // Nothing is written unless the user agrees to the replacements.
        if (!dialogs_.askYesNo(unstorableQuestion(unstorable, fileText), QStringLiteral("Save"))) return false;
        const std::map<QString, QString> typed = typed_;
        for (const auto& [name, text] : typed) setField(name, fileText.toStorable(text));
        memo = fileText.toStorable(memo);
    }
    file_.table()->setMemo("MEMO", fileText.storedMemo(memo));
    post();
    if (file_.isOpen() && file_.filterSet() && file_.filterCount() == 0) file_.applyQuery();
    file_.refresh();
    return true;
}

void RecordSession::cancel() {
    if (!editing()) return;
    clearTyped();
    file_.table()->cancel();
    file_.refresh();
}

bool RecordSession::deleteRecord() {
    if (!file_.hasRecord() || editing()) return false;
    auto* t = file_.table();
    bool deleted = false;
    if (dialogs_.askYesNo(QStringLiteral("Delete this record?"), QStringLiteral("DELETE"))) {
        Suspend suspend(file_);
        const std::uint32_t here = t->recNo();
        std::uint32_t previous = 0;
        if (t->prior() && !t->bof()) previous = t->recNo();
        t->go(here);
        t->setHideDeleted(false);
        dialogs_.processEvents();
        try {
            t->deleteRecord();
            t->edit();
            t->setLogical("ISDEL", true);
            post();
        } catch (...) {
            if (t->editing()) t->cancel();
            t->setHideDeleted(true);
            throw;
        }
        if (file_.isOpen()) {
            t = file_.table();
            t->setHideDeleted(true);
            file_.dataChanged();
            if (previous == 0 || !t->go(previous)) t->first();
        }
        deleted = true;
    }
    if (file_.isOpen() && file_.filterSet() && file_.filterCount() == 0) {
        file_.applyQuery();
        file_.table()->first();
    }
    file_.refresh();
    return deleted;
}

bool RecordSession::cloneRecord() {
    if (!file_.hasRecord() || editing()) return false;
    if (!dialogs_.askYesNo(QStringLiteral("Clone this record?"), QStringLiteral("Clone"))) return false;
    {
        common::BusyScope busy(dialogs_);
        Suspend suspend(file_);
        Restore<bool> noRefresh(refreshButtons, false);
        auto* t = file_.table();
        std::map<std::string, std::string> values;
        for (const char* f : cloneFields()) values[f] = t->getString(f);
        const std::string memo = t->getMemo("MEMO");
        t->append();
        for (const auto& [f, v] : values) t->setString(f, v);
        t->setMemo("MEMO", memo);
        post();
    }
    dialogs_.showInfo(QStringLiteral("Clone completed. Current record is an exact copy"));
    file_.refresh();
    return true;
}

bool RecordSession::setDate(const QString& stored) {
    if (!file_.hasRecord()) {
        dialogs_.beep();
        return false;
    }
    if (!editing()) file_.table()->edit();
    file_.table()->setString("DATE", file_.text().encode(stored));
    file_.refresh();
    return true;
}

bool RecordSession::toggleTag() {
    if (!file_.hasRecord()) {
        dialogs_.beep();
        return false;
    }
    auto* t = file_.table();
    const QString id = file_.globalTagId();
    const bool wasEditing = editing();
    {
        Suspend suspend(file_);
        if (!wasEditing) t->edit();
        t->setString("TAG", file_.text().encode(field(QStringLiteral("TAG")) != id ? id : QString()));
        if (!wasEditing) {
            Restore<bool> bulk(bulkOperation, true);
            post();
        }
    }
    if (!wasEditing && file_.isOpen() && file_.filterSet() && file_.filterCount() == 0) {
        file_.applyQuery();
        file_.table()->first();
    }
    file_.refresh();
    return true;
}

void RecordSession::clearTags() {
    const QString id = common::newTagId();
    file_.setGlobalTagId(id);
    common::ProfileFile settings(file_.settingsPath());
    settings.writeString(QStringLiteral("Misc"), QStringLiteral("GlobalTagId"), id);
    file_.applyQuery();
    file_.refresh();
}

RecordSession::TagAllResult RecordSession::tagAll(const std::function<bool(int)>& afterEach) {
    TagAllResult result;
    if (!file_.isOpen() || editing()) return result;
    {
        Restore<bool> noRefresh(refreshButtons, false);
        Restore<bool> bulk(bulkOperation, true);
        Suspend suspend(file_);
        auto* t = file_.table();
        // The records are gathered first: tagging may take a record out of the
        // filter (a "Tagged" plus "Reverse" filter), which would upset a walk.
        std::vector<std::uint32_t> recnos;
        for (bool ok = t->first(); ok && !t->eof(); ok = t->next()) recnos.push_back(t->recNo());
        const std::string id = file_.text().encode(file_.globalTagId());
        for (std::uint32_t r : recnos) {
            t->go(r);
            t->edit();
            t->setString("TAG", id);
            post();
            ++result.tagged;
            if (afterEach && !afterEach(result.tagged)) {
                result.cancelled = true;
                break;
            }
        }
        file_.dataChanged();
        if (file_.filterSet() && file_.filterCount() == 0) file_.applyQuery();
        file_.table()->first();
    }
    file_.refresh();
    return result;
}

void RecordSession::checkCloseAndOpen() {
    ++saveCounter;
    const int every = prefs.aggressiveSave == 1 ? 5 : 1;
    if (saveCounter < every) return;
    saveCounter = 0;
    if (!file_.isOpen()) return;
    const QString path = file_.currentFilePath();
    const QString tag = file_.currentTag();
    const std::uint32_t here = file_.recNo();
    {
        common::BusyScope busy(dialogs_);
        Suspend suspend(file_);
        file_.close();
        bool opened = false;
        // Retried quietly: one message at the end, not one per attempt.
        for (int attempt = 0; attempt < kReopenAttempts && !opened; ++attempt) opened = file_.reopenQuietly(path);
        if (opened) {
            file_.setCurrentOrder(tag);
            file_.applyQuery();
            try {
                if (!file_.table()->go(here)) file_.table()->first();
            } catch (const std::exception&) {
            }
        } else {
            file_.forgetCurrentFile();
        }
    }
    if (!file_.isOpen()) dialogs_.showInfo(QString::fromLatin1(kLostDataMessage));
    file_.refresh();
}

void RecordSession::searchFor(const QString& sortName, const QString& text) {
    if (text.isEmpty() || !file_.isOpen()) return;
    file_.setOrderTo(sortName);
    auto* t = file_.table();
    const std::uint32_t here = t->recNo();
    const bool exact = t->exact();
    try {
        t->setExact(false);
        t->setSoftSeek(true);
        if (!t->seek(storeKey(text, file_.text()))) t->go(here);
    } catch (const std::exception&) {
        t->go(here);
    }
    t->setSoftSeek(false);
    t->setExact(exact);
    file_.refresh();
}

bool RecordSession::findTextInMemo(bool fromStart, const std::function<bool()>& step) {
    if (!file_.isOpen() || memoSearchText.isEmpty()) return false;
    auto* t = file_.table();
    const bool had = t->hasRecord();
    const std::uint32_t here = t->recNo();
    bool found = false;
    {
        Suspend suspend(file_);
        // Memos hold what the file can store; the text is looked for in that spelling.
        const FileText text = file_.text();
        const QString wanted = text.toStorable(memoSearchText);
        bool ok = fromStart ? t->first() : (had && t->next());
        while (ok && !t->eof()) {
            if (memoContains(text.decode(t->getMemo("MEMO")), wanted)) {
                found = true;
                break;
            }
            if (step && !step()) break;
            ok = t->next();
        }
        if (!found && had) t->go(here);
    }
    memoFound = found;
    if (!found) dialogs_.beep();
    file_.refresh();
    return found;
}

void RecordSession::copyToClipboard(const RecordTextParts& parts) {
    if (!file_.hasRecord()) return;
    QGuiApplication::clipboard()->setText(getRecordAsString([this](const char* f) { return file_.field(f); }, parts));
    dialogs_.showInfo(QStringLiteral("Record copied to the clipboard"));
}

QString getRecordAsString(const std::function<QString(const char*)>& value, const RecordTextParts& parts) {
    // The name and address lines are those of a printed address block.
    common::AddressLayout layout;
    layout.useName = layout.useTitle = layout.useCompany = parts.name;
    layout.useStreet = layout.useStreet2 = layout.useCityState = layout.useZip = layout.useCountry = parts.address;
    layout.usePhone = false;
    layout.zipOptions = common::zoAfterState;
    QStringList lines = common::addressBlock(layout, [&](const QString& field) -> std::optional<QString> {
        return value(field.toLatin1().constData());
    });
    auto labelled = [&](const char* label, const char* f) {
        const QString v = value(f);
        if (!v.isEmpty()) lines << QString::fromLatin1(label) + v;
    };
    if (parts.phones) {
        labelled("Phone  :", "PHONE");
        labelled("Phone 2:", "PHONE2");
    }
    if (parts.codes) labelled("Codes :", "CODES");
    if (parts.comments) {
        labelled("Comment 1 :", "USER1");
        labelled("Comment 2 :", "USER2");
    }
    QString text;
    for (const QString& l : lines)
        if (!l.isEmpty()) text += l + QStringLiteral("\r\n");
    return text.left(kRecordTextLimit);
}

}  // namespace brindle::address
