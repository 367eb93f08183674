#include "address/FieldLengthSettings.h"

#include "common/ProfileFile.h"

namespace brindle::address {
namespace {
const QString kSection = QStringLiteral("NewFileFieldLengths");
}

QString fieldLengthKey(const std::string& field) {
    return QStringLiteral("Field") + QString::fromStdString(field);
}

FieldLengths builtInFieldLengths() {
    FieldLengths l = FieldLengths::defaults();
    l.widths["FAX"] = 30;
    return l;
}

void clampFieldLengths(FieldLengths& lengths) {
    for (const auto& f : configurableFields()) {
        const int w = lengths.of(f);
        lengths.widths[f] = (w < 5 || w > 80) ? defaultFieldLength(f) : w;
    }
}

FieldLengths loadFieldLengths(const common::ProfileFile& settings) {
    FieldLengths l;
    for (const auto& f : configurableFields())
        l.widths[f] = settings.readInt(kSection, fieldLengthKey(f), defaultFieldLength(f));
    clampFieldLengths(l);
    return l;
}

void saveFieldLengths(common::ProfileFile& settings, FieldLengths lengths) {
    clampFieldLengths(lengths);
    for (const auto& f : configurableFields()) settings.writeInt(kSection, fieldLengthKey(f), lengths.of(f));
}

int acceptedFieldLength(const QString& text, int fallback) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < kMinEditedFieldLength || n > kMaxEditedFieldLength) return fallback;
    return n;
}

}  // namespace brindle::address
