#pragma once
// "Envelope Design Screen": one envelope design edited on a TEnvelopePanel
// in a white scrolling area, with the description, the twelve tools, grid,
// snap, names or values, the printer-margin and postal-template overlays,
// the zoom, the record buttons and the "Settings" menu (Default Font,
// Layout). EnvelopeDesignEditor decides what the controls do; the caller
// stores the design through the save action (the window stays open when it
// fails).
#include <functional>
#include <map>
#include <optional>

#include "designobjects/ui/TKBasePanel.h"
#include "envelopes/EnvelopeDesignEditor.h"
#include "help/ui/HelpDialog.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace brindle::designer {
class AddressRecordSource;
class DesignHistory;
}  // namespace brindle::designer
namespace brindle::designer::ui {
class DesignScreenFrame;
}

namespace brindle::envelopes::ui {

// The envelope drawing surface: a data panel on an envelope surface (its
// classes are the envelope's), with the drawing cursor for every tool but
// the selection tool.
class TEnvelopePanel : public designobjects::TKDataPanel {
    Q_OBJECT
public:
    explicit TEnvelopePanel(QWidget* parent = nullptr);
    void showTool(EnvelopeTool tool);
};

class TEnvelopeDesignScreen : public help::HelpDialog {
    Q_OBJECT
public:
    // The "Envelope Size" step of "Layout": the new code, none when cancelled.
    using ChooseSize = std::function<std::optional<int>(int code, QWidget* parent)>;
    using SaveAction = std::function<bool(TEnvelopeDesignScreen& screen)>;

    TEnvelopeDesignScreen(int code, const QString& description, common::UserDialogs& dialogs, QString settingsPath,
                          QWidget* parent = nullptr);
    ~TEnvelopeDesignScreen() override;

    TEnvelopePanel& panel() { return *panel_; }
    designobjects::DesignSurface& surface() { return panel_->surface(); }
    EnvelopeDesignEditor& editor() { return *editor_; }
    designer::DesignHistory* history() const { return editor_->history(); }

    void setRecordSource(designer::AddressRecordSource* records);
    void setPrinterPage(const PrinterPage& page) { editor_->setPrinterPage(page); }
    void setChooseSize(ChooseSize f) { chooseSize_ = std::move(f); }
    void setSaveAction(SaveAction f) { saveAction_ = std::move(f); }
    // Sizes the surface and starts watching for changes; done by the first
    // show, tests may call it directly after loading a design.
    void openDesign();

    // What Save hands back.
    int code() const { return editor_->code(); }
    QString keptDescription() const { return editor_->keptDescription(); }

    // ---- controls, for tests and screenshots
    QLineEdit* descriptionEdit() const { return description_; }
    QToolButton* toolButton(EnvelopeTool tool) const { return tools_.at(tool); }
    QToolButton* gridButton() const { return grid_; }
    QToolButton* snapButton() const { return snap_; }
    QToolButton* namesButton() const { return names_; }
    QToolButton* marginsButton() const { return margins_; }
    QToolButton* templateButton() const { return usps_; }
    QToolButton* zoomDownButton() const;
    QToolButton* zoomUpButton() const;
    QLabel* zoomLabel() const;
    QPushButton* recordButton(int i) const;  // first, previous, next, last
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }
    QAction* defaultFontAction() const { return fontAction_; }
    QAction* layoutAction() const { return layoutAction_; }

    void saveButtonClick();
    void layoutClick();
    void defaultFontClick();
    void quickTipsClick();

protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* e) override;
    void done(int r) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void showCaptions();
    void moveRecord(int which);

    common::UserDialogs& dialogs_;
    QString settingsPath_;
    TEnvelopePanel* panel_;
    EnvelopeDesignEditor* editor_ = nullptr;
    designer::AddressRecordSource* records_ = nullptr;
    ChooseSize chooseSize_;
    SaveAction saveAction_;
    bool shown_ = false;

    QLineEdit* description_;
    std::map<EnvelopeTool, QToolButton*> tools_;
    QToolButton* grid_;
    QToolButton* snap_;
    QToolButton* names_;
    QToolButton* margins_;
    QToolButton* usps_;
    designer::ui::DesignScreenFrame* frame_;
    QPushButton* save_;
    QPushButton* cancel_;
    QAction* fontAction_;
    QAction* layoutAction_;
};

}  // namespace brindle::envelopes::ui
