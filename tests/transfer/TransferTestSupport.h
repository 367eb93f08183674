#pragma once
// Scratch folders, address files and the independent readers and writers
// (Python's csv module, python3-dbf) the transfer tests compare with.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "address/AddressSchema.h"
#include "store/Table.h"

namespace brindle::transfertest {

// The Python that has python3-dbf (the first python3 on PATH may not).
inline const char* kPython = "/usr/bin/python3";

struct Scratch {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    std::string file(const QString& name) const { return path(name).toStdString(); }
};

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// Creates an address file and opens it exclusively.
inline std::unique_ptr<store::Table> newAddressFile(const Scratch& s, const QString& name = QStringLiteral("ADDR.DBF")) {
    address::createAddressFile(s.file(name), address::FieldLengths::defaults());
    return store::Table::open(s.file(name), store::OpenMode::Exclusive);
}

// Runs a Python script with arguments; returns its stdout, fails the test on a non-zero exit.
inline QByteArray runPython(const Scratch& s, const QString& script, const QStringList& args = {}) {
    const QString path = s.path(QStringLiteral("script.py"));
    writeBytes(path, script.toUtf8());
    QProcess p;
    p.start(QString::fromLatin1(kPython), QStringList{path} + args);
    p.waitForFinished(60000);
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    return p.readAllStandardOutput();
}

inline bool pythonHasDbf() {
    static const bool ok = [] {
        QProcess p;
        p.start(QString::fromLatin1(kPython), {QStringLiteral("-c"), QStringLiteral("import dbf")});
        p.waitForFinished(30000);
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }();
    return ok;
}

}  // namespace brindle::transfertest
