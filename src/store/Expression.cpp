// Parser, type checker and canonical form of the expression language, plus
// the value encodings (numeric keys, Julian dates, STR formatting).
#include "store/Expression.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "store/Cp1252.h"
#include "store/ExprInternal.h"

namespace brindle::store {

using namespace expr;

namespace {

// Nesting of parentheses, unary operators and function calls.
constexpr int kMaxNesting = 200;
// Depth of the finished tree; long chains such as A+B+C+... deepen it without
// nesting. Evaluation recurses over the tree, so it is bounded too.
constexpr int kMaxTreeDepth = 2000;

[[noreturn]] void fail(const std::string& problem, std::size_t pos) {
    throw ExprError(problem + " at position " + std::to_string(pos), pos);
}

// Text of a token or character for a message: printable ASCII as is, other
// bytes as hex so that the message stays valid text.
std::string shown(std::string_view s) {
    std::string r;
    for (unsigned char c : s.substr(0, 40)) {
        if (c >= 0x20 && c < 0x7F) {
            r.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            r += buf;
        }
    }
    if (s.size() > 40) r += "...";
    return r;
}

const char* typeName(ValueType t) {
    switch (t) {
        case ValueType::Character: return "character";
        case ValueType::Numeric: return "numeric";
        case ValueType::Logical: return "logical";
        case ValueType::Date: return "date";
    }
    return "?";
}

int addWidth(int a, int b) { return std::min(kMaxWidth, a + b); }

// ---------------------------------------------------------------- lexer

enum class Tok { End, Ident, Number, String, Logical, Op, LParen, RParen, Comma };

struct Token {
    Tok kind = Tok::End;
    std::string text;     // Ident: upper-case name; Op: canonical spelling; String: contents
    std::string source;   // as written, for messages
    double num = 0;
    bool log = false;
    std::size_t pos = 0;  // 1-based
};

bool isIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentChar(char c) { return isIdentStart(c) || (c >= '0' && c <= '9'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string upperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

std::vector<Token> lex(std::string_view s) {
    std::vector<Token> out;
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto push = [&](Tok k, std::size_t start, std::string text) {
        Token t;
        t.kind = k;
        t.text = std::move(text);
        t.source = std::string(s.substr(start, i - start));
        t.pos = start + 1;
        out.push_back(std::move(t));
    };
    while (i < n) {
        const char c = s[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (c == '"' || c == '\'' || c == '[') {
            const char close = c == '[' ? ']' : c;
            const std::size_t end = s.find(close, i + 1);
            if (end == std::string_view::npos) fail("Unterminated string", start + 1);
            i = end + 1;
            push(Tok::String, start, std::string(s.substr(start + 1, end - start - 1)));
            continue;
        }
        if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(s[i + 1]))) {
            while (i < n && isDigit(s[i])) ++i;
            if (i + 1 < n && s[i] == '.' && isDigit(s[i + 1])) {
                ++i;
                while (i < n && isDigit(s[i])) ++i;
            }
            double v = 0;
            if (std::from_chars(s.data() + start, s.data() + i, v).ec == std::errc::result_out_of_range) {
                // Too many digits: the largest number, or zero for a tiny fraction.
                const std::string_view whole = s.substr(start, i - start);
                const std::size_t dot = whole.find('.');
                const bool big = whole.substr(0, dot).find_first_not_of('0') != std::string_view::npos;
                v = big ? std::numeric_limits<double>::max() : 0.0;
            }
            push(Tok::Number, start, {});
            out.back().num = v;
            continue;
        }
        if (c == '.') {
            std::size_t j = i + 1;
            while (j < n && isIdentStart(s[j])) ++j;
            if (j >= n || s[j] != '.' || j == i + 1) fail("Unexpected \".\"", start + 1);
            const std::string word = upperAscii(s.substr(i + 1, j - i - 1));
            i = j + 1;
            if (word == "AND" || word == "OR" || word == "NOT") {
                push(Tok::Op, start, "." + word + ".");
            } else if (word == "T" || word == "Y" || word == "F" || word == "N") {
                push(Tok::Logical, start, {});
                out.back().log = word == "T" || word == "Y";
            } else {
                fail("Unknown operator \"" + shown(s.substr(start, i - start)) + "\"", start + 1);
            }
            continue;
        }
        if (isIdentStart(c)) {
            while (i < n && isIdentChar(s[i])) ++i;
            std::string name = upperAscii(s.substr(start, i - start));
            // ALIAS->FIELD: the alias is ignored; there is one table.
            std::size_t j = i;
            while (j < n && isBlank(s[j])) ++j;
            if (j + 1 < n && s[j] == '-' && s[j + 1] == '>') {
                j += 2;
                while (j < n && isBlank(s[j])) ++j;
                if (j < n && isIdentStart(s[j])) {
                    const std::size_t fieldStart = j;
                    while (j < n && isIdentChar(s[j])) ++j;
                    i = j;
                    push(Tok::Ident, start, upperAscii(s.substr(fieldStart, j - fieldStart)));
                    continue;
                }
            }
            if (name == "AND" || name == "OR" || name == "NOT") {
                push(Tok::Op, start, "." + name + ".");
            } else {
                push(Tok::Ident, start, std::move(name));
            }
            continue;
        }
        auto two = [&](const char* t) { return i + 1 < n && s[i] == t[0] && s[i + 1] == t[1]; };
        std::string op;
        if (two("==")) op = "==";
        else if (two("<>")) op = "<>";
        else if (two("!=")) op = "<>";
        else if (two("<=")) op = "<=";
        else if (two(">=")) op = ">=";
        else if (two("**")) op = "^";
        if (!op.empty()) {
            i += 2;
            push(Tok::Op, start, op);
            continue;
        }
        ++i;
        switch (c) {
            case '+': case '-': case '*': case '/': case '%': case '^': case '=': case '<': case '>': case '$':
                push(Tok::Op, start, std::string(1, c));
                break;
            case '#': push(Tok::Op, start, "<>"); break;
            case '!': push(Tok::Op, start, ".NOT."); break;
            case '(': push(Tok::LParen, start, "("); break;
            case ')': push(Tok::RParen, start, ")"); break;
            case ',': push(Tok::Comma, start, ","); break;
            default: fail("Unexpected character \"" + shown(s.substr(start, 1)) + "\"", start + 1);
        }
    }
    Token end;
    end.kind = Tok::End;
    end.pos = n + 1;
    out.push_back(std::move(end));
    return out;
}

// ---------------------------------------------------------------- functions

struct FnInfo {
    const char* name;
    Fn fn;
    int minArgs;
    int maxArgs;
};

constexpr FnInfo kFunctions[] = {
    {"UPPER", Fn::Upper, 1, 1},     {"LOWER", Fn::Lower, 1, 1},       {"TRIM", Fn::Trim, 1, 1},
    {"RTRIM", Fn::Trim, 1, 1},      {"LTRIM", Fn::Ltrim, 1, 1},       {"ALLTRIM", Fn::Alltrim, 1, 1},
    {"SUBSTR", Fn::Substr, 2, 3},   {"LEFT", Fn::Left, 2, 2},         {"RIGHT", Fn::Right, 2, 2},
    {"LEN", Fn::Len, 1, 1},         {"AT", Fn::At, 2, 3},             {"EMPTY", Fn::Empty, 1, 1},
    {"DELETED", Fn::Deleted, 0, 0}, {"RECNO", Fn::Recno, 0, 0},       {"STR", Fn::Str, 1, 3},
    {"VAL", Fn::Val, 1, 1},         {"DTOS", Fn::Dtos, 1, 1},         {"DTOC", Fn::Dtoc, 1, 1},
    {"CTOD", Fn::Ctod, 1, 1},       {"DATE", Fn::Date, 0, 0},         {"YEAR", Fn::Year, 1, 1},
    {"MONTH", Fn::Month, 1, 1},     {"DAY", Fn::Day, 1, 1},           {"IIF", Fn::Iif, 3, 3},
    {"SPACE", Fn::Space, 1, 1},     {"PADL", Fn::Padl, 2, 3},         {"PADR", Fn::Padr, 2, 3},
    {"PADC", Fn::Padc, 2, 3},       {"REPLICATE", Fn::Replicate, 2, 2}, {"MAX", Fn::Max, 2, 16},
    {"MIN", Fn::Min, 2, 16},        {"ABS", Fn::Abs, 1, 1},           {"INT", Fn::Int, 1, 1},
    {"ROUND", Fn::Round, 2, 2},     {"CHR", Fn::Chr, 1, 1},           {"ASC", Fn::Asc, 1, 1},
    {"MOD", Fn::Mod, 2, 2},
};

const FnInfo* findFunction(std::string_view name) {
    for (const auto& f : kFunctions)
        if (name == f.name) return &f;
    // Names may be cut to four letters or more, as long as one function fits.
    if (name.size() < 4) return nullptr;
    const FnInfo* hit = nullptr;
    for (const auto& f : kFunctions) {
        if (std::string_view(f.name).substr(0, name.size()) == name) {
            if (hit && hit->fn != f.fn) return nullptr;
            if (!hit) hit = &f;
        }
    }
    return hit;
}

// ---------------------------------------------------------------- parser

struct Parsed {
    std::unique_ptr<ExprNode> node;
    int depth = 1;
};

class Parser {
public:
    Parser(std::string_view text, const Schema& schema) : schema_(schema), toks_(lex(text)) {}

    std::unique_ptr<ExprNode> parseAll() {
        if (peek().kind == Tok::End) fail("Empty expression", 1);
        Parsed p = parseOr();
        if (peek().kind != Tok::End) fail("Unexpected \"" + shown(peek().source) + "\"", peek().pos);
        return std::move(p.node);
    }

private:
    struct Nest {
        explicit Nest(Parser& p, std::size_t pos) : p_(p) {
            if (++p_.nesting_ > kMaxNesting) fail("Expression nested too deeply", pos);
        }
        ~Nest() { --p_.nesting_; }
        Parser& p_;
    };

    const Token& peek() const { return toks_[at_]; }
    const Token& next() { return toks_[at_ < toks_.size() - 1 ? at_++ : at_]; }
    bool isOp(const char* op) const { return peek().kind == Tok::Op && peek().text == op; }

    static Parsed leaf(std::unique_ptr<ExprNode> n) { return Parsed{std::move(n), 1}; }

    Parsed makeBinary(const Token& opTok, Parsed l, Parsed r) {
        auto n = std::make_unique<ExprNode>();
        n->kind = NodeKind::Binary;
        n->op = opTok.text;
        n->pos = opTok.pos;
        const int depth = 1 + std::max(l.depth, r.depth);
        if (depth > kMaxTreeDepth) fail("Expression nested too deeply", opTok.pos);
        n->constant = l.node->constant && r.node->constant;
        const ValueType a = l.node->type, b = r.node->type;
        const int wa = l.node->width, wb = r.node->width;
        auto mismatch = [&]() {
            fail(std::string("Type mismatch: \"") + opTok.source + "\" cannot take " + typeName(a) + " and " +
                     typeName(b),
                 opTok.pos);
        };
        const std::string& op = n->op;
        if (op == ".AND." || op == ".OR.") {
            if (a != ValueType::Logical || b != ValueType::Logical) mismatch();
            n->type = ValueType::Logical;
        } else if (op == "+") {
            if (a == ValueType::Character && b == ValueType::Character) {
                n->type = ValueType::Character;
                n->width = addWidth(wa, wb);
            } else if (a == ValueType::Numeric && b == ValueType::Numeric) {
                n->type = ValueType::Numeric;
            } else if ((a == ValueType::Date && b == ValueType::Numeric) ||
                       (a == ValueType::Numeric && b == ValueType::Date)) {
                n->type = ValueType::Date;
            } else {
                mismatch();
            }
        } else if (op == "-") {
            if (a == ValueType::Character && b == ValueType::Character) {
                n->type = ValueType::Character;
                n->width = addWidth(wa, wb);
            } else if (a == ValueType::Numeric && b == ValueType::Numeric) {
                n->type = ValueType::Numeric;
            } else if (a == ValueType::Date && b == ValueType::Numeric) {
                n->type = ValueType::Date;
            } else if (a == ValueType::Date && b == ValueType::Date) {
                n->type = ValueType::Numeric;
            } else {
                mismatch();
            }
        } else if (op == "*" || op == "/" || op == "%" || op == "^") {
            if (a != ValueType::Numeric || b != ValueType::Numeric) mismatch();
            n->type = ValueType::Numeric;
        } else if (op == "$") {
            if (a != ValueType::Character || b != ValueType::Character) mismatch();
            n->type = ValueType::Logical;
        } else {  // comparisons
            if (a != b) mismatch();
            if (a == ValueType::Logical && op != "=" && op != "==" && op != "<>") mismatch();
            n->type = ValueType::Logical;
        }
        n->args.push_back(std::move(l.node));
        n->args.push_back(std::move(r.node));
        return Parsed{std::move(n), depth};
    }

    Parsed makeUnary(const Token& opTok, Parsed operand) {
        auto n = std::make_unique<ExprNode>();
        n->kind = NodeKind::Unary;
        n->op = opTok.text == "-" ? "-" : ".NOT.";
        n->pos = opTok.pos;
        const ValueType want = n->op == "-" ? ValueType::Numeric : ValueType::Logical;
        if (operand.node->type != want)
            fail(std::string("Type mismatch: \"") + opTok.source + "\" cannot take " + typeName(operand.node->type),
                 opTok.pos);
        n->type = want;
        n->constant = operand.node->constant;
        const int depth = operand.depth + 1;
        if (depth > kMaxTreeDepth) fail("Expression nested too deeply", opTok.pos);
        n->args.push_back(std::move(operand.node));
        return Parsed{std::move(n), depth};
    }

    Parsed parseOr() {
        Parsed l = parseAnd();
        while (isOp(".OR.")) {
            const Token& t = next();
            l = makeBinary(t, std::move(l), parseAnd());
        }
        return l;
    }

    Parsed parseAnd() {
        Parsed l = parseNot();
        while (isOp(".AND.")) {
            const Token& t = next();
            l = makeBinary(t, std::move(l), parseNot());
        }
        return l;
    }

    Parsed parseNot() {
        if (isOp(".NOT.")) {
            const Token& t = next();
            Nest guard(*this, t.pos);
            return makeUnary(t, parseNot());
        }
        return parseComparison();
    }

    static bool isComparison(const Token& t) {
        if (t.kind != Tok::Op) return false;
        const std::string& o = t.text;
        return o == "=" || o == "==" || o == "<>" || o == "<" || o == "<=" || o == ">" || o == ">=" || o == "$";
    }

    Parsed parseComparison() {
        Parsed l = parseAdditive();
        while (isComparison(peek())) {
            const Token& t = next();
            l = makeBinary(t, std::move(l), parseAdditive());
        }
        return l;
    }

    Parsed parseAdditive() {
        Parsed l = parseMultiplicative();
        while (isOp("+") || isOp("-")) {
            const Token& t = next();
            l = makeBinary(t, std::move(l), parseMultiplicative());
        }
        return l;
    }

    Parsed parseMultiplicative() {
        Parsed l = parseUnary();
        while (isOp("*") || isOp("/") || isOp("%")) {
            const Token& t = next();
            l = makeBinary(t, std::move(l), parseUnary());
        }
        return l;
    }

    Parsed parseUnary() {
        if (isOp("-") || isOp("+")) {
            const Token& t = next();
            Nest guard(*this, t.pos);
            Parsed operand = parseUnary();
            if (t.text == "+") {
                if (operand.node->type != ValueType::Numeric)
                    fail(std::string("Type mismatch: \"+\" cannot take ") + typeName(operand.node->type), t.pos);
                return operand;
            }
            return makeUnary(t, std::move(operand));
        }
        return parsePower();
    }

    Parsed parsePower() {
        Parsed base = parsePrimary();
        if (isOp("^")) {
            const Token& t = next();
            Nest guard(*this, t.pos);
            Parsed exponent = parseUnary();
            return makeBinary(t, std::move(base), std::move(exponent));
        }
        return base;
    }

    Parsed parsePrimary() {
        const Token& t = peek();
        switch (t.kind) {
            case Tok::End:
                fail("Unexpected end of expression", t.pos);
            case Tok::Number: {
                next();
                auto n = literalNode(t);
                n->type = ValueType::Numeric;
                n->literal.type = ValueType::Numeric;
                n->literal.num = t.num;
                return leaf(std::move(n));
            }
            case Tok::String: {
                next();
                auto n = literalNode(t);
                n->type = ValueType::Character;
                n->width = std::min<int>(kMaxWidth, static_cast<int>(t.text.size()));
                n->literal.type = ValueType::Character;
                n->literal.str = t.text;
                return leaf(std::move(n));
            }
            case Tok::Logical: {
                next();
                auto n = literalNode(t);
                n->type = ValueType::Logical;
                n->width = 1;
                n->literal.type = ValueType::Logical;
                n->literal.log = t.log;
                return leaf(std::move(n));
            }
            case Tok::LParen: {
                next();
                Nest guard(*this, t.pos);
                Parsed inner = parseOr();
                if (peek().kind != Tok::RParen) missingParen();
                next();
                return inner;
            }
            case Tok::Ident: {
                next();
                if (peek().kind == Tok::LParen) return parseCall(t);
                return fieldNode(t);
            }
            case Tok::Op:
                // A negation inside an operand, as in A = !B.
                if (t.text == ".NOT.") {
                    next();
                    Nest guard(*this, t.pos);
                    return makeUnary(t, parseNot());
                }
                [[fallthrough]];
            default:
                fail("Unexpected \"" + shown(t.source) + "\"", t.pos);
        }
    }

    [[noreturn]] void missingParen() {
        if (peek().kind == Tok::End) fail("Missing \")\"", peek().pos);
        fail("Missing \")\" before \"" + shown(peek().source) + "\"", peek().pos);
    }

    static std::unique_ptr<ExprNode> literalNode(const Token& t) {
        auto n = std::make_unique<ExprNode>();
        n->kind = NodeKind::Literal;
        n->pos = t.pos;
        n->constant = true;
        return n;
    }

    Parsed fieldNode(const Token& t) {
        const int idx = schema_.find(t.text);
        if (idx < 0) fail("Unknown field \"" + shown(t.text) + "\"", t.pos);
        const FieldInfo& f = schema_.fields[static_cast<std::size_t>(idx)];
        if (f.offset < 1 || f.width < 0 || f.offset + f.width > schema_.recordLength)
            fail("Field \"" + shown(f.name) + "\" lies outside the record", t.pos);
        auto n = std::make_unique<ExprNode>();
        n->kind = NodeKind::Field;
        n->field = idx;
        n->op = f.name;
        n->pos = t.pos;
        switch (f.type) {
            case 'N': case 'F':
                n->type = ValueType::Numeric;
                break;
            case 'I':
                n->type = f.width >= 4 ? ValueType::Numeric : ValueType::Character;
                break;
            case 'B': case 'Y':
                n->type = f.width >= 8 ? ValueType::Numeric : ValueType::Character;
                break;
            case 'T':
                n->type = f.width >= 8 ? ValueType::Date : ValueType::Character;
                break;
            case 'D':
                n->type = ValueType::Date;
                break;
            case 'L':
                n->type = ValueType::Logical;
                n->width = 1;
                break;
            case 'M':
                n->type = ValueType::Character;
                n->width = kMemoWidth;
                break;
            default:
                n->type = ValueType::Character;
                n->width = f.width;
        }
        if (n->type == ValueType::Character && f.type != 'M') n->width = f.width;
        return leaf(std::move(n));
    }

    Parsed parseCall(const Token& nameTok) {
        const FnInfo* info = findFunction(nameTok.text);
        if (!info) fail("Unknown function \"" + shown(nameTok.text) + "\"", nameTok.pos);
        const Token& open = next();  // "("
        Nest guard(*this, open.pos);
        std::vector<Parsed> args;
        if (peek().kind != Tok::RParen) {
            for (;;) {
                args.push_back(parseOr());
                if (peek().kind == Tok::Comma) {
                    next();
                    continue;
                }
                break;
            }
        }
        if (peek().kind != Tok::RParen) missingParen();
        next();
        const int count = static_cast<int>(args.size());
        if (count < info->minArgs || count > info->maxArgs) {
            std::string want = info->minArgs == info->maxArgs
                                   ? std::to_string(info->minArgs)
                                   : std::to_string(info->minArgs) + " to " + std::to_string(info->maxArgs);
            fail(std::string(info->name) + "() takes " + want + (info->maxArgs == 1 ? " argument" : " arguments") +
                     ", not " + std::to_string(count),
                 nameTok.pos);
        }
        auto n = std::make_unique<ExprNode>();
        n->kind = NodeKind::Call;
        n->op = info->name;
        n->pos = nameTok.pos;
        int depth = 1;
        bool constant = info->fn != Fn::Deleted && info->fn != Fn::Recno;
        for (auto& a : args) {
            depth = std::max(depth, a.depth + 1);
            constant = constant && a.node->constant;
            n->args.push_back(std::move(a.node));
        }
        if (depth > kMaxTreeDepth) fail("Expression nested too deeply", nameTok.pos);
        n->constant = constant;
        typeCall(*n, info->fn);
        return Parsed{std::move(n), depth};
    }

    static void need(const ExprNode& call, std::size_t i, ValueType t) {
        const ExprNode& a = *call.args[i];
        if (a.type != t)
            fail(call.op + "() needs a " + typeName(t) + " argument " + std::to_string(i + 1) + ", not " +
                     typeName(a.type),
                 a.pos);
    }

    // The value of a constant numeric argument, or `fallback` when it depends
    // on the record.
    static double constNum(const ExprNode& a, double fallback) {
        if (!a.constant) return fallback;
        return Expression::evaluateConstant(a).num;
    }

    static void typeCall(ExprNode& n, Fn fn) {
        using VT = ValueType;
        auto& a = n.args;
        auto w0 = [&]() { return a[0]->width; };
        switch (fn) {
            case Fn::Upper: case Fn::Lower: case Fn::Trim: case Fn::Ltrim: case Fn::Alltrim:
                need(n, 0, VT::Character);
                n.type = VT::Character;
                n.width = w0();
                break;
            case Fn::Substr: {
                need(n, 0, VT::Character);
                need(n, 1, VT::Numeric);
                if (a.size() > 2) need(n, 2, VT::Numeric);
                int w = w0();
                if (a[1]->constant) {
                    const int start = clampToInt(constNum(*a[1], 1), 1, kMaxWidth + 1);
                    w = std::max(0, w - start + 1);
                }
                if (a.size() > 2 && a[2]->constant) w = std::min(w, clampToInt(constNum(*a[2], 0), 0, kMaxWidth));
                n.type = VT::Character;
                n.width = w;
                break;
            }
            case Fn::Left: case Fn::Right:
                need(n, 0, VT::Character);
                need(n, 1, VT::Numeric);
                n.type = VT::Character;
                n.width = a[1]->constant ? std::min(w0(), clampToInt(constNum(*a[1], 0), 0, kMaxWidth)) : w0();
                break;
            case Fn::Len: case Fn::Asc: case Fn::Val:
                need(n, 0, VT::Character);
                n.type = VT::Numeric;
                break;
            case Fn::At:
                need(n, 0, VT::Character);
                need(n, 1, VT::Character);
                if (a.size() > 2) need(n, 2, VT::Numeric);
                n.type = VT::Numeric;
                break;
            case Fn::Empty:
                n.type = VT::Logical;
                n.width = 1;
                break;
            case Fn::Deleted:
                n.type = VT::Logical;
                n.width = 1;
                break;
            case Fn::Recno:
                n.type = VT::Numeric;
                break;
            case Fn::Str:
                need(n, 0, VT::Numeric);
                if (a.size() > 1) need(n, 1, VT::Numeric);
                if (a.size() > 2) need(n, 2, VT::Numeric);
                n.type = VT::Character;
                n.width = a.size() > 1 ? (a[1]->constant ? clampToInt(constNum(*a[1], 10), 0, 255) : kDynamicWidth)
                                       : 10;
                break;
            case Fn::Dtos:
                need(n, 0, VT::Date);
                n.type = VT::Character;
                n.width = 8;
                break;
            case Fn::Dtoc:
                need(n, 0, VT::Date);
                n.type = VT::Character;
                n.width = 10;
                break;
            case Fn::Ctod:
                need(n, 0, VT::Character);
                n.type = VT::Date;
                break;
            case Fn::Date:
                n.type = VT::Date;
                break;
            case Fn::Year: case Fn::Month: case Fn::Day:
                need(n, 0, VT::Date);
                n.type = VT::Numeric;
                break;
            case Fn::Iif:
                need(n, 0, VT::Logical);
                if (a[1]->type != a[2]->type)
                    fail(std::string("IIF() needs two results of one type, not ") + typeName(a[1]->type) + " and " +
                             typeName(a[2]->type),
                         a[2]->pos);
                n.type = a[1]->type;
                n.width = std::max(a[1]->width, a[2]->width);
                break;
            case Fn::Space:
                need(n, 0, VT::Numeric);
                n.type = VT::Character;
                n.width = a[0]->constant ? clampToInt(constNum(*a[0], 0), 0, kMaxWidth) : kDynamicWidth;
                break;
            case Fn::Padl: case Fn::Padr: case Fn::Padc:
                need(n, 0, VT::Character);
                need(n, 1, VT::Numeric);
                if (a.size() > 2) need(n, 2, VT::Character);
                n.type = VT::Character;
                n.width = a[1]->constant ? clampToInt(constNum(*a[1], 0), 0, kMaxWidth) : kDynamicWidth;
                break;
            case Fn::Replicate: {
                need(n, 0, VT::Character);
                need(n, 1, VT::Numeric);
                n.type = VT::Character;
                if (a[1]->constant) {
                    const long long times = clampToInt(constNum(*a[1], 0), 0, kMaxWidth);
                    n.width = static_cast<int>(std::min<long long>(kMaxWidth, times * w0()));
                } else {
                    n.width = kDynamicWidth;
                }
                break;
            }
            case Fn::Max: case Fn::Min: {
                const VT t = a[0]->type;
                if (t == VT::Logical) need(n, 0, VT::Numeric);
                int w = 0;
                for (std::size_t i = 0; i < a.size(); ++i) {
                    need(n, i, t);
                    w = std::max(w, a[i]->width);
                }
                n.type = t;
                n.width = t == VT::Character ? w : 0;
                break;
            }
            case Fn::Abs: case Fn::Int:
                need(n, 0, VT::Numeric);
                n.type = VT::Numeric;
                break;
            case Fn::Round: case Fn::Mod:
                need(n, 0, VT::Numeric);
                need(n, 1, VT::Numeric);
                n.type = VT::Numeric;
                break;
            case Fn::Chr:
                need(n, 0, VT::Numeric);
                n.type = VT::Character;
                n.width = 1;
                break;
        }
    }

    const Schema& schema_;
    std::vector<Token> toks_;
    std::size_t at_ = 0;
    int nesting_ = 0;
};

// ---------------------------------------------------------------- canonical text

int precedence(const ExprNode& n) {
    if (n.kind == NodeKind::Binary) {
        const std::string& o = n.op;
        if (o == ".OR.") return 1;
        if (o == ".AND.") return 2;
        if (o == "+" || o == "-") return 5;
        if (o == "*" || o == "/" || o == "%") return 6;
        if (o == "^") return 8;
        return 4;  // comparisons and "$"
    }
    if (n.kind == NodeKind::Unary) return n.op == ".NOT." ? 3 : 7;
    return 9;
}

std::string quoteLiteral(const std::string& s) {
    // Literals in a parsed tree never hold all three delimiters (the parser
    // could not have read one), so quoteStringLiteral always answers here.
    return quoteStringLiteral(s).value_or("\"\"");
}

std::string numberText(double v) {
    // Fixed notation, since the language has no exponent form.
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc()) return "0";
    return std::string(buf, r.ptr);
}

void appendCanonical(const ExprNode& n, std::string& out) {
    auto child = [&](const ExprNode& c, bool parens) {
        if (parens) out.push_back('(');
        appendCanonical(c, out);
        if (parens) out.push_back(')');
    };
    switch (n.kind) {
        case NodeKind::Literal:
            switch (n.literal.type) {
                case ValueType::Character: out += quoteLiteral(n.literal.str); break;
                case ValueType::Numeric: out += numberText(n.literal.num); break;
                case ValueType::Logical: out += n.literal.log ? ".T." : ".F."; break;
                case ValueType::Date: out += "CTOD(\"" + mdyFromJulian(n.literal.num) + "\")"; break;
            }
            return;
        case NodeKind::Field:
            out += n.op;
            return;
        case NodeKind::Call:
            out += n.op;
            out.push_back('(');
            for (std::size_t i = 0; i < n.args.size(); ++i) {
                if (i) out.push_back(',');
                appendCanonical(*n.args[i], out);
            }
            out.push_back(')');
            return;
        case NodeKind::Unary: {
            const int p = precedence(n);
            out += n.op;
            if (!n.args.empty()) child(*n.args[0], precedence(*n.args[0]) < p);
            return;
        }
        case NodeKind::Binary: {
            if (n.args.size() < 2) return;
            const int p = precedence(n);
            const bool rightAssoc = n.op == "^";
            const int pl = precedence(*n.args[0]), pr = precedence(*n.args[1]);
            child(*n.args[0], rightAssoc ? pl <= p : pl < p);
            out += n.op;
            child(*n.args[1], rightAssoc ? pr < p : pr <= p);
            return;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------- shared helpers

namespace expr {

bool functionByCanonicalName(std::string_view name, Fn& fn) {
    for (const auto& f : kFunctions) {
        if (name == f.name) {
            fn = f.fn;
            return true;
        }
    }
    return false;
}

int clampToInt(double v, int lo, int hi) {
    if (std::isnan(v)) return lo;
    if (v <= lo) return lo;
    if (v >= hi) return hi;
    return static_cast<int>(v);
}

static int comparePadded(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    if (common) {
        const int c = std::memcmp(a.data(), b.data(), common);
        if (c) return c;
    }
    for (std::size_t i = common; i < a.size(); ++i) {
        const auto ch = static_cast<unsigned char>(a[i]);
        if (ch != ' ') return ch < ' ' ? -1 : 1;
    }
    for (std::size_t i = common; i < b.size(); ++i) {
        const auto ch = static_cast<unsigned char>(b[i]);
        if (ch != ' ') return ch < ' ' ? 1 : -1;
    }
    return 0;
}

int compareStrings(std::string_view a, std::string_view b, bool exact) {
    if (!exact && b.size() <= a.size()) {
        if (b.empty()) return 0;
        return std::memcmp(a.data(), b.data(), b.size());
    }
    return comparePadded(a, b);
}

bool containsString(std::string_view a, std::string_view b) {
    if (a.empty()) return true;
    if (a.size() == 1) return !b.empty() && std::memchr(b.data(), a[0], b.size()) != nullptr;
    return b.find(a) != std::string_view::npos;
}

double parseNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    char buf[72];
    std::size_t k = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    bool digits = false, dot = false;
    for (; i < s.size() && k < 60; ++i) {
        const char c = s[i];
        if (isDigit(c)) {
            digits = true;
            buf[k++] = c;
        } else if (c == '.' && !dot) {
            dot = true;
            buf[k++] = c;
        } else {
            break;
        }
    }
    if (!digits) return 0;
    // An exponent only when digits follow it.
    if (i + 1 < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        std::size_t save = k;
        buf[k++] = 'e';
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) buf[k++] = s[j++];
        bool expDigits = false;
        while (j < s.size() && isDigit(s[j]) && k < sizeof buf - 1) {
            buf[k++] = s[j++];
            expDigits = true;
        }
        if (!expDigits) k = save;
    }
    double v = 0;
    const auto r = std::from_chars(buf, buf + k, v);
    if (r.ec == std::errc::result_out_of_range) {
        v = HUGE_VAL;
        // A tiny value underflows to zero; from_chars leaves v alone there.
        if (std::strchr(buf, 'e') && std::strchr(buf, '-')) v = 0;
    }
    return negative ? -v : v;
}

void writeNumericKey(double value, char* out8) {
    if (value == 0 || std::isnan(value)) value = 0;  // one key for +0, -0 and NaN
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    if (bits >> 63) bits = ~bits;
    else bits |= std::uint64_t{1} << 63;
    for (int i = 7; i >= 0; --i) {
        out8[i] = static_cast<char>(bits & 0xFF);
        bits >>= 8;
    }
}

static long long jdn(long long y, long long m, long long d) {
    const long long a = (14 - m) / 12;
    const long long yy = y + 4800 - a;
    const long long mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

static bool validCivil(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

// Julian days of 0001-01-01 and 9999-12-31.
constexpr double kFirstDay = 1721426;
constexpr double kLastDay = 5373484;

bool civilFromJulian(double julian, int& y, int& m, int& d) {
    if (!(julian >= kFirstDay && julian <= kLastDay)) return false;
    const long long J = static_cast<long long>(julian);
    const long long a = J + 32044;
    const long long b = (4 * a + 3) / 146097;
    const long long c = a - 146097 * b / 4;
    const long long dd = (4 * c + 3) / 1461;
    const long long e = c - 1461 * dd / 4;
    const long long mm = (5 * e + 2) / 153;
    d = static_cast<int>(e - (153 * mm + 2) / 5 + 1);
    m = static_cast<int>(mm + 3 - 12 * (mm / 10));
    y = static_cast<int>(100 * b + dd - 4800 + mm / 10);
    return true;
}

double julianFromMdy(std::string_view s) {
    int parts[3] = {0, 0, 0};
    int digitsIn[3] = {0, 0, 0};
    int p = 0;
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (isDigit(c)) {
            if (digitsIn[p] >= 4) return 0;
            parts[p] = parts[p] * 10 + (c - '0');
            ++digitsIn[p];
        } else if ((c == '/' || c == '-' || c == '.') && p < 2 && digitsIn[p] > 0) {
            ++p;
        } else if (c == ' ') {
            break;
        } else {
            return 0;
        }
    }
    if (p != 2 || digitsIn[2] == 0) return 0;
    int year = parts[2];
    if (digitsIn[2] <= 2) year += 1900;
    if (!validCivil(year, parts[0], parts[1])) return 0;
    return static_cast<double>(jdn(year, parts[0], parts[1]));
}

std::string mdyFromJulian(double julian) {
    int y, m, d;
    if (!civilFromJulian(julian, y, m, d)) return std::string(10, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", m, d, y);
    return buf;
}

double todayJulian() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<double>(jdn(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
}

}  // namespace expr

// ---------------------------------------------------------------- public API

std::string ExprNode::canonical() const {
    std::string out;
    appendCanonical(*this, out);
    return out;
}

struct Expression::Impl {
    std::string text;
    std::string canonical;  // worked out once: tags and filters are matched by it on every move
    std::unique_ptr<ExprNode> root;
    EvPtr ev;
    Ev* upperArg = nullptr;  // x when the expression is UPPER(x)
    ValueType type = ValueType::Character;
    int keyLength = 0;
};

Expression::Expression(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::compile(std::string_view text, const Schema& schema) {
    auto impl = std::make_unique<Impl>();
    impl->text = std::string(text);
    Parser parser(text, schema);
    impl->root = parser.parseAll();
    impl->ev = compileTree(*impl->root, &schema, true);
    impl->upperArg = impl->ev->upperOf();
    impl->canonical = impl->root->canonical();
    impl->type = impl->root->type;
    switch (impl->type) {
        case ValueType::Character: impl->keyLength = impl->root->width; break;
        case ValueType::Logical: impl->keyLength = 1; break;
        default: impl->keyLength = 8;
    }
    return std::unique_ptr<Expression>(new Expression(std::move(impl)));
}

const std::string& Expression::text() const { return impl_->text; }
ValueType Expression::type() const { return impl_->type; }
int Expression::keyLength() const { return impl_->keyLength; }
const ExprNode& Expression::root() const { return *impl_->root; }
const std::string& Expression::canonical() const { return impl_->canonical; }

Value Expression::evaluate(const EvalContext& ctx) const { return evalToValue(*impl_->ev, ctx); }

bool Expression::evaluateLogical(const EvalContext& ctx) const {
    if (impl_->type != ValueType::Logical)
        fail(std::string("The expression is ") + typeName(impl_->type) + ", not logical", 1);
    return impl_->ev->log(ctx);
}

void Expression::evaluateKey(const EvalContext& ctx, std::string& out) const {
    Ev& ev = *impl_->ev;
    switch (impl_->type) {
        case ValueType::Character: {
            // UPPER(x), the most common key, is upper-cased in place in the
            // key rather than copied twice (case folding is byte by byte, so
            // folding the part kept gives the same key).
            const std::string_view s = impl_->upperArg ? impl_->upperArg->str(ctx) : ev.str(ctx);
            const std::size_t w = static_cast<std::size_t>(impl_->keyLength);
            const std::size_t n = std::min(s.size(), w);
            const std::size_t at = out.size();
            out.append(s.data(), n);
            out.append(w - n, ' ');
            if (impl_->upperArg) upperInPlace(out.data() + at, n);
            break;
        }
        case ValueType::Logical:
            out.push_back(ev.log(ctx) ? 'T' : 'F');
            break;
        default: {
            char key[8];
            writeNumericKey(ev.num(ctx), key);
            out.append(key, 8);
        }
    }
}

Value Expression::evaluateConstant(const ExprNode& node) {
    if (!node.constant) fail("The expression depends on the record", node.pos ? node.pos : 1);
    EvPtr ev = compileTree(node, nullptr, false);
    EvalContext ctx;
    return evalToValue(*ev, ctx);
}

std::string numericKey(double value) {
    char key[8];
    writeNumericKey(value, key);
    return std::string(key, 8);
}

double numericFromKey(std::string_view key8) {
    if (key8.size() != 8) return 0;
    std::uint64_t bits = 0;
    for (unsigned char c : key8) bits = (bits << 8) | c;
    if (bits >> 63) bits &= ~(std::uint64_t{1} << 63);
    else bits = ~bits;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

double julianFromDtos(std::string_view s) {
    if (s.size() != 8) return 0;
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (!isDigit(s[static_cast<std::size_t>(i)])) return 0;
        v[i] = s[static_cast<std::size_t>(i)] - '0';
    }
    const int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    const int m = v[4] * 10 + v[5];
    const int d = v[6] * 10 + v[7];
    if (!validCivil(y, m, d)) return 0;
    return static_cast<double>(jdn(y, m, d));
}

std::string dtosFromJulian(double julian) {
    int y, m, d;
    if (!civilFromJulian(julian, y, m, d)) return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

std::string formatNumber(double value, int width, int decimals) {
    width = std::clamp(width, 0, kMaxWidth);
    decimals = std::clamp(decimals, 0, 18);
    if (width == 0) return {};
    if (!std::isfinite(value)) return std::string(static_cast<std::size_t>(width), '*');
    // Decimals give way first when the number does not fit, as STR() does.
    for (int d = std::min(decimals, std::max(0, width - 2)); d >= 0; --d) {
        // Halves round away from zero; the nudge keeps 2.675 (stored as
        // 2.67499...) rounding up as it reads.
        double shown = value;
        const double scale = std::pow(10.0, d);
        const double scaled = value * scale;
        if (std::fabs(scaled) < 1e15) shown = std::round(scaled * (1 + 1e-15)) / scale;
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, shown, std::chars_format::fixed, d);
        if (r.ec != std::errc()) break;
        std::string s(buf, r.ptr);
        if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);  // "-0.00"
        if (static_cast<int>(s.size()) <= width)
            return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
    }
    return std::string(static_cast<std::size_t>(width), '*');
}

std::optional<double> parseNumber(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::string> quoteStringLiteral(std::string_view value) {
    const std::string v(value);
    if (v.find('"') == std::string::npos) return "\"" + v + "\"";
    if (v.find('\'') == std::string::npos) return "'" + v + "'";
    if (v.find(']') == std::string::npos) return "[" + v + "]";
    return std::nullopt;
}

}  // namespace brindle::store
