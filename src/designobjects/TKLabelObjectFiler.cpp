#include "designobjects/TKLabelObjectFiler.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "designobjects/DesignRegistry.h"
#include "designobjects/DesignDocument.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects {

namespace {

const QByteArray kSignature("TPF0");
constexpr int kPasteOffset = 15;

QStringList setMembers(qint64 bits, const QStringList& names) {
    QStringList out;
    for (int i = 0; i < names.size(); ++i)
        if (bits & (qint64(1) << i)) out << names[i];
    return out;
}

qint64 setBits(const QStringList& members, const QStringList& names) {
    qint64 bits = 0;
    for (const auto& m : members) {
        int i = 0;
        while (i < names.size() && names[i].compare(m, Qt::CaseInsensitive) != 0) ++i;
        if (i == names.size()) throw DesignFileError(messages::kInvalidPropertyValue);
        bits |= qint64(1) << i;
    }
    return bits;
}

int enumIndex(const QString& ident, const QStringList& names) {
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(ident, Qt::CaseInsensitive) == 0) return i;
    throw DesignFileError(messages::kInvalidPropertyValue);
}

void writeEnumEntry(DesignWriter& w, const QString& name, int value, const QStringList& names) {
    w.writeShortString(name);
    if (value >= 0 && value < names.size()) w.writeIdent(names[value]);
    else w.writeInteger(value);
}

// ---- pictures: the kind's name, then the file in the kind's framing.

QByteArray encodePicture(const DesignPicture& p) {
    DesignWriter w;
    w.writeShortString(p.kind);
    if (p.kind == QLatin1String("TBitmap")) {
        w.writeInt32Raw(qint32(p.data.size()));
    } else if (p.kind == QLatin1String("TMetafile")) {
        w.writeInt32Raw(qint32(p.data.size() + 4));
    }
    w.writeRaw(p.data);
    return w.bytes();
}

DesignPicture decodePicture(const QByteArray& blob) {
    DesignReader r(blob);
    DesignPicture p;
    p.kind = r.readShortString();
    if (p.kind.compare(QLatin1String("TBitmap"), Qt::CaseInsensitive) == 0) {
        p.kind = QStringLiteral("TBitmap");
        const quint32 n = quint32(r.readInt32Raw());
        p.data = r.readRaw(n);
    } else if (p.kind.compare(QLatin1String("TMetafile"), Qt::CaseInsensitive) == 0) {
        p.kind = QStringLiteral("TMetafile");
        const quint32 n = quint32(r.readInt32Raw());
        if (n < 4) throw DesignFileError(messages::kInvalidPropertyValue);
        p.data = r.readRaw(qint64(n) - 4);
    } else if (p.kind.compare(QLatin1String("TIcon"), Qt::CaseInsensitive) == 0) {
        p.kind = QStringLiteral("TIcon");
        p.data = r.readRaw(r.remaining());
    } else {
        throw DesignFileError(messages::kInvalidPropertyValue);
    }
    return p;
}

