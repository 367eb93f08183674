#pragma once
// The frame around every window the main window opens on the address file:
// what the table looked like before is put back on every way out, including
// an error or a window that failed to open.
#include <QString>
#include <cstdint>

namespace brindle::address {

class AddressFile;
class RecordSession;

class GatewayScope {
public:
    struct Options {
        bool bulkOperation = false;  // the window changes many records
        bool extraFields = false;    // the window prints names and addresses
        bool restoreRecord = true;   // false: the window moves the record on purpose (browse)
        bool restoreFilter = true;   // false: the window sets the filter itself (tag all)
    };
    GatewayScope(RecordSession& session, Options options);
    ~GatewayScope();
    GatewayScope(const GatewayScope&) = delete;
    GatewayScope& operator=(const GatewayScope&) = delete;

    // The window moved the record on purpose; keep where it is.
    void keepRecord() { options_.restoreRecord = false; }

private:
    RecordSession& session_;
    AddressFile& file_;
    Options options_;
    bool wasOpen_ = false;
    QString path_;
    QString tag_;
    QString sortName_;
    std::string filter_;
    std::uint32_t recno_ = 0;
    bool hadRecord_ = false;
    bool refreshButtons_ = true;
    bool bulkOperation_ = false;
    bool extraFields_ = false;
};

}  // namespace brindle::address
