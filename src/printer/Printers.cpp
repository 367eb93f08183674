#include "printer/Printers.h"

#include <QPrinterInfo>

#include "common/UserDialogs.h"

namespace brindle::printer {

const char* const kNoPrintersMessage =
    "There are no installed printers.\r\nUnable to perform printer related operations";
const char* const kNoDefaultPrinterMessage =
    "There is no default printer selected.\r\nUnable to perform printer related operations";

QString pdfPrinterName() { return QStringLiteral("PDF file"); }

bool isPdfPrinter(const QString& printerName) {
    return printerName.compare(pdfPrinterName(), Qt::CaseInsensitive) == 0;
}

QStringList availablePrinters() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.removeAll(pdfPrinterName());
    names << pdfPrinterName();
    return names;
}

QString defaultPrinterName() {
    const QString name = QPrinterInfo::defaultPrinterName();
    return name.isEmpty() ? pdfPrinterName() : name;
}

bool printerReady(common::UserDialogs& dialogs) {
    return printerReady(dialogs, availablePrinters(), defaultPrinterName());
}

bool printerReady(common::UserDialogs& dialogs, const QStringList& printerNames, const QString& defaultName) {
    if (printerNames.isEmpty()) {
        dialogs.showInfo(QString::fromLatin1(kNoPrintersMessage));
        return false;
    }
    if (defaultName.isEmpty() || !printerNames.contains(defaultName)) {
        dialogs.showInfo(QString::fromLatin1(kNoDefaultPrinterMessage));
        return false;
    }
    return true;
}

}  // namespace brindle::printer
