// Merging records into a letter on the document model: tokens in any letter
// case keep their format, values are plain text whatever they hold, and the
// values of one record are never merged again.
#include "letters/LetterMerge.h"
#include "letters/MergeTokens.h"
#include "printing/PdfCanvas.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace brindle;

QT_BEGIN_NAMESPACE
// Failures show text, not code units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE
using brindle::letters::LetterMerge;
using brindle::letters::MergeValues;

namespace {

constexpr QChar kLineBreak(QChar::LineSeparator);

// A template as a word processor writes it: the name token bold, another
// in lower case, text in brackets that names no token, a nested bracket.
const QByteArray kTemplate =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
    "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\n"
    "\\pard\\plain\\f0\\fs20 Dear {\\b [full name]},\\par\n"
    "\\pard\\plain\\f1\\fs24 [Name and Address]\\par\n"
    "\\pard\\plain\\f0\\fs20 From [ORGANIZATION] at [Street]. [Unknown] [[First]] [Comment 1]\n"
    "}";

QTextCharFormat formatAt(const richtext::RichDocument& doc, int position) {
    QTextCursor c(const_cast<QTextDocument*>(doc.document()));
    c.setPosition(position + 1);
    return c.charFormat();
}

}  // namespace

TEST(LetterMerge, ValuesArePlainTextInTheTokensFormatAndNeverMergedAgain) {
    richtext::RichDocument doc;
    doc.load(kTemplate);
    const MergeValues values{
        {QStringLiteral("Full Name"), QStringLiteral("José Wałęsa ")},
        {QStringLiteral("Name and Address"), QStringLiteral("José Wałęsa \r\nул. Тверская 7\r\nМосква 125009\r\n")},
        {QStringLiteral("Organization"), QStringLiteral("[Comment 1] {\\b Acme}\\par \\")},
        {QStringLiteral("Street"), QString()},
        {QStringLiteral("First"), QStringLiteral("Ann")},
        {QStringLiteral("Comment 1"), QStringLiteral("Müller\nline two")},
    };
    const int blocks = doc.document()->blockCount();
    EXPECT_EQ(LetterMerge::findTokens(doc, values).size(), 6u);
    EXPECT_EQ(LetterMerge::mergeInto(doc, values), 6);

    const QString expected = QStringLiteral("Dear José Wałęsa ,\n"
                                            "José Wałęsa %1ул. Тверская 7%1Москва 125009%1\n"
                                            "From [Comment 1] {\\b Acme}\\par \\ at . [Unknown] [Ann] Müller%1line two")
                                 .arg(kLineBreak);
    // plainText() shows line breaks as "\n" too; the paragraphs tell them apart.
    EXPECT_EQ(doc.plainText(), QString(expected).replace(kLineBreak, u'\n'));
    EXPECT_EQ(doc.document()->blockCount(), blocks) << "line breaks in values stay inside their paragraph";
    EXPECT_EQ(doc.document()->findBlockByNumber(1).text(),
              QStringLiteral("José Wałęsa %1ул. Тверская 7%1Москва 125009%1").arg(kLineBreak));

    const QString text = doc.plainText();
    EXPECT_EQ(formatAt(doc, int(text.indexOf(u'J'))).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(doc, int(text.indexOf(QStringLiteral("Dear")))).fontWeight(), QFont::Normal);
    EXPECT_EQ(formatAt(doc, int(text.indexOf(QStringLiteral("Москва")))).fontPointSize(), 12.0);

    // Written as RTF and read again, the braces and backslashes are still text.
    richtext::RichDocument again;
    again.load(doc.toRtf());
    EXPECT_EQ(again.plainText(), doc.plainText());
    EXPECT_EQ(again.document()->findBlockByNumber(1).text(), doc.document()->findBlockByNumber(1).text());
}

TEST(LetterMerge, EachRecordStartsFromTheTemplate) {
    richtext::RichDocument templ;
    templ.load(kTemplate);
    const QString before = templ.plainText();
    const LetterMerge merge(templ);
    richtext::RichDocument letter;
    EXPECT_EQ(merge.merge({{QStringLiteral("Full Name"), QStringLiteral("First Person ")}}, letter), 1);
    EXPECT_TRUE(letter.plainText().startsWith(QStringLiteral("Dear First Person ,")));
    EXPECT_EQ(merge.merge({{QStringLiteral("FULL NAME"), QStringLiteral("Second ")}}, letter), 1);
    EXPECT_TRUE(letter.plainText().startsWith(QStringLiteral("Dear Second ,")));
    EXPECT_EQ(templ.plainText(), before);
    EXPECT_EQ(letter.page(), templ.page());
    EXPECT_EQ(merge.merge({}, letter), 0);
    EXPECT_EQ(letter.plainText(), before);
}

TEST(LetterMerge, RecordValuesJoinUpAndEmptyTokensVanish) {
    QMap<QString, QString> record{{"FNAME", "John"},      {"MIDDLE", "Q"},     {"LNAME", "Smith"},
                                  {"CITY", "Springfield"}, {"STATE", "IL"},     {"ZIP", "62701"},
                                  {"ORG", "[Comment 1]"},  {"USER1", "secret"}};
    const letters::FieldValue field = [&](const char* name) { return record.value(QString::fromLatin1(name)); };
    const MergeValues values = letters::tokenValues(field, letters::TokenContext{});

    richtext::RichDocument doc;
    doc.loadPlainText(QStringLiteral("[Full Name]|[city+state+zip]|[Phone] and [Fax].|[Organization]"));
    LetterMerge::mergeInto(doc, values);
    EXPECT_EQ(doc.plainText(), QStringLiteral("John Q. Smith |Springfield IL 62701| and .|[Comment 1]"));

    // The merged letter lays out again on the same paginator.
    richtext::Paginator pages(doc);
    EXPECT_EQ(pages.pageCount(), 1);
    QString many;
    for (int i = 0; i < 120; ++i) many += QStringLiteral("line\r\n");
    doc.loadPlainText(QStringLiteral("[Comment 2]"));
    LetterMerge::mergeInto(doc, {{QStringLiteral("Comment 2"), many}});
    pages.relayout();
    EXPECT_GT(pages.pageCount(), 1) << "a long value breaks across pages";
}

// A merged letter drawn to PDF and read back by another program: the values
// arrive as typed, braces, backslashes and Cyrillic included.
TEST(LetterMerge, MergedLetterReadsBackFromPdf) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext missing";
    richtext::RichDocument templ;
    templ.load(kTemplate);
    richtext::RichDocument letter;
    letters::LetterMerge(templ).merge({{QStringLiteral("Full Name"), QStringLiteral("José Wałęsa ")},
                                       {QStringLiteral("Name and Address"), QStringLiteral("Москва 125009\r\nRussia")},
                                       {QStringLiteral("Organization"), QStringLiteral("{\\b Acme}\\par")}},
                                      letter);
    QTemporaryDir dir;
    const QString pdfPath = dir.filePath(QStringLiteral("letter.pdf"));
    {
        printing::PdfCanvas pdf(pdfPath);
        EXPECT_EQ(richtext::Paginator(letter).drawAll(pdf), 1);
        ASSERT_TRUE(pdf.end());
    }
    if (const char* shot = std::getenv("BRINDLE_SCREENSHOT_DIR")) QFile::copy(pdfPath, QString::fromLocal8Bit(shot) + "/merged.pdf");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* expected : {"Dear José Wałęsa ,", "Москва 125009", "Russia", "From {\\b Acme}\\par at [Street]."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
}
