#pragma once
// The page a rich-text document is laid out on: paper size and margins in
// twips (1/1440 inch), as an RTF file states them. New documents start on
// US Letter with one-inch margins.
#include <QSizeF>

namespace brindle::richtext {

inline constexpr int kTwipsPerInch = 1440;

struct PageSetup {
    int paperWidth = 12240;   // twips, as printed (already turned for landscape)
    int paperHeight = 15840;
    int marginLeft = 1440;
    int marginRight = 1440;
    int marginTop = 1440;
    int marginBottom = 1440;
    bool landscape = false;
    bool operator==(const PageSetup&) const = default;

    // The area text runs in, in twips. Never narrower or lower than a quarter
    // inch, whatever the margins say, so that a page always makes progress.
    int textWidth() const;
    int textHeight() const;
    QSizeF paperInches() const { return {paperWidth / double(kTwipsPerInch), paperHeight / double(kTwipsPerInch)}; }
};

// Common paper sizes in twips.
inline constexpr PageSetup kLetterPage{};
inline constexpr PageSetup kA4Page{11906, 16838, 1440, 1440, 1440, 1440, false};

}  // namespace brindle::richtext
