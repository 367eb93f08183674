#include "designobjects/TextLabelKinds.h"

#include "designobjects/DesignSurface.h"
#include "designobjects/FontMetrics.h"
#include "designobjects/ObjectEditing.h"
#include "designobjects/RecordSource.h"
#include "printing/PageCanvas.h"

#include <algorithm>

namespace brindle::designobjects {

// ---------------------------------------------------------------- data field

void TKPDLabel::refreshData() {
    const BoundField f = readBoundField(document(), dataFieldDescript_);
    const bool printing = f.printing;
    QString text;
    QString placeholder;
    if (f.found) {
        if (f.showValues || printing) {
            text = trimBoth(f.text);
            if (text.isEmpty() && !printing) placeholder = QStringLiteral("<blank field>");
        } else {
            placeholder = QLatin1Char('[') + dataFieldDescript_ + QLatin1Char(']');
        }
    } else if (!printing) {
        placeholder = QStringLiteral("<undefined field>");
    }
    placeholder_ = placeholder;
    setCaptionSilently(trimTrailing(text));
    invalidate();
}

void TKPDLabel::editField() { chooseBoundField(*this, false, dataFieldName_, dataFieldDescript_); }

void TKPDLabel::addMenuEntries(MenuEntries& menu) {
    TKBaseLabel::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Field"), [this] { editField(); }));
}

void TKPDLabel::clearDataText() {
    placeholder_.clear();
    setCaptionSilently(QString());
}

PropertyList TKPDLabel::ownProperties() {
    using T = TKPDLabel;
    return {
        makeProperty<T>("DataFieldName", PropKind::Text, std::nullopt, [](const T& o) { return o.dataFieldName(); },
                        [](T& o, const PropValue& v) { o.setDataFieldName(textOf(v)); }),
        makeProperty<T>("DataFieldDescript", PropKind::Text, std::nullopt,
                        [](const T& o) { return o.dataFieldDescript(); },
                        [](T& o, const PropValue& v) { o.setDataFieldDescript(textOf(v)); }),
        makeProperty<T>("LengthOfText", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.lengthOfText()); },
                        [](T& o, const PropValue& v) { o.setLengthOfText(int(intOf(v))); }),
    };
}

// ---------------------------------------------------------------- counter

TKCounterLabel::TKCounterLabel() { rebuildText(); }

QString TKCounterLabel::counterText(const QString& before, qint64 value, int leadingZeros, const QString& after) {
    // The dialog offers up to nine digits; a damaged file may hold any number,
    // so the padding is capped rather than allocated as asked.
    constexpr int kMaxDigits = 255;
    leadingZeros = std::min(leadingZeros, kMaxDigits);
    QString digits = QString::number(value < 0 ? -value : value);
    if (leadingZeros > 0 && digits.size() < leadingZeros) digits = digits.rightJustified(leadingZeros, QLatin1Char('0'));
    if (value < 0) digits.prepend(QLatin1Char('-'));
    return before + digits + after;
}

void TKCounterLabel::rebuildText() { setCaptionSilently(counterText(textBefore_, value_, leadingZeros_, textAfter_)); }

void TKCounterLabel::setTextBefore(const QString& v) {
    textBefore_ = v;
    rebuildText();
}

void TKCounterLabel::setTextAfter(const QString& v) {
    textAfter_ = v;
    rebuildText();
}

void TKCounterLabel::setLeadingZeros(int v) {
    leadingZeros_ = v;
    rebuildText();
}

void TKCounterLabel::setStartingNumber(qint32 v) {
    if (v == start_) return;
    start_ = v;
    resetCounter();
}

void TKCounterLabel::paint(QPainter& p, const PaintContext& ctx) {
    rebuildText();
    TKBaseLabel::paint(p, ctx);
}

void TKCounterLabel::advanceCounter() {
    if (repeatEach_ < 1) return;
    if (++repeats_ < repeatEach_) return;
    repeats_ = 0;
    ++value_;
    rebuildText();
    invalidate();
}

void TKCounterLabel::resetCounter() {
    value_ = start_;
    repeats_ = 0;
    rebuildText();
    invalidate();
}

