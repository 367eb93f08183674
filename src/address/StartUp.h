#pragma once
// The work of the main window's first activation that needs no window: the
// tag identifier and the address file opened at start.
#include <QString>

namespace brindle::address {

class AddressFile;

// Reads "GlobalTagId" of section "Misc" with a fresh identifier as default
// and writes it back at once, so the first start stores one.
QString loadGlobalTagId(const QString& settingsPath);

// Opens the first entry of the recently used list; with an empty list,
// DATA/add0001.DBF below the program folder, created first when missing with
// the new-file field lengths of the settings file. A first entry that cannot
// be opened leaves no file open; the default file is not tried instead.
bool openStartFile(AddressFile& file, const QString& dataFolder);

}  // namespace brindle::address