void writeProperty(DesignWriter& w, const PropertyDescriptor& d, const TKGraphicControl& o) {
    const PropValue v = d.get(o);
    const auto isDefault = [&](qint64 x) { return d.defaultValue && *d.defaultValue == x; };
    switch (d.kind) {
    case PropKind::Integer: {
        const qint64 x = intOf(v);
        if (isDefault(x)) return;
        w.writeShortString(d.name);
        w.writeInteger(x);
        return;
    }
    case PropKind::Color: {
        const qint64 x = intOf(v);
        if (isDefault(x)) return;
        w.writeShortString(d.name);
        w.writeColor(DesignColor(x));
        return;
    }
    case PropKind::Enum: {
        const qint64 x = intOf(v);
        if (isDefault(x)) return;
        writeEnumEntry(w, d.name, int(x), d.names);
        return;
    }
    case PropKind::Boolean: {
        const qint64 x = intOf(v) != 0;
        if (isDefault(x)) return;
        w.writeShortString(d.name);
        w.writeBoolean(x);
        return;
    }
    case PropKind::Set: {
        const qint64 x = intOf(v);
        if (isDefault(x)) return;
        w.writeShortString(d.name);
        w.writeSet(setMembers(x, d.names));
        return;
    }
    case PropKind::Text: {
        const QString s = textOf(v);
        if (s.isEmpty()) return;
        w.writeShortString(d.name);
        w.writeString(s);
        return;
    }
    case PropKind::Font: {
        const auto& f = std::get<DesignFont>(v);
        w.writeShortString(d.name + QLatin1String(".Color"));
        w.writeColor(f.color);
        w.writeShortString(d.name + QLatin1String(".Height"));
        w.writeInteger(f.height);
        w.writeShortString(d.name + QLatin1String(".Name"));
        w.writeString(f.name);
        if (f.pitch != 0) writeEnumEntry(w, d.name + QLatin1String(".Pitch"), f.pitch, fontPitchNames());
        w.writeShortString(d.name + QLatin1String(".Style"));
        w.writeSet(setMembers(f.style, fontStyleNames()));
        return;
    }
    case PropKind::Pen: {
        const auto& p = std::get<DesignPen>(v);
        const DesignPen def;
        if (p.color != def.color) {
            w.writeShortString(d.name + QLatin1String(".Color"));
            w.writeColor(p.color);
        }
        if (p.mode != def.mode) writeEnumEntry(w, d.name + QLatin1String(".Mode"), p.mode, penModeNames());
        if (p.style != def.style) writeEnumEntry(w, d.name + QLatin1String(".Style"), p.style, penStyleNames());
        if (p.width != def.width) {
            w.writeShortString(d.name + QLatin1String(".Width"));
            w.writeInteger(p.width);
        }
        return;
    }
    case PropKind::Brush: {
        const auto& b = std::get<DesignBrush>(v);
        const DesignBrush def;
        if (b.color != def.color) {
            w.writeShortString(d.name + QLatin1String(".Color"));
            w.writeColor(b.color);
        }
        if (b.style != def.style) writeEnumEntry(w, d.name + QLatin1String(".Style"), b.style, brushStyleNames());
        return;
    }
    case PropKind::StringList: {
        const auto& l = std::get<QStringList>(v);
        if (l.isEmpty()) return;
        w.writeShortString(d.name + QLatin1String(".Strings"));
        w.writeListBegin();
        for (const auto& s : l) w.writeString(s);
        w.writeListEnd();
        return;
    }
    case PropKind::Picture: {
        const auto& p = std::get<DesignPicture>(v);
        if (p.isEmpty()) return;
        w.writeShortString(d.name + QLatin1String(".Data"));
        w.writeBinary(encodePicture(p));
        return;
    }
    }
}

