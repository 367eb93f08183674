#include "TableSource.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

namespace brindle::data {
namespace {

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

std::vector<std::string> splitPipes(std::string_view line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = line.find('|', start);
        parts.push_back(trim(line.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start)));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return parts;
}

bool parseUnsigned(std::string_view s, long long& out) {
    if (s.empty() || s.size() > 9) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

bool parseDecimal(std::string_view s, double& out) {
    // digits with at most one point; no sign, no exponent
    if (s.empty() || s.size() > 15) return false;
    bool digit = false, point = false;
    for (char c : s) {
        if (c >= '0' && c <= '9') digit = true;
        else if (c == '.' && !point) point = true;
        else return false;
    }
    if (!digit) return false;
    out = std::stod(std::string(s));
    return true;
}

bool parseFraction(std::string_view s, double& out) {  // "5/8"
    const auto slash = s.find('/');
    if (slash == std::string_view::npos) return false;
    long long num = 0, den = 0;
    if (!parseUnsigned(s.substr(0, slash), num) || !parseUnsigned(s.substr(slash + 1), den) || den == 0) return false;
    out = static_cast<double>(num) / static_cast<double>(den);
    return true;
}

std::string formatFixed(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

const char* const kPrinters[] = {"LJ", "IJ", "DM", "LP"};
const char* const kShapes[] = {"RR", "SR", "EL"};
const char* const kMakers[] = {"AVERY", "NEBS", "COSTAR"};
const char* const kProductTypes[] = {"ADDRESS/SHIPPING LABELS", "CARD PRODUCTS", "DISKETTE LABELS",
                                     "FILE FOLDER LABELS", "INDEX PRODUCTS", "MISCELLANEOUS"};
struct PaperSize {
    const char* code;
    double width, depth;  // 0 for the user-defined sizes
};
const PaperSize kPaperSizes[] = {{"LTR", 8.5, 11},    {"LTRL", 11, 8.5},  {"A4", 8.27, 11.69}, {"A4L", 11.69, 8.27},
                                 {"A5", 5.82, 8.27},  {"USERP", 0, 0},    {"USERL", 0, 0}};

template <std::size_t N>
bool oneOf(const std::string& value, const char* const (&list)[N]) {
    return std::any_of(std::begin(list), std::end(list), [&](const char* c) { return value == c; });
}

// Lengths are written with three decimals, so sums of them may exceed an
// exact bound by rounding alone.
constexpr double kSlack = 0.0015;

std::string checkLabelRow(const TableLayout& layout, const SourceRow& row) {
    auto text = [&](const char* f) { return row.values[static_cast<std::size_t>(layout.fieldIndex(f))]; };
    auto num = [&](const char* f) { return row.number(static_cast<std::size_t>(layout.fieldIndex(f))); };

    if (text("DESCRIPT").empty()) return "the description is empty";
    if (!oneOf(text("PRINTER"), kPrinters)) return "unknown printer family \"" + text("PRINTER") + "\" (LJ, IJ, DM or LP)";
    if (!oneOf(text("LBLSHAPE"), kShapes)) return "unknown label shape \"" + text("LBLSHAPE") + "\" (RR, SR or EL)";
    if (!oneOf(text("MANUFAC"), kMakers)) return "unknown maker \"" + text("MANUFAC") + "\" (AVERY, NEBS or COSTAR)";
    if (!oneOf(text("PRODTYPE"), kProductTypes)) return "unknown product type \"" + text("PRODTYPE") + "\"";
    const PaperSize* paper = nullptr;
    for (const PaperSize& p : kPaperSizes)
        if (text("PAPERSIZE") == p.code) paper = &p;
    if (!paper) return "unknown paper size \"" + text("PAPERSIZE") + "\" (LTR, LTRL, A4, A4L, A5, USERP or USERL)";

    const double across = num("NBRACROSS"), down = num("NBRDOWN");
    if (across < 1 || down < 1) return "a sheet needs at least one label across and down";
    if (across * down > 200) return "more than 200 labels on one sheet";
    const double w = num("LBLWIDTH"), h = num("LBLHEIGHT");
    if (w < 0.5) return "label width below 0.5 inch";
    if (h < 0.3) return "label height below 0.3 inch";
    const double hp = num("HORIZPITCH"), vp = num("VERTPITCH");
    if (across >= 2 && hp < w) return "horizontal pitch is smaller than the label width";
    if (down >= 2 && vp < h) return "vertical pitch is smaller than the label height";
    const double sw = num("SHEETWIDTH"), sd = num("SHEETDEPTH");
    if (paper->width > 0 && (std::fabs(sw - paper->width) > 0.01 || std::fabs(sd - paper->depth) > 0.01))
        return "sheet size " + formatFixed(sw, 3) + " x " + formatFixed(sd, 3) + " does not match paper size " + paper->code;
    if (sw < 0.3 || sd < 0.3) return "sheet smaller than 0.3 inch";
    // The last column and row lie beyond the middle gap whenever there is one.
    const double right = num("LEFTMARG") + (across - 1) * hp + num("MIDEXTRAX") + w;
    const double bottom = num("TOPMARG") + (down - 1) * vp + num("MIDEXTRAY") + h;
    if (right > sw + kSlack)
        return "labels end " + formatFixed(right, 3) + " in from the left edge, beyond the sheet width " + formatFixed(sw, 3);
    if (bottom > sd + kSlack)
        return "labels end " + formatFixed(bottom, 3) + " in from the top edge, beyond the sheet depth " + formatFixed(sd, 3);
    return {};
}

std::string checkStateRow(const TableLayout& layout, const SourceRow& row) {
    const std::string& name = row.values[static_cast<std::size_t>(layout.fieldIndex("NAME"))];
    const std::string& state = row.values[static_cast<std::size_t>(layout.fieldIndex("STATE"))];
    const std::string& low = row.values[static_cast<std::size_t>(layout.fieldIndex("LOW_ZIP"))];
    const std::string& high = row.values[static_cast<std::size_t>(layout.fieldIndex("HIGH_ZIP"))];
    if (name.empty()) return "the name is empty";
    if (state.empty() || state != upper(state)) return "the abbreviation must be given in capitals";
    if (low.empty() || high.empty()) return "both ends of the range are needed";
    if (low != upper(low) || high != upper(high)) return "postal codes must be given in capitals";
    if (low > high) return "the range ends (" + high + ") before it starts (" + low + ")";
    return {};
}

}  // namespace

double SourceRow::number(std::size_t field) const {
    return field < values.size() ? std::atof(values[field].c_str()) : 0.0;
}

int TableLayout::fieldIndex(std::string_view field) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == field) return static_cast<int>(i);
    return -1;
}

