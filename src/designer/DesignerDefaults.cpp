#include "designer/DesignerDefaults.h"

#include <cmath>

#include "common/ProfileFile.h"
#include "designobjects/DesignSurface.h"

namespace brindle::designer {

void readDefaultFont(designobjects::DesignSurface& surface, const common::ProfileFile& settings,
                     const QString& section) {
    designobjects::DesignFont f = surface.font();
    f.name = settings.readString(section, QStringLiteral("DefaultFontName"), QStringLiteral("Arial"));
    f.setPointSize(settings.readInt(section, QStringLiteral("DefaultFontSize"), 10));
    int style = f.style & ~(designobjects::DesignFont::Bold | designobjects::DesignFont::Italic);
    if (settings.readBool(section, QStringLiteral("DefaultFontBold"), false)) style |= designobjects::DesignFont::Bold;
    if (settings.readBool(section, QStringLiteral("DefaultFontItalic"), false))
        style |= designobjects::DesignFont::Italic;
    f.style = style;
    surface.setFont(f);
}

void writeDefaultFont(const designobjects::DesignFont& font, common::ProfileFile& settings, const QString& section) {
    settings.writeString(section, QStringLiteral("DefaultFontName"), font.name);
    settings.writeInt(section, QStringLiteral("DefaultFontSize"), font.pointSize());
    settings.writeBool(section, QStringLiteral("DefaultFontBold"), font.style & designobjects::DesignFont::Bold);
    settings.writeBool(section, QStringLiteral("DefaultFontItalic"), font.style & designobjects::DesignFont::Italic);
}

QString defaultFontCaption(const designobjects::DesignFont& f) {
    QString s = QStringLiteral("Default Font: %1, %2 pt ").arg(f.name).arg(f.pointSize());
    if (f.style & designobjects::DesignFont::Bold) s += QStringLiteral(", bold");
    if (f.style & designobjects::DesignFont::Italic) s += QStringLiteral(", italic");
    return s;
}

QString noteBeforeDefaultFont() {
    return QStringLiteral(
        "Note: the default font is used for NEW objects only.\rTo change the font of an existing object, click it\r"
        "with the RIGHT MOUSE BUTTON and select FONT");
}

QString zoomCaption(float zoom) {
    return QString::number(std::lround(double(zoom) * 100.0)) + QLatin1Char('%');
}

QVector<QPair<QString, QString>> designerQuickTips(const QString& surfaceName) {
    return {
        {QStringLiteral("How do I add a new object to the drawing surface?"),
         QStringLiteral("Click a tool on the tool bar, then drag a rectangle on the %1 where the object should go. "
                        "The selection tool comes back after each new object.")
             .arg(surfaceName)},
        {QStringLiteral("How do I select a drawing object?"),
         QStringLiteral("With the selection tool, click the object. Hold Shift to add or remove objects, or drag a "
                        "rectangle around several objects.")},
        {QStringLiteral("How do I change an object's properties?"),
         QStringLiteral("Double-click the object, or click it with the right mouse button and choose from its menu.")},
        {QStringLiteral("How do I change the font for an object?"),
         QStringLiteral("Click the object with the right mouse button and choose Font. The Default Font entry of the "
                        "Settings menu sets the font of new objects only.")},
        {QStringLiteral("How do I change the color of an object?"),
         QStringLiteral("Click the object with the right mouse button and choose the colour entries of its menu.")},
        {QStringLiteral("How do I move an object?"),
         QStringLiteral("Drag it with the mouse, or select it and press the arrow keys to move it one grid step.")},
        {QStringLiteral("How do I resize an object?"),
         QStringLiteral("Select it and drag one of the small squares at its corners and edges; Shift with the arrow "
                        "keys changes its size.")},
    };
}

}  // namespace brindle::designer