CounterSettings TKCounterLabel::settings() const {
    CounterSettings s;
    s.textBefore = textBefore_;
    s.startingNumber = start_;
    s.repeatEach = repeatEach_;
    s.textAfter = textAfter_;
    s.leadingZeros = leadingZeros_;
    return s;
}

void TKCounterLabel::applySettings(const CounterSettings& s) {
    setStartingNumber(s.startingNumber);
    repeatEach_ = s.repeatEach;
    textBefore_ = s.textBefore;
    textAfter_ = s.textAfter;
    leadingZeros_ = s.leadingZeros;
    rebuildText();
    if (angle() == 0) {
        setWidth(10);
        sizeToFit();
    }
    invalidate();
    changed();
}

void TKCounterLabel::editCounter() {
    auto* d = dialogs();
    if (!d) return;
    CounterSettings s = settings();
    if (d->editCounter(s)) applySettings(s);
}

void TKCounterLabel::addMenuEntries(MenuEntries& menu) {
    TKBaseLabel::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Counter Settings"), [this] { editCounter(); }));
    addRotationEntries(menu);
}

PropertyList TKCounterLabel::ownProperties() {
    using T = TKCounterLabel;
    return {
        makeProperty<T>("TextBefore", PropKind::Text, std::nullopt, [](const T& o) { return o.textBefore(); },
                        [](T& o, const PropValue& v) { o.setTextBefore(textOf(v)); }),
        makeProperty<T>("TextAfter", PropKind::Text, std::nullopt, [](const T& o) { return o.textAfter(); },
                        [](T& o, const PropValue& v) { o.setTextAfter(textOf(v)); }),
        makeProperty<T>("Startingnumber", PropKind::Integer, std::nullopt,
                        [](const T& o) { return qint64(o.startingNumber()); },
                        [](T& o, const PropValue& v) { o.setStartingNumber(qint32(intOf(v))); }),
        makeProperty<T>("RepeatEach", PropKind::Integer, std::nullopt, [](const T& o) { return qint64(o.repeatEach()); },
                        [](T& o, const PropValue& v) { o.setRepeatEach(int(intOf(v))); }),
        makeProperty<T>("LeadingZeros", PropKind::Integer, std::nullopt,
                        [](const T& o) { return qint64(o.leadingZeros()); },
                        [](T& o, const PropValue& v) { o.setLeadingZeros(int(intOf(v))); }),
    };
}

// ---------------------------------------------------------------- symbol

TKSymbolLabel::TKSymbolLabel() {
    DesignFont f;
    f.name = QStringLiteral("WingDings");
    f.setPointSize(24);
    setFont(f);
    setCaption(QStringLiteral("["));
    fitToSymbol();
}

QSize TKSymbolLabel::limitedSize(float zoom, int w, int h) const {
    const LabelLayout lay = layoutFor(zoom, w, h);
    const TextMetrics fm(font(), zoom);
    const int x = std::max({lay.mainStart.x(), lay.shadowStart.x(), lay.highlightStart.x()});
    const int y = std::max({lay.mainStart.y(), lay.shadowStart.y(), lay.highlightStart.y()});
    return {int(1.1 * fm.width(caption())) + x, int(1.1 * fm.height()) + y};
}

void TKSymbolLabel::fitToSymbol() {
    // Nothing to fit yet: a design file sets the bounds before the symbol.
    if (caption().isEmpty()) return;
    const QSize s = symbolSize();
    if (s != QSize(width(), height())) setBounds(left(), top(), s.width(), s.height());
}

void TKSymbolLabel::boundsChanged() {
    TKBaseLabel::boundsChanged();
    fitToSymbol();
}

void TKSymbolLabel::setSymbol(const DesignFont& f, QChar symbol) {
    setFont(f);
    setCaption(QString(symbol));
    fitToSymbol();
}

void TKSymbolLabel::editSymbol() {
    auto* d = dialogs();
    if (!d) return;
    DesignFont f = font();
    QChar c = caption().isEmpty() ? QChar(u'[') : caption().front();
    if (d->selectSymbol(f, c)) setSymbol(f, c);
}

void TKSymbolLabel::addMenuEntries(MenuEntries& menu) {
    TKBaseLabel::addMenuEntries(menu);
    // The glyph decides the size, so neither font nor alignment is offered.
    std::erase_if(menu, [](const MenuEntry& e) {
        return e.caption == QLatin1String("Font") || e.caption == QLatin1String("Alignment");
    });
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Symbol Selector"), [this] { editSymbol(); }));
}

