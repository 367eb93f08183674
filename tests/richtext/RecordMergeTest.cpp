// Merging records into one laid-out letter in place must give, record after
// record, exactly what copying the template and replacing each token in turn
// gives: the same text, formats, lines and pages.
#include <gtest/gtest.h>

#include "printing/DrawOps.h"
#include "printing/PageRecorder.h"
#include "richtext/RecordMerge.h"

#include <QTextBlock>
#include <QTextDocument>

using namespace brindle::richtext;
using brindle::printing::DrawOp;
using brindle::printing::OpKind;
using brindle::printing::PageRecorder;

namespace {

const QStringList kTokens{"[Name and Address]", "[Full Name]", "[City]", "[Zip]"};

QByteArray letterTemplate() {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                     "\\pard [Name and Address]\\par\\pard Dear {\\b [Full Name]},\\par";
    for (int p = 0; p < 40; ++p) {
        rtf += "\\pard\\qj\\f1 Paragraph " + QByteArray::number(p) + " with some words to fill the line ";
        if (p % 7 == 3) rtf += "for {\\i [city]} and [Zip][Zip] ";
        rtf += "and more words that wrap.\\par";
    }
    return rtf + "\\pard [Full Name]}";
}

// What a page shows: each text run with its position and font.
QStringList drawn(const Paginator& pages) {
    PageRecorder rec;
    pages.drawAll(rec);
    rec.end();
    QStringList out;
    for (size_t p = 0; p < rec.document().pages.size(); ++p)
        for (const DrawOp& op : rec.document().pages[p].ops)
            if (op.kind == OpKind::Text)
                out << QStringLiteral("%1 %2,%3 %4%5 %6")
                           .arg(p)
                           .arg(op.p1.x(), 0, 'f', 4)
                           .arg(op.p1.y(), 0, 'f', 4)
                           .arg(op.font.bold ? "b" : "")
                           .arg(op.font.italic ? "i" : "")
                           .arg(op.text);
    return out;
}

TEST(RecordMerge, RecordAfterRecordMatchesMergingFromTheTemplate) {
    RichDocument tmpl;
    tmpl.load(letterTemplate());
    RecordMerge merge(tmpl, kTokens);
    const QString longCity = QString("Very Long City Name ").repeated(12);
    const std::vector<QStringList> records{
        {"Mr John Smith\r\n1 Main St\r\nSpringfield IL  62701", "John Smith", "Springfield", "62701"},
        {"Frau Müller\r\nHauptstraße 5\r\nMünchen", "José Müller", longCity, ""},  // lines wrap anew
        {"", "", "", ""},                                                          // every value empty
        {"Wałęsa\r\nГдańsk", "Лех Валенса", "Gdańsk", "80-001"},
        {"A", "[City] in a name", "Paris", "75001"},  // a value naming a later token
        {"Ann", "Ann Lee", "Rome", "00100"},           // back in place after that
    };
    for (const QStringList& values : records) {
        SCOPED_TRACE(values.join('|').toStdString());
        merge.apply(values);
        RichDocument expected;
        expected.copyFrom(tmpl);
        for (int i = 0; i < kTokens.size(); ++i) expected.replaceAll(kTokens[i], values[i]);
        Paginator expectedPages(expected);
        EXPECT_EQ(merge.letter().plainText(), expected.plainText());
        EXPECT_EQ(merge.pages().pageCount(), expectedPages.pageCount());
        EXPECT_EQ(drawn(merge.pages()), drawn(expectedPages));
    }
    EXPECT_EQ(merge.fromTemplateCount(), 1);
    EXPECT_EQ(merge.inPlaceCount(), 5);
    // No undo history grows with the records.
    EXPECT_FALSE(merge.letter().canUndo());
}

TEST(RecordMerge, ValuesKeepTheirTokensFormat) {
    RichDocument tmpl;
    tmpl.load("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard Dear {\\b [Full Name]}, from [City]}");
    RecordMerge merge(tmpl, kTokens);
    for (const QString& name : {QStringLiteral("Ann"), QStringLiteral("Bartholomew Longname"), QString()}) {
        merge.apply({"", name, "Rome", ""});
        const QString text = merge.letter().plainText();
        EXPECT_EQ(text, "Dear " + name + ", from Rome");
        const QTextBlock b = merge.letter().document()->begin();
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const bool isName = !name.isEmpty() && it.fragment().text() == name;
            if (isName) EXPECT_EQ(it.fragment().charFormat().fontWeight(), QFont::Bold);
            if (it.fragment().text().contains("Rome")) EXPECT_NE(it.fragment().charFormat().fontWeight(), QFont::Bold);
        }
    }
}

}  // namespace
