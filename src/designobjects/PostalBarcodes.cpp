#include "designobjects/PostalBarcodes.h"

#include <QPainter>

#include <cmath>

#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "printing/PageCanvas.h"

namespace brindle::designobjects {

namespace postal {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

QString digitsOf(const QString& s) {
    QString out;
    for (QChar c : s)
        if (isDigit(c)) out += c;
    return out;
}

// Full (true) and half (false) bars of each digit, left to right.
constexpr bool kDigitBars[10][5] = {
    {true, true, false, false, false},  // 0
    {false, false, false, true, true},  // 1
    {false, false, true, false, true},  // 2
    {false, false, true, true, false},  // 3
    {false, true, false, false, true},  // 4
    {false, true, false, true, false},  // 5
    {false, true, true, false, false},  // 6
    {true, false, false, false, true},  // 7
    {true, false, false, true, false},  // 8
    {true, false, true, false, false},  // 9
};

}  // namespace

QString deliveryPointDigits(const QString& address) {
    const QString s = address.toUpper();
    if (s.contains(QLatin1String("APO")) || s.contains(QLatin1String("FPO"))) return QStringLiteral("99");
    // Scanned from the end: the house number is the last number before the
    // street name; the numerator of a fraction (1/2) and the digits of an
    // ordinal (42ND) are skipped.
    QChar units, tens;  // null while blank
    bool fraction = false, ordinal = false;
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        const QChar c = s[i];
        if (isDigit(c)) {
            if (!fraction && !ordinal && tens.isNull()) {
                if (units.isNull()) units = c;
                else tens = c;
            }
        } else if (c == QLatin1Char(' ')) {
            if (!units.isNull()) break;
            fraction = ordinal = false;
        } else if (c == QLatin1Char('/') && !units.isNull()) {
            units = tens = QChar();
            fraction = true;
        } else if (!units.isNull() && tens.isNull()) {
            tens = QLatin1Char('0');
            break;
        } else if (i + 1 < s.size()) {  // the last character has no follower to pair with
            const QString pair = s.mid(i, 2);
            if (pair == QLatin1String("ST") || pair == QLatin1String("ND") || pair == QLatin1String("RD") ||
                pair == QLatin1String("TH"))
                ordinal = true;
        }
    }
    if (units.isNull()) return QStringLiteral("99");
    if (tens.isNull()) tens = QLatin1Char('0');
    return QString(tens) + units;
}

bool zipTextInRange(const QString& zip) {
    return zip.size() >= 5 && zip.compare(QLatin1String("00000"), Qt::CaseSensitive) >= 0 &&
           zip.compare(QLatin1String("99999-9999"), Qt::CaseSensitive) <= 0;
}

int checkDigit(const QString& digits) {
    int sum = 0;
    for (QChar c : digits)
        if (isDigit(c)) sum += c.unicode() - '0';
    return (10 - sum % 10) % 10;
}

bool zipWellFormed(const QString& zip) {
    const QString z = zip.trimmed();
    const auto digitsAt = [&](qsizetype from, qsizetype count) {
        for (qsizetype i = from; i < from + count; ++i)
            if (!isDigit(z[i])) return false;
        return true;
    };
    switch (z.size()) {
    case 5: return digitsAt(0, 5);
    case 9: return digitsAt(0, 9);
    case 10: return digitsAt(0, 5) && z[5] == QLatin1Char('-') && digitsAt(6, 4);
    default: return false;
    }
}

QString postNetDigits(const QString& zip, const QString& address, int type) {
    if (!zipTextInRange(zip) || !zipWellFormed(zip)) return {};
    QString d = digitsOf(zip);  // five digits, or nine for a ZIP+4
    if (type == pnbc5Digit) d = d.left(5);
    else if (type == pnbc11Digit && d.size() == 9) d += digitsOf(deliveryPointDigits(address));
    return d + QChar(u'0' + checkDigit(d));
}

std::vector<bool> postNetBars(const QString& digits) {
    std::vector<bool> bars;
    bars.reserve(size_t(digits.size()) * 5 + 2);
    bars.push_back(true);
    for (QChar c : digits) {
        if (!isDigit(c)) continue;
        const auto& row = kDigitBars[c.unicode() - '0'];
        bars.insert(bars.end(), std::begin(row), std::end(row));
    }
    bars.push_back(true);
    return bars;
}

