#include "designobjects/RecordSource.h"

#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::designobjects {

const RecordField* RecordSource::fieldByLabel(const QString& label, std::vector<RecordField>& storage) const {
    storage = fields();
    const RecordField* found = nullptr;
    for (const auto& f : storage)
        if (f.displayLabel == label) found = &f;
    if (found || label.isEmpty()) return found;
    for (const auto& f : storage)
        if (f.formerLabel == label) found = &f;
    return found;
}

std::vector<RecordField> RecordSource::bindableFields(bool memo) const {
    std::vector<RecordField> out;
    for (const auto& f : fields())
        if (f.isString && f.visible && f.tag >= 0 && f.isMemo == memo) out.push_back(f);
    return out;
}

TableRecordSource::TableRecordSource(const store::Table* table, LabelFn labels, VisibleFn visible,
                                     LabelFn formerLabels)
    : table_(table), labels_(std::move(labels)), visible_(std::move(visible)), formerLabels_(std::move(formerLabels)) {}

bool TableRecordSource::isOpen() const { return table_ && table_->isOpen(); }

std::vector<RecordField> TableRecordSource::fields() const {
    std::vector<RecordField> out;
    if (!isOpen()) return out;
    for (const auto& d : table_->fieldDefs()) {
        RecordField f;
        f.name = QString::fromStdString(d.name);
        const QString label = labels_ ? labels_(f.name) : QString();
        f.displayLabel = label.isEmpty() ? f.name : label;
        f.isString = d.type == 'C' || d.type == 'M';
        f.isMemo = d.type == 'M';
        f.visible = !visible_ || visible_(f.name);
        if (formerLabels_) f.formerLabel = formerLabels_(f.name);
        out.push_back(f);
    }
    return out;
}

QString TableRecordSource::fieldText(const QString& fieldName) const {
    if (!isOpen() || !table_->hasRecord()) return {};
    const std::string name = fieldName.toStdString();
    if (table_->fieldIndex(name) < 0) return {};
    // Decoded through the table's own code page (Windows-1252 for ours).
    return QString::fromStdString(table_->getText(name));
}

}  // namespace brindle::designobjects
