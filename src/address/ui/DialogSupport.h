#pragma once
// What every window of the address area shares: a help topic opened by F1 and
// by its Help button, the mouse-help button, and centring over the main window.
#include <QDialog>
#include <QPushButton>
#include <QToolButton>

#include "help/ui/HelpDialog.h"

namespace brindle::address::ui {

// Opens a topic, the contents or the keyword search of the help window.
void openHelpTopic(int topic, QWidget* parent);
void openHelpContents(QWidget* parent);
void openHelpSearch(QWidget* parent);

// A modal dialog with a help topic: the program's one dialog base.
using help::HelpDialog;

// A named push button that does not become the default on focus (Enter keeps
// going to the dialog's own default button).
QPushButton* plainButton(const QString& caption, const QString& name, QWidget* parent);

// Makes a window at least wide enough for its whole title in a title bar
// (common::QtUserDialogs::captionWidth, the measure the message boxes use).
// Call after setWindowTitle.
void keepTitleWhole(QWidget* window);

// Adds the F1 shortcut for a topic to any window.
void addHelpKey(QWidget* window, int topic);

}  // namespace brindle::address::ui
