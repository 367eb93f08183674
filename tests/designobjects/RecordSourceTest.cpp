// Data objects read the open address file's text through its code page.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <iterator>

#include "designobjects/RecordSource.h"
#include "store/Table.h"

using namespace brindle;

TEST(TableRecordSource, FieldTextIsDecodedThroughTheTablesCodePage) {
    QTemporaryDir dir;
    struct Case {
        char headerByte;
        const char* utf8;
    };
    for (const Case& c : {Case{'\x03', "Müller €"}, Case{'\x02', "Müller È"}, Case{'\xC9', "Иван"}}) {
        const std::string path = (dir.path() + "/t.dbf").toStdString();
        store::Table::create(path, {{"LNAME", 'C', 20, 0}}, true);
        {
            // The code page another program would have written into the header.
            std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(29);
            f.put(c.headerByte);
        }
        auto t = store::Table::open(path);
        t->append();
        const store::EncodedText bytes = t->codec().fromUtf8(c.utf8);
        ASSERT_TRUE(bytes.lossless());
        t->setString("LNAME", bytes.text);
        t->post();
        designobjects::TableRecordSource source(t.get(), {}, {});
        EXPECT_EQ(source.fieldText(QStringLiteral("LNAME")), QString::fromUtf8(c.utf8)) << int(c.headerByte);
    }
}
