#pragma once
// The one base of the program's dialogs: a help topic opened by F1 and by a
// Help button, the mouse-help button, and running centred over the main
// window. The address windows and the design objects' dialogs derive from it.
#include <QDialog>

class QPushButton;
class QToolButton;

namespace brindle::help {

class HelpDialog : public QDialog {
    Q_OBJECT
public:
    HelpDialog(int helpTopic, QWidget* parent);
    int helpTopic() const { return helpTopic_; }
    // A "Help" button (object name "helpButton") wired to the topic.
    QPushButton* makeHelpButton(const QString& caption = QStringLiteral("Help"));
    // The button that turns the pointer into a help pointer for the next click.
    QToolButton* makeMouseHelpButton();
    // Sizes the dialog to its content (unless the user may resize it),
    // centres it over `mainWindow` and runs it modally.
    int execCentred(QWidget* mainWindow);

private:
    int helpTopic_;
};

}  // namespace brindle::help
