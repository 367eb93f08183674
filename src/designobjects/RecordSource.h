#pragma once
// Where data objects get the current address record from. A data surface
// holds one (set by its owner); data objects look their field up by its
// display label and read its text.
#include <QString>
#include <functional>
#include <vector>

namespace brindle::store {
class Table;
}

namespace brindle::designobjects {

struct RecordField {
    QString name;          // upper-case field name (LNAME)
    QString displayLabel;  // what the user sees ("Last Name"); the binding of data objects
    bool isString = true;  // character or memo field
    bool isMemo = false;
    bool visible = true;
    int tag = 0;           // negative: not offered for binding
    QString formerLabel;   // a label designs made before its spelling changed hold ("Email"); empty for none
};

class RecordSource {
public:
    virtual ~RecordSource() = default;
    // False when no file is open; surfaces then ignore RefreshData.
    virtual bool isOpen() const = 0;
    virtual std::vector<RecordField> fields() const = 0;
    // Text of a field of the current record (Unicode), empty without a record.
    virtual QString fieldText(const QString& fieldName) const = 0;

    // The last field whose display label equals `label`; failing that, the
    // last whose former label does; nullptr when none.
    const RecordField* fieldByLabel(const QString& label, std::vector<RecordField>& storage) const;
    // The fields a data object may be bound to, in table order: visible string
    // fields with a tag that is not negative; memo fields only when `memo`
    // (and then nothing else).
    std::vector<RecordField> bindableFields(bool memo) const;
};

// A record source over an open table. Display labels come from `labels`
// (field name -> label); fields without one show their name. `visible`
// tells which fields are offered for binding (all when not set);
// `formerLabels` gives the labels older designs may still bind by.
class TableRecordSource : public RecordSource {
public:
    using LabelFn = std::function<QString(const QString& fieldName)>;
    using VisibleFn = std::function<bool(const QString& fieldName)>;
    explicit TableRecordSource(const store::Table* table, LabelFn labels = {}, VisibleFn visible = {},
                               LabelFn formerLabels = {});
    void setTable(const store::Table* table) { table_ = table; }

    bool isOpen() const override;
    std::vector<RecordField> fields() const override;
    QString fieldText(const QString& fieldName) const override;

private:
    const store::Table* table_;
    LabelFn labels_;
    VisibleFn visible_;
    LabelFn formerLabels_;
};

}  // namespace brindle::designobjects
