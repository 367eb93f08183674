#pragma once
// Postal machine-readable marks: the POSTNET barcode of a record's ZIP code
// and the Facing Identification Mark (FIM A, B, C) for envelopes.
//
// The encoding helpers are free functions so that the rules (validity,
// delivery-point digits, check digit, bar sequences) can be used and tested
// without an object or a surface.
#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects {

namespace postal {

enum PostNetType { pnbc5Digit, pnbc9Digit, pnbc11Digit };
enum FimType { fimTypeA, fimTypeB, fimTypeC };

// Paper measures in inches.
inline constexpr double kPostNetBarWidth = 0.015;
inline constexpr double kPostNetPitch = 0.046;
inline constexpr double kPostNetFullHeight = 0.125;
inline constexpr double kPostNetHalfTop = 0.070;  // a half bar's top below the full bars' top
inline constexpr double kFimBarWidth = 1.0 / 32.0;
inline constexpr double kFimPitch = 1.0 / 16.0;
inline constexpr double kFimHeight = 9.0 / 16.0;

// The two delivery-point digits taken from a street address ("123 MAIN ST"
// gives "23"; an address with APO or FPO anywhere, or without a number, "99").
QString deliveryPointDigits(const QString& address);

// True when the ZIP text may be encoded at all: at least five characters
// and between "00000" and "99999-9999" in plain character order.
bool zipTextInRange(const QString& zip);

// The digit that brings the sum of the digits to a multiple of ten.
int checkDigit(const QString& digits);

// True when the ZIP text without surrounding blanks is five digits,
// optionally followed by four more, with or without a hyphen before them
// ("62701", "62701-1234", "627011234"). Anything else ("1234 5",
// "1-2-3-4-5", "123456") is no ZIP a code can carry.
bool zipWellFormed(const QString& zip);

// The digits a POSTNET code of the given type encodes, check digit
// included, or an empty string when no valid symbol can be printed: the ZIP
// text must be in range and well formed. The 11-digit type falls back to the
// five-digit ZIP when the ZIP has no +4 (the delivery point needs it), so
// that only 5, 9 or 11 data digits are ever encoded.
QString postNetDigits(const QString& zip, const QString& address, int type);

// The bars of a POSTNET code for its digits (check digit included): true is
// a full bar, false a half bar, with the full frame bar at each end.
std::vector<bool> postNetBars(const QString& digits);

// The nine FIM positions of a type (true = bar); type A for unknown values.
std::array<bool, 9> fimPattern(int type);

// Left and right edges of bars in device pixels: every bar starts at
// origin + Round(i × pitch) and is the same whole number of pixels wide, so
// that all bars print equally wide at any resolution.
struct PixelBar {
    qint64 left = 0;
    qint64 right = 0;
};
PixelBar snapBar(double originInches, double offsetInches, double widthInches, double dpi);

// The page's resolution for snapping bars (300 dpi when it tells none).
double pageDpi(const printing::PageCanvas& page);
// A vertical edge in inches, snapped to device pixels from the same origin as the bars.
double snapY(double originInches, double offsetInches, double dpi);
// Solid black brush and pen for bars.
void prepareBlack(printing::PageCanvas& page);

}  // namespace postal

// The POSTNET barcode of the current record's ZIP code (and, for the 11-digit
// type, the delivery point of its street address).
class TKPostNetBarCode : public TKGraphicControl {
    Q_OBJECT
public:
    TKPostNetBarCode();
    QString designClass() const override { return QStringLiteral("TKPostNetBarCode"); }

    const QString& zipCodeField() const { return zipCodeField_; }
    void setZipCodeField(const QString& name) { zipCodeField_ = name; }
    const QString& addressField() const { return addressField_; }
    void setAddressField(const QString& name) { addressField_ = name; }
    int barCodeType() const { return type_; }
    void setBarCodeType(int t);

    // Run-time record values (set by refreshData, or directly by callers
    // that print without a surface).
    const QString& zipText() const { return zipText_; }
    const QString& addressText() const { return addressText_; }
    void setData(const QString& zip, const QString& address) {
        zipText_ = zip;
        addressText_ = address;
    }

    // What prints for the current values: digits with check digit, empty for none.
    QString encodedDigits() const { return postal::postNetDigits(zipText_, addressText_, type_); }

    void paint(QPainter& p, const PaintContext& ctx) override;
    // After a zoom the object takes the picture's size at the new zoom.
    void boundsChanged() override;
    void refreshData() override;
    void printAt(printing::PageCanvas& page, double top, double left) override;

    // The sample barcode shown on screen for every record (270 × 16 pixels).
    static const QImage& samplePicture();

    static PropertyList ownProperties();

private:
    // Takes the sample picture's size scaled by the zoom: (Round(270 × z), Round(16 × z)).
    void fitToZoom();
    float fittedZoom_ = 1.0f;  // the zoom of the last fit
    QString zipCodeField_;
    QString addressField_;
    int type_ = postal::pnbc11Digit;
    QString zipText_;
    QString addressText_;
};

// A Facing Identification Mark for envelopes.
class TKFIMBarCode : public TKGraphicControl {
    Q_OBJECT
public:
    TKFIMBarCode();
    QString designClass() const override { return QStringLiteral("TKFIMBarCode"); }

    int fimType() const { return type_; }
    void setFimType(int t);

    void paint(QPainter& p, const PaintContext& ctx) override;
    void printAt(printing::PageCanvas& page, double top, double left) override;

    // "Set FIM to Type A/B/C", the current type checked; choosing one
    // records the change, sets the type and repaints.
    void addMenuEntries(MenuEntries& menu) override;

    static PropertyList ownProperties();

private:
    // Keeps the object square at Trunc(0.625 inch × zoom).
    void fitToZoom();
    int type_ = postal::fimTypeA;
};

}  // namespace brindle::designobjects
