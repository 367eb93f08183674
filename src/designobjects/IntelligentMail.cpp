#include "designobjects/IntelligentMail.h"

#include <QPainter>

#include <zint.h>

#include <cmath>
#include <memory>

#include "common/Common.h"
#include "common/ProfileFile.h"
#include "designobjects/DesignDialogs.h"
#include "designobjects/DesignDocument.h"
#include "designobjects/ObjectEditing.h"
#include "designobjects/PostalBarcodes.h"
#include "designobjects/RecordSource.h"
#include "printing/PageCanvas.h"

namespace brindle::designobjects {

namespace imb {

namespace {

bool allDigits(const QString& s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return !s.isEmpty();
}

QString digitsOf(const QString& s) {
    QString out;
    for (QChar c : s)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) out += c;
    return out;
}

}  // namespace

int serialLength(const QString& mailerId) {
    if (!allDigits(mailerId)) return 0;
    // Six-digit mailer IDs begin with 0 to 8, nine-digit ones with 9, so
    // that a reader tells the two tracking layouts apart.
    if (mailerId.size() == 6 && mailerId[0] != QLatin1Char('9')) return 9;
    if (mailerId.size() == 9 && mailerId[0] == QLatin1Char('9')) return 6;
    return 0;
}

Problem checkTracking(const Tracking& t) {
    if (t.barcodeId.size() != 2 || !allDigits(t.barcodeId) || t.barcodeId[1] > QLatin1Char('4'))
        return Problem::BarcodeId;
    if (t.serviceType.size() != 3 || !allDigits(t.serviceType)) return Problem::ServiceType;
    if (serialLength(t.mailerId) == 0) return Problem::MailerId;
    return Problem::None;
}

std::optional<QString> serialDigits(const QString& serial, int length) {
    const QString s = serial.trimmed();
    if (length <= 0 || !allDigits(s) || s.size() > length) return std::nullopt;
    return s.rightJustified(length, QLatin1Char('0'));
}

std::optional<QString> trackingCode(const Tracking& t, const QString& serial) {
    if (checkTracking(t) != Problem::None) return std::nullopt;
    const auto digits = serialDigits(serial, serialLength(t.mailerId));
    if (!digits) return std::nullopt;
    return t.barcodeId + t.serviceType + t.mailerId + *digits;
}

std::optional<QString> routingCode(const QString& zip, const QString& address) {
    if (!postal::zipTextInRange(zip) || !postal::zipWellFormed(zip)) return std::nullopt;
    QString d = digitsOf(zip);
    if (d.size() == 9) d += postal::deliveryPointDigits(address);
    return d;
}

QString bars(const QString& tracking, const QString& routing, QString* error) {
    struct Free {
        void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
    };
    std::unique_ptr<zint_symbol, Free> sym(ZBarcode_Create());
    if (!sym) return {};
    sym->symbology = BARCODE_USPS_IMAIL;
    QByteArray input = tracking.toLatin1();
    if (!routing.isEmpty()) input += '-' + routing.toLatin1();
    const int rc = ZBarcode_Encode(sym.get(), reinterpret_cast<const unsigned char*>(input.constData()),
                                   int(input.size()));
    // Three rows (ascenders, tracker, descenders) with a bar in every other module.
    if (rc >= ZINT_ERROR || sym->rows != 3 || sym->width != 2 * kBarCount - 1) {
        if (error) *error = QString::fromLatin1(sym->errtxt);
        return {};
    }
    const auto set = [&](int row, int col) { return (sym->encoded_data[row][col >> 3] >> (col & 7)) & 1; };
    QString out;
    out.reserve(kBarCount);
    for (int i = 0; i < kBarCount; ++i) {
        const bool up = set(0, 2 * i), down = set(2, 2 * i);
        out += up && down ? QLatin1Char('F') : up ? QLatin1Char('A') : down ? QLatin1Char('D') : QLatin1Char('T');
    }
    return out;
}

QChar stateOf(double top, double bottom) {
    const bool up = top < kTrackerTop / 2;
    const bool down = bottom > (kTrackerBottom + kFullHeight) / 2;
    return up && down ? QLatin1Char('F') : up ? QLatin1Char('A') : down ? QLatin1Char('D') : QLatin1Char('T');
}

QString problemText(Problem p) {
    switch (p) {
    case Problem::BarcodeId: return QStringLiteral("The barcode identifier must be two digits, the second from 0 to 4.");
    case Problem::ServiceType: return QStringLiteral("The service type must be three digits.");
    case Problem::MailerId:
        return QStringLiteral("The mailer ID must be six digits beginning with 0 to 8, or nine digits beginning with 9.");
    case Problem::Serial:
        return QStringLiteral("The serial number must be a whole number of at most 9 digits after a six-digit mailer ID, "
                              "or 6 digits after a nine-digit one.");
    case Problem::None: break;
    }
    return {};
}

Problem checkSettings(const ImbSettings& s) {
    const Problem p = checkTracking({s.barcodeId, s.serviceType, s.mailerId});
    if (p != Problem::None) return p;
    if (s.serialSource == TKIMBarCode::ssCounter &&
        (s.startingSerial < 0 || !serialDigits(QString::number(s.startingSerial), serialLength(s.mailerId))))
        return Problem::Serial;
    return Problem::None;
}

}  // namespace imb


