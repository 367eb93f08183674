// The compiled form of an expression: one small node object per operation,
// each with its own result buffer, so that evaluating a record allocates
// nothing once the buffers have grown to their working size.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "store/Cp1252.h"
#include "store/ExprInternal.h"

namespace brindle::store::expr {

namespace {

using VT = ValueType;
using Ctx = EvalContext;

std::string_view trimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

std::string_view trimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.substr(i);
}

bool blankText(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0') return false;
    return true;
}

std::uint64_t readLE(const char* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

// ---------------------------------------------------------------- leaves

struct ConstStr final : Ev {
    std::string s;
    std::string_view str(const Ctx&) override { return s; }
};
struct ConstNum final : Ev {
    double v = 0;
    double num(const Ctx&) override { return v; }
};
struct ConstLog final : Ev {
    bool v = false;
    bool log(const Ctx&) override { return v; }
};

struct FieldBase : Ev {
    int off = 0, len = 0;
    std::string_view raw(const Ctx& ctx) const {
        return ctx.record ? std::string_view(ctx.record + off, static_cast<std::size_t>(len)) : std::string_view();
    }
};

struct FieldStr final : FieldBase {
    std::string blanks;  // the value when there is no record
    std::string_view str(const Ctx& ctx) override {
        if (!ctx.record) return blanks;
        return std::string_view(ctx.record + off, static_cast<std::size_t>(len));
    }
};
struct FieldNum final : FieldBase {
    double num(const Ctx& ctx) override { return parseNumber(raw(ctx)); }
};
struct FieldInt final : FieldBase {
    double num(const Ctx& ctx) override {
        if (!ctx.record) return 0;
        return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(readLE(ctx.record + off, 4))));
    }
};
struct FieldDouble final : FieldBase {
    double num(const Ctx& ctx) override {
        if (!ctx.record) return 0;
        const std::uint64_t bits = readLE(ctx.record + off, 8);
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
};
struct FieldCurrency final : FieldBase {
    double num(const Ctx& ctx) override {
        if (!ctx.record) return 0;
        return static_cast<double>(static_cast<std::int64_t>(readLE(ctx.record + off, 8))) / 10000.0;
    }
};
struct FieldDateTime final : FieldBase {  // date part of a T field
    double num(const Ctx& ctx) override {
        if (!ctx.record) return 0;
        const auto day = static_cast<std::int32_t>(static_cast<std::uint32_t>(readLE(ctx.record + off, 4)));
        return day > 0 ? day : 0;
    }
};
struct FieldDate final : FieldBase {
    double num(const Ctx& ctx) override { return julianFromDtos(raw(ctx)); }
};
struct FieldLog final : FieldBase {
    bool log(const Ctx& ctx) override {
        if (!ctx.record || len < 1) return false;
        const char c = ctx.record[off];
        return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
};
struct FieldMemo final : Ev {
    int field = -1;
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        if (ctx.memo && *ctx.memo) buf = (*ctx.memo)(ctx.record, field);
        else buf.clear();
        return buf;
    }
};

struct DeletedFn final : Ev {
    bool log(const Ctx& ctx) override { return ctx.record && ctx.record[0] == '*'; }
};
struct RecnoFn final : Ev {
    double num(const Ctx& ctx) override { return ctx.recno; }
};
struct DateFn final : Ev {
    double num(const Ctx&) override { return todayJulian(); }
};

// ---------------------------------------------------------------- character operations

struct Unary : Ev {
    EvPtr a;
};
struct BinaryEv : Ev {
    EvPtr a, b;
};

// Results of "+" and "-" are cut at the largest static width, so that chained
// concatenations of long values cannot grow without bound.
struct Concat final : BinaryEv {
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        const std::string_view x = a->str(ctx);
        const std::string_view y = b->str(ctx);
        buf.assign(x);
        buf.append(y.substr(0, kMaxWidth - std::min<std::size_t>(kMaxWidth, x.size())));
        return buf;
    }
};

// "-": the left part's trailing blanks move to the end of the result.
struct ConcatTrim final : BinaryEv {
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        const std::string_view x = a->str(ctx);
        const std::string_view y = b->str(ctx);
        const std::string_view t = trimRight(x);
        buf.assign(t);
        buf.append(y);
        buf.append(x.size() - t.size(), ' ');
        if (buf.size() > static_cast<std::size_t>(kMaxWidth)) buf.resize(kMaxWidth);
        return buf;
    }
};

