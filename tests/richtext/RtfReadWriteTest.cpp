// Reading RTF written by other programs, writing our own, and reading that
// back, with unrtf as an independent reader of our output.
#include <gtest/gtest.h>

#include "pictures/PictureTestFiles.h"
#include "richtext/RichDocument.h"
#include "richtext/RtfReader.h"
#include "richtext/TextFormats.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

using namespace brindle::richtext;

namespace {

// The text with paragraph ends as U+2029 and line breaks as U+2028.
QString raw(const RichDocument& d) { return d.document()->toRawText(); }

QTextCharFormat formatAt(const QTextDocument* doc, const QString& text) {
    const QTextCursor c = doc->find(text, 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    QTextCursor probe(const_cast<QTextDocument*>(doc));
    probe.setPosition(c.selectionStart() + 1);
    return probe.charFormat();
}

QTextBlockFormat blockOf(const QTextDocument* doc, const QString& text) {
    const QTextCursor c = doc->find(text, 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    return c.block().blockFormat();
}

// A letter as a common word processor writes it: style sheet, document
// information, header, Cyrillic font, code page 1250 document, fields, a
// table and list text.
const char* const kForeign =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1033\r\n"
    "{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}{\\f1\\froman\\fprq2\\fcharset204{\\*\\panose 02020603050405020304}Times New Roman;}"
    "{\\f2\\fnil\\fcharset0 Courier New;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green255\\blue0;}\r\n"
    "{\\stylesheet{\\s0 Normal;}{\\s1 heading 1;}}\r\n"
    "{\\info{\\author Somebody}{\\title Should not show}}\r\n"
    "{\\*\\generator Another Writer 5.0;}\\paperw11906\\paperh16838\\margl1134\\margr851\\margt1417\\margb1134\r\n"
    "{\\header \\pard Header text\\par}\r\n"
    "\\viewkind4\\uc1\\pard\\qc\\sb120\\sa240\\f0\\fs28\\b Title\\b0\\par\r\n"
    "\\pard\\li720\\ri360\\fi-360\\sl360\\slmult1\\fs20 Plain \\b bold\\b0  \\i italic\\i0  \\ul under\\ulnone  "
    "\\strike struck\\strike0  \\cf1 red\\cf0  \\highlight3 marked\\highlight0  x\\super 2\\nosupersub  H\\sub 2\\nosupersub O\\par\r\n"
    "\\pard\\tx1440\\tqr\\tx9000 left\\tab right\\par\r\n"
    "\\pard \\'8a\\'e8\\'9a \\f1\\'c6\\'e8\\'e2\\f0  \\u8364?\\uc0\\u8364 \\uc1  a\\~b\\-c\\_d \\emdash\\endash\\bullet \\lquote q\\rquote  \\ldblquote qq\\rdblquote\\par\r\n"
    "\\pard \\\\ \\{ \\} one\\line two\\par\r\n"
    "\\pard {\\field{\\*\\fldinst { HYPERLINK \"http://x\" }}{\\fldrslt {link text}}}"
    " {\\*\\bkmkstart b1}{\\*\\unknowndest hidden}after\\bin3 {}}{x}{\\object\\objemb{\\*\\objclass Paint}{\\objdata 0102}{\\result y}}\\par\r\n"
    "\\trowd\\cellx2000\\cellx4000\\pard\\intbl A1\\cell B1\\cell\\row\r\n"
    "\\pard{\\listtext\\f2 1.\\tab}Item\\par\r\n"
    "\\pard\\page Second page\\par\r\n"
    "}";

}  // namespace

TEST(RtfRead, ForeignDocumentKeepsTextFormatsAndPage) {
    RichDocument d;
    const QStringList warnings = d.load(QByteArray(kForeign));
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
    const QTextDocument* doc = d.document();
    const QString text = raw(d);

    // Skipped destinations leave nothing behind.
    for (const char* gone : {"Normal", "Somebody", "Should not show", "Header text", "HYPERLINK", "hidden", "Another Writer", "02020603"})
        EXPECT_FALSE(text.contains(QLatin1String(gone))) << gone;

    // Paragraph text, escapes and special characters.
    const QStringList paras = text.split(QChar(QChar::ParagraphSeparator));
    ASSERT_GE(paras.size(), 9);
    EXPECT_EQ(paras[0], "Title");
    EXPECT_EQ(paras[2], "left\tright");
    // \'hh through the document code page 1250 (Š č š) and the Cyrillic font (Жив).
    EXPECT_TRUE(paras[3].startsWith(QString::fromUtf8("Ščš Жив €€ a\u00A0b\u00ADc\u2011d \u2014\u2013\u2022\u2018q\u2019 \u201Cqq\u201D")))
        << paras[3].toStdString();
    EXPECT_EQ(paras[4], QString::fromUtf8("\\ { } one\u2028two"));
    EXPECT_EQ(paras[5], "link text afterxy");  // an embedded object shows its result
    EXPECT_EQ(paras[6], "A1\tB1");
    EXPECT_EQ(paras[7], "1.\tItem");
    EXPECT_EQ(paras[8], "Second page");

    // Character formats.
    EXPECT_EQ(formatAt(doc, "Title").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(doc, "Title").fontPointSize(), 14.0);
    EXPECT_EQ(formatAt(doc, "Plain").fontWeight(), QFont::Normal);
    EXPECT_EQ(formatAt(doc, "Plain").fontPointSize(), 10.0);
    EXPECT_EQ(formatAt(doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatAt(doc, "italic").fontItalic());
    EXPECT_TRUE(formatAt(doc, "under").fontUnderline());
    EXPECT_FALSE(formatAt(doc, "struck").fontUnderline());
    EXPECT_TRUE(formatAt(doc, "struck").fontStrikeOut());
    EXPECT_EQ(formatAt(doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatAt(doc, "marked").background().color(), QColor(255, 255, 0));
    EXPECT_FALSE(formatAt(doc, "marked").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(formatAt(doc, "x2").verticalAlignment(), QTextCharFormat::AlignNormal);
    QTextCursor two = doc->find("x2");
    QTextCursor probe(const_cast<QTextDocument*>(doc));
    probe.setPosition(two.selectionEnd());
    EXPECT_EQ(probe.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatAt(doc, QString::fromUtf8("Жив")).fontFamilies().toStringList(), QStringList{"Times New Roman"});
    EXPECT_EQ(formatAt(doc, "Plain").fontFamilies().toStringList(), QStringList{"Arial"});

    // Paragraph formats: indents in layout units (five to the twip), spacing in 96-dpi pixels.
    const QTextBlockFormat title = blockOf(doc, "Title");
    EXPECT_TRUE(title.alignment() & Qt::AlignHCenter);
    EXPECT_EQ(pixelsToTwips(title.topMargin()), 120);
    EXPECT_EQ(pixelsToTwips(title.bottomMargin()), 240);
    const QTextBlockFormat body = blockOf(doc, "Plain");
    EXPECT_EQ(unitsToTwips(body.leftMargin()), 720);
    EXPECT_EQ(unitsToTwips(body.rightMargin()), 360);
    EXPECT_EQ(unitsToTwips(body.textIndent()), -360);
    EXPECT_EQ(body.lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_DOUBLE_EQ(body.lineHeight(), 150.0);
    const QTextBlockFormat tabs = blockOf(doc, "left");
    ASSERT_EQ(tabs.tabPositions().size(), 2);
    EXPECT_EQ(tabs.tabPositions()[1].type, QTextOption::RightTab);
    EXPECT_EQ(blockOf(doc, "Second page").pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_EQ(blockOf(doc, "Item").pageBreakPolicy(), QTextFormat::PageBreak_Auto);

    // Page (A4 with the file's margins).
    EXPECT_EQ(d.page().paperWidth, 11906);
    EXPECT_EQ(d.page().paperHeight, 16838);
    EXPECT_EQ(d.page().marginLeft, 1134);
    EXPECT_EQ(d.page().marginRight, 851);
    EXPECT_EQ(d.page().marginTop, 1417);
    EXPECT_EQ(d.page().marginBottom, 1134);
}

TEST(RtfWrite, OwnOutputIsSevenBitCrLfAndStableOnSecondWrite) {
    RichDocument d;
    d.load(QByteArray(kForeign));
    const QByteArray first = d.toRtf();
    for (const char c : first) ASSERT_LT(static_cast<unsigned char>(c), 0x80u);
    for (qsizetype i = first.indexOf('\n'); i >= 0; i = first.indexOf('\n', i + 1)) ASSERT_EQ(first[i - 1], '\r');
    EXPECT_TRUE(first.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    EXPECT_TRUE(first.contains("Times New Roman;"));
    EXPECT_TRUE(first.contains("\\paperw11906\\paperh16838\\margl1134\\margr851\\margt1417\\margb1134"));

    RichDocument again;
    EXPECT_TRUE(again.load(first).isEmpty());
    EXPECT_EQ(again.plainText(), d.plainText());
    EXPECT_EQ(again.page(), d.page());
    const QByteArray second = again.toRtf();
    EXPECT_EQ(second, first);

    // Formats survive: spot checks on the re-read document.
    const QTextDocument* doc = again.document();
    EXPECT_EQ(formatAt(doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(unitsToTwips(blockOf(doc, "Plain").textIndent()), -360);
    EXPECT_EQ(blockOf(doc, "Second page").pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_EQ(formatAt(doc, QString::fromUtf8("Жив")).intProperty(kFontCharset), 204);
}

TEST(RtfWrite, PageSizesAndOrientationSurvive) {
    PageSetup landscape{15840, 12240, 720, 720, 1080, 1080, true};
    for (const PageSetup& page : {kLetterPage, kA4Page, landscape}) {
        RichDocument d;
        d.loadPlainText("Page text");
        d.setPage(page);
        RichDocument back;
        back.load(d.toRtf());
        EXPECT_EQ(back.page(), page);
    }
}

TEST(RtfWrite, UnrtfReadsOurOutputToTheSameText) {
    if (QStandardPaths::findExecutable("unrtf").isEmpty()) GTEST_SKIP() << "unrtf missing";
    RichDocument d;
    d.loadPlainText(QString::fromUtf8("Dear Mr Müller,\nthe price is 12 € (José, Wałęsa, Жуков).\nRegards"));
    QTemporaryDir dir;
    const QString path = dir.filePath("letter.rtf");
    ASSERT_TRUE(d.saveFile(path));
    // unrtf's text output writes Latin-1 and only the low byte of other
    // characters (€ comes out as 0xAC); its HTML output names every character.
    QProcess p;
    p.start("unrtf", {"--text", path});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QString::fromUtf8("Dear Mr Müller,"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8("the price is 12 "))) << out.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8("(José, Wa"))) << out.toStdString();
    EXPECT_TRUE(out.contains("Regards"));
    p.start("unrtf", {"--html", path});
    ASSERT_TRUE(p.waitForFinished(20000));
    QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression entity("&#(\\d+);");
    for (auto m = entity.match(html); m.hasMatch(); m = entity.match(html))
        html.replace(m.capturedStart(), m.capturedLength(), QChar(m.captured(1).toInt()));
    html.replace("&euro;", QString::fromUtf8("€")).replace("&uuml;", QString::fromUtf8("ü")).replace("&eacute;", QString::fromUtf8("é"));
    EXPECT_TRUE(html.contains(QString::fromUtf8("Dear Mr Müller,"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QString::fromUtf8("the price is 12 € (José, Wałę"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QString::fromUtf8("Жуков"))) << html.toStdString();
    EXPECT_TRUE(html.contains("face=\"Arial\"")) << html.toStdString();
}

TEST(RtfRead, PicturesAreKeptAndWrittenBackAsPng) {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    QByteArray jpeg;
    QBuffer b(&jpeg);
    b.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&b, "JPEG"));
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard Logo: {\\*\\shppict{\\pict\\jpegblip\\picw40\\pich20"
                           "\\picwgoal1440\\pichgoal720\r\n" + jpeg.toHex() + "}}{\\nonshppict{\\pict\\wmetafile8 0102}} end}";
    RichDocument d;
    EXPECT_TRUE(d.load(rtf).isEmpty());
    EXPECT_EQ(d.plainText(), QString("Logo: ") + QChar(QChar::ObjectReplacementCharacter) + " end");
    const QTextCharFormat f = formatAt(d.document(), QString(QChar(QChar::ObjectReplacementCharacter)));
    ASSERT_TRUE(f.isImageFormat());
    EXPECT_EQ(unitsToTwips(f.toImageFormat().width()), 1440);
    EXPECT_EQ(unitsToTwips(f.toImageFormat().height()), 720);

    const QByteArray out = d.toRtf();
    EXPECT_TRUE(out.contains("\\pngblip"));
    EXPECT_FALSE(out.contains("jpegblip"));
    RichDocument back;
    back.load(out);
    const QTextImageFormat g = formatAt(back.document(), QString(QChar(QChar::ObjectReplacementCharacter))).toImageFormat();
    const QImage read = qvariant_cast<QImage>(back.document()->resource(QTextDocument::ImageResource, QUrl(g.name())));
    ASSERT_EQ(read.size(), QSize(40, 20));
    EXPECT_NEAR(QColor(read.pixel(20, 10)).green(), 200, 8);
    EXPECT_EQ(back.toRtf(), out);
}

TEST(RtfRead, MetafilePicturesAreDrawnIntoBitmaps) {
    using namespace brindle::pictures::testfiles;
    for (const auto& [kind, bytes] : {std::pair<QByteArray, QByteArray>{"\\wmetafile8", wmfRectangle(false)},
                                      std::pair<QByteArray, QByteArray>{"\\emfblip", emfRectangle()}}) {
        const QByteArray rtf = "{\\rtf1\\ansi{\\pict" + kind + "\\picw100\\pich50\\picwgoal1440\\pichgoal720 " + bytes.toHex() + "}}";
        RichDocument d;
        EXPECT_TRUE(d.load(rtf).isEmpty()) << kind.constData();
        const QTextImageFormat f = formatAt(d.document(), QString(QChar(QChar::ObjectReplacementCharacter))).toImageFormat();
        EXPECT_EQ(unitsToTwips(f.width()), 1440);
        const QImage image = qvariant_cast<QImage>(d.document()->resource(QTextDocument::ImageResource, QUrl(f.name())));
        ASSERT_FALSE(image.isNull()) << kind.constData();
        // Both draw a black rectangle over the middle of the frame.
        EXPECT_LT(qGray(image.pixel(image.width() / 2, image.height() / 2)), 64) << kind.constData();
        EXPECT_TRUE(d.toRtf().contains("\\pngblip"));
    }
    // A picture that cannot be decoded is left out with a warning.
    RichDocument bad;
    EXPECT_FALSE(bad.load("{\\rtf1 a{\\pict\\pngblip 0102030405}b}").isEmpty());
    EXPECT_EQ(bad.plainText(), "ab");
}

TEST(RtfRead, DamagedFilesGiveWhatWasReadAndAWarning) {
    const QByteArray good(kForeign);
    // Every truncation reads without crashing; cutting inside the body keeps the text before the cut.
    for (qsizetype n = 0; n < good.size(); n += 7) {
        RichDocument d;
        const QStringList w = d.load(good.left(n));
        if (n > 5 && n < good.size() - 1) {
            EXPECT_FALSE(w.isEmpty()) << n;
        }
    }
    RichDocument cut;
    const QStringList w = cut.load(good.left(good.indexOf("left\\tab")));
    ASSERT_FALSE(w.isEmpty());
    EXPECT_TRUE(w.join(' ').contains("truncated"));
    EXPECT_TRUE(cut.plainText().contains("Title"));
    EXPECT_TRUE(cut.plainText().contains("struck"));

    // Nesting far beyond the limit is skipped, text outside it kept.
    QByteArray deep = "{\\rtf1 before";
    deep += QByteArray(100000, '{') + "inner" + QByteArray(100000, '}') + " after}";
    RichDocument nested;
    EXPECT_FALSE(nested.load(deep).isEmpty());
    EXPECT_TRUE(nested.plainText().startsWith("before"));
    EXPECT_TRUE(nested.plainText().endsWith("after"));

    // \bin longer than the file, negative and huge parameters, bad escapes.
    for (const char* bad : {"{\\rtf1 a\\bin999999999 xyz}", "{\\rtf1 a\\bin-5 b}", "{\\rtf1 \\fs-99999999999 a\\'zz\\u-99999999 b}",
                            "{\\rtf1 a}}}} b", "{\\rtf1 {\\pict\\pngblip 89504e47}c}", "{\\rtf1 \\", "{\\rtf1 {\\colortbl;\\red999;}{\\fonttbl{\\f-3 ;}}x}"}) {
        RichDocument d;
        d.load(QByteArray(bad));
        EXPECT_FALSE(d.toRtf().isEmpty()) << bad;
    }
    // Whatever follows the document's closing brace is not part of it.
    RichDocument trailing;
    EXPECT_TRUE(trailing.load("{\\rtf1 a}}}} b").isEmpty());
    EXPECT_EQ(trailing.plainText(), "a");
    RichDocument unclosed;
    EXPECT_FALSE(unclosed.load("{\\rtf1 {\\b a}{\\i b").isEmpty());
    EXPECT_EQ(unclosed.plainText(), "ab");
}

TEST(RtfRead, MemosThatAreNotRtfLoadAsPlainText) {
    RichDocument d;
    d.load("{\\rtf1 old}");
    d.loadMemo(QString());
    EXPECT_EQ(d.plainText(), "");
    EXPECT_TRUE(d.loadMemo(QString::fromUtf8("Dear Müller,\r\nsee you.")).isEmpty());
    EXPECT_EQ(raw(d), QString::fromUtf8("Dear Müller,\u2029see you."));
    EXPECT_EQ(d.document()->blockCount(), 2);

    // Memo text holds the RTF's bytes as Windows-1252 characters.
    RichDocument r;
    r.loadMemo(QString::fromUtf8("{\\rtf1\\ansi M\\'fcller \u00e9}"));
    EXPECT_EQ(r.plainText(), QString::fromUtf8("Müller é"));
    RichDocument m;
    m.loadMemo(r.toMemo());
    EXPECT_EQ(m.plainText(), r.plainText());
    // Stored templates may carry a blank after the closing brace (the memo length rule).
    RichDocument padded;
    EXPECT_TRUE(padded.loadMemo(r.toMemo() + " ").isEmpty());
    EXPECT_EQ(padded.toRtf(), r.toRtf());

    // Files not starting with {\rtf: UTF-8 when valid, else Windows-1252.
    RichDocument f;
    f.load(QByteArray("Gr\xfc\xdf" "e \x80"));
    EXPECT_EQ(f.plainText(), QString::fromUtf8("Grüße €"));
}
