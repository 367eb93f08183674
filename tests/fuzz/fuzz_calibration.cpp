// Fuzz target: arbitrary bytes as a printer calibration value from the
// settings file ("0.05,-0.03") and as a printer name made into its settings
// key. A value read is within what a profile line can say and writes back to
// the same value; a key is printable ASCII that no profile line can misread.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "printer/PrinterCalibration.h"

using namespace brindle::printer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    PrinterOffset o;
    if (PrinterCalibration::parseValue(text, &o)) {
        if (o.x < -99999 || o.x > 99999 || o.y < -99999 || o.y > 99999) std::abort();
        PrinterOffset again{7, 7};
        if (!PrinterCalibration::parseValue(PrinterCalibration::formatValue(o), &again) || !(again == o)) std::abort();
    }
    const QString key = PrinterCalibration::settingsKey(text);
    for (const QChar c : key)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || QStringLiteral("=;[]").contains(c)) std::abort();
    if (!key.isEmpty() && (key.front() == QLatin1Char(' ') || key.back() == QLatin1Char(' '))) std::abort();
    return 0;
}
