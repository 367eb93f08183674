#include "dialer/DialerSerialPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>

namespace brindle::address {

namespace {
// The system's reason for an errno, with a plain word for a device in use.
QString reasonFor(int error) {
    if (error == EBUSY || error == EWOULDBLOCK) return QStringLiteral("in use by another program");
    return qt_error_string(error);
}
}  // namespace

bool SerialDialerPort::open(const QString& device) {
    close();
    failed_ = false;
    error_.clear();
    const QByteArray path = QFile::encodeName(device);
    if (path.isEmpty()) {
        error_ = qt_error_string(ENOENT);
        return false;
    }
    // No O_CREAT: a missing device is an error, never a new file.
    const int fd = ::open(path.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = reasonFor(errno);
        return false;
    }
    const auto fail = [&](int error) {
        error_ = reasonFor(error);
        ::close(fd);
        return false;
    };
    // Another program holding the device (or its advisory lock) wins.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno);
    if (::isatty(fd)) {
        if (::ioctl(fd, TIOCEXCL) != 0) return fail(errno);
        termios t{};
        if (::tcgetattr(fd, &t) == 0) {
            t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }
    fd_ = fd;
    return true;
}

bool SerialDialerPort::write(const QByteArray& bytes) {
    if (fd_ < 0) return false;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs_);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            failed_ = true;
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0) {
            failed_ = true;
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        // Sleep in short steps: a device whose output is stopped may report
        // itself writable while taking nothing.
        const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
        if (r < 0 && errno != EINTR) {
            failed_ = true;
            return false;
        }
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            failed_ = true;
            return false;
        }
        if (r > 0 && n == 0) ::usleep(10000);
    }
    return true;
}

void SerialDialerPort::close() {
    if (fd_ < 0) return;
    // Bytes the device would not take are dropped, so closing does not wait for them.
    if (failed_ && ::isatty(fd_)) ::tcflush(fd_, TCOFLUSH);
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace brindle::address
