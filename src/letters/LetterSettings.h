#pragma once
// The letter designer's default font (section "Letter" of the settings file)
// and the captions of the designer's menu items that show state.
#include <QString>

namespace brindle::common {
class ProfileFile;
}

namespace brindle::letters {

struct DefaultFont {
    QString name = QStringLiteral("Arial");
    int size = 10;
    bool bold = false;
    bool italic = false;
    bool operator==(const DefaultFont&) const = default;
};

// Read when the designer opens; written at once when the user picks another.
// Throws common::SettingsWriteError when the file cannot be written.
DefaultFont readDefaultFont(const common::ProfileFile& settings);
void writeDefaultFont(common::ProfileFile& settings, const DefaultFont& font);

// "&Default Font: Arial, 10 pt , bold, italic"
QString defaultFontCaption(const DefaultFont& font);
// "&Word Wrap is ON" / "&Word Wrap is OFF"
QString wordWrapCaption(bool wrapAtWindow);

}  // namespace brindle::letters
