// The text reader against Python's csv module as an independent reader, and
// the cases where it deliberately reads better than a strict reader would.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include "TransferTestSupport.h"
#include "transfer/CsvReader.h"
#include "transfer/TextFile.h"

using namespace brindle::transfer;
using brindle::transfertest::Scratch;

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows readAll(std::string_view text, char sep) {
    Rows rows;
    CsvReader r(text, sep);
    std::vector<std::string> f;
    while (r.next(f)) rows.push_back(f);
    return rows;
}

// Python's csv.reader on the file, decoded as `encoding`.
Rows pythonRows(const Scratch& s, const QByteArray& bytes, const char* encoding, char sep) {
    const QString file = s.path(QStringLiteral("ref.csv"));
    brindle::transfertest::writeBytes(file, bytes);
    const QByteArray out = brindle::transfertest::runPython(
        s,
        QStringLiteral("import csv, io, json, sys\n"
                       "text = open(sys.argv[1], 'rb').read().decode(sys.argv[2])\n"
                       "rows = [r if r else [''] for r in csv.reader(io.StringIO(text, newline=''), delimiter=sys.argv[3])]\n"
                       "sys.stdout.write(json.dumps(rows))\n"),
        {file, QString::fromLatin1(encoding), QString(QLatin1Char(sep))});
    Rows rows;
    for (const auto& row : QJsonDocument::fromJson(out).array()) {
        std::vector<std::string> r;
        for (const auto& v : row.toArray()) r.push_back(v.toString().toStdString());
        rows.push_back(r);
    }
    return rows;
}

}  // namespace

TEST(CsvReader, AgreesWithPythonsCsvModuleOnWellFormedFiles) {
    Scratch s;
    const std::string longValue(3000, 'x');
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* pyEncoding;
        char sep;
    };
    const std::vector<Case> cases = {
        {"quotes, commas, doubled quotes, line breaks inside quotes",
         QByteArray("Smith,\"Main St, Apt 4\",Springfield\r\n"
                    "\"O\"\"Brien\",\"two\r\nlines\",\"a\nb\"\r\n"
                    "plain \"quote\" inside,\"\",last\r\n"
                    "\"closed\"after,x,\r\n"),
         "utf-8", ','},
        {"semicolons and LF", QByteArray("Müller;\"a;b\";José\nWałęsa;Иванов;\n"), "utf-8", ';'},
        {"tabs and CR line ends", QByteArray("a\tb\tc\r1\t\"2\t3\"\t4\r"), "utf-8", '\t'},
        {"byte-order mark", QByteArray("\xEF\xBB\xBFJos\xC3\xA9,M\xC3\xBCller\r\nx,y\r\n"), "utf-8-sig", ','},
        {"Windows-1252 accents", QByteArray("Jos\xE9,M\xFCller,\x80uro\r\nna\xEFve,\"\x93q\x94\"\r\n"), "cp1252", ','},
        {"a 3,000-character line", QByteArray(("a,\"" + longValue + "\",b\r\nc,d\r\n").c_str()), "utf-8", ','},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedText text = decodeText(std::string_view(c.bytes.constData(), c.bytes.size()));
        EXPECT_EQ(readAll(text.utf8, c.sep), pythonRows(s, c.bytes, c.pyEncoding, c.sep));
    }
}

TEST(CsvReader, StrayQuoteDoesNotSwallowTheLinesAfterIt) {
    const Rows rows = readAll("a,\"b,c\r\nd,e\r\nf,g\r\n", ',');
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"a", "\"b", "c"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"d", "e"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"f", "g"}));
    // A quote that closes further down is a legitimate multi-line value.
    const Rows spanning = readAll("\"a\nb\",c\nd,e\n", ',');
    ASSERT_EQ(spanning.size(), 2u);
    EXPECT_EQ(spanning[0][0], "a\nb");
}

TEST(CsvReader, LineEndsBlankLinesAndEndMarks) {
    EXPECT_EQ(readAll("a\r\nb\r\n", ',').size(), 2u);
    EXPECT_EQ(readAll("a\nb", ',').size(), 2u);
    EXPECT_EQ(readAll("a\r\nb\r\n\x1A", ',').size(), 2u);
    EXPECT_EQ(readAll("a\r\nb\x1A\x1A", ',').size(), 2u);
    EXPECT_TRUE(readAll("", ',').empty());
    // A blank line in the middle is a record of one empty field; a line
    // ending in a separator has an empty last field.
    const Rows rows = readAll("a,b\r\n\r\nc,\r\n", ',');
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], std::vector<std::string>{""});
    EXPECT_EQ(rows[2], (std::vector<std::string>{"c", ""}));

    CsvReader r("x\r\n\"two\nlines\"\r\ny\r\n", ',');
    std::vector<std::string> f;
    std::vector<std::size_t> lines;
    while (r.next(f)) lines.push_back(r.line());
    EXPECT_EQ(lines, (std::vector<std::size_t>{1, 2, 4}));
}

TEST(CsvReader, SeparatorAndEncodingAreJudgedOncePerFile) {
    EXPECT_EQ(detectSeparator("a;b;\"c,d,e\"\r\nx,y,z,w"), ';');
    EXPECT_EQ(detectSeparator("a\tb\tc,d"), '\t');
    EXPECT_EQ(detectSeparator("a,b;c"), ',');
    EXPECT_EQ(detectSeparator("single"), ',');

    EXPECT_EQ(decodeText("Jos\xC3\xA9").encoding, TextEncoding::Utf8);
    const DecodedText bom = decodeText("\xEF\xBB\xBFJos\xC3\xA9");
    EXPECT_TRUE(bom.byteOrderMark);
    EXPECT_EQ(bom.utf8, "Jos\xC3\xA9");
    // One byte that is not UTF-8 makes the whole file Windows-1252, even
    // where other bytes would have passed as UTF-8.
    const DecodedText mixed = decodeText("M\xC3\xBCller,Jos\xE9");
    EXPECT_EQ(mixed.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(mixed.utf8, "M\xC3\x83\xC2\xBCller,Jos\xC3\xA9");

    const QString text = QStringLiteral("Wałęsa,Иванов\r\n");
    QByteArray le("\xFF\xFE", 2);
    le.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const DecodedText u16 = decodeText(std::string_view(le.constData(), le.size()));
    EXPECT_EQ(u16.encoding, TextEncoding::Utf16LE);
    EXPECT_EQ(QString::fromStdString(u16.utf8), text);
    // Without a mark too.
    const QByteArray bare(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(QString::fromStdString(decodeText(std::string_view(bare.constData(), bare.size())).utf8), text);
}

TEST(CsvReader, SampleNamesColumnsFromTheHeaderAndKeepsLaterColumns) {
    const DecodedText text = decodeText("Last;First\r\nSmith;Ann;extra\r\nJones\r\n");
    CsvOptions o;
    o.headerLine = true;
    const CsvSample s = sampleCsv(text, o);
    EXPECT_EQ(s.separator, ';');
    ASSERT_EQ(s.columnCount(), 3);
    EXPECT_EQ(s.names[0], QStringLiteral("Last"));
    EXPECT_EQ(s.names[2], QStringLiteral("Field 3"));
    EXPECT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.longest[2], 5);
    EXPECT_EQ(s.linesRead, 3);
}
