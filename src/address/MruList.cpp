#include "address/MruList.h"

#include "common/ProfileFile.h"

namespace brindle::address {
namespace {
const QString kSection = QStringLiteral("MRU");
QString itemKey(int i) { return QStringLiteral("Item") + QString::number(i); }
}  // namespace

QStringList getMruList(const common::ProfileFile& settings) {
    QStringList list;
    for (int i = 1; i <= kMruSize; ++i) {
        const QString v = settings.readString(kSection, itemKey(i));
        if (!v.isEmpty()) list << v;
    }
    return list;
}

void putMruList(common::ProfileFile& settings, const QStringList& list) {
    for (int i = 1; i <= kMruSize; ++i) {
        const QString v = i <= list.size() ? list[i - 1] : QString();
        // Keys never written stay absent; shorter lists blank the rest.
        if (!v.isEmpty() || settings.hasKey(kSection, itemKey(i))) settings.writeString(kSection, itemKey(i), v);
    }
}

QStringList updatedMruList(const QStringList& old, const QString& path) {
    QStringList list{path};
    for (const QString& p : old) {
        if (list.size() >= kMruSize) break;
        if (p != path) list << p;
    }
    return list;
}

void updateMruList(common::ProfileFile& settings, const QString& path) {
    putMruList(settings, updatedMruList(getMruList(settings), path));
}

}  // namespace brindle::address