// Assigns one entry's value. `sub` is the part after the dot for contained objects.
void readProperty(DesignReader& r, const PropertyDescriptor& d, const QString& sub, TKGraphicControl& o) {
    const bool dotted = !sub.isNull();
    const bool composite = d.kind == PropKind::Font || d.kind == PropKind::Pen || d.kind == PropKind::Brush ||
                           d.kind == PropKind::StringList || d.kind == PropKind::Picture;
    if (dotted != composite) throw DesignFileError(messages::kPropertyDoesNotExist);
    const auto is = [&](const char* n) { return sub.compare(QLatin1String(n), Qt::CaseInsensitive) == 0; };
    switch (d.kind) {
    case PropKind::Integer: d.set(o, r.readInteger()); return;
    case PropKind::Color: d.set(o, qint64(r.readColor())); return;
    case PropKind::Enum: {
        // Identifiers normally; an integer is taken as the ordinal.
        if (r.peekByte() == vaIdent) {
            d.set(o, qint64(enumIndex(r.readIdent(), d.names)));
        } else {
            const qint64 x = r.readInteger();
            if (x < 0 || x >= d.names.size()) throw DesignFileError(messages::kInvalidPropertyValue);
            d.set(o, x);
        }
        return;
    }
    case PropKind::Boolean: d.set(o, qint64(r.readBoolean())); return;
    case PropKind::Set: d.set(o, setBits(r.readSet(), d.names)); return;
    case PropKind::Text: d.set(o, r.readText()); return;
    case PropKind::Font: {
        auto f = std::get<DesignFont>(d.get(o));
        if (is("Color")) f.color = r.readColor();
        else if (is("Height")) {
            const qint64 h = r.readInteger();
            if (h < -4096 || h > 4096) throw DesignFileError(messages::kInvalidPropertyValue);
            f.height = int(h);
        } else if (is("Name")) f.name = r.readText();
        else if (is("Pitch")) f.pitch = enumIndex(r.readIdent(), fontPitchNames());
        else if (is("Style")) f.style = int(setBits(r.readSet(), fontStyleNames()));
        else throw DesignFileError(messages::kPropertyDoesNotExist);
        d.set(o, f);
        return;
    }
    case PropKind::Pen: {
        auto p = std::get<DesignPen>(d.get(o));
        if (is("Color")) p.color = r.readColor();
        else if (is("Mode")) p.mode = enumIndex(r.readIdent(), penModeNames());
        else if (is("Style")) p.style = enumIndex(r.readIdent(), penStyleNames());
        else if (is("Width")) {
            const qint64 x = r.readInteger();
            if (x < -10000 || x > 10000) throw DesignFileError(messages::kInvalidPropertyValue);
            p.width = int(x);
        } else throw DesignFileError(messages::kPropertyDoesNotExist);
        d.set(o, p);
        return;
    }
    case PropKind::Brush: {
        auto b = std::get<DesignBrush>(d.get(o));
        if (is("Color")) b.color = r.readColor();
        else if (is("Style")) b.style = enumIndex(r.readIdent(), brushStyleNames());
        else throw DesignFileError(messages::kPropertyDoesNotExist);
        d.set(o, b);
        return;
    }
    case PropKind::StringList: {
        if (!is("Strings")) throw DesignFileError(messages::kPropertyDoesNotExist);
        if (r.readByte() != vaList) throw DesignFileError(messages::kInvalidPropertyValue);
        QStringList l;
        while (!r.endOfList()) {
            if (l.size() >= kMaxListItems) throw DesignFileError(messages::kInvalidStreamFormat);
            l << r.readText();
        }
        d.set(o, l);
        return;
    }
    case PropKind::Picture: {
        if (!is("Data")) throw DesignFileError(messages::kPropertyDoesNotExist);
        d.set(o, decodePicture(r.readBinary()));
        return;
    }
    }
}

// Values that a file omits when they are empty or at their default: an
// object read from a file starts from them, not from what a new object shows
// (a new text object says "Text"; one whose caption was emptied must stay empty).
void resetOmittable(const PropertyList& props, TKGraphicControl& o) {
    for (const auto& d : props) {
        switch (d.kind) {
        case PropKind::Text: d.set(o, QString()); break;
        case PropKind::StringList: d.set(o, QStringList()); break;
        case PropKind::Picture: d.set(o, DesignPicture()); break;
        default:
            if (d.defaultValue) d.set(o, *d.defaultValue);
            break;
        }
    }
}

}  // namespace

// The numbers of the names "Component0" to "Component1000" that the
// owner's components already use, gathered in one pass over them when a list
// is read, so that naming each object read costs nothing more (asking the
// owner for every candidate name made reading quadratic and worse).
class ComponentNumbers {
public:
    static constexpr int kLast = 1000;