TKIMBarCode::TKIMBarCode() {
    // The length of 65 bars (64 pitches and one bar) by a full bar's height.
    setBounds(0, 0, int((64 * imb::kPitch + imb::kBarWidth) * kDesignPpi) + 1, int(imb::kFullHeight * kDesignPpi) + 1);
}

void TKIMBarCode::setStartingSerial(qint64 v) {
    if (v < 0 || v == startingSerial_) return;
    startingSerial_ = v;
    resetCounter();
}

QString TKIMBarCode::serialText() const {
    return serialSource_ == ssField ? serialText_ : QString::number(serial_);
}

QString TKIMBarCode::encodedBars() const {
    const auto tracking = imb::trackingCode(tracking_, serialText());
    const auto routing = imb::routingCode(zipText_, addressText_);
    if (!tracking || !routing) return {};
    return imb::bars(*tracking, *routing);
}

void TKIMBarCode::paint(QPainter& p, const PaintContext&) {
    // The record's own bars when they can be made, else a sample, scaled to the object.
    QString states = encodedBars();
    if (states.isEmpty())
        states = imb::bars(QStringLiteral("01234567094987654321"), QStringLiteral("01234567891"));
    if (states.size() != imb::kBarCount) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
        return;
    }
    const double sx = double(width()) / (64 * imb::kPitch + imb::kBarWidth);
    const double sy = double(height()) / imb::kFullHeight;
    const double w = std::max(1.0, imb::kBarWidth * sx);
    for (int i = 0; i < imb::kBarCount; ++i) {
        const QChar c = states[i];
        const double top = (c == QLatin1Char('F') || c == QLatin1Char('A')) ? 0.0 : imb::kTrackerTop;
        const double bottom = (c == QLatin1Char('F') || c == QLatin1Char('D')) ? imb::kFullHeight : imb::kTrackerBottom;
        p.fillRect(QRectF(i * imb::kPitch * sx, top * sy, w, std::max(1.0, (bottom - top) * sy)), Qt::black);
    }
}

void TKIMBarCode::refreshData() {
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
    serialText_ = value(serialField_);
    invalidate();
}

void TKIMBarCode::advanceCounter() {
    if (serialSource_ != ssCounter) return;
    ++serial_;
    invalidate();
}

void TKIMBarCode::resetCounter() {
    serial_ = startingSerial_;
    invalidate();
}

void TKIMBarCode::printAt(printing::PageCanvas& page, double top, double left) {
    const QString states = encodedBars();
    if (states.size() != imb::kBarCount) return;  // nothing that fits: the rest of the label prints normally
    const QRectF r = paperRect(top, left);
    const double dpi = postal::pageDpi(page);
    postal::prepareBlack(page);
    const double fullTop = postal::snapY(r.top(), 0.0, dpi);
    const double trackerTop = postal::snapY(r.top(), imb::kTrackerTop, dpi);
    const double trackerBottom = postal::snapY(r.top(), imb::kTrackerBottom, dpi);
    const double bottom = postal::snapY(r.top(), imb::kFullHeight, dpi);
    for (int i = 0; i < imb::kBarCount; ++i) {
        const QChar c = states[i];
        const bool up = c == QLatin1Char('F') || c == QLatin1Char('A');
        const bool down = c == QLatin1Char('F') || c == QLatin1Char('D');
        const auto b = postal::snapBar(r.left(), i * imb::kPitch, imb::kBarWidth, dpi);
        page.fillRect(QRectF(QPointF(double(b.left) / dpi, up ? fullTop : trackerTop),
                             QPointF(double(b.right) / dpi, down ? bottom : trackerBottom)),
                      0x000000);
    }
}

