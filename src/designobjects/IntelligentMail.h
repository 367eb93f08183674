#pragma once
// The Intelligent Mail barcode (IMb): 65 bars of four states carrying a
// 20-digit tracking code (barcode identifier, service type, mailer ID,
// serial number) and a routing code (the ZIP, ZIP+4 or ZIP+4 with the
// delivery point). The bar pattern comes from libzint; the rules for the
// fields, the routing code taken from a record and the bar geometry on
// paper are ours.
#include <QString>

#include <optional>

#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects {

struct ImbSettings;

namespace imb {

// Paper measures in inches: nominal values of the USPS bar geometry
// (22 bars to the inch, bars 0.020 inch wide, a full bar 0.145 inch high,
// the tracker 0.048 inch high in the middle of the full bar; an ascender
// runs from the top of a full bar to the tracker's bottom, a descender
// from the tracker's top to the bottom of a full bar).
inline constexpr double kPitch = 1.0 / 22.0;
inline constexpr double kBarWidth = 0.020;
inline constexpr double kFullHeight = 0.145;
inline constexpr double kTrackerTop = 0.0485;
inline constexpr double kTrackerBottom = 0.0965;
inline constexpr int kBarCount = 65;

// Which field of the tracking code is wrong, if any.
enum class Problem { None, BarcodeId, ServiceType, MailerId, Serial };

// The tracking code's fields as the user keeps them.
struct Tracking {
    QString barcodeId;    // two digits, the second 0 to 4
    QString serviceType;  // three digits
    QString mailerId;     // six digits beginning 0-8, or nine digits beginning with 9
    bool operator==(const Tracking&) const = default;
};

// The serial number's length for a mailer ID: 9 digits after a six-digit
// mailer ID, 6 after a nine-digit one (0 when the mailer ID is malformed).
int serialLength(const QString& mailerId);

// The first field of the tracking code that does not fit, or None.
Problem checkTracking(const Tracking& t);

// The serial number as its zero-padded digits, or nothing when it is
// negative, holds anything but digits or does not fit the length.
std::optional<QString> serialDigits(const QString& serial, int length);

// The 20-digit tracking code, or nothing when a field does not fit.
std::optional<QString> trackingCode(const Tracking& t, const QString& serial);

// The routing code of a record: the ZIP's five digits, the nine of a ZIP+4
// followed by the two delivery-point digits of the street address (the
// rule the POSTNET code uses). Nothing for a ZIP that is not well formed.
std::optional<QString> routingCode(const QString& zip, const QString& address);

// The 65 bar states, left to right, as the letters F (full), A (ascender),
// D (descender) and T (tracker), through libzint. Empty when the codes
// cannot be encoded (libzint's message in `error` when given).
QString bars(const QString& tracking, const QString& routing, QString* error = nullptr);

// The states read back from the bars' extents in inches relative to the
// bar's top (the inverse of the geometry above, half-way thresholds), so
// that what was drawn can be compared with a bar string.
QChar stateOf(double top, double bottom);

// The message for a field that does not fit, as the dialog shows it.
QString problemText(Problem p);

// The first field of the dialog's settings that does not fit: the tracking
// fields, then (for a counter) the starting serial at the mailer ID's
// serial length.
Problem checkSettings(const ImbSettings& s);

}  // namespace imb

// The Intelligent Mail barcode of the current record: tracking code from
// the object's fields and a serial number (a counter advancing per label,
// or the text of an address field), routing code from its ZIP and address
// fields. Nothing prints when any part does not fit.
class TKIMBarCode : public TKGraphicControl {
    Q_OBJECT
public:
    enum SerialSource { ssCounter, ssField };

    TKIMBarCode();
    QString designClass() const override { return QStringLiteral("TKIMBarCode"); }

    const QString& zipCodeField() const { return zipCodeField_; }
    void setZipCodeField(const QString& name) { zipCodeField_ = name; }
    const QString& addressField() const { return addressField_; }
    void setAddressField(const QString& name) { addressField_ = name; }
    const imb::Tracking& tracking() const { return tracking_; }
    void setTracking(const imb::Tracking& t) { tracking_ = t; }
    int serialSource() const { return serialSource_; }
    void setSerialSource(int s) {
        if (s == ssCounter || s == ssField) serialSource_ = s;
    }
    const QString& serialField() const { return serialField_; }
    void setSerialField(const QString& name) { serialField_ = name; }
    qint64 startingSerial() const { return startingSerial_; }
    // A different starting serial resets the counter.
    void setStartingSerial(qint64 v);
    qint64 serialValue() const { return serial_; }

    // Run-time record values.
    void setData(const QString& zip, const QString& address, const QString& serialText = {}) {
        zipText_ = zip;
        addressText_ = address;
        serialText_ = serialText;
    }
    // The serial number for the current label as text.
    QString serialText() const;
    // The bar string that prints for the current values; empty for none.
    QString encodedBars() const;

    void paint(QPainter& p, const PaintContext& ctx) override;
    void refreshData() override;
    void advanceCounter() override;
    void resetCounter() override;
    void printAt(printing::PageCanvas& page, double top, double left) override;
    void addMenuEntries(MenuEntries& menu) override;
    // "Intelligent Mail Barcode" dialog; settings are refused there while a field does not fit.
    void editSettings();
    // Barcode identifier, service type and mailer ID from the settings file
    // (section "Intelligent Mail"), as a new object from the tool takes them.
    void applyDefaults();

    static PropertyList ownProperties();

private:
    // The dialog's accepted tracking fields become the next object's defaults.
    void saveDefaults() const;
    QString zipCodeField_;
    QString addressField_;
    imb::Tracking tracking_{QStringLiteral("00"), QStringLiteral("700"), QString()};
    int serialSource_ = ssCounter;
    QString serialField_;
    qint64 startingSerial_ = 1;
    qint64 serial_ = 1;
    QString zipText_;
    QString addressText_;
    QString serialText_;
};

}  // namespace brindle::designobjects