    explicit ComponentNumbers(const QObject* root) {
        mark(root->objectName());
        for (const QObject* c : root->findChildren<QObject*>()) mark(c->objectName());
    }
    // The name with the smallest free number, now taken; empty when every
    // number is in use.
    QString take() {
        while (next_ <= kLast && used_[size_t(next_)]) ++next_;
        if (next_ > kLast) return {};
        used_[size_t(next_)] = true;
        return QStringLiteral("Component%1").arg(next_);
    }

private:
    void mark(const QString& name) {
        static const QLatin1String prefix("Component");
        if (!name.startsWith(prefix)) return;
        const QString digits = name.mid(prefix.size());
        bool ok = false;
        const int n = digits.toInt(&ok);
        // Only the name's own spelling counts: "Component007" leaves 7 free.
        if (ok && n >= 0 && n <= kLast && QString::number(n) == digits) used_[size_t(n)] = true;
    }
    std::vector<bool> used_ = std::vector<bool>(kLast + 1, false);
    int next_ = 0;
};

// ---------------------------------------------------------------- writing

void TKLabelObjectFiler::writeObject(DesignWriter& w, const TKGraphicControl& o) {
    w.writeRaw(kSignature);
    w.writeShortString(o.designClass());
    w.writeShortString(o.objectName());
    for (const auto& d : DesignRegistry::instance().properties(o.designClass())) writeProperty(w, d, o);
    w.writeByte(0);  // end of properties
    w.writeByte(0);  // end of (empty) children
}

void TKLabelObjectFiler::writeObjectList(DesignWriter& w, const std::vector<const TKGraphicControl*>& objects) {
    w.writeListBegin();
    for (const auto* o : objects) writeObject(w, *o);
    w.writeListEnd();
}

QByteArray TKLabelObjectFiler::encode(const std::vector<const TKGraphicControl*>& objects, bool unicode) {
    DesignWriter w;
    w.setUnicode(unicode);
    writeObjectList(w, objects);
    return w.bytes();
}

namespace {
std::vector<const TKGraphicControl*> constObjects(const DesignDocument& s) {
    return {s.objects().begin(), s.objects().end()};
}
}  // namespace

void TKLabelObjectFiler::writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw DesignFileError(messages::cannotCreateFile(path));
}

bool TKLabelObjectFiler::readFile(const QString& path, QByteArray& bytes) {
    QFileInfo info(path);
    if (!info.exists()) return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw DesignFileError(messages::cannotOpenFile(path));
    if (f.size() > kMaxDesignFile) throw DesignFileError(messages::kInvalidStreamFormat);
    bytes = f.readAll();
    return true;
}

void TKLabelObjectFiler::saveSurface(DesignDocument& surface, const QString& path) {
    writeFile(path, encode(constObjects(surface)));
}

void TKLabelObjectFiler::saveSurfaces(DesignDocument& a, DesignDocument& b, DesignDocument& c, const QString& path,
                                      const WriteStep& write) {
    DesignWriter w;
    writeObjectList(w, constObjects(a));
    writeObjectList(w, constObjects(b));
    writeObjectList(w, constObjects(c));
    w.writeListBegin();
    if (write) write(w);
    w.writeListEnd();
    writeFile(path, w.bytes());
}

void TKLabelObjectFiler::saveSelection(const std::vector<TKGraphicControl*>& selection, const QString& path) {
    if (selection.empty()) return;
    writeFile(path, encode({selection.begin(), selection.end()}));
}

void TKLabelObjectFiler::saveObject(const TKGraphicControl& object, const QString& path) {
    writeFile(path, encode({&object}));
}

// ---------------------------------------------------------------- reading

