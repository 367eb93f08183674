#include "address/NewDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace brindle::address {

QString suggestDatabaseName(const QString& folder) {
    // One listing of the folder, compared in upper case.
    QSet<QString> present;
    for (const QString& n : QDir(folder).entryList(QDir::Files)) present.insert(n.toUpper());
    for (int i = 1; i <= 9999; ++i) {
        const QString name = QStringLiteral("ADD%1").arg(i, 4, 10, QLatin1Char('0'));
        if (!present.contains(name + QStringLiteral(".DBF"))) return name;
    }
    return QStringLiteral("ADD0001");
}

bool isValidDatabaseName(const QString& name) {
    if (name.isEmpty()) return false;
    auto letter = [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
    };
    if (!letter(name[0]) && name[0] != QLatin1Char('_')) return false;
    for (QChar c : name) {
        if (!letter(c) && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('_')) return false;
    }
    return true;
}

}  // namespace brindle::address
