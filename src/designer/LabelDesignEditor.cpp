#include "designer/LabelDesignEditor.h"

#include <algorithm>
#include <cmath>

#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
#include "designer/LabelArt.h"
#include "designobjects/IntelligentMail.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designer {

using designobjects::DesignSurface;

namespace {
const QString kSection = QStringLiteral("Label");

// What undo brings back beside the design.
struct EditorState {
    LabelStock stock;
    QString description;
};

bool sameStock(const LabelStock& a, const LabelStock& b) {
    return a.widthInches == b.widthInches && a.heightInches == b.heightInches && a.shapeCode == b.shapeCode &&
           a.templateDescription == b.templateDescription && a.manufacturer == b.manufacturer && a.art == b.art;
}
}

LabelDesignEditor::LabelDesignEditor(DesignSurface& surface, common::UserDialogs& dialogs, LabelStock stock,
                                     QObject* parent)
    : QObject(parent), surface_(surface), dialogs_(dialogs), stock_(std::move(stock)) {}

QString LabelDesignEditor::newLabelMessage() {
    return QStringLiteral(
        "A new label has been created using the Avery 5160\rformat. To change to another label format, click on\r"
        "the Change Layout button.\r\rA Database Mailing Address object has already been \radded to the label.\r\r"
        "For additional assistance, click the Help button");
}

QString LabelDesignEditor::postNetTooNarrowMessage() {
    return QStringLiteral("This label is not wide enough for a \rpostnet barcode. At least 2.85 inches are needed");
}

QString LabelDesignEditor::postNetRemovedWarning() {
    return QStringLiteral(
        "Warning: This label is not wide enough for a \rpostnet barcode. At least 2.85 inches are needed");
}

QString LabelDesignEditor::imbTooNarrowMessage() {
    return QStringLiteral(
        "This label is not wide enough for an \rIntelligent Mail barcode. At least 2.93 inches are needed");
}

QString LabelDesignEditor::imbNoLongerFitsWarning() {
    return QStringLiteral(
        "Warning: This label is not wide enough for the \rIntelligent Mail barcode in its design. At least 2.93 "
        "inches are needed. The barcode stays in the design, but its bars will not all fit on the label: choose a "
        "wider layout or remove the barcode");
}

QString LabelDesignEditor::noteBeforeDefaultFont() { return designer::noteBeforeDefaultFont(); }

void LabelDesignEditor::open(bool newLabel, bool tellUser) {
    if (opened_) return;
    opening_ = true;
    applyLabelSize();
    connect(&surface_, &DesignSurface::labelChanged, this, [this] {
        // Zooming rescales what is shown, not the design.
        if (opening_ || surface_.zooming()) return;
        showSave();
    });
    if (newLabel) {
        surface_.setPanelState(DesignSurface::psAddressLabel);
        surface_.createObjectInRect(QRect(QPoint(5, 5), QPoint(surface_.width() - 10, surface_.height() - 10)));
        surface_.setPanelState(DesignSurface::psPointing);
        surface_.selectAll();
        if (tellUser) dialogs_.showInfo(newLabelMessage());
    }
    // "Show art" starts down wherever there is art to show.
    artShown_ = artAvailable();
    showArt();
    opening_ = false;
    opened_ = true;
    startHistory();
}

void LabelDesignEditor::startHistory() {
    history_ = new DesignHistory(surface_, this);
    DesignHistory::SideState side;
    side.get = [this] { return std::any(EditorState{stock_, description_}); };
    side.set = [this](const std::any& v) {
        const auto& st = std::any_cast<const EditorState&>(v);
        const bool stockDiffers = !sameStock(st.stock, stock_);
        stock_ = st.stock;
        if (stockDiffers) {
            applyLabelSize();
            if (!artAvailable()) artShown_ = false;
            showArt();
            emit artChanged();
        }
        if (st.description != description_) {
            description_ = st.description;
            emit descriptionRestored(description_);
        }
        showSave();
    };
    side.same = [](const std::any& a, const std::any& b) {
        const auto& x = std::any_cast<const EditorState&>(a);
        const auto& y = std::any_cast<const EditorState&>(b);
        return x.description == y.description && sameStock(x.stock, y.stock);
    };
    history_->setSideState(std::move(side));
}

bool LabelDesignEditor::artAvailable() const { return hasStockArt(stock_.art); }

void LabelDesignEditor::setArtShown(bool on) {
    const bool v = on && artAvailable();
    if (v == artShown_) return;
    artShown_ = v;
    showArt();
    emit artChanged();
}

void LabelDesignEditor::showArt() {
    // Drawn at zoom 1.0 and stretched over the surface as shown.
    surface_.setPicture(artShown_ && artAvailable() ? stockArtPicture(stock_.art, surface_.designSize()) : QImage());
}

void LabelDesignEditor::showSave() {
    if (saveVisible_) return;
    saveVisible_ = true;
    emit saveShown();
}

