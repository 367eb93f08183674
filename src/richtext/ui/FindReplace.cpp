#include "richtext/ui/FindReplace.h"

#include <QTextDocument>

#include "common/UserDialogs.h"

namespace brindle::richtext::ui {

QString FindReplace::notFoundMessage(const QString& text) { return QStringLiteral("\"%1\" was not found.").arg(text); }

QTextCursor FindReplace::findNext(const QString& text, const QTextCursor& cursor, FindOptions options) {
    if (text.isEmpty()) return {};
    const int from = cursor.isNull() ? 0 : cursor.selectionEnd();
    QTextCursor found = document_.find(text, from, options);
    if (found.isNull() && from > 0) found = document_.find(text, 0, options);
    if (found.isNull()) dialogs_.showInfo(notFoundMessage(text));
    return found;
}

bool FindReplace::isOccurrence(const QTextCursor& cursor, const QString& text, FindOptions options) const {
    if (cursor.isNull() || !cursor.hasSelection()) return false;
    const QTextCursor again = document_.find(text, cursor.selectionStart(), options);
    return !again.isNull() && again.selectionStart() == cursor.selectionStart() &&
           again.selectionEnd() == cursor.selectionEnd();
}

QTextCursor FindReplace::replace(const QString& text, const QString& with, QTextCursor cursor, FindOptions options) {
    if (isOccurrence(cursor, text, options)) document_.replace(cursor, with);
    return findNext(text, cursor, options);
}

int FindReplace::replaceAll(const QString& text, const QString& with, FindOptions options) {
    if (text.isEmpty()) return 0;
    const int count = document_.replaceAll(text, with, options);
    if (count == 0) dialogs_.showInfo(notFoundMessage(text));
    else dialogs_.showInfo(QStringLiteral("%1 replacement(s) made.").arg(count));
    return count;
}

}  // namespace brindle::richtext::ui
