#include "richtext/ui/PageRules.h"

#include <algorithm>

namespace brindle::richtext::ui {

const QVector<PaperSize>& paperSizes() {
    static const QVector<PaperSize> sizes = {
        {QStringLiteral("Letter (8.5 x 11 in)"), 12240, 15840},
        {QStringLiteral("Legal (8.5 x 14 in)"), 12240, 20160},
        {QStringLiteral("A4 (210 x 297 mm)"), 11906, 16838},
        {QStringLiteral("A5 (148 x 210 mm)"), 8391, 11906},
        {QStringLiteral("Executive (7.25 x 10.5 in)"), 10440, 15120},
    };
    return sizes;
}

int paperSizeIndex(const PageSetup& page) {
    const auto& sizes = paperSizes();
    for (int i = 0; i < sizes.size(); ++i) {
        const PaperSize& s = sizes[i];
        if ((page.paperWidth == s.width && page.paperHeight == s.height) ||
            (page.paperWidth == s.height && page.paperHeight == s.width))
            return i;
    }
    return -1;
}

QString pageProblem(const PageSetup& page) {
    constexpr int kSmallest = 1440, kLargest = 22 * 1440;
    if (page.paperWidth < kSmallest || page.paperHeight < kSmallest || page.paperWidth > kLargest ||
        page.paperHeight > kLargest)
        return QStringLiteral("The paper must be between 1 and 22 inches wide and high.");
    if (std::min({page.marginLeft, page.marginRight, page.marginTop, page.marginBottom}) < 0)
        return QStringLiteral("Margins cannot be negative.");
    if (page.paperWidth - page.marginLeft - page.marginRight < kMinimumTextTwips)
        return QStringLiteral("The left and right margins leave less than half an inch for the text.");
    if (page.paperHeight - page.marginTop - page.marginBottom < kMinimumTextTwips)
        return QStringLiteral("The top and bottom margins leave less than half an inch for the text.");
    return {};
}

PageSetup withOrientation(PageSetup page, bool landscape) {
    const bool wide = page.paperWidth > page.paperHeight;
    if (wide != landscape) std::swap(page.paperWidth, page.paperHeight);
    page.landscape = landscape;
    return page;
}

}  // namespace brindle::richtext::ui
