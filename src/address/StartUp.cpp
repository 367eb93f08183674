#include "address/StartUp.h"

#include <QDir>
#include <QFileInfo>

#include "address/AddressFile.h"
#include "address/FieldLengthSettings.h"
#include "common/Common.h"
#include "common/ProfileFile.h"

namespace brindle::address {

QString loadGlobalTagId(const QString& settingsPath) {
    common::ProfileFile settings(settingsPath);
    const QString id = settings.readString(QStringLiteral("Misc"), QStringLiteral("GlobalTagId"), common::newTagId());
    settings.writeString(QStringLiteral("Misc"), QStringLiteral("GlobalTagId"), id);
    return id;
}

bool openStartFile(AddressFile& file, const QString& dataFolder) {
    QString path = file.mruFile();
    if (path.isEmpty()) {
        QString dir = dataFolder;
        if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
        path = common::resolveIgnoringCase(dir, QStringLiteral("add0001.DBF"));
        if (!QFileInfo::exists(path)) {
            QDir().mkpath(dir);  // a fresh program folder has no DATA/ yet
            const common::ProfileFile settings(file.settingsPath());
            if (!createAddressFileReporting(path, loadFieldLengths(settings), file.dialogs())) return false;
        }
    }
    return file.openBRWDBF(path);
}

}  // namespace brindle::address
