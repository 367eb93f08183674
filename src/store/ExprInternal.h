#pragma once
// Internals shared by the expression parser (Expression.cpp) and the compiled
// evaluator (ExprCompile.cpp). Not part of the store's public interface.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "store/Expression.h"

namespace brindle::store::expr {

// Largest static width of a character result; widths add up saturating here.
inline constexpr int kMaxWidth = 65535;
// Width given to character results whose length depends on a value known only
// at run time (SPACE(n) with a field n, STR(n, w) with a field w, ...); the
// result is cut to it.
inline constexpr int kDynamicWidth = 254;
// Static width of a memo field's text.
inline constexpr int kMemoWidth = 254;

// Functions of the language. The parser checks arguments and types; the
// compiler builds one evaluator node per call.
enum class Fn {
    Upper, Lower, Trim, Ltrim, Alltrim, Substr, Left, Right, Len, At, Empty, Deleted, Recno,
    Str, Val, Dtos, Dtoc, Ctod, Date, Year, Month, Day, Iif, Space, Padl, Padr, Padc,
    Replicate, Max, Min, Abs, Int, Round, Chr, Asc, Mod,
};

// The function a canonical name (as the parser leaves it in the tree) names;
// false when unknown.
bool functionByCanonicalName(std::string_view name, Fn& fn);

// A compiled node. Each node owns the buffer its character result lives in, so
// a returned view stays valid until the same node is evaluated again. That makes
// a compiled expression usable by one thread at a time.
struct Ev {
    ValueType type = ValueType::Character;
    int width = 0;
    virtual ~Ev() = default;
    virtual std::string_view str(const EvalContext& ctx) { return {}; }
    virtual double num(const EvalContext& ctx) { return 0; }
    virtual bool log(const EvalContext& ctx) { return false; }
    // For UPPER(x): x, so that a key can be upper-cased where it is stored
    // rather than in a buffer of its own first.
    virtual Ev* upperOf() { return nullptr; }
};
using EvPtr = std::unique_ptr<Ev>;

// Compiles a typed tree. `schema` may be null for a tree without fields
// (constant evaluation). `fold` evaluates constant subtrees once at compile time.
EvPtr compileTree(const ExprNode& node, const Schema* schema, bool fold);

Value evalToValue(Ev& ev, const EvalContext& ctx);

// xBase string comparison: with `exact` off the comparison stops at the end of
// the right operand when it is not longer than the left; otherwise the shorter
// operand is padded with blanks. Returns <0, 0, >0.
int compareStrings(std::string_view a, std::string_view b, bool exact);
// "$": a contained in b (the empty string is contained in every string).
bool containsString(std::string_view a, std::string_view b);
// Number at the start of text as VAL() reads it: leading blanks, sign, digits,
// decimal point, exponent; anything else ends it; no digits give 0.
double parseNumber(std::string_view text);
// Date text MM/DD/YYYY (or MM/DD/YY, taken as 19YY) to a Julian day; 0 if invalid.
double julianFromMdy(std::string_view text);
// Julian day to MM/DD/YYYY; blanks for an empty or invalid date.
std::string mdyFromJulian(double julian);
double todayJulian();
// Civil date of a Julian day; false for an empty or out-of-range day.
bool civilFromJulian(double julian, int& y, int& m, int& d);
// Writes the 8-byte sortable key of a number.
void writeNumericKey(double value, char* out8);
// double to int, clamped; NaN gives `lo`.
int clampToInt(double v, int lo, int hi);

}  // namespace brindle::store::expr
