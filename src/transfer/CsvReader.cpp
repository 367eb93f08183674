#include "transfer/CsvReader.h"

#include <algorithm>
#include <cstring>

namespace brindle::transfer {

namespace {

// Strips the Ctrl-Z that DOS programs wrote at the end of text files.
std::string_view withoutEndMark(std::string_view t) {
    while (!t.empty() && t.back() == '\x1A') t.remove_suffix(1);
    return t;
}

inline bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

}  // namespace

CsvReader::CsvReader(std::string_view text, char separator) : text_(withoutEndMark(text)), sep_(separator) {}

void CsvReader::countLines(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        const char c = text_[i];
        if (c == '\n') ++nextLine_;
        else if (c == '\r' && (i + 1 >= text_.size() || text_[i + 1] != '\n')) ++nextLine_;
    }
}

void CsvReader::readUnquoted(std::size_t start, std::vector<std::string>& fields) {
    fields.clear();
    const std::size_t n = text_.size();
    std::size_t end = start;
    while (end < n && !isLineEnd(text_[end])) ++end;
    std::size_t b = start;
    for (std::size_t i = start; i <= end; ++i) {
        if (i == end || text_[i] == sep_) {
            fields.emplace_back(text_.substr(b, i - b));
            b = i + 1;
        }
    }
    std::size_t after = end;
    if (after < n) after += (text_[after] == '\r' && after + 1 < n && text_[after + 1] == '\n') ? 2 : 1;
    countLines(start, after);
    pos_ = after;
}

bool CsvReader::next(std::vector<std::string>& fields) {
    const std::size_t n = text_.size();
    if (pos_ >= n) return false;
    const std::size_t start = pos_;
    recordLine_ = nextLine_;
    fields.clear();
    std::size_t i = start;
    const char* data = text_.data();
    for (;;) {
        std::string field;
        if (i < n && data[i] == '"') {
            std::size_t j = i + 1;
            for (;;) {
                const void* q = j < n ? std::memchr(data + j, '"', n - j) : nullptr;
                if (!q) {
                    // The quote never closes: read the line as plain text.
                    readUnquoted(start, fields);
                    return true;
                }
                const std::size_t at = static_cast<const char*>(q) - data;
                field.append(data + j, at - j);
                if (at + 1 < n && data[at + 1] == '"') {
                    field += '"';
                    j = at + 2;
                    continue;
                }
                i = at + 1;
                break;
            }
            // Whatever follows the closing quote up to the separator is kept.
            std::size_t k = i;
            while (k < n && data[k] != sep_ && !isLineEnd(data[k])) ++k;
            field.append(data + i, k - i);
            i = k;
        } else {
            std::size_t k = i;
            while (k < n && data[k] != sep_ && !isLineEnd(data[k])) ++k;
            field.assign(data + i, k - i);
            i = k;
        }
        fields.push_back(std::move(field));
        if (i >= n) break;
        if (data[i] == sep_) {
            ++i;
            continue;
        }
        i += (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n') ? 2 : 1;
        break;
    }
    countLines(start, i);
    pos_ = i;
    return true;
}

char detectSeparator(std::string_view text) {
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    bool fieldStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') ++i;
                else quoted = false;
            }
            continue;
        }
        if (isLineEnd(c)) break;
        if (c == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
            continue;
        }
        fieldStart = false;
        if (c == ',') ++comma, fieldStart = true;
        else if (c == ';') ++semicolon, fieldStart = true;
        else if (c == '\t') ++tab, fieldStart = true;
    }
    if (semicolon > comma && semicolon >= tab) return ';';
    if (tab > comma && tab > semicolon) return '\t';
    return ',';
}

QString separatorName(char c) {
    switch (c) {
    case ',': return QStringLiteral("Comma");
    case ';': return QStringLiteral("Semicolon");
    case '\t': return QStringLiteral("Tab");
    default: return QString(QLatin1Char(c));
    }
}

char parseSeparator(const QString& text) {
    const QString t = text.toLower();
    if (t == u"," || t == u"comma") return ',';
    if (t == u";" || t == u"semicolon") return ';';
    if (t == u"\t" || t == u"tab" || t == u"\\t") return '\t';
    return 0;
}

std::string flattenLineBreaks(std::string_view v) {
    if (v.find_first_of("\r\n") == std::string_view::npos) return std::string(v);
    std::string out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\r') {
            if (i + 1 < v.size() && v[i + 1] == '\n') ++i;
            out += ' ';
        } else if (v[i] == '\n') {
            out += ' ';
        } else {
            out += v[i];
        }
    }
    return out;
}

CsvSample sampleCsv(const DecodedText& text, const CsvOptions& options) {
    CsvSample s;
    s.encoding = text.encoding;
    s.byteOrderMark = text.byteOrderMark;
    s.separator = options.separator ? options.separator : detectSeparator(text.utf8);
    s.headerLine = options.headerLine;
    CsvReader reader(text.utf8, s.separator);
    std::vector<std::string> fields;
    const int wanted = CsvSample::kMaxLines + (options.headerLine ? 1 : 0);
    while (s.linesRead < wanted && reader.next(fields)) {
        const bool header = options.headerLine && s.linesRead == 0;
        ++s.linesRead;
        const std::size_t count = std::min<std::size_t>(fields.size(), CsvSample::kMaxColumns);
        std::vector<QString> row;
        for (std::size_t c = 0; c < count; ++c) {
            const QString value = QString::fromStdString(flattenLineBreaks(fields[c]));
            if (c >= s.names.size()) {
                s.names.push_back(QStringLiteral("Field %1").arg(c + 1));
                s.longest.push_back(0);
            }
            if (header) {
                if (!value.trimmed().isEmpty()) s.names[c] = value.trimmed();
                continue;
            }
            s.longest[c] = std::max(s.longest[c], static_cast<int>(value.size()));
            row.push_back(value);
        }
        if (!header) s.rows.push_back(std::move(row));
    }
    return s;
}

}  // namespace brindle::transfer