std::array<bool, 9> fimPattern(int type) {
    switch (type) {
    case fimTypeB:
        return {true, false, true, true, false, true, true, false, true};
    case fimTypeC:
        return {true, true, false, true, false, true, false, true, true};
    default:
        return {true, true, false, false, true, false, false, true, true};
    }
}

PixelBar snapBar(double originInches, double offsetInches, double widthInches, double dpi) {
    const qint64 origin = std::llround(originInches * dpi);
    const qint64 width = std::max<qint64>(1, std::llround(widthInches * dpi));
    const qint64 left = origin + std::llround(offsetInches * dpi);
    return {left, left + width};
}

double pageDpi(const printing::PageCanvas& page) {
    const double dpi = page.deviceDpi();
    return dpi > 0 ? dpi : 300.0;
}

double snapY(double originInches, double offsetInches, double dpi) {
    return double(std::llround(originInches * dpi) + std::llround(offsetInches * dpi)) / dpi;
}

void prepareBlack(printing::PageCanvas& page) {
    page.setBrush(0x000000, printing::BrushStyle::Solid);
    page.setPen(0x000000, printing::PenStyle::Solid, printing::PenMode::Copy, 1);
}

}  // namespace postal

// ---------------------------------------------------------------- POSTNET

TKPostNetBarCode::TKPostNetBarCode() {
    setBounds(0, 0, int(2.6 * kDesignPpi), int(0.125 * kDesignPpi));
}

void TKPostNetBarCode::setBarCodeType(int t) {
    if (t < postal::pnbc5Digit || t > postal::pnbc11Digit || t == type_) return;
    type_ = t;
}

const QImage& TKPostNetBarCode::samplePicture() {
    static const QImage img = [] {
        QImage i(270, 16, QImage::Format_RGB32);
        i.fill(Qt::white);
        QPainter p(&i);
        // A 9-digit code (52 bars): two pixels wide at a five-pixel pitch.
        const QString digits = postal::postNetDigits(QStringLiteral("62701-1234"), QString(), postal::pnbc9Digit);
        const auto bars = postal::postNetBars(digits);
        int x = (270 - (int(bars.size()) - 1) * 5 - 2) / 2;
        for (bool full : bars) {
            p.fillRect(QRect(x, full ? 0 : 9, 2, full ? 16 : 7), Qt::black);
            x += 5;
        }
        return i;
    }();
    return img;
}

void TKPostNetBarCode::fitToZoom() {
    const QImage& pic = samplePicture();
    const double z = zoom();
    fittedZoom_ = zoom();
    const int w = roundHalfEven(pic.width() * z);
    const int h = roundHalfEven(pic.height() * z);
    if (w != width() || h != height()) setBounds(left(), top(), w, h);
}

void TKPostNetBarCode::boundsChanged() {
    TKGraphicControl::boundsChanged();
    // A zoom rescales the bounds with rounding, and a round trip through
    // other zooms would drift a pixel at a time; the size follows from the
    // zoom alone. Until its first paint or zoom a new object keeps the size
    // it was made with.
    if (zoom() != fittedZoom_) fitToZoom();
}

void TKPostNetBarCode::paint(QPainter& p, const PaintContext&) {
    fitToZoom();
    const QImage& pic = samplePicture();
    if (pic.isNull()) {
        p.save();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
        p.restore();
        return;
    }
    p.drawImage(QRect(0, 0, width(), height()), pic);
}

void TKPostNetBarCode::refreshData() {
    const DesignDocument* s = document();
    const RecordSource* src = s ? s->recordSource() : nullptr;
    auto value = [src](const QString& name) -> QString {
        if (!src || name.isEmpty()) return {};
        for (const auto& f : src->fields())
            if (f.name.compare(name, Qt::CaseInsensitive) == 0) return src->fieldText(f.name);
        return {};  // a field the address table lacks reads as empty
    };
    zipText_ = value(zipCodeField_);
    addressText_ = value(addressField_);
    invalidate();
}

