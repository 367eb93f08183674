#include "address/ComputedFields.h"

#include "common/Common.h"

namespace brindle::address {

using common::trimBoth;
using common::trimLeading;
using common::trimTrailing;

ComputedFields computeFields(const RecordNames& r, const QString& tagId, bool extraFields,
                             const QString& displayPattern) {
    ComputedFields c;
    c.displayDate = common::storedToDisplay(r.date, displayPattern).left(kDisplayDateWidth);
    c.tagged = !tagId.isEmpty() && r.tag == tagId;
    if (!extraFields) return c;
    const QString blank = QStringLiteral(" ");
    c.fullName = (trimTrailing(r.fname + blank + r.middle) + blank + r.lname).left(kComputedNameWidth);
    c.fullNameWithPrefix =
        (trimBoth(r.prefix + blank + r.fname + blank + r.middle) + blank + r.lname).left(kComputedNameWidth);
    c.cityStateZip = (trimLeading(r.city + blank) + trimLeading(r.state + blank) + r.zip).left(kComputedNameWidth);
    return c;
}

ComputedFields computeFields(const RecordNames& r, const QString& tagId, bool extraFields) {
    return computeFields(r, tagId, extraFields, common::displayDateFormat());
}

}  // namespace brindle::address
