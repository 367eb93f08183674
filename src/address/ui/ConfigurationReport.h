#pragma once
// The text of the "Configuration Information" window. It asks the system for
// its printers (QtPrintSupport), so it sits with the windows and the address
// logic, which brindle-db links, stays free of printers.
#include <QString>

namespace brindle::address {

class AddressFile;

inline QString versionText() { return QStringLiteral("2.8e"); }

// Date, product and version, the environment (system, Qt, locale, date and
// time formats, printers), the open file with its record count, order and
// filter, and the settings file with the aggressive-saving level.
QString configurationReport(const AddressFile* file, int aggressiveSave);

}  // namespace brindle::address
