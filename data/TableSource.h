#pragma once
// Text sources of the tables that ship with the program (the label stock
// catalogue LBLTPL and the state/ZIP ranges CSZ) and the writer that turns
// them into DBF tables with their CDX tag. Used by the brindle-mktables build
// tool and by the tests that check the shipped data.
#include <functional>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "store/Table.h"

namespace brindle::data {

// A source line that cannot be used. what() is "<file>:<line>: <reason>", or
// "<file>: <reason>" for problems of the file as a whole.
class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SourceRow {
    int line = 0;                      // line number in the source file (1-based)
    std::vector<std::string> values;   // one per table field, in the table's field order;
                                       // numeric fields hold the value as it is written to the table
    double number(std::size_t field) const;
};

struct TableLayout {
    std::string name;                        // "CSZ"
    std::string fileName;                    // "CSZ.DBF"
    std::vector<store::FieldDef> fields;     // in the order they are created
    store::TagDef tag;
    std::string uniqueField;                 // values of this field must differ (ignoring case); "" = none
    // Checks one row after its fields were parsed; returns the reason the row
    // is unusable or an empty string.
    std::function<std::string(const TableLayout&, const SourceRow&)> checkRow;

    int fieldIndex(std::string_view field) const;  // -1 when missing
};

const TableLayout& cszLayout();
const TableLayout& lbltplLayout();
// "csz" / "lbltpl" (any letter case); nullptr for anything else.
const TableLayout* layoutByName(std::string_view name);

// A length of the label catalogue: "2.625", "2-5/8", "15/16", "63.5mm".
// Returns false when the text is none of these.
bool parseLength(std::string_view text, double& inches);

// Reads a source: '#' comment lines and blank lines are skipped; the first
// other line names the columns (every field of the table exactly once, in any
// order); every further line is one row of '|'-separated values, trimmed.
// Throws SourceError naming the line on the first problem.
std::vector<SourceRow> parseSource(const TableLayout& layout, std::istream& in, const std::string& fileName);
std::vector<SourceRow> parseSourceFile(const TableLayout& layout, const std::string& path);

// Writes the rows into a new table at dbfPath (an existing table and its .CDX
// are replaced) and builds its tag. Throws store::StoreError; leaves no
// half-written table behind.
void writeTable(const TableLayout& layout, const std::vector<SourceRow>& rows, const std::string& dbfPath);

}  // namespace brindle::data
