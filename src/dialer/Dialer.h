#pragma once
// Direct dialling through a modem with Hayes AT commands: the byte sequence
// written to the port, over an abstract port so it can be tested.
#include <QByteArray>
#include <QString>
#include <functional>

#include "dialer/DialerSettings.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {

// A device the dialer writes to.
class DialerPort {
public:
    virtual ~DialerPort() = default;
    // Opens an existing device for writing; false when it cannot.
    virtual bool open(const QString& device) = 0;
    // Why the last open failed, in the system's words; empty when unknown.
    virtual QString errorString() const { return {}; }
    // Writes all bytes; false on failure or when the device does not take them in time.
    virtual bool write(const QByteArray& bytes) = 0;
    virtual void close() = 0;
};

// Removes CR, LF and every other character below 32, and 127, so typed or
// stored text cannot end one modem command and start another.
QString stripControlCharacters(const QString& text);
// The initialisation line: empty for an empty string, otherwise the string
// with "AT" in front when it does not start with it (either case), and CR LF.
QByteArray initCommand(const QString& init);
// "ATDT"/"ATDP" + number + CR LF.
QByteArray dialCommand(const QString& number, DialMethod method);

struct DialRequest {
    QString number;   // prefix and number
    QString init;
    DialMethod method = DialMethod::Tone;
    QString portName;  // "COM2", for messages
    QString device;    // "/dev/ttyS1"
};

enum class DialOutcome { OpenFailed, WriteFailed, Dialed };

// "Unable to open COM2 (/dev/ttyS1: Permission denied)"; without a reason
// "Unable to open COM2 (/dev/ttyS1)".
QString unableToOpenPortMessage(const QString& portName, const QString& device, const QString& reason);

// Runs the whole sequence: open, init line and the wait, dial command,
// "Pick up phone", "ATH", close. `wait` is called with 1500 after the init
// line and must keep the program responsive.
DialOutcome dialNumber(const DialRequest& request, DialerPort& port, common::UserDialogs& dialogs,
                       const std::function<void(int ms)>& wait);

// Waits while handling the program's events.
void waitProcessingEvents(int ms);

}  // namespace brindle::address
