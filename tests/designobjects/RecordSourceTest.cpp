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

TEST(TableRecordSource, OlderDesignsBindByAFormerLabel) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/t.dbf").toStdString();
    store::Table::create(path, {{"EMAIL", 'C', 20, 0}, {"OTHER", 'C', 20, 0}}, true);
    auto t = store::Table::open(path);
    t->append();
    t->setString("EMAIL", "ann@example.org");
    t->setString("OTHER", "other");
    t->post();
    const auto labels = [](const QString& n) { return n == "EMAIL" ? QStringLiteral("E-mail") : n; };
    const auto former = [](const QString& n) { return n == "EMAIL" ? QStringLiteral("Email") : QString(); };
    designobjects::TableRecordSource source(t.get(), labels, {}, former);
    std::vector<designobjects::RecordField> storage;
    ASSERT_NE(source.fieldByLabel("E-mail", storage), nullptr);
    EXPECT_EQ(source.fieldByLabel("E-mail", storage)->name, "EMAIL");
    ASSERT_NE(source.fieldByLabel("Email", storage), nullptr);
    EXPECT_EQ(source.fieldByLabel("Email", storage)->name, "EMAIL");
    EXPECT_EQ(source.fieldByLabel("", storage), nullptr);  // no former label matches an empty binding

    // A field whose current label is the text wins over another's former label.
    const auto taken = [](const QString& n) {
        return n == "EMAIL" ? QStringLiteral("E-mail") : QStringLiteral("Email");
    };
    designobjects::TableRecordSource clash(t.get(), taken, {}, former);
    EXPECT_EQ(clash.fieldByLabel("Email", storage)->name, "OTHER");
    // Without former labels only the current label binds.
    designobjects::TableRecordSource plain(t.get(), labels, {});
    EXPECT_EQ(plain.fieldByLabel("Email", storage), nullptr);
}