struct UpperFn final : Unary {
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        buf.assign(a->str(ctx));
        upperInPlace(buf.data(), buf.size());
        return buf;
    }
    Ev* upperOf() override { return a.get(); }
};
struct LowerFn final : Unary {
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        buf.assign(a->str(ctx));
        for (char& c : buf) c = static_cast<char>(lower1252(static_cast<unsigned char>(c)));
        return buf;
    }
};
struct TrimFn final : Unary {
    int mode = 0;  // 0 trailing, 1 leading, 2 both
    std::string_view str(const Ctx& ctx) override {
        std::string_view s = a->str(ctx);
        if (mode != 1) s = trimRight(s);
        if (mode != 0) s = trimLeft(s);
        return s;
    }
};
struct SubstrFn final : Ev {
    EvPtr s, start, count;  // count may be null
    std::string_view str(const Ctx& ctx) override {
        const std::string_view v = s->str(ctx);
        const int from = clampToInt(start->num(ctx), 1, kMaxWidth + 1);
        if (static_cast<std::size_t>(from) > v.size()) return {};
        std::size_t n = v.size();
        if (count) n = static_cast<std::size_t>(clampToInt(count->num(ctx), 0, kMaxWidth));
        return v.substr(static_cast<std::size_t>(from - 1), n);
    }
};
struct LeftRightFn final : Ev {
    EvPtr s, count;
    bool right = false;
    std::string_view str(const Ctx& ctx) override {
        const std::string_view v = s->str(ctx);
        const auto n = std::min(v.size(), static_cast<std::size_t>(clampToInt(count->num(ctx), 0, kMaxWidth)));
        return right ? v.substr(v.size() - n) : v.substr(0, n);
    }
};
struct LenFn final : Unary {
    double num(const Ctx& ctx) override { return static_cast<double>(a->str(ctx).size()); }
};
struct AscFn final : Unary {
    double num(const Ctx& ctx) override {
        const std::string_view s = a->str(ctx);
        return s.empty() ? 0 : static_cast<unsigned char>(s[0]);
    }
};
struct ChrFn final : Unary {
    char c = 0;
    std::string_view str(const Ctx& ctx) override {
        c = static_cast<char>(clampToInt(a->num(ctx), 0, 255));
        return std::string_view(&c, 1);
    }
};
struct AtFn final : Ev {
    EvPtr needle, hay, occurrence;
    double num(const Ctx& ctx) override {
        const std::string_view n = needle->str(ctx);
        const std::string_view h = hay->str(ctx);
        int want = occurrence ? clampToInt(occurrence->num(ctx), 0, kMaxWidth) : 1;
        if (n.empty() || want < 1) return 0;
        std::size_t from = 0;
        for (;;) {
            const std::size_t at = h.find(n, from);
            if (at == std::string_view::npos) return 0;
            if (--want == 0) return static_cast<double>(at + 1);
            from = at + 1;
        }
    }
};
struct ValFn final : Unary {
    double num(const Ctx& ctx) override { return parseNumber(a->str(ctx)); }
};
struct StrFn final : Ev {
    EvPtr n, w, d;
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        const int width = w ? clampToInt(w->num(ctx), 0, this->width) : 10;
        const int decimals = d ? clampToInt(d->num(ctx), 0, 18) : 0;
        buf = formatNumber(n->num(ctx), width, decimals);
        return buf;
    }
};
struct DtosFn final : Unary {
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        buf = dtosFromJulian(a->num(ctx));
        return buf;
    }
};
struct DtocFn final : Unary {
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        buf = mdyFromJulian(a->num(ctx));
        return buf;
    }
};
struct CtodFn final : Unary {
    double num(const Ctx& ctx) override { return julianFromMdy(a->str(ctx)); }
};
struct DatePartFn final : Unary {
    int part = 0;  // 0 year, 1 month, 2 day
    double num(const Ctx& ctx) override {
        int y, m, d;
        if (!civilFromJulian(a->num(ctx), y, m, d)) return 0;
        return part == 0 ? y : part == 1 ? m : d;
    }
};
struct SpaceFn final : Unary {
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        buf.assign(static_cast<std::size_t>(clampToInt(a->num(ctx), 0, width)), ' ');
        return buf;
    }
};
struct PadFn final : Ev {
    EvPtr s, count, fill;
    int side = 0;  // 0 left (PADL), 1 right (PADR), 2 centre (PADC)
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        const std::string_view v = s->str(ctx);
        const auto n = static_cast<std::size_t>(clampToInt(count->num(ctx), 0, width));
        char f = ' ';
        if (fill) {
            const std::string_view fs = fill->str(ctx);
            if (!fs.empty()) f = fs[0];
        }
        if (v.size() >= n) {
            buf.assign(v.substr(0, n));
            return buf;
        }
        const std::size_t extra = n - v.size();
        const std::size_t before = side == 0 ? extra : side == 1 ? 0 : extra / 2;
        buf.assign(before, f);
        buf.append(v);
        buf.append(extra - before, f);
        return buf;
    }
};
struct ReplicateFn final : Ev {
    EvPtr s, count;
    std::string buf;
    std::string_view str(const Ctx& ctx) override {
        const std::string_view v = s->str(ctx);
        const int times = clampToInt(count->num(ctx), 0, kMaxWidth);
        buf.clear();
        if (v.empty()) return buf;
        for (int i = 0; i < times && buf.size() < static_cast<std::size_t>(width); ++i) buf.append(v);
        if (buf.size() > static_cast<std::size_t>(width)) buf.resize(static_cast<std::size_t>(width));
        return buf;
    }
};

