#pragma once
// Process-wide entry points to help: every window's Help button and F1, and
// the Help menu, call these. One help window serves the whole program; it is
// created on first use from helpFolder() (HelpIndex.h) and reused afterwards.
// When a modal dialog is open the help window is attached to it, so that it
// takes input while the dialog waits; it is set free again when the dialog closes.
// A help window that opens is centred on the program's main window (reached
// from `parent`) and kept inside the screen; one already open stays put.
class QWidget;

namespace brindle::help {

class HelpWindow;

void showHelpTopic(int topic, QWidget* parent = nullptr);
void showHelpContents(QWidget* parent = nullptr);
void showHelpSearch(QWidget* parent = nullptr);

// F1 anywhere in the window opens the topic.
void installHelpKey(QWidget* window, int topic);

// The shared window, or nullptr when none is open (for tests and the app's shut-down).
HelpWindow* currentHelpWindow();

}  // namespace brindle::help
