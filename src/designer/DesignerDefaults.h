#pragma once
// What every designer window does the same way whatever it designs: the
// default font of new objects kept in one settings section, its caption and
// the note shown before it is chosen, the zoom caption, and the Quick Tips
// questions with their answers.
#include <QPair>
#include <QString>
#include <QVector>

#include "designobjects/DesignTypes.h"

namespace brindle::common {
class ProfileFile;
}
namespace brindle::designobjects {
class DesignSurface;
}

namespace brindle::designer {

// "DefaultFontName" (Arial), "DefaultFontSize" (10), "DefaultFontBold" and
// "DefaultFontItalic" (false) of `section` into the surface's font.
void readDefaultFont(designobjects::DesignSurface& surface, const common::ProfileFile& settings,
                     const QString& section);
// The same keys written back; throws what the settings file throws.
void writeDefaultFont(const designobjects::DesignFont& font, common::ProfileFile& settings, const QString& section);
// "Default Font: Arial, 10 pt , bold, italic"
QString defaultFontCaption(const designobjects::DesignFont& font);
QString noteBeforeDefaultFont();
// Round(factor × 100) followed by "%".
QString zoomCaption(float zoom);
// The seven Quick Tips questions with their answers; `surfaceName` is what
// the user draws on ("label", "envelope").
QVector<QPair<QString, QString>> designerQuickTips(const QString& surfaceName);

}  // namespace brindle::designer
