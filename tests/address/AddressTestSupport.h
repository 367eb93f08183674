#pragma once
// Temporary program folders and address files for the address tests.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QString>

#include "address/AddressSchema.h"
#include "store/Table.h"

namespace brindle::addrtest {

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

}  // namespace brindle::addrtest
