#pragma once
// "Labels Print": which positions of every sheet take a label (picked on a
// one-fifth-scale picture of the sheet, chosen ones red), the printer, and
// how many labels each record gets (hidden when presorting: one each).
#include <QWidget>

#include "help/ui/HelpDialog.h"
#include "labels/LabelJobOptions.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace brindle::common {
class UserDialogs;
}
namespace brindle::printer {
class CurrentPrinter;
}

namespace brindle::labels::ui {

// The sheet picture; a press on a label toggles its position.
class SheetPictureWidget : public QWidget {
    Q_OBJECT
public:
    SheetPictureWidget(const LabelSetup& setup, PositionMask& mask, QWidget* parent = nullptr);
    const SheetPicture& picture() const { return picture_; }
    QSize sizeHint() const override { return picture_.area(); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    LabelSetup setup_;
    PositionMask& mask_;
    SheetPicture picture_;
};

// "You must select at least one card to print"
QString noPositionMessage();

class TSelectSpecificLabels : public help::HelpDialog {
    Q_OBJECT
public:
    TSelectSpecificLabels(const LabelSetup& setup, const PositionMask& mask, int copies, bool presort,
                          printer::CurrentPrinter& printer, common::UserDialogs& dialogs, QWidget* parent = nullptr);

    const PositionMask& positions() const { return mask_; }
    int copies() const;
    QString printerName() const;

    SheetPictureWidget* picture() const { return picture_; }
    QPushButton* allButton() const { return all_; }
    QPushButton* noneButton() const { return none_; }
    QPushButton* okButton() const { return ok_; }
    QSpinBox* copiesBox() const { return copies_; }
    QLabel* copiesCaption() const { return copiesCaption_; }
    QComboBox* printerList() const { return printers_; }

    // Ok: refuses an empty choice; otherwise selects the chosen printer,
    // sets it to portrait (the paper step turns it later) and closes.
    void okClicked();

private:
    LabelSetup setup_;
    PositionMask mask_;
    bool presort_;
    printer::CurrentPrinter& printer_;
    common::UserDialogs& dialogs_;
    SheetPictureWidget* picture_;
    QPushButton* all_;
    QPushButton* none_;
    QPushButton* ok_;
    QSpinBox* copies_;
    QLabel* copiesCaption_;
    QComboBox* printers_;
};

}  // namespace brindle::labels::ui
