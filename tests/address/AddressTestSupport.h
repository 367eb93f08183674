#pragma once
// Temporary program folders and address files for the address tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QWidget>
#include <QTemporaryDir>
#include <QString>

#include <map>
#include <string>
#include <vector>

#include "address/AddressFile.h"
#include "address/AddressSchema.h"
#include "address/Query.h"
#include "address/RecordSession.h"
#include "common/Common.h"
#include "common/ScriptedDialogs.h"
#include "store/Table.h"

namespace brindle::addrtest {

inline QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// With BRINDLE_DIALOG_SHOTS naming a folder, keeps a picture of the window there.
inline void keepShot(QWidget* w, const QString& name) {
    const QString folder = qEnvironmentVariable("BRINDLE_DIALOG_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QApplication::processEvents();
    w->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

// A temporary program folder with DATA/ and sysdata/, set as BRINDLE_HOME for
// the lifetime of the object.
struct ProgramHome {
    QTemporaryDir dir;
    QByteArray previous;
    bool hadPrevious;
    explicit ProgramHome(bool withFolders = true) {
        hadPrevious = qEnvironmentVariableIsSet("BRINDLE_HOME");
        previous = qgetenv("BRINDLE_HOME");
        qputenv("BRINDLE_HOME", dir.path().toUtf8());
        if (withFolders) {
            QDir(dir.path()).mkpath(QStringLiteral("DATA"));
            QDir(dir.path()).mkpath(QStringLiteral("sysdata"));
        }
    }
    ~ProgramHome() {
        if (hadPrevious) qputenv("BRINDLE_HOME", previous);
        else qunsetenv("BRINDLE_HOME");
    }
    QString path(const QString& rel = {}) const { return dir.path() + QLatin1Char('/') + rel; }
    QString settings() const { return path(QStringLiteral("BRINDL.ini")); }
    QString data(const QString& name) const { return path(QStringLiteral("DATA/") + name); }
};

struct Person {
    const char* last;
    const char* first;
    const char* city = "";
    bool isdel = false;
};

// A new address file with these records (in this physical order).
inline void makeAddressFile(const QString& path, std::initializer_list<Person> people,
                            const address::FieldLengths& lengths = address::FieldLengths::defaults()) {
    address::createAddressFile(path.toStdString(), lengths);
    auto t = store::Table::open(path.toStdString());
    for (const Person& p : people) {
        t->append();
        t->setString("LNAME", p.last);
        t->setString("FNAME", p.first);
        t->setString("CITY", p.city);
        t->setLogical("ISDEL", p.isdel);
        t->post();
    }
    t->close();
}

inline void removeIndex(const QString& dbfPath) {
    QString cdx = dbfPath;
    cdx.chop(4);
    QFile::remove(cdx + QStringLiteral(".CDX"));
}

// Field values of one record, in UTF-8 ("MEMO" for the memo).
using Fields = std::map<std::string, std::string>;

// Code-page bytes of the header (byte 29) for files written by other programs.
constexpr unsigned char kWindows1252 = 0x03;
constexpr unsigned char kDos850 = 0x02;
constexpr unsigned char kDos852 = 0x64;
constexpr unsigned char kWindows1251 = 0xC9;

// A new address file with these records, stored in the code page that the
// header byte names (our own files are Windows-1252; for another one the
// fresh empty file's byte 29 is changed before any record is added).
inline void makeFile(const QString& path, const std::vector<Fields>& records,
                     const address::FieldLengths& lengths = address::FieldLengths::defaults(),
                     unsigned char codePage = kWindows1252) {
    address::createAddressFile(path.toStdString(), lengths);
    if (codePage != kWindows1252) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite) && f.seek(29) && f.write(reinterpret_cast<const char*>(&codePage), 1) == 1);
    }
    auto t = store::Table::open(path.toStdString());
    EXPECT_EQ(t->codec().headerByte(), codePage);
    for (const auto& r : records) {
        t->append();
        for (const auto& [k, v] : r) {
            const store::EncodedText encoded = t->codec().fromUtf8(v);
            EXPECT_TRUE(encoded.lossless()) << v;
            const std::string& stored = encoded.text;
            if (k == "MEMO") t->setMemo("MEMO", stored);
            else t->setString(k, stored);
        }
        t->setLogical("ISDEL", false);
        t->post();
    }
    t->close();
}

// An open address file with a session over it.
struct OpenFile {
    ProgramHome home;
    common::ScriptedDialogs dialogs;
    address::AddressFile file{dialogs, home.settings()};
    address::RecordSession session{file, dialogs};
    QString path = home.data("ADD0001.DBF");
    OpenFile(const std::vector<Fields>& records, const address::FieldLengths& lengths = address::FieldLengths::defaults(),
             unsigned char codePage = kWindows1252) {
        makeFile(path, records, lengths, codePage);
        file.setGlobalTagId(QStringLiteral("TAG1"));
        session.prefs.aggressiveSave = 0;
        EXPECT_TRUE(file.openBRWDBF(path));
    }
    // Applies a filter of these values (UTF-8) by their variable numbers.
    int applyWith(std::initializer_list<std::pair<int, const char*>> texts, bool tagged = false, bool reverse = false) {
        address::QueryVars v;
        for (const auto& [i, t] : texts) v.texts[static_cast<std::size_t>(i)] = QString::fromUtf8(t);
        v.taggedOnly = tagged;
        v.reverse = reverse;
        file.setQueryVars(v);
        return file.applyQuery();
    }
};

}  // namespace brindle::addrtest
