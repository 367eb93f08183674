#pragma once
// One registry of design object classes: class name -> factory, base class
// and the class's own stored properties. Later object kinds plug in by
// registering here; the design file reader, the drawing tools and cloning
// create objects only through it.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "designobjects/PropertyDescriptor.h"

namespace brindle::designobjects {

class TKGraphicControl;

class DesignRegistry {
public:
    using Factory = std::function<TKGraphicControl*()>;

    static DesignRegistry& instance();

    // Registers (or replaces) a class. baseClass names an already registered
    // class whose properties come first, or is empty for the root.
    void registerClass(const QString& className, const QString& baseClass, Factory factory, PropertyList ownProperties);

    bool contains(const QString& className) const;
    // The registered spelling of a class name given in any case; empty when unknown.
    QString canonicalName(const QString& className) const;
    // A new object of the class (any case), or nullptr when unknown.
    TKGraphicControl* create(const QString& className) const;
    // Every stored property of the class, from the base class down.
    const PropertyList& properties(const QString& className) const;
    // Property by name (any case) or nullptr.
    const PropertyDescriptor* property(const QString& className, const QString& name) const;

private:
    DesignRegistry();
    struct Entry {
        QString name;
        QString base;
        Factory factory;
        PropertyList own;
        PropertyList all;
    };
    const Entry* find(const QString& className) const;
    void rebuild();
    std::vector<Entry> entries_;
};

// Registers the classes this library ships (called by every surface; cheap after the first call).
void registerStandardClasses();

}  // namespace brindle::designobjects
