#pragma once
// The stored properties of a design object class: name, kind, declared
// default and how to read and set the value. Every class lists its own in
// stream order; the registry joins them from the base class down. The design
// file writer and reader work only from these lists.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>

#include "designobjects/DesignTypes.h"

namespace brindle::designobjects {

class TKGraphicControl;

enum class PropKind {
    Integer,     // smallest integer tag that holds the value
    Color,       // identifier when named, else integer
    Enum,        // identifier naming the member
    Boolean,     // False / True tag
    Set,         // set of member names (bit i = names[i])
    Text,        // string or long string; omitted when empty
    Font,        // Font.Color, Font.Height, Font.Name, Font.Pitch, Font.Style
    Pen,         // Pen.Color, Pen.Mode, Pen.Style, Pen.Width
    Brush,       // Brush.Color, Brush.Style
    StringList,  // <name>.Strings: a list of strings; omitted when empty
    Picture,     // <name>.Data: binary; omitted when there is none
};

// Integer, colour, enumeration ordinal, Boolean (0/1) and set bits share the
// integer alternative.
using PropValue = std::variant<qint64, QString, DesignFont, DesignPen, DesignBrush, QStringList, DesignPicture>;

struct PropertyDescriptor {
    QString name;
    PropKind kind = PropKind::Integer;
    std::optional<qint64> defaultValue;  // omitted from the file when the value equals it
    QStringList names;                   // members of an enumeration or set
    std::function<PropValue(const TKGraphicControl&)> get;
    std::function<void(TKGraphicControl&, const PropValue&)> set;
};

using PropertyList = std::vector<PropertyDescriptor>;

// Helpers for the common cases: a getter and setter on the concrete class.
template <class T, class Get, class Set>
PropertyDescriptor makeProperty(const char* name, PropKind kind, std::optional<qint64> def, Get get, Set set,
                                QStringList names = {}) {
    PropertyDescriptor d;
    d.name = QString::fromLatin1(name);
    d.kind = kind;
    d.defaultValue = def;
    d.names = std::move(names);
    d.get = [get](const TKGraphicControl& o) { return PropValue(get(static_cast<const T&>(o))); };
    d.set = [set](TKGraphicControl& o, const PropValue& v) { set(static_cast<T&>(o), v); };
    return d;
}

inline qint64 intOf(const PropValue& v) { return std::holds_alternative<qint64>(v) ? std::get<qint64>(v) : 0; }
inline QString textOf(const PropValue& v) { return std::holds_alternative<QString>(v) ? std::get<QString>(v) : QString(); }

}  // namespace brindle::designobjects
