#pragma once
// The text of the "Configuration Information" window. It asks the system for
// its printers (QtPrintSupport), so it sits with the windows and the address
// logic, which brindle-db links, stays free of printers.
#include <QString>

#include "common/Common.h"

namespace brindle::address {

class AddressFile;

using common::versionText;

// Date, product and version, the environment (system, Qt, locale, date and
// time formats, printers), the open file with its record count, order and
// filter, and the settings file with the aggressive-saving level.
QString configurationReport(const AddressFile* file, int aggressiveSave);

}  // namespace brindle::address
