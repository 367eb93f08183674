#include "address/ui/ConfigurationReport.h"

#include <QLocale>
#include <QSysInfo>
#include <QtGlobal>

#include "address/AddressFile.h"
#include "common/Common.h"
#include "printer/Printers.h"

namespace brindle::address {

QString configurationReport(const AddressFile* file, int aggressiveSave) {
    const QLocale locale = QLocale::system();
    QStringList lines;
    lines << locale.toString(QDate::currentDate(), QLocale::LongFormat) << QString();
    lines << QStringLiteral("[Product]") << QStringLiteral("Program:     \tBrindle")
          << QStringLiteral("Version:     \t") + versionText() << QString();
    lines << QStringLiteral("[Environment]");
    lines << QStringLiteral("System:      \t") + QSysInfo::prettyProductName();
    lines << QStringLiteral("Kernel:      \t") + QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion();
    lines << QStringLiteral("Processor:   \t") + QSysInfo::currentCpuArchitecture();
    lines << QStringLiteral("Build:       \t") + QSysInfo::buildAbi();
    lines << QStringLiteral("Qt:          \t") + QString::fromLatin1(qVersion());
    lines << QStringLiteral("Language:    \t") + QLocale::languageToString(locale.language());
    lines << QStringLiteral("Country:     \t") + QLocale::territoryToString(locale.territory());
    lines << QStringLiteral("Short date:  \t") + locale.dateFormat(QLocale::ShortFormat);
    lines << QStringLiteral("Long date:   \t") + locale.dateFormat(QLocale::LongFormat);
    lines << QStringLiteral("Short time:  \t") + locale.timeFormat(QLocale::ShortFormat);
    lines << QStringLiteral("Long time:   \t") + locale.timeFormat(QLocale::LongFormat);
    lines << QStringLiteral("Display date:\t") + common::displayDateFormat();
    lines << QStringLiteral("Program dir: \t") + common::programDir();
    const QStringList printers = printer::availablePrinters();
    lines << QStringLiteral("Printers:    \t") + printers.join(QStringLiteral(", "));
    lines << QStringLiteral("Default printer:\t") + printer::defaultPrinterName();
    lines << QString();
    lines << QStringLiteral("[Address file]");
    if (file && file->isOpen()) {
        lines << QStringLiteral("File:        \t") + file->currentFilePath();
        lines << QStringLiteral("Records:     \t") + QString::number(file->recordCount());
        lines << QStringLiteral("Code page:   \t") + file->text().codePageName();
        lines << QStringLiteral("Order:       \t") + file->sortName();
        lines << QStringLiteral("Filter:      \t") + file->queryString();
    } else {
        lines << QStringLiteral("File:        \t(none)");
    }
    lines << QString();
    lines << QStringLiteral("[") + common::settingsPath() + QStringLiteral("]") << QString();
    lines << QStringLiteral("Aggr. Save:  \t") + QString::number(aggressiveSave);
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace brindle::address
