#pragma once
// Find and replace in the editor's document: find next from the cursor
// (wrapping to the start once), replace the found text and go on, replace
// all in one undo step. Widget-free; messages go through UserDialogs.
#include <QString>
#include <QTextCursor>

#include "richtext/RichDocument.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::richtext::ui {

class FindReplace {
public:
    FindReplace(RichDocument& document, common::UserDialogs& dialogs) : document_(document), dialogs_(dialogs) {}

    // The next occurrence after `cursor` (its selection end), selected in the
    // returned cursor; from the start again when the end is reached. A null
    // cursor, the user told, when there is none.
    QTextCursor findNext(const QString& text, const QTextCursor& cursor, FindOptions options);
    // Replaces `cursor`'s selection when it is an occurrence of `text`, then
    // finds the next one (returned).
    QTextCursor replace(const QString& text, const QString& with, QTextCursor cursor, FindOptions options);
    // Every occurrence; tells the user how many were replaced.
    int replaceAll(const QString& text, const QString& with, FindOptions options);

    static QString notFoundMessage(const QString& text);

private:
    bool isOccurrence(const QTextCursor& cursor, const QString& text, FindOptions options) const;

    RichDocument& document_;
    common::UserDialogs& dialogs_;
};

}  // namespace brindle::richtext::ui
