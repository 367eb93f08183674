#include "designobjects/TextLabelKinds.h"

#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "printing/PageCanvas.h"

#include <algorithm>

namespace brindle::designobjects {

// ---------------------------------------------------------------- data field

void TKPDLabel::refreshData() {
    const BoundField f = readBoundField(surface(), dataFieldDescript_);
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

// ---------------------------------------------------------------- date and time

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
