#pragma once
// "Label Design Screen": the window in which one label design is edited. It
// shows the label on a TKLabelPanel inside a white scrolling area, with the
// description, the drawing tools, the zoom, the grid and display toggles, the
// record buttons and the "Settings" menu. What the controls do is decided by
// LabelDesignEditor; the caller saves the design through `onSave`.
#include <QVector>
#include <functional>
#include <optional>

#include "designer/LabelDesignEditor.h"
#include "help/ui/HelpDialog.h"

class QAction;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace brindle::designobjects {
class TKLabelPanel;
}

namespace brindle::designer {
class AddressRecordSource;
class DesignHistory;
}

namespace brindle::designer::ui {

class DesignScreenFrame;

class TLabelDesignScreen : public help::HelpDialog {
    Q_OBJECT
public:
    // The layout step of the "Settings" menu: the new stock, none when cancelled.
    using ChooseLayout = std::function<std::optional<LabelStock>(QWidget* parent)>;
    // Saves the design (the window stays open when it returns false).
    using SaveAction = std::function<bool(TLabelDesignScreen& screen)>;

    TLabelDesignScreen(const LabelStock& stock, const QString& description, common::UserDialogs& dialogs,
                       QString settingsPath, QWidget* parent = nullptr);
    ~TLabelDesignScreen() override;

    designobjects::TKLabelPanel& panel() { return *panel_; }
    designobjects::DesignSurface& surface();
    LabelDesignEditor& editor() { return *editor_; }
    // Undo and redo of the design; null until the design is open.
    DesignHistory* history() const { return editor_->history(); }

    void setRecordSource(AddressRecordSource* records);
    void setChooseLayout(ChooseLayout f) { chooseLayout_ = std::move(f); }
    void setSaveAction(SaveAction f) { saveAction_ = std::move(f); }
    // Sizes the label, and for a new label adds the address block and tells
    // the user. Done by the first show; tests may call it directly.
    void openDesign(bool newLabel);
    void setNewLabel(bool v) { newLabel_ = v; }

    // The description as the setup keeps it.
    QString keptDescription() const { return editor_->keptDescription(); }

    // ---- controls, for tests
    QLineEdit* descriptionEdit() const { return description_; }
    QToolButton* toolButton(designobjects::DesignSurface::PanelState s) const;
    QToolButton* zoomDownButton() const;
    QToolButton* zoomUpButton() const;
    QLabel* zoomLabel() const;
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }
    QAction* defaultFontAction() const { return fontAction_; }
    QAction* layoutAction() const { return layoutAction_; }
    QToolButton* gridButton() const { return grid_; }
    QToolButton* snapButton() const { return snap_; }
    QToolButton* artButton() const { return art_; }
    QToolButton* namesButton() const { return names_; }
    QPushButton* recordButton(int i) const;  // first, previous, next, last

    void saveButtonClick();
    void layoutClick();
    void defaultFontClick();
    void quickTipsClick();
    // The seven questions of Quick Tips with their answers.
    static QVector<QPair<QString, QString>> quickTips();

protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void done(int r) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void openDesign(bool newLabel, bool tellUser);
    void showArtButton();
    void showCaptions();
    void moveRecord(int which);

    common::UserDialogs& dialogs_;
    QString settingsPath_;
    designobjects::TKLabelPanel* panel_;
    LabelDesignEditor* editor_ = nullptr;
    AddressRecordSource* recordSource_ = nullptr;
    ChooseLayout chooseLayout_;
    SaveAction saveAction_;
    bool newLabel_ = false;
    bool shown_ = false;
    bool closingAsked_ = false;
    bool messagePending_ = false;

    QLineEdit* description_;
    QButtonGroup* tools_;
    QToolButton* grid_;
    QToolButton* snap_;
    QToolButton* art_;
    QToolButton* names_;
    DesignScreenFrame* frame_;
    QPushButton* save_;
    QPushButton* cancel_;
    QAction* fontAction_;
    QAction* layoutAction_;
};

}  // namespace brindle::designer::ui
