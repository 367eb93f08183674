#include "utilities/CaseConversion.h"

#include "address/FileText.h"
#include "common/UserDialogs.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::utilities {

const char* const kNoFieldsMessage = "No fields checked for conversion";
const char* const kConvertQuestion = "Convert now? This process cannot be undone..";
const char* const kCancelConvertQuestion = "Cancel case conversion?";

const std::array<ConvertibleField, 15>& convertibleFields() {
    static const std::array<ConvertibleField, 15> fields = {{
        {"Last", "LNAME"},
        {"First", "FNAME"},
        {"Middle", "MIDDLE"},
        {"Title", "TITLE"},
        {"Organization", "ORG"},
        {"Address 1", "STREET"},
        {"Address 2", "STREET2"},
        {"City", "CITY"},
        {"State/Province", "STATE"},
        {"Zip/Postal Code", "ZIP"},
        {"Country", "COUNTRY"},
        {"Prefix", "PREFIX"},
        {"Comment 1", "USER1"},
        {"Comment 2", "USER2"},
        {"Codes", "CODES"},
    }};
    return fields;
}

namespace {

unsigned char up(unsigned char c, bool asciiOnly) {
    if (asciiOnly) return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
    return store::upper1252(c);
}

unsigned char down(unsigned char c, bool asciiOnly) {
    if (asciiOnly) return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    return store::lower1252(c);
}

}  // namespace

std::string convertCase(std::string_view value, CaseRule rule, bool asciiOnly) {
    std::string out(value);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        switch (rule) {
        case CaseRule::Upper: c = up(c, asciiOnly); break;
        case CaseRule::Lower: c = down(c, asciiOnly); break;
        case CaseRule::Capitalised:
            c = (i == 0 || out[i - 1] == ' ') ? up(c, asciiOnly) : down(c, asciiOnly);
            break;
        }
        out[i] = static_cast<char>(c);
    }
    return out;
}

BulkResult runCaseConversion(store::Table& table, const CaseConversionOptions& options,
                             address::WalkProgress& progress) {
    BulkResult result;
    const bool asciiOnly = !address::FileText::of(&table).isWindows1252();
    std::vector<std::string> fields;
    for (const std::string& f : options.fields)
        if (table.fieldIndex(f) >= 0) fields.push_back(f);
    address::RecordSet set(table, {options.choice, options.query});
    // Taken first: a converted record may leave the filter or move in the order.
    const std::vector<std::uint32_t> records = set.records();
    result.total = records.size();
    if (fields.empty()) return result;
    walkBulk(table, records, progress, result, [&] {
        bool changed = false;
        for (const std::string& f : fields) {
            const std::string raw = table.getRaw(f);
            const std::string converted = convertCase(raw, options.rule, asciiOnly);
            if (converted == raw) continue;
            if (!changed) table.edit();
            changed = true;
            table.setString(f, converted);
        }
        if (changed) table.post();
        return changed;
    });
    return result;
}

std::optional<BulkResult> convertWithConfirmation(store::Table& table, const CaseConversionOptions& options,
                                                  common::UserDialogs& dialogs, address::WalkProgress& progress,
    const std::function<void()>& started) {
    if (options.fields.empty()) {
        dialogs.showInfo(QString::fromLatin1(kNoFieldsMessage));
        return std::nullopt;
    }
    if (!dialogs.askYesNoDefaultNo(QString::fromLatin1(kConvertQuestion), QStringLiteral("Convert")))
        return std::nullopt;
    if (started) started();
    return runCaseConversion(table, options, progress);
}

}  // namespace brindle::utilities
