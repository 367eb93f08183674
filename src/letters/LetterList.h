#pragma once
// The logic of the letters window's template list: the rows of LETTER.DBF,
// which buttons work, New/Modify storing the designer's result, Delete and
// Clone. A template is its description (DESCRIPT) and the whole RTF document
// in the memo RTF; moving it between the memo and a document happens in
// memory.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

#include "address/DescriptionList.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}
namespace brindle::richtext {
class RichDocument;
}

namespace brindle::letters {

inline constexpr int kDescriptionLength = 50;
// The description a new template starts with.
inline const QString kUntitled = QStringLiteral("{untitled}");

// The memo form of a template's RTF: the text as a line buffer holds it (no
// line break after the last line), with one blank added to the last line
// when its length is a positive multiple of 4.
QByteArray storedTemplateText(const QByteArray& rtf);

// Which controls of the list work: everything but New, Ok and Help needs a row.
struct LetterButtons {
    bool modify = false;
    bool remove = false;  // "Delete"
    bool clone = false;
    bool print = false;
    bool preview = false;
    bool grid = false;
};
LetterButtons letterButtons(bool hasRow);

class LetterList : public address::DescriptionList {
public:
    // LETTER.DBF in sysdata/ (created when missing, its tag built when the
    // index file is missing), showing rows not deleted in description order,
    // on the first. Null, the user told, when it cannot be opened or created.
    static std::unique_ptr<store::Table> openLetterTable(common::UserDialogs& dialogs);

    LetterList(store::Table& table, common::UserDialogs& dialogs);

    LetterButtons buttons() const { return letterButtons(hasRow()); }

    // The current row's memo as stored.
    QByteArray currentTemplate() const;
    // Loads the current template into `document` (empty or non-RTF memos as
    // plain text). When the memo cannot be read the user is told and the
    // document is left as it was.
    bool loadCurrent(richtext::RichDocument& document);

    // Stores what the designer returned: a new row when `isNew`, else the
    // current row edited in place. A description Windows-1252 cannot hold is
    // named to the user and nothing is written; a failed post is reported and
    // cancelled. The stored row becomes current.
    bool store(const QString& description, const richtext::RichDocument& document, bool isNew);

    // Asks "Delete "<description>"?" (caption "DELETE"); on Yes deletes that row only.
    bool deleteCurrent();
    // Asks "Clone "<description>"?" (caption "CLONE"); on Yes appends
    // "Clone of " + description with the same memo, byte for byte.
    bool cloneCurrent();

private:
    bool writeRow(bool append, const QString& description, const QByteArray& memo);
};

}  // namespace brindle::letters
