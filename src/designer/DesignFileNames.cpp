#include "designer/DesignFileNames.h"

#include <QDir>
#include <QFileInfo>

#include "common/Common.h"
#include "store/Table.h"

namespace brindle::designer {

std::optional<QString> nextBinaryName(const QString& folder, const QString& extension,
                                      const QSet<QString>& usedNames) {
    // One listing of the folder rather than 99,999 look-ups.
    QSet<QString> taken = usedNames;
    const QDir dir(folder);
    const QString ext = extension.toUpper();
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        taken.insert(name.toUpper());
    for (int n = 1; n <= 99999; ++n) {
        const QString candidate = QStringLiteral("BIN%1").arg(n, 5, 10, QChar('0')) + ext;
        if (!taken.contains(candidate)) return candidate;
    }
    return std::nullopt;
}

QSet<QString> namesInTable(store::Table& table, const char* field) {
    QSet<QString> names;
    if (!table.isOpen() || table.fieldIndex(field) < 0) return names;
    const std::uint32_t here = table.recNo();
    for (std::uint32_t r = 1; r <= table.recordCount(); ++r) {
        if (!table.go(r)) continue;
        const QString name = QString::fromStdString(table.getText(field)).trimmed().toUpper();
        if (!name.isEmpty()) names.insert(name);
    }
    if (here >= 1 && here <= table.recordCount()) {
        table.go(here);
    } else if (table.last()) {
        table.next();  // back past the end, where it was
    }
    return names;
}

std::optional<QString> nextLabelBinaryName(const QString& folder, store::Table& table) {
    return nextBinaryName(folder, QStringLiteral(".L"), namesInTable(table));
}

bool isBareName(const QString& storedName) {
    const QString name = storedName.trimmed();
    return !name.isEmpty() && name != QLatin1StringView(".") && name != QLatin1StringView("..") &&
           !name.contains(QChar('/')) && !name.contains(QChar('\\')) && !name.contains(QChar(':')) &&
           !name.contains(QChar(0));
}

std::optional<QString> resolveDesignFile(const QString& folder, const QString& storedName) {
    if (!isBareName(storedName)) return std::nullopt;
    const QString name = storedName.trimmed();
    const QString path = common::resolveIgnoringCase(folder, name);
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) return std::nullopt;
    // A link may point anywhere; only a file really inside the folder counts.
    const QString home = QFileInfo(folder).canonicalFilePath();
    const QString real = info.canonicalFilePath();
    if (home.isEmpty() || QFileInfo(real).absolutePath() != home) return std::nullopt;
    return path;
}

QString noFreeNameMessage(const QString& extension) {
    return QStringLiteral("Every design file name from BIN00001%1 to BIN99999%1 is in use in the sysdata "
                          "directory. Nothing was saved.")
        .arg(extension.toUpper());
}

}  // namespace brindle::designer
