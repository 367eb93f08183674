#include "envelopes/EnvelopeSetup.h"

#include <QStringList>
#include <cmath>

#include "common/Common.h"
#include "common/UserDialogs.h"
#include "store/CodePage.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::envelopes {

const QVector<EnvelopeSizeEntry>& envelopeSizeEntries() {
    // The texts are shown exactly so: the doubled blanks and the C5 entry's
    // trailing blank are part of them.
    static const QVector<EnvelopeSizeEntry> entries = {
        {QStringLiteral("Envelope #9 3 7/8 x 8 7/8 inches"), 19},
        {QStringLiteral("Envelope #10 4 1/8 x 9 1/2 inches"), 20},
        {QStringLiteral("Envelope #11 4 1/2 x 10 3/8 inches"), 21},
        {QStringLiteral("Envelope #12 4 3/4 x 11 inches"), 22},
        {QStringLiteral("Envelope #14 5 x 11 1/2 inches"), 23},
        {QStringLiteral("Envelope DL 110 x 220 mm"), 27},
        {QStringLiteral("Envelope C5 162 x 229 mm "), 28},
        {QStringLiteral("Envelope C4  229 x 324 mm"), 30},
        {QStringLiteral("Envelope C6  114 x 162 mm"), 31},
        {QStringLiteral("Envelope C65 114 x 229 mm"), 32},
        {QStringLiteral("Envelope B4  250 x 353 mm"), 33},
        {QStringLiteral("Envelope B5  176 x 250 mm"), 34},
        {QStringLiteral("Envelope B6  176 x 125 mm"), 35},
        {QStringLiteral("Envelope 110 x 230 mm"), 36},
        {QStringLiteral("Envelope Monarch 3 7/8 x 7 1/2 inches"), 37},
        {QStringLiteral("6 3/4 Envelope 3 5/8 x 6 1/2 inches"), 38},
    };
    return entries;
}

int envelopeSizeIndex(int code) {
    const auto& entries = envelopeSizeEntries();
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].code == code) return i;
    return 0;
}

bool isEnvelopeCode(int code) { return common::envelopeLongSide(code) > 0; }

double EnvelopeSetup::width() const { return common::envelopeLongSide(number); }
double EnvelopeSetup::height() const { return common::envelopeShortSide(number); }

EnvelopeSetup fallbackEnvelopeSetup() { return {QStringLiteral("Envelope #10"), kEnvelope10, QString()}; }

QString newEnvelopeDescription() { return QStringLiteral("<New envelope>"); }

EnvelopeSetup readEnvelopeSetup(const store::Table& table) {
    if (!table.isOpen() || !table.hasRecord() || table.eof()) return fallbackEnvelopeSetup();
    EnvelopeSetup s;
    s.descript = QString::fromStdString(table.getText("DESCRIPT")).left(kDescriptionLength);
    // A damaged or fractional code is not a size the table knows; it reads as
    // 0 so that useKnownSize replaces it with a message.
    const std::optional<double> n = table.readNumber("NUMBER");
    s.number = n && std::isfinite(*n) && *n == std::floor(*n) && std::fabs(*n) < 1e6 ? static_cast<int>(*n) : 0;
    s.binary = QString::fromStdString(table.getText("BINARY")).trimmed();
    return s;
}

bool writeEnvelopeSetup(store::Table& table, const EnvelopeSetup& setup, common::UserDialogs& dialogs) {
    const struct {
        const char* field;
        QString value;
        const char* caption;
    } texts[] = {
        {"DESCRIPT", setup.descript.left(kDescriptionLength), "Description"},
        {"BINARY", setup.binary, "Design File"},
    };
    // Everything is encoded first: text the code page cannot hold is named
    // and nothing is written, rather than storing '?' in its place.
    std::vector<std::string> encoded;
    for (const auto& t : texts) {
        const store::EncodedText e = table.codec().fromUtf8(t.value.toStdString());
        if (!e.lossless()) {
            QStringList chars;
            for (const auto& lost : e.lost) chars << QString::fromStdString(store::codePointToUtf8(lost.codePoint));
            dialogs.showInfo(QStringLiteral("%1 \"%2\" holds characters that cannot be stored: %3")
                                 .arg(QLatin1StringView(t.caption), t.value, chars.join(QStringLiteral(" "))));
            return false;
        }
        encoded.push_back(e.text);
    }
    table.setString("DESCRIPT", encoded[0]);
    table.setString("BINARY", encoded[1]);
    table.setNumber("NUMBER", setup.number);
    return true;
}

QString unknownSizeMessage(const EnvelopeSetup& setup) {
    return QStringLiteral("The envelope setup \"%1\" names the envelope size code %2, which is not one of the "
                          "envelope sizes this program knows.\r\nEnvelope #10 (4 1/8 x 9 1/2 inches) is used "
                          "instead; the setup is changed only when you save it.")
        .arg(setup.descript)
        .arg(setup.number);
}

bool useKnownSize(EnvelopeSetup& setup, common::UserDialogs& dialogs) {
    if (isEnvelopeCode(setup.number)) return false;
    dialogs.showInfo(unknownSizeMessage(setup));
    setup.number = kEnvelope10;
    return true;
}

}  // namespace brindle::envelopes
