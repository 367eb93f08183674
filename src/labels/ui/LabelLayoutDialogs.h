#pragma once
// The dialogs that set a label setup's stock layout: the choice between the
// catalogue and typing it in ("Label Layout"), the catalogue ("Select Label
// Template") and the manual layout ("User Defined Label Layout").
#include <QVector>
#include <memory>
#include <optional>

#include "help/ui/HelpDialog.h"
#include "labels/LabelLayout.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::labels::ui {

class TChooseLabelLayout : public help::HelpDialog {
    Q_OBJECT
public:
    enum class Choice { Template, Manual };
    explicit TChooseLabelLayout(QWidget* parent = nullptr);
    // After "Ok"; none after "Cancel".
    std::optional<Choice> choice() const { return choice_; }
    QRadioButton* templateButton() const { return fromList_; }
    QRadioButton* manualButton() const { return manual_; }

private:
    QRadioButton* fromList_;
    QRadioButton* manual_;
    std::optional<Choice> choice_;
};

class TSelectLabel : public help::HelpDialog {
    Q_OBJECT
public:
    // `catalogue` is LBLTPL.DBF; `current` gives TPLDESCRIP, PRINTER, MANUFAC and PRODTYPE.
    TSelectLabel(store::Table& catalogue, const LabelSetup& current, common::UserDialogs& dialogs,
                 QWidget* parent = nullptr);
    // The grid's current catalogue row after "Ok".
    std::optional<LabelSetup> chosen() const { return chosen_; }

    QComboBox* manufacturerList() const { return makers_; }
    QComboBox* productList() const { return products_; }
    QCheckBox* europeanBox() const { return european_; }
    QTableWidget* grid() const { return grid_; }
    QPushButton* okButton() const { return ok_; }
    QString detailText(const QString& caption) const;
    // Positions the lists and the grid as on first activation (done by the
    // first show; tests may call it directly).
    void positionLabelCombos();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLabelQuery();
    void showDetails();

    store::Table& catalogue_;
    LabelSetup current_;
    common::UserDialogs& dialogs_;
    QComboBox* makers_;
    QComboBox* products_;
    QCheckBox* european_;
    QTableWidget* grid_;
    QVector<QLabel*> details_;
    QPushButton* ok_;
    QVector<TemplateRow> rows_;
    bool positioned_ = false;
    std::optional<LabelSetup> chosen_;
};

class TLabelEdit : public help::HelpDialog {
    Q_OBJECT
public:
    TLabelEdit(const LabelSetup& incoming, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    // The layout in inches after "Ok".
    std::optional<LabelSetup> result() const { return result_; }

    QRadioButton* inchesButton() const { return inches_; }
    QRadioButton* millimetresButton() const { return millimetres_; }
    QLineEdit* lengthEdit(LabelEditModel::Length which) const { return edits_[which]; }
    QSpinBox* acrossSpin() const { return across_; }
    QSpinBox* downSpin() const { return down_; }
    QComboBox* paperList() const { return paper_; }
    QComboBox* shapeList() const { return shape_; }
    QPushButton* okButton() const { return ok_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showLengths();
    void okButtonClick();

    LabelEditModel model_;
    common::UserDialogs& dialogs_;
    QRadioButton* inches_;
    QRadioButton* millimetres_;
    std::array<QLineEdit*, LabelEditModel::kLengths> edits_{};
    QSpinBox* across_;
    QSpinBox* down_;
    QComboBox* paper_;
    QComboBox* shape_;
    QPushButton* ok_;
    std::optional<LabelSetup> result_;
};

// The designer's "Layout" step: asks how, runs the chosen dialog and applies
// its result to `working`. False when the user cancelled or the catalogue
// could not be opened (the layout is then unchanged).
bool chooseLabelLayout(LabelSetup& working, common::UserDialogs& dialogs, QWidget* parent);

}  // namespace brindle::labels::ui