struct EmptyFn final : Unary {
    bool log(const Ctx& ctx) override {
        switch (a->type) {
            case VT::Character: return blankText(a->str(ctx));
            case VT::Logical: return !a->log(ctx);
            default: return a->num(ctx) == 0;
        }
    }
};

struct IifFn final : Ev {
    EvPtr c, x, y;
    std::string_view str(const Ctx& ctx) override { return c->log(ctx) ? x->str(ctx) : y->str(ctx); }
    double num(const Ctx& ctx) override { return c->log(ctx) ? x->num(ctx) : y->num(ctx); }
    bool log(const Ctx& ctx) override { return c->log(ctx) ? x->log(ctx) : y->log(ctx); }
};

struct MaxMinFn final : Ev {
    std::vector<EvPtr> args;
    bool max = true;
    double num(const Ctx& ctx) override {
        double best = args[0]->num(ctx);
        for (std::size_t i = 1; i < args.size(); ++i) {
            const double v = args[i]->num(ctx);
            if (max ? v > best : v < best) best = v;
        }
        return best;
    }
    std::string_view str(const Ctx& ctx) override {
        std::string_view best = args[0]->str(ctx);
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string_view v = args[i]->str(ctx);
            const int c = compareStrings(v, best, true);
            if (max ? c > 0 : c < 0) best = v;
        }
        return best;
    }
};

// ---------------------------------------------------------------- numbers

enum class Arith { Add, Sub, Mul, Div, Mod, Pow, DateAdd, DateSub, AddDate };

struct ArithEv final : BinaryEv {
    Arith op = Arith::Add;
    double num(const Ctx& ctx) override {
        const double x = a->num(ctx);
        const double y = b->num(ctx);
        switch (op) {
            case Arith::Add: return x + y;
            case Arith::Sub: return x - y;
            case Arith::Mul: return x * y;
            case Arith::Div: return x / y;
            case Arith::Mod: {
                // The result takes the sign of the divisor.
                double r = std::fmod(x, y);
                if (r != 0 && ((r < 0) != (y < 0))) r += y;
                return r;
            }
            case Arith::Pow: return std::pow(x, y);
            // An empty date stays empty whatever is added to it.
            case Arith::DateAdd: return x == 0 ? 0 : x + y;
            case Arith::DateSub: return x == 0 ? 0 : x - y;
            case Arith::AddDate: return y == 0 ? 0 : x + y;
        }
        return 0;
    }
};

struct NegEv final : Unary {
    double num(const Ctx& ctx) override { return -a->num(ctx); }
};
struct AbsFn final : Unary {
    double num(const Ctx& ctx) override { return std::fabs(a->num(ctx)); }
};
struct IntFn final : Unary {
    double num(const Ctx& ctx) override { return std::trunc(a->num(ctx)); }
};
struct RoundFn final : BinaryEv {
    double num(const Ctx& ctx) override {
        const double v = a->num(ctx);
        const int d = clampToInt(b->num(ctx), -15, 15);
        const double f = std::pow(10.0, d);
        const double scaled = v * f;
        if (!std::isfinite(scaled) || std::fabs(scaled) > 1e17) return v;
        return std::round(scaled) / f;
    }
};