const TableLayout& cszLayout() {
    static const TableLayout layout = [] {
        TableLayout s;
        s.name = "CSZ";
        s.fileName = "CSZ.DBF";
        s.fields = {{"NAME", 'C', 20, 0}, {"STATE", 'C', 4, 0}, {"LOW_ZIP", 'C', 10, 0}, {"HIGH_ZIP", 'C', 10, 0}};
        s.tag = {"STATE", "UPPER(STATE)"};
        s.checkRow = checkStateRow;
        return s;
    }();
    return layout;
}

const TableLayout& lbltplLayout() {
    static const TableLayout layout = [] {
        TableLayout s;
        s.name = "LBLTPL";
        s.fileName = "LBLTPL.DBF";
        s.fields = {{"DESCRIPT", 'C', 60, 0},   {"LBLHEIGHT", 'N', 6, 3}, {"LBLWIDTH", 'N', 6, 3},
                    {"TOPMARG", 'N', 6, 3},     {"LEFTMARG", 'N', 6, 3},  {"HORIZPITCH", 'N', 6, 3},
                    {"VERTPITCH", 'N', 6, 3},   {"SHEETWIDTH", 'N', 6, 3}, {"SHEETDEPTH", 'N', 6, 3},
                    {"MIDEXTRAX", 'N', 6, 3},   {"MIDEXTRAY", 'N', 6, 3}, {"NBRACROSS", 'N', 2, 0},
                    {"NBRDOWN", 'N', 2, 0},     {"PRINTER", 'C', 2, 0},   {"PAPERSIZE", 'C', 5, 0},
                    {"LBLSHAPE", 'C', 2, 0},    {"MANUFAC", 'C', 10, 0},  {"PRODTYPE", 'C', 25, 0},
                    {"ART", 'C', 12, 0}};
        s.tag = {"DESCRIPT", "UPPER(descript)"};
        s.uniqueField = "DESCRIPT";
        s.checkRow = checkLabelRow;
        return s;
    }();
    return layout;
}

const TableLayout* layoutByName(std::string_view name) {
    const std::string n = upper(name);
    if (n == "CSZ") return &cszLayout();
    if (n == "LBLTPL") return &lbltplLayout();
    return nullptr;
}

bool parseLength(std::string_view text, double& inches) {
    std::string s = trim(text);
    if (s.size() > 2 && (s.ends_with("mm") || s.ends_with("MM"))) {
        double mm = 0;
        if (!parseDecimal(trim(std::string_view(s).substr(0, s.size() - 2)), mm)) return false;
        inches = mm / 25.4;
        return true;
    }
    if (s.find('/') != std::string::npos) {
        const auto dash = s.find('-');
        double whole = 0, frac = 0;
        if (dash != std::string::npos) {
            long long w = 0;
            if (!parseUnsigned(std::string_view(s).substr(0, dash), w)) return false;
            whole = static_cast<double>(w);
        }
        if (!parseFraction(std::string_view(s).substr(dash == std::string::npos ? 0 : dash + 1), frac)) return false;
        inches = whole + frac;
        return true;
    }
    return parseDecimal(s, inches);
}

