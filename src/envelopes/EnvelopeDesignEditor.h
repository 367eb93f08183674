#pragma once
// The envelope designer without its window: the envelope size the surface
// is drawn for, the description, the twelve tools (two of which, the clip
// art and the FIM, are created here because the surface's own tool table
// has no FIM and would open the picture dialog for art), the zoom, the
// layout change, the default font (section "Envelope"), whether "Save"
// shows, undo, and the two overlays drawn under the design: the printer's
// printable area and the postal automation template. The overlays are the
// surface's backdrop picture, which neither saving nor printing reads.
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <array>

#include "designobjects/DesignSurface.h"

namespace brindle::common {
class UserDialogs;
class ProfileFile;
}  // namespace brindle::common
namespace brindle::designer {
class DesignHistory;
}

namespace brindle::envelopes {

// The printer's page in inches: the unprintable width at each edge, and
// the page's width and height.
struct PrinterPage {
    double left = 0, top = 0, right = 0, bottom = 0;
    double width = 8.5, height = 11;
};

enum class EnvelopeTool {
    Pointing, Label, DataLabel, MultiLineLabel, AddressLabel, Rectangle, Ellipse, RoundRectangle, Line, Image,
    PostNetBarCode, FIMBarCode, IMBarCode,
};
struct EnvelopeToolRow {
    EnvelopeTool tool;
    const char* caption;  // short text on the button
    const char* hint;     // tool tip
};
// The twelve tools in tool bar order, then the Intelligent Mail barcode.
const std::array<EnvelopeToolRow, 13>& envelopeTools();

// The overlays for a surface shown at `zoom` whose size at zoom 1.0 is
// `unzoomed`, as an image of the shown size (null when both are off).
QImage envelopeOverlay(QSize unzoomed, float zoom, bool margins, bool uspsTemplate, const PrinterPage& page);

class EnvelopeDesignEditor : public QObject {
    Q_OBJECT
public:
    EnvelopeDesignEditor(designobjects::DesignSurface& surface, common::UserDialogs& dialogs, int code,
                         QObject* parent = nullptr);

    designobjects::DesignSurface& surface() { return surface_; }
    // Sizes the surface and starts watching for changes and keeping undo steps.
    void open();
    bool opened() const { return history_ != nullptr; }
    designer::DesignHistory* history() const { return history_; }

    // ---- size
    int code() const { return code_; }
    // "Layout: " and the envelope's size name.
    QString layoutCaption() const;
    // A new envelope size: the surface resized at zoom 1.0, objects beyond
    // the new edges pulled inside, "Save" shown.
    void changeLayout(int code);

    // ---- description and "Save"
    void setDescription(const QString& text);  // takes the first 60 characters
    const QString& description() const { return description_; }
    QString keptDescription() const;           // the first 50
    bool saveVisible() const { return saveVisible_; }
    // Objects outside the envelope go before the design is stored.
    void prepareSave() { surface_.deleteOutsideObjects(); }

    // ---- zoom (single precision, 60 % to 140 %)
    void zoomIn();
    void zoomOut();
    QString zoomCaption() const;

    // ---- tools
    EnvelopeTool tool() const { return tool_; }
    void chooseTool(EnvelopeTool tool);

    // ---- overlays
    void setPrinterPage(const PrinterPage& page);
    const PrinterPage& printerPage() const { return page_; }
    bool marginsShown() const { return margins_; }
    bool templateShown() const { return usps_; }
    void setMarginsShown(bool on);
    void setTemplateShown(bool on);

    // ---- default font (section "Envelope")
    void readDefaultFont(const common::ProfileFile& settings);
    bool setDefaultFont(const designobjects::DesignFont& font, common::ProfileFile& settings);
    QString defaultFontCaption() const;

signals:
    void saveShown();
    void toolChanged(EnvelopeTool tool);
    void layoutChanged();
    void descriptionRestored(const QString& text);

private:
    void applySize();
    void showOverlays();
    void showSave();
    void dropped(const QRect& rect);

    designobjects::DesignSurface& surface_;
    common::UserDialogs& dialogs_;
    int code_;
    QString description_;
    EnvelopeTool tool_ = EnvelopeTool::Pointing;
    PrinterPage page_;
    bool margins_ = false;
    bool usps_ = false;
    bool saveVisible_ = false;
    bool opening_ = false;
    designer::DesignHistory* history_ = nullptr;
};

}  // namespace brindle::envelopes
