#pragma once
// The settings file in the classic profile format: [Section] lines and
// key=value lines. Sections and keys compare ignoring case; comments, blank
// lines and unknown sections are kept as they are. The file is read at each
// call and every write replaces it atomically (a new file renamed into place).
#include <QString>
#include <stdexcept>

namespace brindle::common {

// "Unable to write to <path>".
class SettingsWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ProfileFile {
public:
    explicit ProfileFile(QString path) : path_(std::move(path)) {}
    const QString& path() const { return path_; }

    // A missing key gives the default; strings are cut to 1023 characters.
    QString readString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // Decimal, or hexadecimal after "0x"/"0X" (when longer than two characters);
    // a value that is not a number gives the default.
    int readInt(const QString& section, const QString& key, int defaultValue) const;
    // An integer that is true when not zero.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    bool hasKey(const QString& section, const QString& key) const;

    // Throws SettingsWriteError.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);  // "1" or "0"
    void removeKey(const QString& section, const QString& key);

private:
    QString path_;
};

}  // namespace brindle::common