void TKPostNetBarCode::printAt(printing::PageCanvas& page, double top, double left) {
    const QString digits = encodedDigits();
    if (digits.isEmpty()) return;  // invalid ZIP: the rest of the label prints normally
    const QRectF r = paperRect(top, left);
    const double x0 = r.left(), y0 = r.top();
    const double dpi = postal::pageDpi(page);
    postal::prepareBlack(page);
    const double fullTop = postal::snapY(y0, 0.0, dpi);
    const double halfTop = postal::snapY(y0, postal::kPostNetHalfTop, dpi);
    const double bottom = postal::snapY(y0, postal::kPostNetFullHeight, dpi);
    const auto bars = postal::postNetBars(digits);
    for (size_t i = 0; i < bars.size(); ++i) {
        const auto b = postal::snapBar(x0, double(i) * postal::kPostNetPitch, postal::kPostNetBarWidth, dpi);
        const QRectF box(QPointF(double(b.left) / dpi, bars[i] ? fullTop : halfTop), QPointF(double(b.right) / dpi, bottom));
        page.fillRect(box, 0x000000);
    }
}

PropertyList TKPostNetBarCode::ownProperties() {
    using T = TKPostNetBarCode;
    return {
        makeProperty<T>("ZipCodeField", PropKind::Text, std::nullopt, [](const T& o) { return o.zipCodeField(); },
                        [](T& o, const PropValue& v) { o.setZipCodeField(textOf(v)); }),
        makeProperty<T>("AddressField", PropKind::Text, std::nullopt, [](const T& o) { return o.addressField(); },
                        [](T& o, const PropValue& v) { o.setAddressField(textOf(v)); }),
        makeProperty<T>("BarCodeType", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.barCodeType()); },
                        [](T& o, const PropValue& v) { o.setBarCodeType(int(intOf(v))); },
                        {"pnbc5Digit", "pnbc9Digit", "pnbc11Digit"}),
    };
}

// ---------------------------------------------------------------- FIM

TKFIMBarCode::TKFIMBarCode() {
    setBounds(0, 0, int(0.625 * kDesignPpi), int(postal::kFimHeight * kDesignPpi));
}

void TKFIMBarCode::setFimType(int t) {
    if (t < postal::fimTypeA || t > postal::fimTypeC || t == type_) return;
    type_ = t;
    invalidate();
}

void TKFIMBarCode::fitToZoom() {
    const int side = int(0.625 * kDesignPpi * double(zoom()));
    if (side != width() || side != height()) setBounds(left(), top(), side, side);
}

void TKFIMBarCode::paint(QPainter& p, const PaintContext&) {
    fitToZoom();
    const double z = zoom();
    const int u = int(kDesignPpi * z / 32.0);
    const int h = int(postal::kFimHeight * kDesignPpi * z);
    const auto pattern = postal::fimPattern(type_);
    for (int pos = 1; pos <= 9; ++pos)
        if (pattern[size_t(pos - 1)]) p.fillRect(QRect((2 * pos - 2) * u, 0, u, h), Qt::black);
}

void TKFIMBarCode::printAt(printing::PageCanvas& page, double top, double left) {
    const QRectF r = paperRect(top, left);
    const double dpi = postal::pageDpi(page);
    postal::prepareBlack(page);
    const double barTop = postal::snapY(r.top(), 0.0, dpi);
    const double bottom = postal::snapY(r.top(), postal::kFimHeight, dpi);
    const auto pattern = postal::fimPattern(type_);
    for (int pos = 1; pos <= 9; ++pos) {
        if (!pattern[size_t(pos - 1)]) continue;
        const auto b = postal::snapBar(r.left(), (pos - 1) * postal::kFimPitch, postal::kFimBarWidth, dpi);
        page.fillRect(QRectF(QPointF(double(b.left) / dpi, barTop), QPointF(double(b.right) / dpi, bottom)), 0x000000);
    }
}

void TKFIMBarCode::addMenuEntries(MenuEntries& menu) {
    TKGraphicControl::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    const char* names[] = {"Set FIM to Type A", "Set FIM to Type B", "Set FIM to Type C"};
    for (int t = postal::fimTypeA; t <= postal::fimTypeC; ++t)
        menu.push_back(MenuEntry::check(QString::fromLatin1(names[t]), type_ == t, [this, t] {
            changed();
            setFimType(t);
            invalidate();
        }));
}

PropertyList TKFIMBarCode::ownProperties() {
    using T = TKFIMBarCode;
    return {
        makeProperty<T>("FIMType", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.fimType()); },
                        [](T& o, const PropValue& v) { o.setFimType(int(intOf(v))); },
                        {"fimTypeA", "fimTypeB", "fimTypeC"}),
    };
}

}  // namespace brindle::designobjects
