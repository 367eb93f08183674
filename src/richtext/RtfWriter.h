#pragma once
// Writes a QTextDocument as RTF: 7-bit text in lines ended by CR LF, a font
// table holding the font names as they were read or chosen ("Arial" stays
// "Arial" whatever it is drawn with), a colour table, the paper size and
// margins, and every paragraph with its format. Characters of Windows-1252
// are written as \'hh, all others as \uN with a "?" fallback. Pictures are
// written as PNG. The output of a document read from our own output is
// byte-identical to that output.
#include "richtext/PageSetup.h"

#include <QByteArray>

class QTextDocument;

namespace brindle::richtext {

QByteArray writeRtf(const QTextDocument& document, const PageSetup& page);

}  // namespace brindle::richtext