std::vector<SourceRow> parseSource(const TableLayout& layout, std::istream& in, const std::string& fileName) {
    auto fail = [&](int line, const std::string& why) -> SourceError {
        return SourceError(fileName + ":" + std::to_string(line) + ": " + why);
    };
    std::vector<int> columnToField;  // source column -> table field
    std::vector<SourceRow> rows;
    std::set<std::string> seen;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        for (unsigned char c : line)
            if ((c < 32 && c != '\t') || c > 126)
                throw fail(lineNo, "only plain ASCII text is allowed");
        const std::vector<std::string> parts = splitPipes(line);
        if (columnToField.empty()) {
            for (const std::string& col : parts) {
                const int f = layout.fieldIndex(upper(col));
                if (f < 0) throw fail(lineNo, "column \"" + col + "\" is not a field of " + layout.fileName);
                if (std::find(columnToField.begin(), columnToField.end(), f) != columnToField.end())
                    throw fail(lineNo, "column \"" + col + "\" is named twice");
                columnToField.push_back(f);
            }
            if (columnToField.size() != layout.fields.size()) {
                for (std::size_t i = 0; i < layout.fields.size(); ++i)
                    if (std::find(columnToField.begin(), columnToField.end(), static_cast<int>(i)) == columnToField.end())
                        throw fail(lineNo, "the header line lacks the column " + layout.fields[i].name);
            }
            continue;
        }
        if (parts.size() != columnToField.size())
            throw fail(lineNo, "expected " + std::to_string(columnToField.size()) + " values separated by '|', found " +
                                   std::to_string(parts.size()));
        SourceRow row;
        row.line = lineNo;
        row.values.resize(layout.fields.size());
        for (std::size_t c = 0; c < parts.size(); ++c) {
            const store::FieldDef& fd = layout.fields[static_cast<std::size_t>(columnToField[c])];
            std::string value = parts[c];
            if (fd.type == 'N') {
                double v = 0;
                if (fd.decimals > 0) {
                    if (!parseLength(value, v)) throw fail(lineNo, fd.name + ": \"" + value + "\" is not a length");
                    v = std::round(v * 1000.0) / 1000.0;
                } else {
                    long long n = 0;
                    if (!parseUnsigned(value, n)) throw fail(lineNo, fd.name + ": \"" + value + "\" is not a whole number");
                    v = static_cast<double>(n);
                }
                value = formatFixed(v, fd.decimals);
            }
            if (static_cast<int>(value.size()) > fd.width)
                throw fail(lineNo, fd.name + ": \"" + value + "\" is longer than " + std::to_string(fd.width) + " characters");
            row.values[static_cast<std::size_t>(columnToField[c])] = value;
        }
        if (layout.checkRow) {
            const std::string why = layout.checkRow(layout, row);
            if (!why.empty()) throw fail(lineNo, why);
        }
        if (!layout.uniqueField.empty()) {
            const std::string key = upper(row.values[static_cast<std::size_t>(layout.fieldIndex(layout.uniqueField))]);
            if (!seen.insert(key).second) throw fail(lineNo, layout.uniqueField + " \"" + key + "\" appears twice");
        }
        rows.push_back(std::move(row));
    }
    if (in.bad()) throw SourceError(fileName + ": read error");
    if (columnToField.empty()) throw SourceError(fileName + ": no header line naming the columns");
    if (rows.empty()) throw SourceError(fileName + ": no rows");
    return rows;
}

std::vector<SourceRow> parseSourceFile(const TableLayout& layout, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SourceError(path + ": cannot be opened");
    return parseSource(layout, in, path);
}

void writeTable(const TableLayout& layout, const std::vector<SourceRow>& rows, const std::string& dbfPath) {
    namespace fs = std::filesystem;
    const fs::path dbf(dbfPath);
    const fs::path cdx = fs::path(dbf).replace_extension(".CDX");
    auto removeAll = [&] {
        std::error_code ec;
        fs::remove(dbf, ec);
        fs::remove(cdx, ec);
    };
    removeAll();
    try {
        store::Table::create(dbfPath, layout.fields, true);
        auto table = store::Table::open(dbfPath, store::OpenMode::Exclusive);
        for (const SourceRow& row : rows) {
            table->append();
            for (std::size_t i = 0; i < layout.fields.size(); ++i) {
                if (layout.fields[i].type == 'N')
                    table->setNumber(layout.fields[i].name, row.number(i));
                else
                    table->setString(layout.fields[i].name, row.values[i]);
            }
            table->post();
        }
        table->indexTag(layout.tag.name, layout.tag.expression);
        table->close();
    } catch (...) {
        removeAll();
        throw;
    }
}

}  // namespace brindle::data
