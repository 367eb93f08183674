#pragma once
// Shared pieces of the letter tests: a program folder with its own
// LETTER.DBF, rows put in directly, and a letter table written by an
// independent xBase writer (python3-dbf).
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <memory>
#include <utility>
#include <vector>

#include "address/AddressTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "letters/LetterList.h"
#include "store/Table.h"

namespace brindle::lettertest {

class LetterTableTest : public ::testing::Test {
protected:
    addrtest::ProgramHome home;
    common::ScriptedDialogs dialogs;
    std::unique_ptr<store::Table> table_;

    store::Table& table() {
        if (!table_) table_ = letters::LetterList::openLetterTable(dialogs);
        EXPECT_TRUE(table_);
        return *table_;
    }
    void addRow(const char* description, const QByteArray& memo) {
        store::Table& t = table();
        t.append();
        t.setString("DESCRIPT", description);
        t.setMemo("RTF", memo.toStdString());
        t.post();
    }
};

// LETTER.DBF (FoxPro, memo) written by python3-dbf into `folder`; false with
// the reason when python3-dbf is not there.
inline bool writeLetterTableWithPython(const QString& folder, const std::vector<std::pair<QString, QString>>& rows,
                                       QString* error) {
    const char* script = R"PY(
import sys, dbf
t = dbf.Table(sys.argv[1] + '/LETTER.DBF', 'DESCRIPT C(50); RTF M', dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
args = sys.argv[2:]
for i in range(0, len(args), 2):
    t.append((args[i], args[i + 1]))
t.close()
)PY";
    QStringList args{QStringLiteral("-c"), QString::fromUtf8(script), folder};
    for (const auto& [d, m] : rows) args << d << m;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        if (error) *error = QString::fromUtf8(p.readAllStandardError());
        return false;
    }
    return true;
}

}  // namespace brindle::lettertest

using brindle::lettertest::LetterTableTest;
using brindle::lettertest::writeLetterTableWithPython;
