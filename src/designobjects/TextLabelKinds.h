#pragma once
// The one-line text kinds built on TKBaseLabel: a field of the current
// address record, a counter, the date and time of printing and the page
// number.
#include <QDateTime>
#include <QLocale>

#include "designobjects/TKBaseLabel.h"

namespace brindle::designobjects {

// A field of the current record, bound by the field's display label. On
// screen an empty or unknown field shows a placeholder ("<blank field>",
// "<undefined field>", or "[label]" while field names are shown); the
// placeholder is kept apart from the caption, so it can never be printed.
class TKPDLabel : public TKBaseLabel {
    Q_OBJECT
public:
    TKPDLabel() = default;
    QString designClass() const override { return QStringLiteral("TKPDLabel"); }

    const QString& dataFieldName() const { return dataFieldName_; }
    void setDataFieldName(const QString& v) { dataFieldName_ = v; }
    const QString& dataFieldDescript() const { return dataFieldDescript_; }
    void setDataFieldDescript(const QString& v) { dataFieldDescript_ = v; }
    int lengthOfText() const { return lengthOfText_; }
    void setLengthOfText(int v) { lengthOfText_ = v; }

    // What the screen shows instead of the caption, or empty.
    const QString& placeholder() const { return placeholder_; }

    void refreshData() override;
    void clearDataText() override;
    void addMenuEntries(MenuEntries& menu) override;
    // "Select Field" over the record's bindable fields; OK binds the object
    // to the chosen one. The surface refreshes its data objects either way.
    void editField();

    static PropertyList ownProperties();

protected:
    QString displayText() const override { return placeholder_.isEmpty() ? caption() : placeholder_; }

private:
    QString dataFieldName_;
    QString dataFieldDescript_;
    int lengthOfText_ = 0;
    QString placeholder_;
};

// A number that goes up by one every RepeatEach labels.
class TKCounterLabel : public TKBaseLabel {
    Q_OBJECT
public:
    TKCounterLabel();
    QString designClass() const override { return QStringLiteral("TKCounterLabel"); }

    const QString& textBefore() const { return textBefore_; }
    void setTextBefore(const QString& v);
    const QString& textAfter() const { return textAfter_; }
    void setTextAfter(const QString& v);
    qint32 startingNumber() const { return start_; }
    // A different starting number resets the counter.
    void setStartingNumber(qint32 v);
    int repeatEach() const { return repeatEach_; }
    void setRepeatEach(int v) { repeatEach_ = v; }
    int leadingZeros() const { return leadingZeros_; }
    void setLeadingZeros(int v);

    qint64 value() const { return value_; }
    // Text before, the value with at least LeadingZeros digits, text after.
    static QString counterText(const QString& before, qint64 value, int leadingZeros, const QString& after);

    void paint(QPainter& p, const PaintContext& ctx) override;
    void advanceCounter() override;
    void resetCounter() override;
    void addMenuEntries(MenuEntries& menu) override;

    CounterSettings settings() const;
    // Takes the dialog's settings: a new starting number resets the counter;
    // upright counters are narrowed and sized to fit their new text.
    void applySettings(const CounterSettings& s);
    // The "Counter" dialog.
    void editCounter();

    static PropertyList ownProperties();

private:
    void rebuildText();
    QString textBefore_;
    QString textAfter_;
    qint32 start_ = 1;
    int repeatEach_ = 1;
    int leadingZeros_ = 0;
    qint64 value_ = 1;  // wider than the stored number, so advancing never overflows
    int repeats_ = 0;
};

// One character of a symbol font, sized to its glyph.
class TKSymbolLabel : public TKBaseLabel {
    Q_OBJECT
public:
    TKSymbolLabel();
    QString designClass() const override { return QStringLiteral("TKSymbolLabel"); }

    // The font comes only from the symbol dialog.
    void applyFont(const DesignFont&) override {}
    // A symbol read from a file takes its glyph's size at once: the file sets
    // the bounds before the character and the font they have to fit.
    void loaded() override { fitToSymbol(); }
    void boundsChanged() override;
    void addMenuEntries(MenuEntries& menu) override;
    // Width and height the symbol needs at the current zoom.
    QSize symbolSize() const { return limitedSize(zoom(), width(), height()); }
    // Sets font and character from the symbol dialog and resizes to the glyph.
    void setSymbol(const DesignFont& font, QChar symbol);
    // "Symbol Selector".
    void editSymbol();

protected:
    // A symbol object is always as large as its glyph.
    QSize limitedSize(float zoom, int w, int h) const override;

private:
    void fitToSymbol();
};

// The date and time of printing in the user's formats.
class TKDateTimeLabel : public TKBaseLabel {
    Q_OBJECT
public:
    enum DateFormat { dtfDateNone, dtfDateShort, dtfDateLong };
    enum TimeFormat { dtfTimeNone, dtfTimeShort, dtfTimeLong };

    TKDateTimeLabel() = default;
    QString designClass() const override { return QStringLiteral("TKDateTimeLabel"); }

    int dateFormat() const { return dateFormat_; }
    void setDateFormat(int v);
    int timeFormat() const { return timeFormat_; }
    void setTimeFormat(int v);

    // The date, then one space and the time unless the time is left out.
    static QString formatText(const QDateTime& when, int dateFormat, int timeFormat,
                              const QLocale& locale = QLocale::system());

    void paint(QPainter& p, const PaintContext& ctx) override;
    void printAt(printing::PageCanvas& page, double top, double left) override;
    void addMenuEntries(MenuEntries& menu) override;

    static PropertyList ownProperties();

private:
    int dateFormat_ = dtfDateShort;
    int timeFormat_ = dtfTimeNone;
};

// The page number: "##" on screen, the canvas's page number on paper.
class TKPageNumberLabel : public TKBaseLabel {
    Q_OBJECT
public:
    TKPageNumberLabel() = default;
    QString designClass() const override { return QStringLiteral("TKPageNumberLabel"); }

    void paint(QPainter& p, const PaintContext& ctx) override;
    void printAt(printing::PageCanvas& page, double top, double left) override;
};

}  // namespace brindle::designobjects
