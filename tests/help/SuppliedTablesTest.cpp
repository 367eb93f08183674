// The tables that ship in sysdata/: built from data/*.txt with our own engine,
// checked here by reading them back through the engine.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "TableSource.h"
#include "store/Table.h"

using brindle::data::SourceError;
using brindle::store::OpenMode;
using brindle::store::Table;

namespace {

const std::string kDataDir = BRINDLE_SOURCE_DIR "/data/";

// Builds a table from its source into a fresh folder and opens it read-only.
class BuiltTable {
public:
    BuiltTable(const brindle::data::TableLayout& layout, const std::string& source) {
        path_ = QDir(dir_.path()).filePath(QString::fromStdString(layout.fileName)).toStdString();
        brindle::data::writeTable(layout, brindle::data::parseSourceFile(layout, kDataDir + source), path_);
        table_ = Table::open(path_, OpenMode::ReadOnly);
    }
    Table& operator*() { return *table_; }
    Table* operator->() { return table_.get(); }

private:
    QTemporaryDir dir_;
    std::string path_;
    std::unique_ptr<Table> table_;
};

struct Range {
    std::string state, low, high;
};

std::vector<Range> cszRanges(Table& t) {
    std::vector<Range> ranges;
    t.setOrder(0);
    for (bool ok = t.first(); ok; ok = t.next())
        ranges.push_back({t.getString("STATE"), t.getString("LOW_ZIP"), t.getString("HIGH_ZIP")});
    return ranges;
}

// What the state check does with a record's code: upper case, compared as text.
bool accepted(const std::vector<Range>& ranges, const std::string& state, std::string zip) {
    for (char& c : zip) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Range& r : ranges)
        if (r.state == state && zip >= r.low && zip <= r.high) return true;
    return false;
}

bool isDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

TEST(SuppliedTables, LabelCatalogueRowsFitTheirSheets) {
    BuiltTable t(brindle::data::lbltplLayout(), "lbltpl.txt");
    EXPECT_EQ(t->tags().size(), 1u);
    EXPECT_EQ(t->fieldDefs().size(), 19u);
    const std::set<std::string> printers{"LJ", "IJ", "DM", "LP"}, shapes{"RR", "SR", "EL"},
        makers{"AVERY", "NEBS", "COSTAR"}, papers{"LTR", "LTRL", "A4", "A4L", "A5", "USERP", "USERL"},
        products{"ADDRESS/SHIPPING LABELS", "CARD PRODUCTS", "DISKETTE LABELS", "FILE FOLDER LABELS", "INDEX PRODUCTS",
                 "MISCELLANEOUS"};
    std::map<std::string, int> perPaper, perPrinter;
    int rows = 0;
    for (bool ok = t->first(); ok; ok = t->next()) {
        ++rows;
        const std::string d = t->getString("DESCRIPT");
        SCOPED_TRACE(d);
        EXPECT_TRUE(printers.count(t->getString("PRINTER")));
        EXPECT_TRUE(shapes.count(t->getString("LBLSHAPE")));
        EXPECT_TRUE(makers.count(t->getString("MANUFAC")));
        EXPECT_TRUE(papers.count(t->getString("PAPERSIZE")));
        EXPECT_TRUE(products.count(t->getString("PRODTYPE")));
        ++perPaper[t->getString("PAPERSIZE")];
        ++perPrinter[t->getString("PRINTER")];

        const int across = static_cast<int>(t->getNumber("NBRACROSS")), down = static_cast<int>(t->getNumber("NBRDOWN"));
        ASSERT_GE(across, 1);
        ASSERT_GE(down, 1);
        EXPECT_LE(across * down, 200);
        const double w = t->getNumber("LBLWIDTH"), h = t->getNumber("LBLHEIGHT");
        const double sw = t->getNumber("SHEETWIDTH"), sd = t->getNumber("SHEETDEPTH");
        const double mx = t->getNumber("MIDEXTRAX"), my = t->getNumber("MIDEXTRAY");
        // Every label position by the sheet rule: inside the sheet and clear of
        // its right and lower neighbours.
        for (int row = 0; row < down; ++row)
            for (int col = 0; col < across; ++col) {
                auto x = [&](int c) {
                    return t->getNumber("LEFTMARG") + c * t->getNumber("HORIZPITCH") + (mx > 0 && c + 1 > across / 2 ? mx : 0);
                };
                auto y = [&](int r) {
                    return t->getNumber("TOPMARG") + r * t->getNumber("VERTPITCH") + (my > 0 && r + 1 > down / 2 ? my : 0);
                };
                EXPECT_GE(x(col), 0);
                EXPECT_GE(y(row), 0);
                EXPECT_LE(x(col) + w, sw + 0.0015) << "column " << col;
                EXPECT_LE(y(row) + h, sd + 0.0015) << "row " << row;
                if (col + 1 < across) {
                    EXPECT_LE(x(col) + w, x(col + 1) + 1e-9);
                }
                if (row + 1 < down) {
                    EXPECT_LE(y(row) + h, y(row + 1) + 1e-9);
                }
            }
        // Lengths are stored with three decimals.
        EXPECT_NEAR(w * 1000, std::round(w * 1000), 1e-6);
    }
    EXPECT_GE(rows, 60);
    EXPECT_GE(perPaper["A4"], 10);
    EXPECT_GE(perPaper["LTR"], 30);
    EXPECT_GE(perPrinter["DM"], 3);
    EXPECT_GE(perPrinter["IJ"], 10);
    EXPECT_GE(perPrinter["LP"], 3);

    // The tag orders by description and seeks case-insensitively on it.
    ASSERT_EQ(t->tagName(1), "DESCRIPT");
    t->setOrder(1);
    EXPECT_TRUE(t->seek("ADDRESS 1 X 2-5/8 IN, 30 PER SHEET (LASER)"));
    EXPECT_EQ(t->getNumber("NBRACROSS"), 3);
    EXPECT_DOUBLE_EQ(t->getNumber("HORIZPITCH"), 2.75);
    EXPECT_TRUE(t->seek("A4 ADDRESS 63.5 X 38.1"));
    EXPECT_DOUBLE_EQ(t->getNumber("LBLWIDTH"), 2.5);  // 63.5 mm
    EXPECT_EQ(t->getString("PAPERSIZE"), "A4");
}

