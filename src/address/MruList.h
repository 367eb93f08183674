#pragma once
// The most recently opened address files: section "MRU", keys Item1..Item4,
// newest first.
#include <QStringList>

namespace brindle::common {
class ProfileFile;
}

namespace brindle::address {

constexpr int kMruSize = 4;

// Item1..Item4, skipping empty values.
QStringList getMruList(const common::ProfileFile& settings);
// Writes the entries as Item1 onwards; keys beyond the list are emptied.
// Throws common::SettingsWriteError.
void putMruList(common::ProfileFile& settings, const QStringList& list);
// The list that starts with `path` and continues with the old entries that
// differ from it (exact, case-sensitive comparison), at most four.
QStringList updatedMruList(const QStringList& old, const QString& path);
// Reads, updates and writes the list.
void updateMruList(common::ProfileFile& settings, const QString& path);

}  // namespace brindle::address
