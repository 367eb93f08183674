#pragma once
// Multi-line text objects: fixed lines, the memo field of the current record
// and the mailing address block composed from the current record.
#include <QStringList>
#include <functional>
#include <optional>

#include "common/AddressFormat.h"
#include "designobjects/TKGraphicControl.h"

class QPainter;
class QPicture;

namespace brindle::designobjects {

class DesignDialogs;

// ---------------------------------------------------------------- pure helpers

// Breaks text into display lines no wider than `width`: every line break
// starts a new line, a long line breaks after the last space that fits (the
// spaces at the break are dropped and never count towards the width), and a
// word wider than the line breaks inside the word. Tabs are measured like
// any other character. `measure` gives the advance width of a piece of text
// (a run of spaces, a word or one character); a line is as wide as the sum
// of its pieces, so each piece is measured once and the time taken grows
// with the length of the text alone.
QStringList wrapText(const QString& text, int width, const std::function<double(const QString&)>& measure);

// The address block's layout (what the "Address Label Layout" dialog edits
// and the design files store); the shared address formatter composes the lines.
using common::AddressLayout;
using common::ZipOption;
using common::zoAfterCountry;
using common::zoAfterState;
using common::zoBeforeCity;
using common::zoBeforeCountry;

// ---------------------------------------------------------------- objects

class TKMultiLineBaseLabel : public TKGraphicControl {
    Q_OBJECT
public:
    enum Alignment { taLeftJustify, taRightJustify, taCenter };

    TKMultiLineBaseLabel();

    const QStringList& items() const { return items_; }
    void setItems(const QStringList& lines);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool v) { autoSize_ = v; }
    int alignment() const { return alignment_; }
    void setAlignment(int a);
    const DesignFont& font() const { return font_; }
    void setFont(const DesignFont& f);
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool v);

    // The lines drawn: the wrapped lines while wrapping, else Items.
    const QStringList& lines() const { return wordWrap_ ? wrapped_ : items_; }
    // The lines the screen shows, with the placeholder where there is nothing to show.
    QStringList screenLines() const;
    // The lines that go on paper; screen-only texts never do.
    QStringList paperLines() const;

    // Re-breaks Items at the object's width (only while wrapping).
    virtual void rewrap();

    void loaded() override;
    void boundsChanged() override;
    void applyFont(const DesignFont& f) override;
    void paint(QPainter& p, const PaintContext& ctx) override;
    void printAt(printing::PageCanvas& page, double top, double left) override;

    // The object drawn at zoom 1.0 as a vector picture of Width × Height pixels.
    QPicture renderPicture(bool forPaper = false);

    // Height to the number of lines (at least one line), width grown to the widest line.
    void sizeToFit();

    void addMenuEntries(MenuEntries& menu) override;
    // The font chooser; OK takes the font, refreshes record text and re-wraps.
    void editFont();
    // Switches wrapping on or off as a change of the design.
    void toggleWordWrap();

    static PropertyList ownProperties();

protected:
    // The placeholder shown on screen for an empty object.
    virtual QString placeholderText() const { return QStringLiteral("<blank>"); }
    // Sets Items from record data without marking the design changed;
    // screenOnly marks texts (such as "[label]") that must never print.
    void setItemsSilently(const QStringList& lines, bool screenOnly = false);
    void setWrapped(const QStringList& lines) { wrapped_ = lines; }
    DesignDialogs* dialogs() const;
    QStringList wrapLines(const QStringList& lines) const;
    void drawLines(QPainter& p, float zoom, int w, int h, const QStringList& lines);

private:
    QStringList items_;
    QStringList wrapped_;
    bool autoSize_ = false;
    int alignment_ = taLeftJustify;
    DesignFont font_;
    bool wordWrap_ = false;
    bool screenOnly_ = false;
};

// Fixed lines of text.
class TKMultiLineLabel : public TKMultiLineBaseLabel {
    Q_OBJECT
public:
    TKMultiLineLabel() = default;
    QString designClass() const override { return QStringLiteral("TKMultiLineLabel"); }

    // "Multi-line Text Editor"; OK replaces the lines.
    void editLines();
    void addMenuEntries(MenuEntries& menu) override;
};

// The memo field of the current record, bound by the field's display label.
class TKDMultiLineLabel : public TKMultiLineBaseLabel {
    Q_OBJECT
public:
    TKDMultiLineLabel() = default;
    QString designClass() const override { return QStringLiteral("TKDMultiLineLabel"); }

    const QString& dataFieldName() const { return dataFieldName_; }
    void setDataFieldName(const QString& v) { dataFieldName_ = v; }
    const QString& dataFieldDescript() const { return dataFieldDescript_; }
    void setDataFieldDescript(const QString& v) { dataFieldDescript_ = v; }

    void refreshData() override;
    void clearDataText() override;
    void rewrap() override;
    void addMenuEntries(MenuEntries& menu) override;
    // "Select Field" over the record's memo fields; the surface refreshes its data objects either way.
    void editField();

    static PropertyList ownProperties();

protected:
    QString placeholderText() const override { return QStringLiteral("<blank memo>"); }

private:
    QString dataFieldName_;
    QString dataFieldDescript_;
};

// The mailing address of the current record under a per-object layout.
class TKDMultiLineAddressLabel : public TKMultiLineBaseLabel {
    Q_OBJECT
public:
    TKDMultiLineAddressLabel() = default;
    QString designClass() const override { return QStringLiteral("TKDMultiLineAddressLabel"); }

    const AddressLayout& layout() const { return layout_; }
    AddressLayout& layout() { return layout_; }
    void setLayout(const AddressLayout& l) { layout_ = l; }

    void refreshData() override;
    void clearDataText() override;
    void addMenuEntries(MenuEntries& menu) override;
    // "Address Label Layout"; OK takes the layout and refreshes the surface's data.
    void editLayout();

    static PropertyList ownProperties();

private:
    AddressLayout layout_;
};

}  // namespace brindle::designobjects
