#include "designobjects/FontMetrics.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QMutex>
#include <cmath>

#include "designobjects/SymbolFont.h"

namespace brindle::designobjects {

namespace {

void installSubstitutions() {
    static const bool done = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
        QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
        return true;
    }();
    (void)done;
}

// A stored name that is empty or names no face this system can draw
// becomes the default face. A name is known when the font database has it,
// when one of the substitutions above stands in for it, or when the system
// resolves it as an alias ("Times" may name a metric-compatible face) to
// another face than it gives a name no system has. An empty family must
// never reach a QFont: the vector pictures that print text store the family
// and crash on an empty one.
QString resolveFamily(const QString& stored) {
    static const QString kDefault = DesignFont().name;
    const QString name = stored.trimmed();
    if (name.isEmpty()) return kDefault;
    static QMutex mutex;
    static QHash<QString, QString> cache;
    const QMutexLocker lock(&mutex);
    if (const auto it = cache.constFind(name); it != cache.constEnd()) return *it;
    static const QString fallback = QFontInfo(QFont(QStringLiteral("Brindle No Such Face"))).family();
    bool known = QFontDatabase::hasFamily(name);
    for (const QString& s : QFont::substitutes(name)) known = known || QFontDatabase::hasFamily(s);
    if (!known) known = QFontInfo(QFont(name)).family().compare(fallback, Qt::CaseInsensitive) != 0;
    const QString family = known ? name : kDefault;
    cache.insert(name, family);
    return family;
}

}  // namespace

QString drawingFamily(const QString& fontName) {
    installSubstitutions();
    return isSymbolFont(fontName) ? symbolFontFamily() : resolveFamily(fontName);
}

QFont drawingFont(const DesignFont& font, float zoom) {
    installSubstitutions();
    QFont f = font.toQFont(zoom);
    f.setFamily(drawingFamily(font.name));
    // Unhinted outlines scale linearly, so the screen and every printer
    // resolution place the glyphs alike; outline fonts also rotate.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::ForceOutline | QFont::PreferAntialias));
    f.setKerning(false);
    return f;
}

TextMetrics::TextMetrics(const DesignFont& font, float zoom) : design_(font), font_(drawingFont(font, zoom)) {
    const QFontMetricsF fm(font_);
    ascent_ = fm.ascent();
    const int ascent = int(std::lround(fm.ascent()));
    const int descent = int(std::lround(fm.descent()));
    height_ = ascent + descent;
    // The em square is the pixel size; what the ascent and descent hold beyond it is internal leading.
    internalLeading_ = std::max(0, height_ - font_.pixelSize());
    externalLeading_ = std::max(0, int(std::lround(fm.leading())));
}

QString TextMetrics::drawable(const QString& text) const { return drawableText(design_.name, text); }

double TextMetrics::advance(const QString& text) const {
    return QFontMetricsF(font_).horizontalAdvance(drawable(text));
}

int TextMetrics::width(const QString& text) const {
    const QFontMetricsF fm(font_);
    return int(std::ceil(fm.horizontalAdvance(drawable(text)) - 1e-6));
}

}  // namespace brindle::designobjects
