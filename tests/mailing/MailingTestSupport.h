#pragma once
// Address files with chosen ZIP codes for the presort tests.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <string>
#include <utility>
#include <vector>

#include "address/AddressSchema.h"
#include "mailing/Presort.h"
#include "store/Table.h"

namespace brindle::mailtest {

struct ZipRecord {
    std::string zip;           // stored bytes (Windows-1252)
    std::string lname = "Doe";
    bool isdel = false;
    bool engineDeleted = false;
};

// A new address file with one record per entry, in this physical order.
inline void makeZipFile(const QString& path, const std::vector<ZipRecord>& records) {
    address::createAddressFile(path.toStdString(), address::FieldLengths::defaults());
    auto t = store::Table::open(path.toStdString());
    for (const ZipRecord& r : records) {
        t->append();
        t->setString("LNAME", r.lname);
        t->setString("ZIP", r.zip);
        t->setLogical("ISDEL", r.isdel);
        t->post();
        if (r.engineDeleted) t->deleteRecord();
    }
}

// `n` records of one ZIP.
inline void addZip(std::vector<ZipRecord>& records, const std::string& zip, int n) {
    for (int i = 0; i < n; ++i) records.push_back({zip});
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline std::vector<std::string> linesOf(const QByteArray& bytes) {
    std::vector<std::string> out;
    for (const auto& l : mailing::parseOrderFile(bytes)) out.push_back(l.text);
    return out;
}

// A progress that records the statuses and can stop after a number of records.
class RecordingProgress : public mailing::PresortProgress {
public:
    void status(const QString& text) override { statuses.push_back(text); }
    bool afterRecord(int percent) override {
        percents.push_back(percent);
        return stopAfter < 0 || static_cast<int>(percents.size()) < stopAfter;
    }
    std::vector<QString> statuses;
    std::vector<int> percents;
    int stopAfter = -1;
};

}  // namespace brindle::mailtest
