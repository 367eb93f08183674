#include "richtext/ui/ParagraphFormat.h"

#include <QStringList>
#include <algorithm>

#include "richtext/TextFormats.h"

namespace brindle::richtext::ui {

ParagraphFormat readParagraphFormat(const QTextBlockFormat& b) {
    ParagraphFormat p;
    p.leftIndent = unitsToTwips(b.leftMargin());
    p.rightIndent = unitsToTwips(b.rightMargin());
    p.firstLine = unitsToTwips(b.textIndent());
    p.spaceBefore = pixelsToTwips(b.topMargin()) / 20.0;
    p.spaceAfter = pixelsToTwips(b.bottomMargin()) / 20.0;
    p.alignment = b.alignment() & Qt::AlignHorizontal_Mask;
    if (p.alignment & Qt::AlignLeading) p.alignment = Qt::AlignLeft;
    if (b.hasProperty(kTabStops)) {
        for (const QString& s : b.stringProperty(kTabStops).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (s.size() > 1) p.tabs.push_back({s.mid(1).toInt(), char(s[0].toLatin1())});
    } else {
        const int lineStart = p.leftIndent + p.firstLine;
        for (const QTextOption::Tab& t : b.tabPositions()) {
            const char kind = t.type == QTextOption::RightTab ? 'r' : t.type == QTextOption::CenterTab ? 'c' : 'l';
            p.tabs.push_back({pixelsToTwips(t.position) + lineStart, kind});
        }
    }
    std::sort(p.tabs.begin(), p.tabs.end(), [](const TabStop& a, const TabStop& b) { return a.position < b.position; });
    return p;
}

QTextBlockFormat toBlockFormat(const ParagraphFormat& p, QTextBlockFormat b) {
    b.setLeftMargin(twipsToUnits(p.leftIndent));
    b.setRightMargin(twipsToUnits(p.rightIndent));
    b.setTextIndent(twipsToUnits(p.firstLine));
    b.setTopMargin(twipsToPixels(qRound(p.spaceBefore * 20)));
    b.setBottomMargin(twipsToPixels(qRound(p.spaceAfter * 20)));
    b.setAlignment(p.alignment);
    // The layout counts tab stops from the first line's start; RTF from the
    // text box's edge.
    const int lineStart = p.leftIndent + p.firstLine;
    QList<QTextOption::Tab> tabs;
    QStringList stops;
    for (const TabStop& t : p.tabs) {
        const auto type = t.kind == 'r' ? QTextOption::RightTab : t.kind == 'c' ? QTextOption::CenterTab
                                                                                : QTextOption::LeftTab;
        if (t.position > lineStart) tabs << QTextOption::Tab(twipsToPixels(t.position - lineStart), type);
        stops << QString(QLatin1Char(t.kind)) + QString::number(t.position);
    }
    b.setTabPositions(tabs);
    b.setProperty(kTabStops, stops.join(QLatin1Char(' ')));
    if (stops.isEmpty()) b.clearProperty(kTabStops);
    return b;
}

QString paragraphProblem(const ParagraphFormat& p, int textWidthTwips) {
    const int firstStart = p.leftIndent + std::max(0, p.firstLine);
    if (p.leftIndent + p.firstLine < 0) return QStringLiteral("The first line cannot start left of the margin.");
    if (textWidthTwips - std::max(p.leftIndent, firstStart) - p.rightIndent < 360)
        return QStringLiteral("The indents leave less than a quarter inch for the text.");
    if (p.spaceBefore < 0 || p.spaceBefore > 1584 || p.spaceAfter < 0 || p.spaceAfter > 1584)
        return QStringLiteral("Spacing must lie between 0 and 1584 points.");
    return {};
}

}  // namespace brindle::richtext::ui
