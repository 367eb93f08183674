#include "envelopes/EnvelopeDesignEditor.h"

#include <QPainter>
#include <any>
#include <cmath>

#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/TKGraphicControl.h"
#include "envelopes/EnvelopeDesignRules.h"
#include "envelopes/EnvelopeSetup.h"

namespace brindle::envelopes {

using designobjects::DesignSurface;

namespace {
const QString kSection = QStringLiteral("Envelope");

struct EditorState {
    int code;
    QString description;
};

// The surface tool behind each envelope tool; the two the envelope creates
// itself run with the selection tool's state and pointing turned off, so a
// drag draws a rubber band and ends in droppedObject without an object.
DesignSurface::PanelState surfaceState(EnvelopeTool t) {
    switch (t) {
    case EnvelopeTool::Label: return DesignSurface::psLabel;
    case EnvelopeTool::DataLabel: return DesignSurface::psDataLabel;
    case EnvelopeTool::MultiLineLabel: return DesignSurface::psMultiLineLabel;
    case EnvelopeTool::AddressLabel: return DesignSurface::psAddressLabel;
    case EnvelopeTool::Rectangle: return DesignSurface::psRectangle;
    case EnvelopeTool::Ellipse: return DesignSurface::psEllipse;
    case EnvelopeTool::RoundRectangle: return DesignSurface::psRoundRectangle;
    case EnvelopeTool::Line: return DesignSurface::psLine;
    case EnvelopeTool::PostNetBarCode: return DesignSurface::psPostNetBarCode;
    case EnvelopeTool::IMBarCode: return DesignSurface::psIMBarCode;
    default: return DesignSurface::psPointing;
    }
}
}  // namespace

const std::array<EnvelopeToolRow, 13>& envelopeTools() {
    static const std::array<EnvelopeToolRow, 13> tools = {{
        {EnvelopeTool::Pointing, "Select", "Selection tool"},
        {EnvelopeTool::Label, "Text", "Text tool"},
        {EnvelopeTool::DataLabel, "Field", "Database Field tool"},
        {EnvelopeTool::MultiLineLabel, "Lines", "Multi-line text tool"},
        {EnvelopeTool::AddressLabel, "Address", "Database Mailing Address tool"},
        {EnvelopeTool::Rectangle, "\u25ad", "Rectangle tool"},
        {EnvelopeTool::Ellipse, "\u25ef", "Ellipse tool"},
        {EnvelopeTool::RoundRectangle, "\u25a2", "Round Rectangle tool"},
        {EnvelopeTool::Line, "\u2571", "Line Tool"},
        {EnvelopeTool::Image, "Art", "Clip Art Tool"},
        {EnvelopeTool::PostNetBarCode, "\u2759\u2758\u2759", "Postnet Barcode tool"},
        {EnvelopeTool::FIMBarCode, "FIM", "FIM Barcode tool"},
        {EnvelopeTool::IMBarCode, "IMb", "Intelligent Mail Barcode tool"},
    }};
    return tools;
}

QImage envelopeOverlay(QSize unzoomed, float zoom, bool margins, bool usps, const PrinterPage& page) {
    if (!margins && !usps) return {};
    const double z = double(zoom);
    const QSize shown(int(std::lround(unzoomed.width() * z)), int(std::lround(unzoomed.height() * z)));
    QImage img(std::max(1, shown.width()), std::max(1, shown.height()), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    if (usps) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(8.0 * z);
        p.setFont(font);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(QColor(192, 192, 192));
        for (const TemplateBox& b : envelopes::uspsTemplate(shown, unzoomed, zoom)) {
            p.setPen(QColor(128, 128, 128));
            p.setBrush(QColor(239, 239, 239));
            p.drawRect(b.box.adjusted(0, 0, -1, -1));
            p.setPen(Qt::black);
            p.drawText(QRect(b.captionAt, b.box.bottomRight()), Qt::AlignLeft | Qt::AlignTop, b.caption);
        }
    }
    if (margins) {
        // The printable area: unprintable widths truncated to whole design
        // pixels, then scaled by the zoom.
        const auto px = [](double inches) { return int(inches * kDesignPpi); };
        const auto zoomed = [z](int v) { return int(v * z); };
        const QRect area(QPoint(zoomed(px(page.left)), zoomed(px(page.top))),
                         QPoint(zoomed(px(page.width) - px(page.right)), zoomed(px(page.height) - px(page.bottom))));
        p.setBackgroundMode(Qt::TransparentMode);
        p.setPen(QPen(Qt::red, 0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(area);
    }
    return img;
}

EnvelopeDesignEditor::EnvelopeDesignEditor(DesignSurface& surface, common::UserDialogs& dialogs, int code,
                                           QObject* parent)
    : QObject(parent), surface_(surface), dialogs_(dialogs), code_(isEnvelopeCode(code) ? code : kEnvelope10) {
    surface_.setShape(DesignSurface::lsRectangle);
    connect(&surface_, &DesignSurface::droppedObject, this, &EnvelopeDesignEditor::dropped);
    connect(&surface_, &DesignSurface::sizeChanged, this, &EnvelopeDesignEditor::showOverlays);
}

void EnvelopeDesignEditor::open() {
    if (opened()) return;
    opening_ = true;
    applySize();
    connect(&surface_, &DesignSurface::labelChanged, this, [this] {
        if (opening_ || surface_.zooming()) return;
        showSave();
    });
    opening_ = false;
    history_ = new designer::DesignHistory(surface_, this);
    designer::DesignHistory::SideState side;
    side.get = [this] { return std::any(EditorState{code_, description_}); };
    side.set = [this](const std::any& v) {
        const auto& st = std::any_cast<const EditorState&>(v);
        if (st.code != code_) {
            code_ = st.code;
            applySize();
            emit layoutChanged();
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
        return x.code == y.code && x.description == y.description;
    };
    history_->setSideState(std::move(side));
}

void EnvelopeDesignEditor::applySize() {
    // Sized at zoom 1.0; the zoom shown stays.
    const QSize size = envelopeSurfaceSize(code_);
    if (size != surface_.designSize()) surface_.setDesignSize(size);
    showOverlays();
}

QString EnvelopeDesignEditor::layoutCaption() const {
    return QStringLiteral("Layout: ") + common::envelopeSizeName(code_);
}

void EnvelopeDesignEditor::changeLayout(int code) {
    if (!isEnvelopeCode(code)) return;
    code_ = code;
    applySize();
    surface_.clampObjects();
    showSave();
    emit layoutChanged();
    if (history_) history_->noteChange();
}

void EnvelopeDesignEditor::setDescription(const QString& text) {
    const QString cut = text.left(kDescriptionEditLength);
    if (cut == description_) return;
    description_ = cut;
    if (opened()) {
        showSave();
        history_->noteChange(QStringLiteral("description"));
    }
}

QString EnvelopeDesignEditor::keptDescription() const { return description_.left(kDescriptionLength); }

void EnvelopeDesignEditor::showSave() {
    if (saveVisible_) return;
    saveVisible_ = true;
    emit saveShown();
}

void EnvelopeDesignEditor::zoomIn() {
    surface_.clearSelection();
    surface_.setZoom(zoomUp(surface_.zoom()));
}

void EnvelopeDesignEditor::zoomOut() {
    surface_.clearSelection();
    surface_.setZoom(zoomDown(surface_.zoom()));
}

QString EnvelopeDesignEditor::zoomCaption() const { return designer::zoomCaption(surface_.zoom()); }

void EnvelopeDesignEditor::chooseTool(EnvelopeTool tool) {
    tool_ = tool;
    surface_.setPanelState(surfaceState(tool));
    if (tool == EnvelopeTool::Image || tool == EnvelopeTool::FIMBarCode) surface_.setPointing(false);
    emit toolChanged(tool);
}

void EnvelopeDesignEditor::dropped(const QRect& dropRect) {
    const char* className = tool_ == EnvelopeTool::FIMBarCode ? "TKFIMBarCode"
                            : tool_ == EnvelopeTool::Image    ? "TKImage"
                                                              : nullptr;
    if (className) {
        QRect rect = dropRect.normalized();
        if (rect.width() < 25) rect.setWidth(50);
        if (rect.height() < 15) rect.setHeight(15);
        if (auto* o = designobjects::DesignRegistry::instance().create(QString::fromLatin1(className))) {
            o->loaded();
            surface_.addObject(o, rect);
        }
    }
    // The selection tool comes back after every new object.
    chooseTool(EnvelopeTool::Pointing);
}

void EnvelopeDesignEditor::setPrinterPage(const PrinterPage& page) {
    page_ = page;
    showOverlays();
}

void EnvelopeDesignEditor::setMarginsShown(bool on) {
    margins_ = on;
    showOverlays();
}

void EnvelopeDesignEditor::setTemplateShown(bool on) {
    usps_ = on;
    showOverlays();
}

void EnvelopeDesignEditor::showOverlays() {
    surface_.setPicture(envelopeOverlay(surface_.designSize(), surface_.zoom(), margins_, usps_, page_));
}

void EnvelopeDesignEditor::readDefaultFont(const common::ProfileFile& settings) {
    designer::readDefaultFont(surface_, settings, kSection);
}

bool EnvelopeDesignEditor::setDefaultFont(const designobjects::DesignFont& font, common::ProfileFile& settings) {
    surface_.setFont(font);
    try {
        designer::writeDefaultFont(font, settings, kSection);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

QString EnvelopeDesignEditor::defaultFontCaption() const { return designer::defaultFontCaption(surface_.font()); }

}  // namespace brindle::envelopes
