#pragma once
// Reads RTF bytes into a QTextDocument at a cursor. The bytes are never
// decoded as a whole: escapes \'hh are decoded through the code page of the
// current font's character set (or the document's \ansicpg), \uN gives the
// character itself and skips its \ucN fallback characters.
//
// What is read: fonts (names kept exactly as the file writes them), colours,
// character formats (font, size, bold, italic, underline, strike-out, colour,
// background, super- and subscript), paragraph formats (alignment, indents,
// spacing, line spacing, tab stops, page break before), line breaks, tabs,
// page breaks, special characters, PNG and JPEG pictures (metafiles are
// drawn into a bitmap), field results and list text. Tables become
// paragraphs whose cells are separated by tabs. Style sheets, document
// information, headers, footers, \* destinations and \bin data are skipped.
//
// This reads outside bytes: nesting depth, font and colour table sizes,
// picture sizes and \bin lengths are bounded, and a truncated or garbled
// file yields what could be read plus a warning, never a crash or a hang.
#include "richtext/PageSetup.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QTextCursor;

namespace brindle::richtext {

struct RtfReadResult {
    PageSetup page;          // from \paperw ... \landscape (defaults where absent)
    bool pageGiven = false;  // the file stated a paper size or a margin
    QStringList warnings;    // what was wrong with the file; empty for a clean file
    int paragraphs = 0;      // paragraphs inserted
    int defaultTab = 0;      // \deftab: twips between default tab stops; 0 when not stated
};

// Limits applied to every file.
inline constexpr int kMaxGroupDepth = 512;
inline constexpr int kMaxFonts = 4096;
inline constexpr int kMaxColours = 4096;
inline constexpr qsizetype kMaxPictureBytes = 32LL * 1024 * 1024;
inline constexpr int kMaxPictures = 1024;
inline constexpr int kMaxTableCells = 64;  // cells per row that become tab stops

// Whether the bytes begin like an RTF file ("{\rtf", leading blanks allowed).
bool looksLikeRtf(const QByteArray& bytes);

// Inserts the RTF document at the cursor (the cursor's selection is
// replaced). The first paragraph read takes the format of the paragraph the
// cursor is in only when the cursor's paragraph is empty.
RtfReadResult readRtf(const QByteArray& bytes, QTextCursor& cursor);

}  // namespace brindle::richtext