TEST(SuppliedTables, StateTableCoversEveryStateProvinceAndTerritory) {
    BuiltTable t(brindle::data::cszLayout(), "csz.txt");
    const std::vector<Range> ranges = cszRanges(*t);
    std::set<std::string> states;
    for (const Range& r : ranges) states.insert(r.state);
    const char* const expected[] = {
        "AL", "AK", "AZ", "AR", "CA", "CO", "CT", "DE", "FL", "GA", "HI", "ID", "IL", "IN", "IA", "KS", "KY", "LA",
        "ME", "MD", "MA", "MI", "MN", "MS", "MO", "MT", "NE", "NV", "NH", "NJ", "NM", "NY", "NC", "ND", "OH", "OK",
        "OR", "PA", "RI", "SC", "SD", "TN", "TX", "UT", "VT", "VA", "WA", "WV", "WI", "WY",        // 50 states
        "DC", "PR", "VI", "GU", "AS", "MP", "AA", "AE", "AP",                                      // DC, territories, military
        "AB", "BC", "MB", "NB", "NL", "NS", "NT", "NU", "ON", "PE", "QC", "SK", "YT"};             // 13 Canadian
    for (const char* s : expected) EXPECT_TRUE(states.count(s)) << s;

    // US ranges are prefix ranges with a ZIP+4 top, and no two states share a ZIP.
    std::vector<const Range*> us;
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.state + " " + r.low);
        EXPECT_LE(r.low, r.high);
        if (isDigits(r.low)) {
            EXPECT_EQ(r.low.size(), 5u);
            ASSERT_EQ(r.high.size(), 10u);
            EXPECT_TRUE(isDigits(r.high.substr(0, 5)));
            EXPECT_EQ(r.high.substr(5), "-9999");
            us.push_back(&r);
        }
    }
    for (const Range* a : us)
        for (const Range* b : us)
            if (a != b && a->state != b->state) {
                EXPECT_TRUE(a->high < b->low || b->high < a->low) << a->state << " overlaps " << b->state;
            }

    struct Case {
        const char* state;
        const char* zip;
        bool ok;
    };
    const Case cases[] = {
        {"IL", "60001", true},     {"IL", "62999-9999", true}, {"IL", "62999-1234", true}, {"IL", "10001", false},
        {"NY", "10001-1234", true}, {"NY", "00501", true},     {"NY", "149991", false},    {"CA", "94105", true},
        {"TX", "73301", true},     {"OK", "73301", false},     {"FL", "34001", false},     {"AA", "34001", true},
        {"HI", "96813", true},     {"AS", "96799", true},      {"HI", "96799", false},     {"PR", "00901", true},
        {"GU", "96910", true},     {"AE", "09012", true},      {"AK", "99501", true},      {"ON", "K1A 0B1", true},
        {"ON", "m5v3l9", true},    {"QC", "H2X 1Y4", true},    {"BC", "V6B1A1", true},     {"ON", "V6B1A1", false},
        {"NU", "X0A 0H0", true},   {"NT", "X1A 2L9", true},    {"NT", "X0A0H0", false},    {"YT", "Y1A 1A1", true}};
    for (const Case& c : cases) EXPECT_EQ(accepted(ranges, c.state, c.zip), c.ok) << c.state << " " << c.zip;

    // The STATE tag finds a state, and a state with several ranges meets its main range first.
    ASSERT_EQ(t->tagName(1), "STATE");
    t->setOrder(1);
    ASSERT_TRUE(t->seek("IL"));
    EXPECT_EQ(t->getString("NAME"), "Illinois");
    EXPECT_EQ(t->getString("LOW_ZIP"), "60000");
    ASSERT_TRUE(t->seek("NY"));
    EXPECT_EQ(t->getString("LOW_ZIP"), "10000");
    ASSERT_TRUE(t->seek("ON"));
    EXPECT_EQ(t->getString("HIGH_ZIP"), "P9Z9Z9");
    t->setExact(true);
    EXPECT_FALSE(t->seek("ZZ"));
}