void TKIMBarCode::editSettings() {
    auto* d = dialogsFor(this);
    if (!d) return;
    ImbSettings s{tracking_.barcodeId, tracking_.serviceType, tracking_.mailerId,
                  serialSource_, serialField_, startingSerial_};
    QStringList names;
    if (const DesignDocument* doc = document())
        if (const RecordSource* src = doc->recordSource())
            for (const auto& f : src->fields()) names << f.name;
    if (!d->editIntelligentMail(s, names)) return;
    // The dialog refuses what does not fit; a caller answering otherwise changes nothing.
    if (imb::checkSettings(s) != imb::Problem::None) return;
    const imb::Tracking t{s.barcodeId, s.serviceType, s.mailerId};
    changed();
    tracking_ = t;
    serialSource_ = s.serialSource == ssField ? ssField : ssCounter;
    serialField_ = s.serialField;
    startingSerial_ = s.startingSerial;
    resetCounter();
    refreshData();
    saveDefaults();
}

void TKIMBarCode::applyDefaults() {
    const common::ProfileFile ini(common::settingsPath());
    const QString section = QStringLiteral("Intelligent Mail");
    const imb::Tracking t{ini.readString(section, QStringLiteral("BarcodeId"), tracking_.barcodeId),
                          ini.readString(section, QStringLiteral("ServiceType"), tracking_.serviceType),
                          ini.readString(section, QStringLiteral("MailerId"), tracking_.mailerId)};
    // A hand-edited value that does not fit is ignored field by field.
    imb::Tracking keep = tracking_;
    if (imb::checkTracking({t.barcodeId, keep.serviceType, QStringLiteral("123456")}) == imb::Problem::None)
        keep.barcodeId = t.barcodeId;
    if (imb::checkTracking({keep.barcodeId, t.serviceType, QStringLiteral("123456")}) == imb::Problem::None)
        keep.serviceType = t.serviceType;
    if (imb::serialLength(t.mailerId) > 0) keep.mailerId = t.mailerId;
    tracking_ = keep;
}

void TKIMBarCode::saveDefaults() const {
    try {
        common::ProfileFile ini(common::settingsPath());
        const QString section = QStringLiteral("Intelligent Mail");
        ini.writeString(section, QStringLiteral("BarcodeId"), tracking_.barcodeId);
        ini.writeString(section, QStringLiteral("ServiceType"), tracking_.serviceType);
        ini.writeString(section, QStringLiteral("MailerId"), tracking_.mailerId);
    } catch (const std::exception&) {
        // Defaults are a convenience: the object keeps its settings either way.
    }
}

void TKIMBarCode::addMenuEntries(MenuEntries& menu) {
    TKGraphicControl::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Intelligent Mail Settings"), [this] { editSettings(); }));
}

PropertyList TKIMBarCode::ownProperties() {
    using T = TKIMBarCode;
    return {
        makeProperty<T>("ZipCodeField", PropKind::Text, std::nullopt, [](const T& o) { return o.zipCodeField(); },
                        [](T& o, const PropValue& v) { o.setZipCodeField(textOf(v)); }),
        makeProperty<T>("AddressField", PropKind::Text, std::nullopt, [](const T& o) { return o.addressField(); },
                        [](T& o, const PropValue& v) { o.setAddressField(textOf(v)); }),
        makeProperty<T>("BarcodeId", PropKind::Text, std::nullopt, [](const T& o) { return o.tracking().barcodeId; },
                        [](T& o, const PropValue& v) {
                            auto t = o.tracking();
                            t.barcodeId = textOf(v);
                            o.setTracking(t);
                        }),
        makeProperty<T>("ServiceType", PropKind::Text, std::nullopt,
                        [](const T& o) { return o.tracking().serviceType; },
                        [](T& o, const PropValue& v) {
                            auto t = o.tracking();
                            t.serviceType = textOf(v);
                            o.setTracking(t);
                        }),
        makeProperty<T>("MailerId", PropKind::Text, std::nullopt, [](const T& o) { return o.tracking().mailerId; },
                        [](T& o, const PropValue& v) {
                            auto t = o.tracking();
                            t.mailerId = textOf(v);
                            o.setTracking(t);
                        }),
        makeProperty<T>("SerialSource", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.serialSource()); },
                        [](T& o, const PropValue& v) { o.setSerialSource(int(intOf(v))); }, {"ssCounter", "ssField"}),
        makeProperty<T>("SerialField", PropKind::Text, std::nullopt, [](const T& o) { return o.serialField(); },
                        [](T& o, const PropValue& v) { o.setSerialField(textOf(v)); }),
        makeProperty<T>("StartingSerial", PropKind::Integer, std::nullopt,
                        [](const T& o) { return o.startingSerial(); },
                        [](T& o, const PropValue& v) { o.setStartingSerial(intOf(v)); }),
    };
}

}  // namespace brindle::designobjects
