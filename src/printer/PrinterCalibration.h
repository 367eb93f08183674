// Printer calibration: label sheets often come out a little off on a given
// printer, because its paper path or its idea of the paper's edge is off by
// a few hundredths of an inch. Each physical printer may carry an offset,
// across (X, positive to the right) and down (Y, positive downwards), in
// hundredths of an inch. The offset is kept in the settings file by printer
// name and moves everything the printer prints; the PDF printer, the preview
// and the page recorder are never calibrated (they place things exactly).
#pragma once

#include <QPointF>
#include <QString>

#include <functional>

namespace brindle::common {
class UserDialogs;
}
namespace brindle::printing {
class PageCanvas;
}

namespace brindle::printer {

class CurrentPrinter;

struct PrinterOffset {
    int x = 0;  // hundredths of an inch, positive to the right
    int y = 0;  // hundredths of an inch, positive downwards
    QPointF inches() const { return QPointF(x / 100.0, y / 100.0); }
    bool isZero() const { return x == 0 && y == 0; }
    bool operator==(const PrinterOffset&) const = default;
};

// An offset of more than an inch is no calibration; values are held to this.
inline constexpr int kMaxOffsetHundredths = 100;

// The offsets of the printers, in section "Printer Calibration" of the
// settings file: one key per calibrated printer, its value "X,Y" in inches
// with two decimals ("0.05,-0.03"). The key is the printer's name with
// every character outside printable ASCII, and the characters a profile line
// gives a meaning to ("=", ";", "[", "]", "%", blanks at either end),
// written as %XX escapes of its UTF-8 bytes: a name with accents, Polish or
// Cyrillic letters reads back the same whatever code page the file is in.
class PrinterCalibration {
public:
    // The settings file at `settingsPath`; by default the program's.
    PrinterCalibration();
    explicit PrinterCalibration(QString settingsPath);

    // The printers that take a calibration: every system printer, not the
    // PDF printer.
    static bool calibrates(const QString& printerName);
    // Zero for the PDF printer, a printer never calibrated, or a stored
    // value that cannot be read; values beyond an inch are held to an inch.
    PrinterOffset offset(const QString& printerName) const;
    // Stores the offset (a zero offset removes the printer's key). Throws
    // common::SettingsWriteError when the settings file cannot be written;
    // refused (false, nothing written) for the PDF printer and for values
    // beyond an inch.
    bool setOffset(const QString& printerName, const PrinterOffset& offset);

    static QString settingsKey(const QString& printerName);
    static QString formatValue(const PrinterOffset& offset);  // "0.05,-0.03"
    // False for anything but two numbers with at most two decimals.
    static bool parseValue(const QString& text, PrinterOffset* out);

    static const char* const kSection;  // "Printer Calibration"

private:
    QString m_path;
};

// What the "Printer Calibration" window does, without the window: the
// offsets of one printer as the user edits them, stored on OK, and the test
// sheet printed with the offsets as they stand in the window (not as
// stored), so a sheet printed after a correction shows whether it holds.
class CalibrationSession {
public:
    CalibrationSession(QString printerName, PrinterCalibration store);

    QString printerName() const { return m_name; }
    bool calibrates() const { return PrinterCalibration::calibrates(m_name); }
    PrinterOffset offset() const { return m_offset; }
    // Held to plus or minus one inch.
    void setOffset(const PrinterOffset& offset);
    bool changed() const { return m_offset != m_stored; }

    // Stores the offsets; a settings file that cannot be written is
    // reported ("Unable to write to ...") and gives false.
    bool save(common::UserDialogs& dialogs);

    // Prints one test sheet on `printer` as it is set up (paper and
    // orientation), drawn by `draw`, moved by the offsets in the window.
    // False when no job was opened (no file chosen for the PDF printer) or
    // the device failed (reported with "Test Sheet Failed!").
    bool printTestSheet(CurrentPrinter& printer, common::UserDialogs& dialogs,
                        const std::function<void(printing::PageCanvas&, const PrinterOffset&)>& draw);

private:
    QString m_name;
    PrinterCalibration m_store;
    PrinterOffset m_stored;
    PrinterOffset m_offset;
};

}  // namespace brindle::printer
