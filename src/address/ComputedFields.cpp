#include "address/ComputedFields.h"

#include "common/AddressFormat.h"
#include "common/Common.h"

namespace brindle::address {

ComputedFields computeFields(const RecordNames& r, const QString& tagId, bool extraFields,
                             const QString& displayPattern) {
    ComputedFields c;
    c.displayDate = common::storedToDisplay(r.date, displayPattern).left(kDisplayDateWidth);
    c.tagged = !tagId.isEmpty() && r.tag == tagId;
    if (!extraFields) return c;
    c.fullName = common::fullName(r.fname, r.middle, r.lname).left(kComputedNameWidth);
    c.fullNameWithPrefix = common::fullNameWithPrefix(r.prefix, r.fname, r.middle, r.lname).left(kComputedNameWidth);
    c.cityStateZip = common::cityStateZip(r.city, r.state, r.zip).left(kComputedNameWidth);
    return c;
}

ComputedFields computeFields(const RecordNames& r, const QString& tagId, bool extraFields) {
    return computeFields(r, tagId, extraFields, common::displayDateFormat());
}

}  // namespace brindle::address
