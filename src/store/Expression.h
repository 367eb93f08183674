#pragma once
// The dBASE/FoxPro expression language: parsed once into a tree, compiled to a
// fast evaluator, evaluated against a raw record buffer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Schema.h"
#include "store/StoreError.h"

namespace brindle::store {

enum class ValueType { Character, Numeric, Logical, Date };

struct Value {
    ValueType type = ValueType::Character;
    std::string str;   // Character
    double num = 0;    // Numeric; Date as Julian day number (0 = empty date)
    bool log = false;  // Logical
};

// What an evaluation reads. `record` points at schema.recordLength bytes,
// byte 0 being the deletion flag ('*' = deleted).
struct EvalContext {
    const char* record = nullptr;
    std::uint32_t recno = 0;
    bool exact = false;  // SET EXACT: "=" on strings compares whole values when on
    // Reads the text of memo field number `field` of the record at `record`
    // (the record under evaluation, not the table's current one); may be
    // empty (memos then read as "").
    const std::function<std::string(const char* record, int field)>* memo = nullptr;
};

// A malformed expression, an unknown field or function, a type mismatch.
// The message names the problem and the 1-based position in the text.
class ExprError : public StoreError {
public:
    ExprError(const std::string& message, std::size_t position)
        : StoreError(message), position_(position) {}
    std::size_t position() const { return position_; }

private:
    std::size_t position_;
};

enum class NodeKind { Literal, Field, Call, Unary, Binary };

// Parsed expression tree; the filter optimiser reads it.
struct ExprNode {
    NodeKind kind = NodeKind::Literal;
    // Binary: "+" "-" "*" "/" "%" "^" "=" "==" "<>" "<" "<=" ">" ">=" "$" ".AND." ".OR."
    // ("#" and "!=" are stored as "<>"); Unary: ".NOT." or "-"; Call: function name in upper case
    // (abbreviations spelled out); Field: the field's name as the schema has it.
    std::string op;
    std::vector<std::unique_ptr<ExprNode>> args;
    Value literal;       // Literal
    int field = -1;      // Field: index in the schema
    ValueType type = ValueType::Character;  // static result type
    int width = 0;       // static result width for Character results (maximum length)
    std::size_t pos = 0; // 1-based position in the text
    bool constant = false;  // refers to no field and no record function

    // Normalised text: names upper case, no blanks, operators in one spelling,
    // so that "upper( lname )" and "UPPER(LNAME)" compare equal.
    std::string canonical() const;
};

// A compiled expression keeps its intermediate results in buffers of its own,
// so one Expression must be evaluated by one thread at a time.
class Expression {
public:
    // Throws ExprError.
    static std::unique_ptr<Expression> compile(std::string_view text, const Schema& schema);
    ~Expression();

    const std::string& text() const;
    ValueType type() const;
    // Character: the static width; Numeric and Date: 8; Logical: 1.
    int keyLength() const;

    Value evaluate(const EvalContext& ctx) const;
    // Throws ExprError when the expression is not logical.
    bool evaluateLogical(const EvalContext& ctx) const;
    // Appends exactly keyLength() bytes: character values padded with blanks or
    // cut; logical 'T'/'F'; numbers and dates as sortable 8-byte keys.
    void evaluateKey(const EvalContext& ctx, std::string& out) const;

    const ExprNode& root() const;
    const std::string& canonical() const;

    // Evaluates a constant subtree (node.constant == true).
    static Value evaluateConstant(const ExprNode& node);

    struct Impl;

private:
    explicit Expression(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Sortable 8-byte key of a number (IEEE double, big-endian, sign-adjusted so
// that byte order equals numeric order), as the xBase index format keeps them.
std::string numericKey(double value);
double numericFromKey(std::string_view key8);

// Julian day number of a YYYYMMDD date; 0 for an empty or invalid text.
double julianFromDtos(std::string_view yyyymmdd);
std::string dtosFromJulian(double julian);

// Formats a number as STR(n, width, decimals) does: right-aligned, "*" filled
// when it does not fit.
std::string formatNumber(double value, int width, int decimals);
// Reads a number as the file holds it ("-12.50", ".5", "1E3"; blanks around
// it are ignored): nullopt when the text holds anything else or is empty.
// Neither this nor formatNumber looks at the C locale, so a program running
// under a locale that writes decimal commas still reads and writes points.
std::optional<double> parseNumber(std::string_view text);

// A string literal of the language holding exactly `value`: wrapped in the
// first of ", ' and [ ] that the value does not contain, so typed text can
// never become expression syntax. Empty when the value holds all three
// delimiters (" and ' and ]) and cannot be written as one literal.
std::optional<std::string> quoteStringLiteral(std::string_view value);

}  // namespace brindle::store
