// Compiles arbitrary bytes as an expression against a small fixed layout and,
// when that succeeds, evaluates it every way a caller can on a fixed record.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/Expression.h"

using namespace brindle::store;

namespace {

struct Fixture {
    Schema schema;
    std::string record;
    std::function<std::string(const char*, int)> memo = [](const char*, int) { return std::string("memo text\r\nsecond line"); };

    Fixture() {
        const struct {
            const char* name;
            char type;
            int width;
            int decimals;
            const char* value;
        } fields[] = {
            {"LNAME", 'C', 30, 0, "Smith"},   {"FNAME", 'C', 30, 0, "John"},  {"CODES", 'C', 10, 0, "ABC"},
            {"ISDEL", 'L', 1, 0, "F"},        {"AMOUNT", 'N', 10, 2, "  -12.50"}, {"BORN", 'D', 8, 0, "19990704"},
            {"DATE", 'C', 15, 0, "2000"},     {"MEMO", 'M', 10, 0, "         1"}, {"RATE", 'F', 12, 4, "1e999"},
            {"NUM", 'I', 4, 0, "\xff\xff\xff\x7f"}, {"WHEN", 'T', 8, 0, "\x01\x02\x03\x04\x05\x06\x07\x08"},
        };
        record = "*";
        for (const auto& f : fields) {
            FieldInfo info;
            info.name = f.name;
            info.type = f.type;
            info.width = f.width;
            info.decimals = f.decimals;
            info.offset = static_cast<int>(record.size());
            schema.fields.push_back(info);
            std::string v = f.value;
            v.resize(static_cast<std::size_t>(f.width), ' ');
            record += v;
        }
        schema.recordLength = static_cast<int>(record.size());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Fixture fx;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        auto e = Expression::compile(text, fx.schema);
        for (bool exact : {false, true}) {
            EvalContext ctx;
            ctx.record = fx.record.data();
            ctx.recno = 7;
            ctx.exact = exact;
            ctx.memo = exact ? &fx.memo : nullptr;
            (void)e->evaluate(ctx);
            std::string key;
            e->evaluateKey(ctx, key);
            if (key.size() != static_cast<std::size_t>(e->keyLength())) __builtin_trap();
            if (e->type() == ValueType::Logical) (void)e->evaluateLogical(ctx);
        }
        // The canonical text must compile to the same canonical text.
        const std::string canon = e->canonical();
        auto again = Expression::compile(canon, fx.schema);
        if (again->canonical() != canon) __builtin_trap();
        if (e->root().constant) (void)Expression::evaluateConstant(e->root());
    } catch (const StoreError&) {
    }
    return 0;
}
