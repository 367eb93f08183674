#include "letters/LetterSettings.h"

#include "common/ProfileFile.h"

namespace brindle::letters {

namespace {
const QString kSection = QStringLiteral("Letter");
}

DefaultFont readDefaultFont(const common::ProfileFile& settings) {
    DefaultFont f;
    f.name = settings.readString(kSection, QStringLiteral("DefaultFontName"), f.name);
    if (f.name.trimmed().isEmpty()) f.name = DefaultFont{}.name;
    f.size = settings.readInt(kSection, QStringLiteral("DefaultFontSize"), f.size);
    // A size no font list offers (hand-edited files) falls back to the default.
    if (f.size < 1 || f.size > 1638) f.size = DefaultFont{}.size;
    f.bold = settings.readBool(kSection, QStringLiteral("DefaultFontBold"), f.bold);
    f.italic = settings.readBool(kSection, QStringLiteral("DefaultFontItalic"), f.italic);
    return f;
}

void writeDefaultFont(common::ProfileFile& settings, const DefaultFont& font) {
    settings.writeString(kSection, QStringLiteral("DefaultFontName"), font.name);
    settings.writeInt(kSection, QStringLiteral("DefaultFontSize"), font.size);
    settings.writeBool(kSection, QStringLiteral("DefaultFontBold"), font.bold);
    settings.writeBool(kSection, QStringLiteral("DefaultFontItalic"), font.italic);
}

QString defaultFontCaption(const DefaultFont& font) {
    QString caption = QStringLiteral("&Default Font: %1, %2 pt ").arg(font.name).arg(font.size);
    if (font.bold) caption += QStringLiteral(", bold");
    if (font.italic) caption += QStringLiteral(", italic");
    return caption;
}

QString wordWrapCaption(bool wrapAtWindow) {
    return wrapAtWindow ? QStringLiteral("&Word Wrap is ON") : QStringLiteral("&Word Wrap is OFF");
}

}  // namespace brindle::letters
