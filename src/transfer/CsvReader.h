#pragma once
// Comma-separated text, read leniently: a double quote is special only at
// the start of a field; inside a quoted field "" is one quote and separators
// and line breaks are part of the value; characters after the closing quote
// are kept as written. A quote that is still open at the end of the file is
// taken as an ordinary character: that line is read again without quoting,
// so a stray quote never swallows the lines after it. Lines end in CR LF, LF
// or CR; a final line break or Ctrl-Z adds no record; lines have no length
// limit.
#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/TextFile.h"

namespace brindle::transfer {

class CsvReader {
public:
    // `text` is UTF-8 and must outlive the reader.
    CsvReader(std::string_view text, char separator);

    // The next record's fields; false at the end of the text.
    bool next(std::vector<std::string>& fields);
    // The line (1-based) on which the record last read begins.
    std::size_t line() const { return recordLine_; }
    // Bytes read so far, of size().
    std::size_t position() const { return pos_; }
    std::size_t size() const { return text_.size(); }

private:
    void readUnquoted(std::size_t start, std::vector<std::string>& fields);
    void countLines(std::size_t from, std::size_t to);

    std::string_view text_;
    char sep_;
    std::size_t pos_ = 0;
    std::size_t nextLine_ = 1;
    std::size_t recordLine_ = 0;
};

// The separator of a file judged from its first line: whichever of comma,
// semicolon and tab occurs most often outside quotes (comma on a tie or when
// none occurs).
char detectSeparator(std::string_view text);
// "Comma", "Semicolon", "Tab", or the character itself.
QString separatorName(char c);
// Reads "," ";" "\t" "tab" "comma" "semicolon" (any case); 0 for anything else.
char parseSeparator(const QString& text);

// A value read from a text file as a character field keeps it: line breaks
// inside quoted values become one blank each.
std::string flattenLineBreaks(std::string_view value);

// The first lines of a file, as the matching window shows them.
struct CsvSample {
    static constexpr int kMaxLines = 10;
    static constexpr int kMaxColumns = 255;

    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false;
    char separator = ',';
    bool headerLine = false;
    std::vector<QString> names;          // per column: "Field 3", or the header line's name
    std::vector<int> longest;            // per column: longest value in the sampled lines
    std::vector<std::vector<QString>> rows;  // sampled data lines (not the header)
    int linesRead = 0;                   // lines read, header included
    int columnCount() const { return static_cast<int>(names.size()); }
};

struct CsvOptions {
    char separator = 0;                        // 0: detect from the first line
    std::optional<TextEncoding> encoding;      // none: detect
    bool headerLine = false;                   // the first line holds field names
};

// Samples decoded text.
CsvSample sampleCsv(const DecodedText& text, const CsvOptions& options);

}  // namespace brindle::transfer
