#include "letters/LetterList.h"

#include <exception>

#include "common/SystemTables.h"
#include "common/UserDialogs.h"
#include "richtext/RichDocument.h"
#include "store/CodePage.h"
#include "store/Table.h"

namespace brindle::letters {

namespace {

QString what(const std::exception& e) { return QString::fromUtf8(e.what()); }

}  // namespace

QByteArray storedTemplateText(const QByteArray& rtf) {
    QByteArray text = rtf;
    // A line buffer holds lines with a break between them, none after the last.
    if (text.endsWith("\r\n")) text.chop(2);
    else if (text.endsWith('\n') || text.endsWith('\r')) text.chop(1);
    if (!text.isEmpty() && text.size() % 4 == 0) text += ' ';
    return text;
}

LetterButtons letterButtons(bool hasRow) {
    LetterButtons b;
    b.modify = b.remove = b.clone = b.print = b.preview = b.grid = hasRow;
    return b;
}

std::unique_ptr<store::Table> LetterList::openLetterTable(common::UserDialogs& dialogs) {
    return listByDescription(common::openLetterTable(dialogs), dialogs, false);
}

// A deleted current row counts as none: a question can let the window run
// while another window deletes it.
LetterList::LetterList(store::Table& table, common::UserDialogs& dialogs) : DescriptionList(table, dialogs, true) {}

QByteArray LetterList::currentTemplate() const {
    if (!hasRow()) return {};
    return QByteArray::fromStdString(table_.getMemo("RTF"));
}

bool LetterList::loadCurrent(richtext::RichDocument& document) {
    if (!hasRow()) return false;
    QByteArray memo;
    try {
        memo = currentTemplate();
    } catch (const std::exception& e) {
        dialogs_.showInfo(QStringLiteral("The letter \"%1\" could not be read: %2").arg(currentDescription(), what(e)));
        return false;
    }
    const QStringList warnings = document.load(memo);
    if (!warnings.isEmpty())
        dialogs_.showInfo(QStringLiteral("The letter \"%1\" is damaged; what could be read is shown.\n%2")
                              .arg(currentDescription(), warnings.join(QLatin1Char('\n'))));
    return true;
}

bool LetterList::writeRow(bool append, const QString& description, const QByteArray& memo) {
    const QString kept = description.left(kDescriptionLength);
    const store::EncodedText encoded = table_.codec().fromUtf8(kept.toStdString());
    if (!encoded.lossless()) {
        QStringList chars;
        for (const auto& lost : encoded.lost) chars << QString::fromStdString(store::codePointToUtf8(lost.codePoint));
        dialogs_.showInfo(QStringLiteral("Description \"%1\" holds characters that cannot be stored: %2")
                              .arg(kept, chars.join(QLatin1Char(' '))));
        return false;
    }
    try {
        if (append) table_.append();
        else table_.edit();
        table_.setString("DESCRIPT", encoded.text);
        table_.setMemo("RTF", memo.toStdString());
        table_.post();
    } catch (const std::exception& e) {
        if (table_.editing() || table_.appending()) table_.cancel();
        dialogs_.showInfo(QStringLiteral("The letter \"%1\" could not be stored: %2").arg(kept, what(e)));
        return false;
    }
    return true;
}

bool LetterList::store(const QString& description, const richtext::RichDocument& document, bool isNew) {
    if (!isNew && !hasRow()) return false;
    return writeRow(isNew, description, storedTemplateText(document.toRtf()));
}

bool LetterList::deleteCurrent() {
    if (!hasRow()) return false;
    const std::uint32_t row = table_.recNo();
    if (!confirm(QStringLiteral("Delete"), currentDescription())) return false;
    try {
        // The question lets the window run; make sure the row asked about is the one deleted.
        if (!table_.go(row)) return false;
        table_.deleteRecord();
    } catch (const std::exception& e) {
        dialogs_.showInfo(QStringLiteral("The letter could not be deleted: %1").arg(what(e)));
        return false;
    }
    table_.first();
    return true;
}

bool LetterList::cloneCurrent() {
    if (!hasRow()) return false;
    const QString description = currentDescription();
    const std::uint32_t row = table_.recNo();
    if (!confirm(QStringLiteral("Clone"), description)) return false;
    QByteArray memo;
    try {
        table_.go(row);
        memo = currentTemplate();
    } catch (const std::exception& e) {
        dialogs_.showInfo(QStringLiteral("The letter \"%1\" could not be read: %2").arg(description, what(e)));
        return false;
    }
    return writeRow(true, QStringLiteral("Clone of ") + description, memo);
}

}  // namespace brindle::letters