// ---------------------------------------------------------------- comparisons and logic

enum class Cmp { Eq, ExactEq, Ne, Lt, Le, Gt, Ge };

bool fromOrder(Cmp op, int c) {
    switch (op) {
        case Cmp::Eq: case Cmp::ExactEq: return c == 0;
        case Cmp::Ne: return c != 0;
        case Cmp::Lt: return c < 0;
        case Cmp::Le: return c <= 0;
        case Cmp::Gt: return c > 0;
        case Cmp::Ge: return c >= 0;
    }
    return false;
}

struct StrCmp final : BinaryEv {
    Cmp op = Cmp::Eq;
    bool log(const Ctx& ctx) override {
        const std::string_view x = a->str(ctx);
        const std::string_view y = b->str(ctx);
        if (op == Cmp::ExactEq) return x == y;
        return fromOrder(op, compareStrings(x, y, ctx.exact));
    }
};
struct NumCmp final : BinaryEv {
    Cmp op = Cmp::Eq;
    bool log(const Ctx& ctx) override {
        const double x = a->num(ctx);
        const double y = b->num(ctx);
        switch (op) {
            case Cmp::Eq: case Cmp::ExactEq: return x == y;
            case Cmp::Ne: return x != y;
            case Cmp::Lt: return x < y;
            case Cmp::Le: return x <= y;
            case Cmp::Gt: return x > y;
            case Cmp::Ge: return x >= y;
        }
        return false;
    }
};
struct LogCmp final : BinaryEv {
    bool equal = true;
    bool log(const Ctx& ctx) override { return (a->log(ctx) == b->log(ctx)) == equal; }
};
struct ContainsEv final : BinaryEv {
    bool log(const Ctx& ctx) override {
        const std::string_view x = a->str(ctx);
        return containsString(x, b->str(ctx));
    }
};
struct AndEv final : BinaryEv {
    bool log(const Ctx& ctx) override { return a->log(ctx) && b->log(ctx); }
};
struct OrEv final : BinaryEv {
    bool log(const Ctx& ctx) override { return a->log(ctx) || b->log(ctx); }
};
struct NotEv final : Unary {
    bool log(const Ctx& ctx) override { return !a->log(ctx); }
};

// ---------------------------------------------------------------- compiler

template <class T>
std::unique_ptr<T> make(const ExprNode& n) {
    auto p = std::make_unique<T>();
    p->type = n.type;
    p->width = n.width;
    return p;
}

// Whether a constant subtree must still be evaluated each time: today's date,
// and string comparisons, which depend on the exact setting of the moment.
bool isVolatile(const ExprNode& n) {
    if (n.kind == NodeKind::Call && n.op == "DATE") return true;
    if (n.kind == NodeKind::Binary && n.args.size() == 2 && n.args[0]->type == VT::Character && n.op != "+" &&
        n.op != "-" && n.op != "$" && n.op != "==")
        return true;
    for (const auto& a : n.args)
        if (isVolatile(*a)) return true;
    return false;
}

EvPtr compileField(const ExprNode& n, const Schema* schema) {
    if (!schema || n.field < 0 || static_cast<std::size_t>(n.field) >= schema->fields.size())
        throw ExprError("A field was used where none can be read at position " + std::to_string(n.pos), n.pos);
    const FieldInfo& f = schema->fields[static_cast<std::size_t>(n.field)];
    auto field = [&](auto p) -> EvPtr {
        p->off = f.offset;
        p->len = f.width;
        return p;
    };
    if (f.type == 'M') {
        auto p = make<FieldMemo>(n);
        p->field = n.field;
        return p;
    }
    switch (n.type) {
        case VT::Numeric:
            if (f.type == 'I') return field(make<FieldInt>(n));
            if (f.type == 'B') return field(make<FieldDouble>(n));
            if (f.type == 'Y') return field(make<FieldCurrency>(n));
            return field(make<FieldNum>(n));
        case VT::Date:
            if (f.type == 'T') return field(make<FieldDateTime>(n));
            return field(make<FieldDate>(n));
        case VT::Logical:
            return field(make<FieldLog>(n));
        case VT::Character: {
            auto p = make<FieldStr>(n);
            p->blanks.assign(static_cast<std::size_t>(f.width), ' ');
            return field(std::move(p));
        }
    }
    return nullptr;
}

