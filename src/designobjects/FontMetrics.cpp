#include "designobjects/FontMetrics.h"

#include <QFontMetricsF>
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

}  // namespace

QFont drawingFont(const DesignFont& font, float zoom) {
    installSubstitutions();
    QFont f = font.toQFont(zoom);
    if (isSymbolFont(font.name)) f.setFamily(symbolFontFamily());
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

int TextMetrics::width(const QString& text) const {
    const QFontMetricsF fm(font_);
    return int(std::ceil(fm.horizontalAdvance(drawable(text)) - 1e-6));
}

}  // namespace brindle::designobjects
