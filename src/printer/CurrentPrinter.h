// The printer chosen while the program runs: a system (CUPS) queue or the
// built-in "PDF file" printer, with the paper, orientation, copies and sides
// a job asks of it. Labels, envelopes, letters and reports all print through
// it: they set it up, read back the page the printer settled on, and open
// the page canvas of the job from it.
//
// Positions are always measured from the paper's edge (full-page mode),
// never from the printable area. Label and envelope jobs print one-sided: a
// queue that defaults to duplex would otherwise put sheet 2 on the back of
// sheet 1.
#pragma once

#include <QSizeF>
#include <QString>

#include <memory>

#include "printing/PageCanvas.h"

class QPageSize;
class QPrinter;

namespace brindle::common {
class UserDialogs;
}

namespace brindle::printer {

// A paper's size in inches as the paper was defined (QPageSize rounds inches
// to two places, which makes Envelope #10 4.12 in wide).
QSizeF exactInches(const QPageSize& size);

class CurrentPrinter {
public:
    // Paper codes as the designs and setups store them.
    enum Paper { Custom = 0, Letter = 1, A4 = 9, A5 = 11 };

    // What "reselect the earlier printer afterwards" restores.
    struct Selection {
        QString name;
        QSizeF portraitInches;
        printing::Orientation orientation = printing::Orientation::Portrait;
        int copies = 1;
        bool oneSided = false;
        QString pdfPath;
    };

    // Starts on the system's default printer (the PDF printer when there is none).
    CurrentPrinter();
    explicit CurrentPrinter(const QString& name);
    ~CurrentPrinter();
    CurrentPrinter(const CurrentPrinter&) = delete;
    CurrentPrinter& operator=(const CurrentPrinter&) = delete;

    QString name() const { return m_name; }
    bool isPdf() const;
    // Makes the named printer current with Letter portrait paper, one copy and
    // the printer's own sides. False (and nothing changed) for a name that is
    // neither a system printer nor the PDF printer.
    bool select(const QString& name);
    // Back to the state of a fresh selection of the same printer.
    void reset();
    // The name CUPS knows the device by (there is no separate driver name).
    QString driverName() const { return m_name; }

    // ---- paper
    // Asks for a named paper, or a custom size in portrait inches. Returns
    // what the printer accepted; pageSize() tells the page it settled on.
    bool requestPaper(int paperCode, const QSizeF& portraitInches = {});
    void setOrientation(printing::Orientation o);
    printing::Orientation orientation() const { return m_orientation; }
    // The paper in portrait inches, as the printer reports it.
    QSizeF paperSize() const;
    // The page as printed (turned for landscape), in inches.
    QSizeF pageSize() const;
    // Where the device can print, in inches from the paper's corner.
    QRectF printableRect() const;

    // ---- copies and sides
    void setCopies(int copies) { m_copies = copies < 1 ? 1 : copies; }
    int copies() const { return m_copies; }
    void setOneSided(bool on) { m_oneSided = on; }
    bool oneSided() const { return m_oneSided; }

    // ---- the PDF printer's file
    // The file the next PDF job writes; when empty, openJob() asks for one.
    void setPdfPath(const QString& path) { m_pdfPath = path; }
    QString pdfPath() const { return m_pdfPath; }

    // The settings file the printers' calibration is read from (the
    // program's when empty).
    void setCalibrationFile(const QString& settingsPath) { m_calibrationFile = settingsPath; }

    // The canvas of one job on this printer, set to its paper, orientation,
    // copies and sides, titled `title`. For the PDF printer without a file
    // name the user is asked for one (a save dialog); null when cancelled.
    // A system printer's job is moved by the printer's calibration
    // (PrinterCalibration.h); a PDF job never is.
    std::unique_ptr<printing::PageCanvas> openJob(common::UserDialogs& dialogs,
                                                  const QString& title = QStringLiteral("Brindle"));

    Selection selection() const;
    void restore(const Selection& s);

    // The program's current printer (created on first use; needs the GUI application).
    static CurrentPrinter& instance();

private:
    void configure();

    QString m_name;
    std::unique_ptr<QPrinter> m_printer;  // answers paper questions for the queue
    printing::Orientation m_orientation = printing::Orientation::Portrait;
    int m_copies = 1;
    bool m_oneSided = false;
    QString m_pdfPath;
    QString m_calibrationFile;
};

// Remembers the current printer and selects it again, with its settings, when
// the scope ends: the gateways to the printing windows wrap them in one.
class PrinterScope {
public:
    explicit PrinterScope(CurrentPrinter& printer) : m_printer(printer), m_saved(printer.selection()) {}
    ~PrinterScope() {
        m_printer.reset();
        m_printer.restore(m_saved);
    }
    PrinterScope(const PrinterScope&) = delete;
    PrinterScope& operator=(const PrinterScope&) = delete;

private:
    CurrentPrinter& m_printer;
    CurrentPrinter::Selection m_saved;
};

}  // namespace brindle::printer
