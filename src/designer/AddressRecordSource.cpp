#include "designer/AddressRecordSource.h"

#include "address/AddressFile.h"
#include "address/BrowseModel.h"
#include "address/FieldCatalogue.h"

namespace brindle::designer {

AddressRecordSource::AddressRecordSource(address::AddressFile& file)
    : file_(file),
      table_(
          nullptr, [](const QString& name) { return address::browseColumnTitle(name); },
          [](const QString& name) { return address::isBrowseColumnShown(name); },
          [](const QString& name) { return address::formerFieldLabel(name); }) {}

// The file may be closed or reopened while a design is open; the table is
// looked up at each call rather than kept.
bool AddressRecordSource::isOpen() const { return file_.isOpen(); }

std::vector<designobjects::RecordField> AddressRecordSource::fields() const {
    auto& t = const_cast<designobjects::TableRecordSource&>(table_);
    t.setTable(file_.table());
    return t.fields();
}

QString AddressRecordSource::fieldText(const QString& fieldName) const {
    auto& t = const_cast<designobjects::TableRecordSource&>(table_);
    t.setTable(file_.table());
    return t.fieldText(fieldName);
}

bool AddressRecordSource::first() { return file_.isOpen() && file_.first(); }
bool AddressRecordSource::prior() { return file_.isOpen() && file_.prior(); }
bool AddressRecordSource::next() { return file_.isOpen() && file_.next(); }
bool AddressRecordSource::last() { return file_.isOpen() && file_.last(); }

bool AddressRecordSource::move(int button) {
    switch (button) {
        case 0: return first();
        case 1: return prior();
        case 2: return next();
        default: return last();
    }
}

}  // namespace brindle::designer
