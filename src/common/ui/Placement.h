#pragma once
// Remembered window placement applied to real windows, and centring of
// dialogs over the main window.
#include <QString>

class QWidget;

namespace brindle::common {

class ProfileFile;

// Reads the window's stored rectangle (section className + "_Placement", with
// the dpi appended above 96), fits it to the screen and applies it; with
// nothing stored the window is centred (over mainWindow when given and not
// the window itself, else on the screen). Maximises when stored so, then
// saves at once. Throws SettingsWriteError when the settings cannot be written.
void restorePlacement(QWidget* window, const QString& className, ProfileFile& settings,
                      QWidget* mainWindow = nullptr);
// Writes the window's normal (not maximised) rectangle and whether it is maximised.
void savePlacement(QWidget* window, const QString& className, ProfileFile& settings);
// Centres a window over the main window, or on the screen when it is the main
// window, when there is none or when the main window is maximised; either
// way kept on the screen.
void centreWindow(QWidget* window, QWidget* mainWindow);

}  // namespace brindle::common
