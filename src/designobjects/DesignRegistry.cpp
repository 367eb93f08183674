#include "designobjects/DesignRegistry.h"

#include "designobjects/IntelligentMail.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/Shapes.h"
#include "designobjects/TKBaseLabel.h"
#include "designobjects/TKImage.h"
#include "designobjects/TextLabelKinds.h"

namespace brindle::designobjects {

DesignRegistry::DesignRegistry() = default;

DesignRegistry& DesignRegistry::instance() {
    static DesignRegistry r;
    return r;
}

const DesignRegistry::Entry* DesignRegistry::find(const QString& className) const {
    for (const auto& e : entries_)
        if (e.name.compare(className, Qt::CaseInsensitive) == 0) return &e;
    return nullptr;
}

void DesignRegistry::registerClass(const QString& className, const QString& baseClass, Factory factory,
                                   PropertyList ownProperties) {
    Entry e{className, baseClass, std::move(factory), std::move(ownProperties), {}};
    bool replaced = false;
    for (auto& x : entries_)
        if (x.name.compare(className, Qt::CaseInsensitive) == 0) {
            x = std::move(e);
            replaced = true;
            break;
        }
    if (!replaced) entries_.push_back(std::move(e));
    rebuild();
}

void DesignRegistry::rebuild() {
    // Each class's full list: the chain of bases from the root down.
    for (auto& e : entries_) {
        std::vector<const Entry*> chain;
        for (const Entry* p = &e; p && chain.size() < 32; p = p->base.isEmpty() ? nullptr : find(p->base))
            chain.insert(chain.begin(), p);
        e.all.clear();
        for (const Entry* p : chain) e.all.insert(e.all.end(), p->own.begin(), p->own.end());
    }
}

bool DesignRegistry::contains(const QString& className) const { return find(className) && find(className)->factory; }

QString DesignRegistry::canonicalName(const QString& className) const {
    const Entry* e = find(className);
    return e ? e->name : QString();
}

TKGraphicControl* DesignRegistry::create(const QString& className) const {
    const Entry* e = find(className);
    return e && e->factory ? e->factory() : nullptr;
}

const PropertyList& DesignRegistry::properties(const QString& className) const {
    static const PropertyList none;
    const Entry* e = find(className);
    return e ? e->all : none;
}

const PropertyDescriptor* DesignRegistry::property(const QString& className, const QString& name) const {
    for (const auto& d : properties(className))
        if (d.name.compare(name, Qt::CaseInsensitive) == 0) return &d;
    return nullptr;
}

void registerStandardClasses() {
    static const bool done = [] {
        auto& r = DesignRegistry::instance();
        // The abstract bases carry properties but cannot be created.
        r.registerClass(QStringLiteral("TKGraphicControl"), QString(), nullptr, TKGraphicControl::baseProperties());
        r.registerClass(QStringLiteral("TKBaseLabel"), QStringLiteral("TKGraphicControl"), nullptr,
                        TKBaseLabel::ownProperties());
        r.registerClass(QStringLiteral("TKPLabel"), QStringLiteral("TKBaseLabel"), [] { return new TKPLabel; }, {});
        r.registerClass(QStringLiteral("TKPDLabel"), QStringLiteral("TKBaseLabel"), [] { return new TKPDLabel; },
                        TKPDLabel::ownProperties());
        r.registerClass(QStringLiteral("TKCounterLabel"), QStringLiteral("TKBaseLabel"),
                        [] { return new TKCounterLabel; }, TKCounterLabel::ownProperties());
        r.registerClass(QStringLiteral("TKSymbolLabel"), QStringLiteral("TKBaseLabel"),
                        [] { return new TKSymbolLabel; }, {});
        r.registerClass(QStringLiteral("TKDateTimeLabel"), QStringLiteral("TKBaseLabel"),
                        [] { return new TKDateTimeLabel; }, TKDateTimeLabel::ownProperties());
        r.registerClass(QStringLiteral("TKPageNumberLabel"), QStringLiteral("TKBaseLabel"),
                        [] { return new TKPageNumberLabel; }, {});
        r.registerClass(QStringLiteral("TKMultiLineBaseLabel"), QStringLiteral("TKGraphicControl"), nullptr,
                        TKMultiLineBaseLabel::ownProperties());
        r.registerClass(QStringLiteral("TKMultiLineLabel"), QStringLiteral("TKMultiLineBaseLabel"),
                        [] { return new TKMultiLineLabel; }, {});
        r.registerClass(QStringLiteral("TKDMultiLineLabel"), QStringLiteral("TKMultiLineBaseLabel"),
                        [] { return new TKDMultiLineLabel; }, TKDMultiLineLabel::ownProperties());
        r.registerClass(QStringLiteral("TKDMultiLineAddressLabel"), QStringLiteral("TKMultiLineBaseLabel"),
                        [] { return new TKDMultiLineAddressLabel; }, TKDMultiLineAddressLabel::ownProperties());
        r.registerClass(QStringLiteral("TKPostNetBarCode"), QStringLiteral("TKGraphicControl"),
                        [] { return new TKPostNetBarCode; }, TKPostNetBarCode::ownProperties());
        r.registerClass(QStringLiteral("TKFIMBarCode"), QStringLiteral("TKGraphicControl"),
                        [] { return new TKFIMBarCode; }, TKFIMBarCode::ownProperties());
        r.registerClass(QStringLiteral("TKIMBarCode"), QStringLiteral("TKGraphicControl"),
                        [] { return new TKIMBarCode; }, TKIMBarCode::ownProperties());
        r.registerClass(QStringLiteral("TKLineShape"), QStringLiteral("TKGraphicControl"),
                        [] { return new TKLineShape; }, TKLineShape::ownProperties());
        r.registerClass(QStringLiteral("TKLabelShapes"), QStringLiteral("TKGraphicControl"),
                        [] { return new TKLabelShapes; }, TKLabelShapes::ownProperties());
        r.registerClass(QStringLiteral("Trpshapes"), QStringLiteral("TKLabelShapes"), [] { return new Trpshapes; }, {});
        r.registerClass(QStringLiteral("TKImage"), QStringLiteral("TKGraphicControl"), [] { return new TKImage; },
                        TKImage::ownProperties());
        return true;
    }();
    (void)done;
}

}  // namespace brindle::designobjects
