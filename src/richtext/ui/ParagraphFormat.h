#pragma once
// A paragraph's indents, spacing, alignment and tab stops in the units the
// ruler and the paragraph dialog use (twips and points), read from and
// written to a QTextBlockFormat in the engine's units. Widget-free.
#include <QTextBlockFormat>
#include <QString>
#include <QVector>

namespace brindle::richtext::ui {

struct TabStop {
    int position = 0;  // twips from the text box's left edge
    char kind = 'l';   // 'l' left, 'c' centre, 'r' right
    bool operator==(const TabStop&) const = default;
};

struct ParagraphFormat {
    int leftIndent = 0;    // twips
    int rightIndent = 0;   // twips
    int firstLine = 0;     // twips, relative to the left indent (negative: hanging)
    double spaceBefore = 0;  // points
    double spaceAfter = 0;   // points
    Qt::Alignment alignment = Qt::AlignLeft;
    QVector<TabStop> tabs;   // in ascending order
    bool operator==(const ParagraphFormat&) const = default;
};

ParagraphFormat readParagraphFormat(const QTextBlockFormat& block);
// The block format that gives `format`; tab stops go both where the layout
// takes them and where the RTF writer reads them.
// `base` keeps the block's other properties (page break, line spacing).
QTextBlockFormat toBlockFormat(const ParagraphFormat& format, QTextBlockFormat base = {});

// What is wrong with the values (the indents leave less than a quarter inch
// of line within `textWidthTwips`, spacing out of 0 to 1584 points); empty when
// they are fine.
QString paragraphProblem(const ParagraphFormat& format, int textWidthTwips);

}  // namespace brindle::richtext::ui
