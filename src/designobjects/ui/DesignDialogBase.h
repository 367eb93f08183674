#pragma once
// What the object dialogs share: a caption, a help topic reached by the Help
// button and F1, the "Ok", "Cancel" and "Help" buttons under the content,
// and centring over the main window; and the colour drop-down list of the
// 3-D effects dialog.
#include <QComboBox>
#include <QDialog>
#include <functional>
#include <optional>

#include "designobjects/DesignTypes.h"
#include "help/ui/HelpDialog.h"

class QLayout;
class QPushButton;

namespace brindle::designobjects {

class DesignDialog : public help::HelpDialog {
    Q_OBJECT
public:
    DesignDialog(const QString& caption, int helpTopic, QWidget* parent);

    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* helpButton() const { return help_; }

protected:
    // Places the dialog's controls above the button row.
    void setContent(QLayout* content);

private:
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* help_;
};

// A drop-down list of the sixteen named colours, with the current colour
// added when it is none of them, and "Custom..." at the end, which asks the
// colour chooser for any other colour.
class ColorComboBox : public QComboBox {
    Q_OBJECT
public:
    using Chooser = std::function<std::optional<DesignColor>(DesignColor current)>;

    explicit ColorComboBox(QWidget* parent = nullptr);

    DesignColor color() const { return color_; }
    // Selects the colour (adding its own entry when it has no name); colorChanged follows a change.
    void setColor(DesignColor c);
    // Replaces the platform's colour chooser behind "Custom..." (tests).
    void setChooser(Chooser c) { chooser_ = std::move(c); }

signals:
    void colorChanged(brindle::designobjects::DesignColor color);

private:
    void picked(int index);
    int customIndex() const { return count() - 1; }

    DesignColor color_ = clBlack;
    Chooser chooser_;
    bool updating_ = false;
};

}  // namespace brindle::designobjects
