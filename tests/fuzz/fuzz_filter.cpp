// Fuzz target: arbitrary bytes read as a filter file (.FLT). The values read
// become the query for address files of several code pages, and every query
// the program would hand to the engine must compile against the address
// file's fields (typed text never becomes expression syntax). The values are
// written back and must read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFiles.h"
#include "address/AddressSchema.h"
#include "address/FileText.h"
#include "address/Query.h"
#include "store/CodePage.h"
#include "store/Expression.h"

using namespace brindle;

namespace {

// The record layout of an address file with the default widths.
const store::Schema& addressSchema() {
    static const store::Schema schema = [] {
        store::Schema s;
        for (const store::FieldDef& f : address::addressFields(address::FieldLengths::defaults())) {
            store::FieldInfo info;
            info.name = f.name;
            info.type = f.type;
            info.width = f.type == 'M' ? 10 : f.width;
            info.decimals = f.decimals;
            info.offset = s.recordLength;
            s.recordLength += info.width;
            s.fields.push_back(info);
        }
        return s;
    }();
    return schema;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = QString::fromStdString(fuzz::writeScratch("f.FLT", data, size));
    const address::QueryVars vars = address::restoreFilterFrom(path);

    // Windows-1252, DOS 850, Windows-1251, UTF-8, Windows-932 (double-byte).
    for (unsigned char codePage : {0x03, 0x02, 0xC9, 0xF0, 0x7B}) {
        const address::FileText text(store::TextCodec::forHeaderByte(codePage));
        try {
            const std::string query = address::buildQueryExpression(vars, QStringLiteral("1A2B3C"), text);
            const QString shown = address::buildQueryString(vars, QStringLiteral("1A2B3C"), text);
            if (query.empty() != shown.isEmpty()) __builtin_trap();
            if (address::expressionTooLong(query)) continue;  // refused before it reaches the engine
            try {
                (void)store::Expression::compile(address::engineExpression(query), addressSchema());
            } catch (const store::StoreError&) {
                __builtin_trap();
            }
        } catch (const address::QueryValueError&) {
            // A value holding all three delimiters: refused with a message.
        }
    }

    const QString again = QString::fromStdString(fuzz::writeScratch("g.FLT", "", 0));
    address::saveFilterTo(again, vars);
    if (!(address::restoreFilterFrom(again) == vars)) __builtin_trap();
    return 0;
}
