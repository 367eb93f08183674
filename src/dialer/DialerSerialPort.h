#pragma once
// A serial device opened through POSIX termios for the dialer.
#include "dialer/Dialer.h"

namespace brindle::address {

class SerialDialerPort : public DialerPort {
public:
    // `writeTimeoutMs` bounds each write; a device that does not take the bytes
    // in that time counts as a failed write.
    explicit SerialDialerPort(int writeTimeoutMs = 2000) : timeoutMs_(writeTimeoutMs) {}
    ~SerialDialerPort() override { close(); }

    // Opens an existing device write-only, exclusively, without making it the
    // controlling terminal and without waiting for carrier. Speed and framing
    // stay as they are; output processing is turned off so bytes go out unchanged.
    bool open(const QString& device) override;
    QString errorString() const override { return error_; }
    bool write(const QByteArray& bytes) override;
    void close() override;
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    int timeoutMs_;
    bool failed_ = false;
    QString error_;
};

}  // namespace brindle::address
