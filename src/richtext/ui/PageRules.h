#pragma once
// The paper sizes the page dialog offers and the check of a page before it is
// accepted. Widget-free.
#include <QString>
#include <QVector>

#include "richtext/PageSetup.h"

namespace brindle::richtext::ui {

struct PaperSize {
    QString name;     // "Letter (8.5 x 11 in)"
    int width = 0;    // twips, portrait
    int height = 0;
};
// Letter, Legal, A4, A5, Executive; the dialog adds "Custom".
const QVector<PaperSize>& paperSizes();
// The index of the size a page has in either orientation, or -1 (custom).
int paperSizeIndex(const PageSetup& page);

// Less than this much text width or height is refused: a page without room
// for a line would never finish printing.
inline constexpr int kMinimumTextTwips = 720;  // half an inch

// What is wrong with a page (empty when it is fine): paper from 1 to 22
// inches a side, margins not negative, at least half an inch of text width
// and height left.
QString pageProblem(const PageSetup& page);

// The page turned to the other orientation (width and height swapped).
PageSetup withOrientation(PageSetup page, bool landscape);

}  // namespace brindle::richtext::ui
