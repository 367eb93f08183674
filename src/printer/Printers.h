// The printers a job can go to, and the check that printing can go ahead.
// The system's printers come from CUPS through QtPrintSupport, which is why
// this lives apart from the shared routines: only what prints links it.
#pragma once

#include <QString>
#include <QStringList>

namespace brindle::common {
class UserDialogs;
}

namespace brindle::printer {

// The built-in printer that writes PDF files; always present.
QString pdfPrinterName();  // "PDF file"
bool isPdfPrinter(const QString& printerName);  // ignoring case
// The system's printers followed by the PDF printer.
QStringList availablePrinters();
// The system's default printer; the PDF printer when the system names none.
QString defaultPrinterName();

// True when printing can go ahead; otherwise shows why and returns false.
bool printerReady(common::UserDialogs& dialogs);
bool printerReady(common::UserDialogs& dialogs, const QStringList& printerNames, const QString& defaultName);
extern const char* const kNoPrintersMessage;        // "There are no installed printers.\r\n..."
extern const char* const kNoDefaultPrinterMessage;  // "There is no default printer selected.\r\n..."

}  // namespace brindle::printer