// ---------------------------------------------------------------- date and time

void TKDateTimeLabel::addMenuEntries(MenuEntries& menu) {
    TKBaseLabel::addMenuEntries(menu);
    auto date = [this](int v) {
        return [this, v] {
            if (v == dateFormat_) return;
            setDateFormat(v);
            changed();
        };
    };
    auto time = [this](int v) {
        return [this, v] {
            if (v == timeFormat_) return;
            setTimeFormat(v);
            changed();
        };
    };
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::submenu(
        QStringLiteral("Date Format"),
        {MenuEntry::check(QStringLiteral("No Date"), dateFormat_ == dtfDateNone, date(dtfDateNone)),
         MenuEntry::check(QStringLiteral("Windows Short Date"), dateFormat_ == dtfDateShort, date(dtfDateShort)),
         MenuEntry::check(QStringLiteral("Windows Long Date"), dateFormat_ == dtfDateLong, date(dtfDateLong))}));
    menu.push_back(MenuEntry::submenu(
        QStringLiteral("Time Format"),
        {MenuEntry::check(QStringLiteral("No Time"), timeFormat_ == dtfTimeNone, time(dtfTimeNone)),
         MenuEntry::check(QStringLiteral("Windows Short Time"), timeFormat_ == dtfTimeShort, time(dtfTimeShort)),
         MenuEntry::check(QStringLiteral("Windows Long Time"), timeFormat_ == dtfTimeLong, time(dtfTimeLong))}));
}

void TKDateTimeLabel::setDateFormat(int v) {
    if (v < dtfDateNone || v > dtfDateLong) return;
    dateFormat_ = v;
    invalidate();
}

void TKDateTimeLabel::setTimeFormat(int v) {
    if (v < dtfTimeNone || v > dtfTimeLong) return;
    timeFormat_ = v;
    invalidate();
}

QString TKDateTimeLabel::formatText(const QDateTime& when, int dateFormat, int timeFormat, const QLocale& locale) {
    QString text;
    if (dateFormat == dtfDateShort) text = locale.toString(when.date(), QLocale::ShortFormat);
    else if (dateFormat == dtfDateLong) text = locale.toString(when.date(), QLocale::LongFormat);
    if (timeFormat == dtfTimeShort) text += QLatin1Char(' ') + locale.toString(when.time(), QLocale::ShortFormat);
    else if (timeFormat == dtfTimeLong) text += QLatin1Char(' ') + locale.toString(when.time(), QLocale::LongFormat);
    return text;
}

void TKDateTimeLabel::paint(QPainter& p, const PaintContext& ctx) {
    setCaptionSilently(formatText(QDateTime::currentDateTime(), dateFormat_, timeFormat_));
    TKBaseLabel::paint(p, ctx);
}

void TKDateTimeLabel::printAt(printing::PageCanvas& page, double top, double left) {
    setCaptionSilently(formatText(QDateTime::currentDateTime(), dateFormat_, timeFormat_));
    TKBaseLabel::printAt(page, top, left);
}

PropertyList TKDateTimeLabel::ownProperties() {
    using T = TKDateTimeLabel;
    return {
        makeProperty<T>("DateFormat", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.dateFormat()); },
                        [](T& o, const PropValue& v) { o.setDateFormat(int(intOf(v))); },
                        {"dtfDateNone", "dtfDateShort", "dtfDateLong"}),
        makeProperty<T>("TimeFormat", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.timeFormat()); },
                        [](T& o, const PropValue& v) { o.setTimeFormat(int(intOf(v))); },
                        {"dtfTimeNone", "dtfTimeShort", "dtfTimeLong"}),
    };
}

// ---------------------------------------------------------------- page number

void TKPageNumberLabel::paint(QPainter& p, const PaintContext& ctx) {
    setCaptionSilently(QStringLiteral("##"));
    TKBaseLabel::paint(p, ctx);
}

void TKPageNumberLabel::printAt(printing::PageCanvas& page, double top, double left) {
    setCaptionSilently(QString::number(page.pageNumber()));
    TKBaseLabel::printAt(page, top, left);
}

}  // namespace brindle::designobjects
