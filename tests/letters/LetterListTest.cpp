// LETTER.DBF rows: storing, loading, cloning and deleting templates.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "LetterTestSupport.h"
#include "letters/LetterList.h"
#include "richtext/RichDocument.h"

using namespace brindle;
using letters::LetterList;

TEST(LetterMemo, LengthRule) {
    const struct {
        QByteArray rtf;
        QByteArray stored;
    } cases[] = {
        {"abcd", "abcd "},        {"abcdefgh", "abcdefgh "}, {"abcdefghijkl", "abcdefghijkl "},
        {"abcde", "abcde"},       {"", ""},                  {"{\\rtf1 x}\r\n", "{\\rtf1 x}"},
        {"{\\rtf1 abcd}\r\n", "{\\rtf1 abcd} "}, {"ab\r\ncd\r\n", "ab\r\ncd"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(letters::storedTemplateText(c.rtf), c.stored) << c.rtf.toStdString();
        EXPECT_TRUE(c.stored.isEmpty() || c.stored.size() % 4 != 0);
    }
}

TEST_F(LetterTableTest, StoreAndLoadKeepTextFormattingAndPage) {
    richtext::RichDocument doc;
    doc.setPage(richtext::kA4Page);
    QTextCursor c(doc.document());
    doc.setInsertionFont(c, QStringLiteral("Times New Roman"), 14, true, false);
    doc.insertText(c, QString::fromUtf8("Dear [Full Name],\r\nJosé Müller, Wałęsa, Жуков"));

    LetterList list(table(), dialogs);
    ASSERT_TRUE(list.store(QString::fromUtf8("Müller invoice"), doc, true));
    EXPECT_EQ(list.currentDescription(), QString::fromUtf8("Müller invoice"));
    const QByteArray memo = list.currentTemplate();
    EXPECT_NE(memo.size() % 4, 0);
    EXPECT_TRUE(memo.startsWith("{\\rtf"));

    richtext::RichDocument back;
    ASSERT_TRUE(list.loadCurrent(back));
    EXPECT_EQ(back.plainText(), doc.plainText());
    EXPECT_EQ(back.page(), richtext::kA4Page);  // an A4 template stays A4
    const QTextCharFormat f = back.document()->begin().begin().fragment().charFormat();
    EXPECT_EQ(f.fontFamilies().toStringList().value(0), "Times New Roman");
    EXPECT_EQ(f.fontPointSize(), 14);
    EXPECT_GE(f.fontWeight(), QFont::Bold);
    // Storing what was loaded gives the same memo.
    ASSERT_TRUE(list.store(list.currentDescription(), back, false));
    EXPECT_EQ(list.currentTemplate(), memo);
    EXPECT_EQ(list.rows().size(), 1);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(LetterTableTest, DescriptionsTheFileCannotHoldAreNamedAndNothingIsWritten) {
    richtext::RichDocument doc;
    doc.loadPlainText(QStringLiteral("x"));
    LetterList list(table(), dialogs);
    EXPECT_FALSE(list.store(QString::fromUtf8("Письмо Wałęsa"), doc, true));
    ASSERT_EQ(dialogs.infos().size(), 1);
    EXPECT_TRUE(dialogs.infos()[0].contains(QString::fromUtf8("П"))) << dialogs.infos()[0].toStdString();
    EXPECT_TRUE(dialogs.infos()[0].contains(QString::fromUtf8("ł")));
    EXPECT_EQ(table().recordCount(), 0u);
}

TEST_F(LetterTableTest, CloneCopiesTheMemoByteForByteAndDeleteRemovesOnlyThatRow) {
    // Rows written directly, with a memo that is not the writer's form.
    const QByteArray invoice = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Invoice for [Full Name]\\par}\r\n";
    addRow("Invoice", invoice);
    addRow("Reminder", "Please pay.");
    LetterList list(table(), dialogs);
    ASSERT_EQ(list.rows().size(), 2);
    ASSERT_TRUE(list.select(list.rows()[0].recno));
    EXPECT_EQ(list.currentDescription(), "Invoice");

    EXPECT_FALSE(list.cloneCurrent());  // answered No
    dialogs.answers.enqueue(true);
    ASSERT_TRUE(list.cloneCurrent());
    EXPECT_EQ(dialogs.shown[0].caption, "CLONE");
    EXPECT_EQ(dialogs.shown[0].text, "Clone \"Invoice\"?");
    const auto rows = list.rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].description, "Clone of Invoice");
    ASSERT_TRUE(list.select(rows[0].recno));
    EXPECT_EQ(list.currentTemplate(), invoice);

    // Delete: No keeps the row, Yes removes that one only.
    ASSERT_TRUE(list.select(rows[1].recno));
    EXPECT_FALSE(list.deleteCurrent());
    EXPECT_EQ(list.rows().size(), 3);
    dialogs.answers.enqueue(true);
    ASSERT_TRUE(list.select(rows[1].recno));
    ASSERT_TRUE(list.deleteCurrent());
    EXPECT_EQ(dialogs.shown.last().caption, "DELETE");
    EXPECT_EQ(dialogs.shown.last().text, "Delete \"Invoice\"?");
    QStringList left;
    for (const auto& r : list.rows()) left << r.description;
    EXPECT_EQ(left, (QStringList{"Clone of Invoice", "Reminder"}));
}

