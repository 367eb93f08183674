#include "dialer/DialerSettings.h"

#include "common/ProfileFile.h"

namespace brindle::address {

namespace {
const QString kSection = QStringLiteral("Dialing");
}

DialingSettings DialingSettings::load(const common::ProfileFile& file) {
    DialingSettings s;
    s.prefix = file.readString(kSection, QStringLiteral("Prefix"));
    s.init = file.readString(kSection, QStringLiteral("Init"));
    const int port = file.readInt(kSection, QStringLiteral("Port"), 0);
    s.port = port >= 0 && port <= 3 ? port : 0;
    const int method = file.readInt(kSection, QStringLiteral("Method"), 0);
    s.method = method == 0 || method == 1 ? method : 0;
    s.useTapi = file.readBool(kSection, QStringLiteral("UseTAPI"), false);
    return s;
}

void DialingSettings::save(common::ProfileFile& file) const {
    file.writeString(kSection, QStringLiteral("Prefix"), prefix);
    file.writeString(kSection, QStringLiteral("Init"), init);
    file.writeInt(kSection, QStringLiteral("Port"), port);
    file.writeInt(kSection, QStringLiteral("Method"), method);
    file.writeBool(kSection, QStringLiteral("UseTAPI"), useTapi);
}

QString portName(int port) { return QStringLiteral("COM") + QString::number(port + 1); }

QString portDevice(const common::ProfileFile& file, int port) {
    const QString custom = file.readString(kSection, portName(port)).trimmed();
    if (!custom.isEmpty()) return custom;
    return QStringLiteral("/dev/ttyS") + QString::number(port);
}

}  // namespace brindle::address
