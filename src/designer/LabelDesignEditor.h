#pragma once
// The label designer without its window: the stock the label is drawn for,
// the description, the zoom steps, the tool choice, a new label's address
// block, layout changes with their consequences on the design, the default
// font and whether "Save" shows. TLabelDesignScreen gathers the user's input
// and shows what this class decides; tests drive it without a screen.
#include <QObject>
#include <QString>
#include <any>
#include <functional>
#include <optional>

#include "designobjects/DesignSurface.h"
#include "designobjects/DesignTypes.h"

namespace brindle::common {
class UserDialogs;
class ProfileFile;
}  // namespace brindle::common

namespace brindle::designer {

// The parts of a label's stock the designer needs.
struct LabelStock {
    double widthInches = 2.625;
    double heightInches = 1.0;
    QString shapeCode;            // "RR", "SR", "EL"
    QString templateDescription;  // empty for a user-defined layout
    QString manufacturer;         // "USER" for a user-defined layout
    QString art;                  // stock artwork name; empty for none
    // The caller's whole record this stock came from, handed back with it
    // (undo of a layout change brings back the record chosen before).
    std::any setup;
};

class DesignHistory;

// The narrowest label a POSTNET code fits on, in inches.
inline constexpr double kPostNetMinWidth = 2.85;
// An Intelligent Mail barcode: 65 bars at 1/22-inch pitch, 0.02 inch wide.
inline constexpr double kImbMinWidth = 2.93;
// The description edit takes this many characters; the setup keeps kKeptDescription.
inline constexpr int kDescriptionEditLength = 60;
inline constexpr int kKeptDescription = 50;

class LabelDesignEditor : public QObject {
    Q_OBJECT
public:
    LabelDesignEditor(designobjects::DesignSurface& surface, common::UserDialogs& dialogs, LabelStock stock,
                      QObject* parent = nullptr);

    designobjects::DesignSurface& surface() { return surface_; }
    const LabelStock& stock() const { return stock_; }

    // ---- opening
    // Sizes the surface from the stock and starts watching for changes;
    // for a new label, adds the address block over the whole label, selects
    // everything and (unless the window tells them later) tells the user.
    void open(bool newLabel, bool tellUser = true);
    bool opened() const { return opened_; }

    // ---- "Save"
    bool saveVisible() const { return saveVisible_; }
    // The description as the setup keeps it (its first 50 characters).
    QString keptDescription() const { return description_.left(kKeptDescription); }
    const QString& description() const { return description_; }
    void setDescription(const QString& text);
    // Before closing with Save: objects outside the label go.
    void prepareSave();

    // ---- zoom
    float zoom() const { return surface_.zoom(); }
    // One step down (0.1) while the factor is at least 0.5, one step up while
    // it does not exceed 1.5; both clear the selection first.
    void zoomOut();
    void zoomIn();
    // Round(factor × 100) followed by "%".
    QString zoomCaption() const;
    static QString zoomCaption(float zoom);

    // ---- tools
    // Chooses a tool; the POSTNET tool on a label narrower than 2.85 inches
    // tells the user and chooses the selection tool. Returns the tool in force.
    designobjects::DesignSurface::PanelState chooseTool(designobjects::DesignSurface::PanelState tool);

    // ---- stock and layout
    // The surface takes the stock's size and shape at zoom 1.0; the zoom shown stays.
    void applyLabelSize();
    // A new layout: resized surface, objects pulled inside, the first POSTNET
    // code deleted with a warning when the label became too narrow for it,
    // and "Save" shown.
    void changeLayout(const LabelStock& stock);
    // "Layout:  " with the template's description, or the user-defined caption.
    QString layoutCaption() const;
    // The stock names artwork the program has a picture for.
    bool artAvailable() const;
    // "Show art": the stock's artwork behind the design, or nothing.
    bool artShown() const { return artShown_; }
    void setArtShown(bool on);

    // ---- undo and redo of the design, its stock and its description
    // Null until the design is open.
    DesignHistory* history() const { return history_; }

    // ---- default font (section "Label")
    void readDefaultFont(const common::ProfileFile& settings);
    // False (the user told) when the settings could not be written.
    bool setDefaultFont(const designobjects::DesignFont& font, common::ProfileFile& settings);
    QString defaultFontCaption() const;
    static QString noteBeforeDefaultFont();

    // ---- records: the surface's data follow the record source's move
    void afterFirstRecord();
    void afterOtherRecord();

    static QString newLabelMessage();
    static QString postNetTooNarrowMessage();
    static QString postNetRemovedWarning();
    static QString imbTooNarrowMessage();
    // A layout change left an Intelligent Mail barcode on a label too narrow for it.
    static QString imbNoLongerFitsWarning();

signals:
    // "Save" became visible.
    void saveShown();
    // The stock's size, shape or captions changed.
    void stockChanged();
    // Undo or redo brought back another description.
    void descriptionRestored(const QString& text);
    // The artwork toggle's state or availability changed.
    void artChanged();

private:
    void showSave();
    bool wideEnoughForPostNet() const { return stock_.widthInches >= kPostNetMinWidth - 1e-9; }
    bool wideEnoughForImb() const { return stock_.widthInches >= kImbMinWidth - 1e-9; }
    void showArt();
    void startHistory();

    designobjects::DesignSurface& surface_;
    common::UserDialogs& dialogs_;
    LabelStock stock_;
    QString description_;
    bool opened_ = false;
    bool opening_ = false;
    bool saveVisible_ = false;
    bool artShown_ = false;
    DesignHistory* history_ = nullptr;
};

}  // namespace brindle::designer