EvPtr compileCall(const ExprNode& n, const Schema* schema, bool fold) {
    Fn fn;
    if (!functionByCanonicalName(n.op, fn))
        throw ExprError("Unknown function \"" + n.op + "\" at position " + std::to_string(n.pos), n.pos);
    auto arg = [&](std::size_t i) -> EvPtr {
        return i < n.args.size() ? compileTree(*n.args[i], schema, fold) : nullptr;
    };
    auto unary = [&](auto p) -> EvPtr {
        p->a = arg(0);
        return p;
    };
    switch (fn) {
        case Fn::Upper: return unary(make<UpperFn>(n));
        case Fn::Lower: return unary(make<LowerFn>(n));
        case Fn::Trim: case Fn::Ltrim: case Fn::Alltrim: {
            auto p = make<TrimFn>(n);
            p->mode = fn == Fn::Trim ? 0 : fn == Fn::Ltrim ? 1 : 2;
            return unary(std::move(p));
        }
        case Fn::Substr: {
            auto p = make<SubstrFn>(n);
            p->s = arg(0);
            p->start = arg(1);
            p->count = arg(2);
            return p;
        }
        case Fn::Left: case Fn::Right: {
            auto p = make<LeftRightFn>(n);
            p->s = arg(0);
            p->count = arg(1);
            p->right = fn == Fn::Right;
            return p;
        }
        case Fn::Len: return unary(make<LenFn>(n));
        case Fn::Asc: return unary(make<AscFn>(n));
        case Fn::Chr: return unary(make<ChrFn>(n));
        case Fn::At: {
            auto p = make<AtFn>(n);
            p->needle = arg(0);
            p->hay = arg(1);
            p->occurrence = arg(2);
            return p;
        }
        case Fn::Empty: return unary(make<EmptyFn>(n));
        case Fn::Deleted: return make<DeletedFn>(n);
        case Fn::Recno: return make<RecnoFn>(n);
        case Fn::Str: {
            auto p = make<StrFn>(n);
            p->n = arg(0);
            p->w = arg(1);
            p->d = arg(2);
            return p;
        }
        case Fn::Val: return unary(make<ValFn>(n));
        case Fn::Dtos: return unary(make<DtosFn>(n));
        case Fn::Dtoc: return unary(make<DtocFn>(n));
        case Fn::Ctod: return unary(make<CtodFn>(n));
        case Fn::Date: return make<DateFn>(n);
        case Fn::Year: case Fn::Month: case Fn::Day: {
            auto p = make<DatePartFn>(n);
            p->part = fn == Fn::Year ? 0 : fn == Fn::Month ? 1 : 2;
            return unary(std::move(p));
        }
        case Fn::Iif: {
            auto p = make<IifFn>(n);
            p->c = arg(0);
            p->x = arg(1);
            p->y = arg(2);
            return p;
        }
        case Fn::Space: return unary(make<SpaceFn>(n));
        case Fn::Padl: case Fn::Padr: case Fn::Padc: {
            auto p = make<PadFn>(n);
            p->s = arg(0);
            p->count = arg(1);
            p->fill = arg(2);
            p->side = fn == Fn::Padl ? 0 : fn == Fn::Padr ? 1 : 2;
            return p;
        }
        case Fn::Replicate: {
            auto p = make<ReplicateFn>(n);
            p->s = arg(0);
            p->count = arg(1);
            return p;
        }
        case Fn::Max: case Fn::Min: {
            auto p = make<MaxMinFn>(n);
            p->max = fn == Fn::Max;
            for (std::size_t i = 0; i < n.args.size(); ++i) p->args.push_back(arg(i));
            return p;
        }
        case Fn::Abs: return unary(make<AbsFn>(n));
        case Fn::Int: return unary(make<IntFn>(n));
        case Fn::Round: {
            auto p = make<RoundFn>(n);
            p->a = arg(0);
            p->b = arg(1);
            return p;
        }
        case Fn::Mod: {
            auto p = make<ArithEv>(n);
            p->op = Arith::Mod;
            p->a = arg(0);
            p->b = arg(1);
            return p;
        }
    }
    return nullptr;
}

