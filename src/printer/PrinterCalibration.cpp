#include "printer/PrinterCalibration.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "printer/CurrentPrinter.h"
#include "printer/PrinterCanvas.h"
#include "printer/Printers.h"

namespace brindle::printer {

const char* const PrinterCalibration::kSection = "Printer Calibration";

namespace {

int held(int hundredths) { return std::clamp(hundredths, -kMaxOffsetHundredths, kMaxOffsetHundredths); }

PrinterOffset heldOffset(const PrinterOffset& o) { return PrinterOffset{held(o.x), held(o.y)}; }

bool withinRange(const PrinterOffset& o) { return heldOffset(o) == o; }

// "-0.05" from -5: the sign, whole inches, two decimals, never a locale's comma.
QString inchText(int hundredths) {
    const int a = std::abs(hundredths);
    return QStringLiteral("%1%2.%3")
        .arg(hundredths < 0 ? QStringLiteral("-") : QString())
        .arg(a / 100)
        .arg(a % 100, 2, 10, QLatin1Char('0'));
}

// "0.05", "-1", ".5", "+0.3" into hundredths; false for anything else,
// including a third decimal.
bool parseInches(const QString& raw, int* out) {
    QString t = raw.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    const int dot = t.indexOf(QLatin1Char('.'));
    const QString whole = dot < 0 ? t : t.left(dot);
    const QString frac = dot < 0 ? QString() : t.mid(dot + 1);
    if (whole.isEmpty() && frac.isEmpty()) return false;
    if (whole.size() > 3 || frac.size() > 2) return false;
    for (const QChar c : whole + frac)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    const int value = (whole.isEmpty() ? 0 : whole.toInt()) * 100 +
                      (frac.isEmpty() ? 0 : frac.leftJustified(2, QLatin1Char('0')).toInt());
    *out = negative ? -value : value;
    return true;
}

}  // namespace

PrinterCalibration::PrinterCalibration() : PrinterCalibration(common::settingsPath()) {}

PrinterCalibration::PrinterCalibration(QString settingsPath) : m_path(std::move(settingsPath)) {}

bool PrinterCalibration::calibrates(const QString& printerName) {
    return !printerName.trimmed().isEmpty() && !isPdfPrinter(printerName);
}

QString PrinterCalibration::settingsKey(const QString& printerName) {
    const QByteArray bytes = printerName.toUtf8();
    QString key;
    for (int i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool edge = c == ' ' && (i == 0 || i == bytes.size() - 1);
        const bool special = c == '=' || c == ';' || c == '[' || c == ']' || c == '%';
        if (c < 0x20 || c > 0x7E || special || edge) {
            key += QStringLiteral("%%1").arg(c, 2, 16, QLatin1Char('0')).toUpper();
        } else {
            key += QLatin1Char(char(c));
        }
    }
    return key;
}

QString PrinterCalibration::formatValue(const PrinterOffset& offset) {
    return inchText(offset.x) + QLatin1Char(',') + inchText(offset.y);
}

bool PrinterCalibration::parseValue(const QString& text, PrinterOffset* out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2) return false;
    PrinterOffset o;
    if (!parseInches(parts[0], &o.x) || !parseInches(parts[1], &o.y)) return false;
    *out = o;
    return true;
}

PrinterOffset PrinterCalibration::offset(const QString& printerName) const {
    if (!calibrates(printerName)) return {};
    const common::ProfileFile settings(m_path);
    PrinterOffset o;
    if (!parseValue(settings.readString(QString::fromLatin1(kSection), settingsKey(printerName)), &o)) return {};
    return heldOffset(o);
}

bool PrinterCalibration::setOffset(const QString& printerName, const PrinterOffset& offset) {
    if (!calibrates(printerName) || !withinRange(offset)) return false;
    common::ProfileFile settings(m_path);
    const QString section = QString::fromLatin1(kSection), key = settingsKey(printerName);
    if (offset.isZero()) {
        if (settings.hasKey(section, key)) settings.removeKey(section, key);
    } else {
        settings.writeString(section, key, formatValue(offset));
    }
    return true;
}

// ---------------------------------------------------------------- the window's logic

CalibrationSession::CalibrationSession(QString printerName, PrinterCalibration store)
    : m_name(std::move(printerName)), m_store(std::move(store)) {
    m_stored = m_store.offset(m_name);
    m_offset = m_stored;
}

void CalibrationSession::setOffset(const PrinterOffset& offset) {
    m_offset = calibrates() ? heldOffset(offset) : PrinterOffset{};
}

bool CalibrationSession::save(common::UserDialogs& dialogs) {
    if (!calibrates()) return true;
    try {
        if (!m_store.setOffset(m_name, m_offset)) return false;
    } catch (const common::SettingsWriteError& e) {
        dialogs.showInfo(QString::fromStdString(e.what()));
        return false;
    }
    m_stored = m_offset;
    return true;
}

bool CalibrationSession::printTestSheet(
    CurrentPrinter& printer, common::UserDialogs& dialogs,
    const std::function<void(printing::PageCanvas&, const PrinterOffset&)>& draw) {
    std::unique_ptr<printing::PageCanvas> canvas = printer.openJob(dialogs, QStringLiteral("Printer Calibration"));
    if (!canvas) return false;
    // The job opened with the stored offsets; the sheet shows the ones the
    // user is trying out.
    const PrinterOffset trying = calibrates() ? m_offset : PrinterOffset{};
    if (auto* queue = dynamic_cast<PrinterCanvas*>(canvas.get())) queue->setOffset(trying.inches());
    draw(*canvas, trying);
    if (!canvas->end()) {
        dialogs.showInfo(canvas->errorString(), QStringLiteral("Test Sheet Failed!"));
        return false;
    }
    return true;
}

}  // namespace brindle::printer
