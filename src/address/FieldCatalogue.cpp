#include "address/FieldCatalogue.h"

namespace brindle::address {

QString fieldLabel(const QString& name) {
    const QByteArray n = name.toLatin1();
    if (const AddressField* f = findAddressField(n.constData())) return QString::fromLatin1(f->label);
    if (const ComputedField* c = findComputedField(n.constData())) return QString::fromLatin1(c->label);
    return name;
}

bool isFieldVisible(const QString& name) {
    const QByteArray n = name.toLatin1();
    if (const AddressField* f = findAddressField(n.constData())) return f->visible;
    if (const ComputedField* c = findComputedField(n.constData())) return c->visible;
    return false;
}

QString formerFieldLabel(const QString& name) {
    // The browse window and the design files of earlier releases wrote the
    // e-mail field's label without the hyphen.
    if (name == QLatin1String("EMAIL")) return QStringLiteral("Email");
    return {};
}

QStringList addressFieldList() {
    QStringList names;
    for (const AddressField& f : kAddressFields) names << QString::fromLatin1(f.name);
    return names;
}

}  // namespace brindle::address