EvPtr compileBinary(const ExprNode& n, const Schema* schema, bool fold) {
    const std::string& op = n.op;
    const VT lt = n.args.at(0)->type, rt = n.args.at(1)->type;
    auto both = [&](auto p) -> EvPtr {
        p->a = compileTree(*n.args[0], schema, fold);
        p->b = compileTree(*n.args[1], schema, fold);
        return p;
    };
    if (op == ".AND.") return both(make<AndEv>(n));
    if (op == ".OR.") return both(make<OrEv>(n));
    if (op == "$") return both(make<ContainsEv>(n));
    if (op == "+" && lt == VT::Character) return both(make<Concat>(n));
    if (op == "-" && lt == VT::Character) return both(make<ConcatTrim>(n));
    auto arith = [&](Arith a) {
        auto p = make<ArithEv>(n);
        p->op = a;
        return both(std::move(p));
    };
    if (op == "+") {
        if (lt == VT::Date) return arith(Arith::DateAdd);
        if (rt == VT::Date) return arith(Arith::AddDate);
        return arith(Arith::Add);
    }
    if (op == "-") return arith(lt == VT::Date && rt == VT::Numeric ? Arith::DateSub : Arith::Sub);
    if (op == "*") return arith(Arith::Mul);
    if (op == "/") return arith(Arith::Div);
    if (op == "%") return arith(Arith::Mod);
    if (op == "^") return arith(Arith::Pow);
    Cmp c = Cmp::Eq;
    if (op == "==") c = Cmp::ExactEq;
    else if (op == "<>") c = Cmp::Ne;
    else if (op == "<") c = Cmp::Lt;
    else if (op == "<=") c = Cmp::Le;
    else if (op == ">") c = Cmp::Gt;
    else if (op == ">=") c = Cmp::Ge;
    if (lt == VT::Character) {
        auto p = make<StrCmp>(n);
        p->op = c;
        return both(std::move(p));
    }
    if (lt == VT::Logical) {
        auto p = make<LogCmp>(n);
        p->equal = c != Cmp::Ne;
        return both(std::move(p));
    }
    auto p = make<NumCmp>(n);
    p->op = c;
    return both(std::move(p));
}

}  // namespace

Value evalToValue(Ev& ev, const EvalContext& ctx) {
    Value v;
    v.type = ev.type;
    switch (ev.type) {
        case VT::Character: v.str.assign(ev.str(ctx)); break;
        case VT::Logical: v.log = ev.log(ctx); break;
        default: v.num = ev.num(ctx);
    }
    return v;
}

EvPtr compileTree(const ExprNode& n, const Schema* schema, bool fold) {
    if (fold && n.constant && n.kind != NodeKind::Literal && !isVolatile(n)) {
        EvPtr full = compileTree(n, nullptr, false);
        const Value v = evalToValue(*full, EvalContext{});
        return compileTree([&] {
            ExprNode lit;
            lit.kind = NodeKind::Literal;
            lit.type = n.type;
            lit.width = n.width;
            lit.literal = v;
            lit.literal.type = n.type;
            return lit;
        }(), nullptr, false);
    }
    switch (n.kind) {
        case NodeKind::Literal:
            switch (n.type) {
                case VT::Character: {
                    auto p = make<ConstStr>(n);
                    p->s = n.literal.str;
                    return p;
                }
                case VT::Logical: {
                    auto p = make<ConstLog>(n);
                    p->v = n.literal.log;
                    return p;
                }
                default: {
                    auto p = make<ConstNum>(n);
                    p->v = n.literal.num;
                    return p;
                }
            }
        case NodeKind::Field:
            return compileField(n, schema);
        case NodeKind::Call:
            return compileCall(n, schema, fold);
        case NodeKind::Unary: {
            if (n.op == ".NOT.") {
                auto p = make<NotEv>(n);
                p->a = compileTree(*n.args.at(0), schema, fold);
                return p;
            }
            auto p = make<NegEv>(n);
            p->a = compileTree(*n.args.at(0), schema, fold);
            return p;
        }
        case NodeKind::Binary:
            return compileBinary(n, schema, fold);
    }
    return nullptr;
}

}  // namespace brindle::store::expr