void LabelDesignEditor::setDescription(const QString& text) {
    const QString cut = text.left(kDescriptionEditLength);
    if (cut == description_) return;
    description_ = cut;
    if (opened_) showSave();
    if (history_) history_->noteChange(QStringLiteral("description"));
}

void LabelDesignEditor::prepareSave() { surface_.deleteOutsideObjects(); }

// ---------------------------------------------------------------- zoom

QString LabelDesignEditor::zoomCaption(float zoom) { return designer::zoomCaption(zoom); }

QString LabelDesignEditor::zoomCaption() const { return zoomCaption(surface_.zoom()); }

void LabelDesignEditor::zoomOut() {
    surface_.clearSelection();
    // Single precision on purpose: from 1.0 the steps end at 0.4999999,
    // which is below 0.5 and so stops the next step.
    const float z = surface_.zoom();
    if (z >= 0.5f) surface_.setZoom(z - 0.1f);
}

void LabelDesignEditor::zoomIn() {
    surface_.clearSelection();
    const float z = surface_.zoom();
    if (!(z > 1.5f)) surface_.setZoom(z + 0.1f);
}

// ---------------------------------------------------------------- tools

DesignSurface::PanelState LabelDesignEditor::chooseTool(DesignSurface::PanelState tool) {
    if (tool == DesignSurface::psPostNetBarCode && !wideEnoughForPostNet()) {
        dialogs_.showInfo(postNetTooNarrowMessage());
        tool = DesignSurface::psPointing;
    } else if (tool == DesignSurface::psIMBarCode && !wideEnoughForImb()) {
        dialogs_.showInfo(imbTooNarrowMessage());
        tool = DesignSurface::psPointing;
    }
    surface_.setPanelState(tool);
    return surface_.panelState();
}

// ---------------------------------------------------------------- stock

void LabelDesignEditor::applyLabelSize() {
    const QString code = stock_.shapeCode.trimmed().toUpper();
    DesignSurface::LabelShape shape = surface_.shape();
    if (code == QLatin1StringView("RR")) shape = DesignSurface::lsRoundRect;
    else if (code == QLatin1StringView("SR")) shape = DesignSurface::lsRectangle;
    else if (code == QLatin1StringView("EL")) shape = DesignSurface::lsEllipse;
    // The size is set at zoom 1.0; the surface keeps showing its zoom.
    surface_.setShape(shape);
    surface_.setSizeInches(stock_.widthInches, stock_.heightInches);
    emit stockChanged();
}

void LabelDesignEditor::changeLayout(const LabelStock& stock) {
    const bool artWasShown = artShown_;
    stock_ = stock;
    applyLabelSize();
    // The art follows the new stock: pressed again when it was down and the
    // new stock has art, else off.
    artShown_ = artWasShown && artAvailable();
    showArt();
    emit artChanged();
    surface_.clampObjects();
    if (!wideEnoughForPostNet()) {
        for (auto* o : surface_.objects()) {
            if (!qobject_cast<designobjects::TKPostNetBarCode*>(o)) continue;
            dialogs_.showInfo(postNetRemovedWarning());
            surface_.deselect(o);
            surface_.deleteObject(o);
            break;
        }
    }
    // An Intelligent Mail barcode is the user's own addition (with its
    // tracking fields): it is kept, but the user learns it no longer fits.
    if (!wideEnoughForImb()) {
        const auto& objects = surface_.objects();
        if (std::any_of(objects.begin(), objects.end(),
                        [](auto* o) { return qobject_cast<designobjects::TKIMBarCode*>(o) != nullptr; }))
            dialogs_.showInfo(imbNoLongerFitsWarning());
    }
    showSave();
    if (history_) history_->noteChange();
}

QString LabelDesignEditor::layoutCaption() const {
    if (stock_.manufacturer.trimmed().compare(QLatin1StringView("USER"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Layout:  User Defined Label Layout");
    return QStringLiteral("Layout:  ") + stock_.templateDescription;
}

// ---------------------------------------------------------------- default font

void LabelDesignEditor::readDefaultFont(const common::ProfileFile& settings) {
    designer::readDefaultFont(surface_, settings, kSection);
}

bool LabelDesignEditor::setDefaultFont(const designobjects::DesignFont& font, common::ProfileFile& settings) {
    surface_.setFont(font);
    try {
        writeDefaultFont(font, settings, kSection);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

QString LabelDesignEditor::defaultFontCaption() const { return designer::defaultFontCaption(surface_.font()); }

// ---------------------------------------------------------------- records

void LabelDesignEditor::afterFirstRecord() {
    surface_.refreshData();
    surface_.resetCounters();
}

void LabelDesignEditor::afterOtherRecord() {
    surface_.refreshData();
    surface_.advanceCounters();
}

}  // namespace brindle::designer
