#pragma once
// The dialer's settings (section "Dialing" of the settings file) and the
// mapping of the four port choices to serial devices.
#include <QString>

namespace brindle::common {
class ProfileFile;
}

namespace brindle::address {

enum class DialMethod { Tone = 0, Pulse = 1 };

struct DialingSettings {
    QString prefix;
    QString init;
    int port = 0;    // 0 to 3: "COM 1" to "COM 4"
    int method = 0;  // 0 tone, 1 pulse
    bool useTapi = false;

    // Hand-edited values out of range fall back to their defaults.
    static DialingSettings load(const common::ProfileFile& file);
    // Throws common::SettingsWriteError.
    void save(common::ProfileFile& file) const;
};

// "COM1" to "COM4" for ports 0 to 3.
QString portName(int port);
// The device behind a port: the key "COM<n>" of section "Dialing" when set,
// otherwise /dev/ttyS<port>.
QString portDevice(const common::ProfileFile& file, int port);

}  // namespace brindle::address