TKGraphicControl* TKLabelObjectFiler::readObject(DesignReader& r, DesignDocument& surface, ComponentNumbers& names) {
    if (r.readRaw(4) != kSignature) throw DesignFileError(messages::kInvalidStreamFormat);
    const QString stored = r.readShortString();
    auto& registry = DesignRegistry::instance();
    const QString cls = registry.canonicalName(stored);
    if (cls.isEmpty() || !registry.contains(cls) || !surface.acceptsClass(cls))
        throw DesignFileError(messages::classNotFound(stored));
    TKGraphicControl* o = registry.create(cls);
    surface.adoptObject(o);
    try {
        (void)r.readShortString();  // the name it had; a fresh one is given
        o->setObjectName(names.take());
        resetOmittable(registry.properties(cls), *o);
        for (;;) {
            const QString entry = r.readShortString();
            if (entry.isEmpty()) break;
            const qsizetype dot = entry.indexOf(QLatin1Char('.'));
            const QString base = dot < 0 ? entry : entry.left(dot);
            const QString sub = dot < 0 ? QString() : entry.mid(dot + 1);
            const PropertyDescriptor* d = registry.property(cls, base);
            if (!d) throw DesignFileError(messages::kPropertyDoesNotExist);
            readProperty(r, *d, sub, *o);
        }
        if (r.readByte() != 0) throw DesignFileError(messages::kInvalidStreamFormat);
    } catch (...) {
        delete o;
        throw;
    }
    return o;
}

void TKLabelObjectFiler::readObjectList(DesignReader& r, QObject* owner, DesignDocument& surface,
                                        const ObjectStep& step) {
    struct LoadingScope {
        DesignDocument& s;
        explicit LoadingScope(DesignDocument& x) : s(x) { s.setLoading(true); }
        ~LoadingScope() { s.setLoading(false); }
    } scope(surface);
    QObject* const previousOwner = owner ? surface.owner() : nullptr;
    if (owner) surface.setOwner(owner);
    try {
        ComponentNumbers names(surface.owner());
        r.expectListBegin();
        while (!r.endOfList()) {
            TKGraphicControl* o = readObject(r, surface, names);
            read_ << QStringLiteral("%1 (%2)").arg(o->objectName(), o->designClass());
            o->loaded();
            if (step) step(*o);
            // Read at zoom 1.0; an editor now shows it at its zoom.
            surface.objectsRead(surface.objects().size() - 1);
        }
    } catch (...) {
        if (owner) surface.setOwner(previousOwner == &surface ? nullptr : previousOwner);
        throw;
    }
    if (owner) surface.setOwner(previousOwner == &surface ? nullptr : previousOwner);
}

void TKLabelObjectFiler::loadSurface(QObject* owner, DesignDocument& surface, const QString& path) {
    QByteArray bytes;
    if (!readFile(path, bytes)) return;
    DesignReader r(bytes);
    readObjectList(r, owner, surface);
}

void TKLabelObjectFiler::loadSurfaces(QObject* owner, DesignDocument& a, DesignDocument& b, DesignDocument& c,
                                      const QString& path, const ReadStep& read) {
    QByteArray bytes;
    if (!readFile(path, bytes)) return;
    DesignReader r(bytes);
    readObjectList(r, owner, a);
    readObjectList(r, owner, b);
    readObjectList(r, owner, c);
    r.expectListBegin();
    if (read) read(r);
    r.expectListEnd();
}

void TKLabelObjectFiler::pasteObjects(QObject* owner, DesignDocument& surface, const QString& path) {
    QByteArray bytes;
    if (!readFile(path, bytes)) return;
    DesignReader r(bytes);
    readObjectList(r, owner, surface, [](TKGraphicControl& o) {
        o.setBounds(o.left() + kPasteOffset, o.top() + kPasteOffset, o.width(), o.height());
    });
}

void TKLabelObjectFiler::cloneObject(const TKGraphicControl& object, QObject* owner, DesignDocument& surface) {
    // Through memory in UTF-8: the copy keeps every character of the source.
    const QByteArray bytes = encode({&object}, true);
    DesignReader r(bytes);
    r.setUnicode(true);
    readObjectList(r, owner, surface);
}

}  // namespace brindle::designobjects
