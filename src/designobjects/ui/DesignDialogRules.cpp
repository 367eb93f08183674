#include "designobjects/ui/DesignDialogRules.h"

#include <QFontInfo>
#include <algorithm>

#include "designobjects/FontMetrics.h"

namespace brindle::designobjects {

int symbolGridColumns(int points) {
    struct Band {
        int from, to, columns;
    };
    static constexpr Band bands[] = {{6, 10, 14}, {11, 20, 10}, {21, 30, 8}, {31, 40, 6},
                                     {41, 50, 4}, {51, 60, 3},  {61, 72, 2}};
    for (const Band& b : bands)
        if (points >= b.from && points <= b.to) return b.columns;
    return 1;
}

QString symbolFontCaption(const DesignFont& font) {
    QString caption = font.name + QStringLiteral(", ") + QString::number(font.pointSize()) + QStringLiteral("pt ");
    if (font.style & DesignFont::Italic) caption += QStringLiteral("Italic ");
    else if (font.style & DesignFont::Bold) caption += QStringLiteral("Bold ");
    return caption;
}

Text3DSettings clamp3DSettings(Text3DSettings s) {
    auto direction = [](int d) { return d >= 0 && d <= 5 ? d : 0; };
    s.directionShadow = direction(s.directionShadow);
    s.directionHighlight = direction(s.directionHighlight);
    s.depthShadow = std::clamp(s.depthShadow, 0, kMax3DDepth);
    s.depthHighlight = std::clamp(s.depthHighlight, 0, kMax3DDepth);
    return s;
}

CounterSettings clampCounterSettings(CounterSettings s) {
    s.repeatEach = std::clamp(s.repeatEach, 1, 999);
    s.leadingZeros = std::clamp(s.leadingZeros, 0, 9);
    return s;
}

int excessCharacters(int lengthBefore, int lengthAfter, int limit) {
    if (lengthAfter <= limit || lengthAfter <= lengthBefore) return 0;
    return lengthAfter - std::max(limit, lengthBefore);
}

QString textFromLines(const QStringList& lines) { return lines.join(QLatin1Char('\n')); }

QStringList linesFromText(const QString& text) {
    if (text.isEmpty()) return {};
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar(0x2029), QLatin1Char('\n'));  // paragraph separators of a rich-text paste
    return t.split(QLatin1Char('\n'));
}

QFont fontForChooser(const DesignFont& font) {
    // The family that really draws the design font ("Arial" draws as its
    // metric twin, symbol fonts through a stand-in): the one the chooser lists.
    QFont f(QFontInfo(drawingFont(font)).family());
    f.setPointSize(std::max(1, font.pointSize()));
    f.setBold(font.style & DesignFont::Bold);
    f.setItalic(font.style & DesignFont::Italic);
    f.setUnderline(font.style & DesignFont::Underline);
    f.setStrikeOut(font.style & DesignFont::StrikeOut);
    return f;
}

DesignFont fontFromChooser(const DesignFont& before, const QFont& chosen) {
    DesignFont f = DesignFont::fromQFont(chosen, before.color);
    const QString shown = QFontInfo(fontForChooser(before)).family();
    if (chosen.family() == before.name || chosen.family() == shown) {
        f.name = before.name;
        f.pitch = before.pitch;
    }
    return f;
}

}  // namespace brindle::designobjects