TEST_F(LetterTableTest, ForeignTableWithPlainAndEmptyMemosLoadsAsText) {
    QString error;
    if (!writeLetterTableWithPython(home.path("sysdata"), {{"Plain", "Dear Jos\xc3\xa9,\nsee you."}, {"Empty", ""}},
                                    &error))
        GTEST_SKIP() << error.toStdString();
    auto t = LetterList::openLetterTable(dialogs);
    ASSERT_TRUE(t);
    LetterList list(*t, dialogs);
    const auto rows = list.rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].description, "Empty");
    richtext::RichDocument doc;
    doc.loadPlainText(QStringLiteral("previous"));
    ASSERT_TRUE(list.select(rows[1].recno));
    ASSERT_TRUE(list.loadCurrent(doc));
    EXPECT_EQ(doc.plainText(), QString::fromUtf8("Dear José,\nsee you."));
    ASSERT_TRUE(list.select(rows[0].recno));
    ASSERT_TRUE(list.loadCurrent(doc));
    EXPECT_EQ(doc.plainText(), QString());
    // Stored again, the plain letter becomes RTF that another reader takes.
    ASSERT_TRUE(list.select(rows[1].recno));
    ASSERT_TRUE(list.loadCurrent(doc));
    ASSERT_TRUE(list.store(QStringLiteral("Plain"), doc, false));
    EXPECT_TRUE(list.currentTemplate().startsWith("{\\rtf"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(LetterTableTest, AStoredTemplateReadsInUnrtfWithItsPage) {
    if (QStandardPaths::findExecutable("unrtf").isEmpty()) GTEST_SKIP() << "unrtf missing";
    richtext::RichDocument doc;
    richtext::PageSetup a4 = richtext::kA4Page;
    a4.marginLeft = 1080;
    doc.setPage(a4);
    doc.loadPlainText(QString::fromUtf8("Dear [Full Name],\nthank you, Mr Müller."));
    LetterList list(table(), dialogs);
    ASSERT_TRUE(list.store(QStringLiteral("A4 letter"), doc, true));
    const QString path = home.path("stored.rtf");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(list.currentTemplate());
    f.close();
    QProcess p;
    p.start("unrtf", {"--text", path});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QString::fromUtf8("Dear [Full Name],"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8("thank you, Mr Müller."))) << out.toStdString();
    // The page as another reader finds it in the file.
    const QByteArray memo = list.currentTemplate();
    for (const char* word : {"\\paperw11906", "\\paperh16838", "\\margl1080", "\\margr1440", "\\margt1440", "\\margb1440"})
        EXPECT_TRUE(memo.contains(word)) << word;
}