TEST(SuppliedTables, BuildPutsTablesAndHelpBesideTheProgram) {
    const std::string bin = BRINDLE_BINARY_DIR;
    for (const char* f : {"/sysdata/CSZ.DBF", "/sysdata/CSZ.CDX", "/sysdata/LBLTPL.DBF", "/sysdata/LBLTPL.CDX",
                          "/help/index.txt", "/help/1029.html"})
        EXPECT_TRUE(std::filesystem::is_regular_file(bin + f)) << f;
    EXPECT_TRUE(std::filesystem::is_directory(bin + "/DATA"));
    auto built = Table::open(bin + "/sysdata/LBLTPL.DBF", OpenMode::ReadOnly);
    EXPECT_EQ(built->info().indexProblem, "");
    EXPECT_EQ(built->recordCount(),
              brindle::data::parseSourceFile(brindle::data::lbltplLayout(), kDataDir + "lbltpl.txt").size());
}

TEST(TableSource, LengthsInInchesFractionsAndMillimetres) {
    double v = 0;
    EXPECT_TRUE(brindle::data::parseLength("2-5/8", v));
    EXPECT_DOUBLE_EQ(v, 2.625);
    EXPECT_TRUE(brindle::data::parseLength("15/16", v));
    EXPECT_DOUBLE_EQ(v, 0.9375);
    EXPECT_TRUE(brindle::data::parseLength("63.5mm", v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    EXPECT_TRUE(brindle::data::parseLength(" 8.5 ", v));
    EXPECT_DOUBLE_EQ(v, 8.5);
    for (const char* bad : {"", "mm", "-1", "1/0", "2-", "a", "1.2.3", "1e3", "3/4mm", "2 5/8"})
        EXPECT_FALSE(brindle::data::parseLength(bad, v)) << bad;
}

TEST(TableSource, GarbledLinesStopWithTheirLineNumber) {
    const std::string labelHeader =
        "PRINTER|PAPERSIZE|MANUFAC|PRODTYPE|LBLSHAPE|NBRACROSS|NBRDOWN|LBLWIDTH|LBLHEIGHT|LEFTMARG|TOPMARG|HORIZPITCH|"
        "VERTPITCH|SHEETWIDTH|SHEETDEPTH|MIDEXTRAX|MIDEXTRAY|ART|DESCRIPT\n";
    const std::string good = "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0||Good\n";
    struct Case {
        std::string text;
        std::string expected;  // start of the message
    };
    const Case cases[] = {
        {"# comment\n\n" + labelHeader + good + "LJ|LTR|AVERY\n", "t.txt:5: expected 19 values"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2,625|1|0.188|0.5|2.75|1|8.5|11|0|0||X\n",
         "t.txt:2: LBLWIDTH"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3.5|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0||X\n",
         "t.txt:2: NBRACROSS"},
        {labelHeader + "XX|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0||X\n",
         "t.txt:2: unknown printer"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0||X\n",
         "t.txt:2: unknown product type"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.5|0.5|2.75|1|8.5|11|0|0||X\n",
         "t.txt:2: labels end 8.625"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0.6||X\n",
         "t.txt:2: labels end 11.100"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.5|1|8.5|11|0|0||X\n",
         "t.txt:2: horizontal pitch"},
        {labelHeader + "LJ|A4|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0||X\n",
         "t.txt:2: sheet size"},
        {labelHeader + good + good, "t.txt:3: DESCRIPT \"GOOD\" appears twice"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0||" +
             std::string(61, 'x') + "\n",
         "t.txt:2: DESCRIPT"},
        {labelHeader + "LJ|LTR|AVERY|ADDRESS/SHIPPING LABELS|RR|3|10|2-5/8|1|0.188|0.5|2.75|1|8.5|11|0|0||Caf\xc3\xa9\n",
         "t.txt:2: only plain ASCII"},
        {"PRINTER|PAPERSIZE\n" + good, "t.txt:1: the header line lacks"},
        {"PRINTER|PRINTER\n", "t.txt:1: column \"PRINTER\" is named twice"},
        {"# nothing\n", "t.txt: no header line"},
        {labelHeader, "t.txt: no rows"},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        try {
            brindle::data::parseSource(brindle::data::lbltplLayout(), in, "t.txt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const SourceError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.expected, 0), 0u) << e.what();
        }
    }

    const Case states[] = {
        {"NAME|STATE|LOW_ZIP|HIGH_ZIP\nIllinois|IL|62999|60000\n", "t.txt:2: the range ends"},
        {"NAME|STATE|LOW_ZIP|HIGH_ZIP\nIllinois|il|60000|62999-9999\n", "t.txt:2: the abbreviation"},
        {"NAME|STATE|LOW_ZIP|HIGH_ZIP\nIllinois|IL|60000|62999-99999\n", "t.txt:2: HIGH_ZIP"},
        {"NAME|STATE|ZIP|HIGH_ZIP\n", "t.txt:1: column \"ZIP\""},
    };
    for (const Case& c : states) {
        std::istringstream in(c.text);
        try {
            brindle::data::parseSource(brindle::data::cszLayout(), in, "t.txt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const SourceError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.expected, 0), 0u) << e.what();
        }
    }
}

TEST(TableSource, RewritingATableReplacesItsRowsAndTag) {
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("CSZ.DBF").toStdString();
    std::istringstream two("NAME|STATE|LOW_ZIP|HIGH_ZIP\nIllinois|IL|60000|62999-9999\nOhio|OH|43000|45999-9999\n");
    brindle::data::writeTable(brindle::data::cszLayout(), brindle::data::parseSource(brindle::data::cszLayout(), two, "a"), path);
    std::istringstream one("NAME|STATE|LOW_ZIP|HIGH_ZIP\nYukon|YT|Y0A|Y9Z9Z9\n");
    brindle::data::writeTable(brindle::data::cszLayout(), brindle::data::parseSource(brindle::data::cszLayout(), one, "b"), path);
    auto t = Table::open(path, OpenMode::ReadOnly);
    EXPECT_EQ(t->recordCount(), 1u);
    EXPECT_TRUE(t->check().empty());
    t->setOrder(1);
    EXPECT_FALSE(t->seek("IL"));
    EXPECT_TRUE(t->seek("YT"));
}
