#pragma once
// The records of the open address file as designs see them: fields bound by
// their display labels ("Last Name"), the text of the file's current record,
// and moves to the first, previous, next and last record of the file's
// current order and filter.
#include "designobjects/RecordSource.h"

namespace brindle::address {
class AddressFile;
}

namespace brindle::designer {

class AddressRecordSource : public designobjects::RecordSource {
public:
    explicit AddressRecordSource(address::AddressFile& file);

    bool isOpen() const override;
    std::vector<designobjects::RecordField> fields() const override;
    QString fieldText(const QString& fieldName) const override;

    // False when there is no record to move to (the file beeps at its ends).
    bool first();
    bool prior();
    bool next();
    bool last();
    // The record buttons in their row's order: 0 first, 1 prior, 2 next,
    // anything else last.
    bool move(int button);

private:
    address::AddressFile& file_;
    designobjects::TableRecordSource table_;
};

}  // namespace brindle::designer
