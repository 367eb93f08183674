#pragma once
// A design as it is stored and printed: the objects of one label, envelope or
// report band in pixels at zoom 1.0 (96 per inch), the size and shape of the
// area they lie on, the default font, the record source data objects read,
// and the operations that read the design: saving, loading, printing,
// counters, the stored bytes undo keeps. Nothing here knows how the design is
// shown: zoom, tools, selection, grid and the clip file belong to the editor
// state (DesignView) that DesignSurface pairs with a document. A print job
// or the render command can load and print a document without either.
#include <QByteArray>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <vector>

#include "designobjects/DesignTypes.h"

namespace brindle::common {
class UserDialogs;
}
namespace brindle::printing {
class PageCanvas;
}

namespace brindle::designobjects {

class TKGraphicControl;
class RecordSource;
class DesignDialogs;

class DesignDocument : public QObject {
    Q_OBJECT
public:
    // Envelope and report band surfaces are data surfaces with their own classes.
    enum Kind { BaseSurface, DataSurface, LabelSurface, EnvelopeSurface, ReportSurface };
    enum LabelShape { lsRectangle, lsRoundRect, lsEllipse };

    struct LoadResult {
        bool ok = true;
        QString error;              // the reader's message when it stopped
        QStringList objectsRead;    // "Component0 (TKPLabel)" for each object kept
    };

    explicit DesignDocument(Kind kind = LabelSurface, QObject* parent = nullptr);
    ~DesignDocument() override;

    Kind kind() const { return kind_; }

    // ---- the area at zoom 1.0
    QSize designSize() const { return designSize_; }
    // Sets the size at zoom 1.0.
    virtual void setDesignSize(const QSize& s);
    // A label of w × h inches: Round(inches × 96) pixels.
    void setSizeInches(double w, double h);
    LabelShape shape() const { return shape_; }
    void setShape(LabelShape s);
    const DesignFont& font() const { return font_; }
    void setFont(const DesignFont& f) { font_ = f; }
    DesignColor color() const { return color_; }
    void setColor(DesignColor c) { color_ = c; }
    bool printing() const { return printing_; }
    void setPrinting(bool v) { printing_ = v; }

    // ---- data
    bool displayDataValues() const { return displayDataValues_; }
    void setDisplayDataValues(bool v) { displayDataValues_ = v; }
    RecordSource* recordSource() const { return records_; }
    void setRecordSource(RecordSource* r) { records_ = r; }

    // ---- classes the file reader may create here
    const QStringList& registeredClasses() const { return classes_; }
    void setRegisteredClasses(const QStringList& names) { classes_ = names; }
    bool acceptsClass(const QString& name) const;
    // The classes each kind of surface registers when it is created.
    static QStringList classesFor(Kind kind);

    // ---- objects, back to front
    const std::vector<TKGraphicControl*>& objects() const { return objects_; }
    // Takes ownership and appends (top of the z-order); no naming, no placing.
    void adoptObject(TKGraphicControl* o);
    virtual void clearObjects();
    void deleteObject(TKGraphicControl* o);
    // The window that holds the design; object names are unique among its
    // components. The document itself when none is set.
    QObject* owner() const;
    void setOwner(QObject* o) { owner_ = o; }
    bool ownerHasName(const QString& name, const QObject* except = nullptr) const;

    // ---- operations on the design
    void refreshData();
    void printObjects(printing::PageCanvas& page, double top, double left);
    void advanceCounters();
    void resetCounters();
    // Objects beyond the edges come back inside: Top at most height − 10,
    // Left at most width − 20 (after the size changed).
    virtual void clampObjects();
    // Objects below height − 10, right of width − 10 or without area go.
    virtual void deleteOutsideObjects();

    // ---- stored form
    // The design as a design file holds it (record data left out).
    QByteArray storedBytes();
    // The same with text kept whole (UTF-8), for undo: a snapshot never
    // loses what the file's code page cannot hold.
    QByteArray snapshotBytes();
    // Replaces every object by those a snapshot holds (undo and redo); the
    // objects take back the names given. Damage keeps the objects before it.
    void replaceObjects(const QByteArray& snapshot, const QStringList& names = {});
    // Writes the design; the old file is replaced only once the new one is
    // complete. False (and a message) when it could not be written.
    bool saveToFile(const QString& path);
    // Reads a design; a missing file reads nothing. When the reader stops at
    // damage the objects before it stay and the user is told which ones; the
    // next save of that file first keeps the original as "<file>.bak".
    LoadResult loadFromFile(const QString& path);
    const QString& lastError() const { return lastError_; }
    void setDialogs(common::UserDialogs* d) { dialogs_ = d; }
    common::UserDialogs* dialogs() const { return dialogs_; }
    // The object dialogs: the document's own, else the process-wide ones, else nullptr.
    void setDesignDialogs(DesignDialogs* d) { designDialogs_ = d; }
    DesignDialogs* designDialogs() const;

    // ---- called by objects and the file reader
    virtual void objectChanged(TKGraphicControl* o);
    virtual void objectBoundsChanged(TKGraphicControl* o);
    virtual void objectNeedsRepaint(TKGraphicControl* o);
    // While a design file is read, changes are not reported.
    void setLoading(bool v) { loading_ = v; }
    // True while shown bounds are being derived again (no edit of the design).
    virtual bool zooming() const { return false; }
    // Objects from index `first` on were just read (a file, undo, the clip
    // file): an editor shows them at its zoom. Base: nothing.
    virtual void objectsRead(std::size_t first) { (void)first; }

signals:
    // The design changed (not while it prints, loads or is rescaled).
    void labelChanged();
    void repaintNeeded(const QRect& rect);  // empty: everything
    void designSizeChanged(const QSize& size);

protected:
    virtual void removeFromLists(TKGraphicControl* o);
    void reportError(const QString& message);
    void raise(TKGraphicControl* o);
    void lower(TKGraphicControl* o);
    bool loading() const { return loading_; }
    friend class TKGraphicControl;

    Kind kind_;
    std::vector<TKGraphicControl*> objects_;
    QObject* owner_ = nullptr;
    QString lastError_;
    common::UserDialogs* dialogs_ = nullptr;

private:
    QSize designSize_{0, 0};
    bool loading_ = false;
    bool printing_ = false;
    LabelShape shape_ = lsRoundRect;
    DesignFont font_;
    DesignColor color_ = clWhite;
    bool displayDataValues_ = true;
    RecordSource* records_ = nullptr;
    QStringList classes_;
    QString damagedFile_;  // read only partly; keep the original before saving over it
    DesignDialogs* designDialogs_ = nullptr;
};

// What a data object bound to a field by its display label sees of the
// design's current record: whether it is printing, whether it shows values
// rather than field names, whether the field exists and, when values are
// wanted (or while printing), the field's text.
struct BoundField {
    bool printing = false;
    bool showValues = true;
    bool found = false;
    QString text;
};
BoundField readBoundField(const DesignDocument* document, const QString& label);

}  // namespace brindle::designobjects
