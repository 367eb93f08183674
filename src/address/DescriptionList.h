#pragma once
// A table of setups listed by description: LABEL.DBF, ENVELOPE.DBF and
// LETTER.DBF show their rows not deleted in the order of the tag "DESCRIPT",
// and their windows keep one current row. The label, envelope and letter
// lists build on this; what they store in a row stays theirs.
#include <QString>
#include <QVector>
#include <cstdint>
#include <memory>
#include <optional>

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {

class DescriptionList {
public:
    struct Row {
        std::uint32_t recno = 0;
        QString description;
    };

    // Leaves `table` showing only rows not deleted, in the order of its tag
    // "DESCRIPT" (with `anyTag`, its first tag when that one is missing), on
    // the first row. Null, the error shown, when the table refuses.
    static std::unique_ptr<store::Table> listByDescription(std::unique_ptr<store::Table> table,
                                                           common::UserDialogs& dialogs, bool anyTag);

    // The visible rows in list order; the current row is kept.
    QVector<Row> rows();
    bool hasRow() const;
    bool select(std::uint32_t recno);
    std::uint32_t currentRecno() const;
    // DESCRIPT of the current row; empty when there is none.
    QString currentDescription() const;
    // The first row whose description is exactly this.
    std::optional<std::uint32_t> findDescription(const QString& description);

protected:
    // With `deletedIsNoRow`, a current row that is deleted counts as none.
    DescriptionList(store::Table& table, common::UserDialogs& dialogs, bool deletedIsNoRow = false);
    ~DescriptionList() = default;

    // Asks "<verb> "<description>"?" under the caption <VERB> ("Delete"
    // asks under "DELETE").
    bool confirm(const QString& verb, const QString& description);

    store::Table& table_;
    common::UserDialogs& dialogs_;

private:
    bool deletedIsNoRow_;
};

}  // namespace brindle::address
