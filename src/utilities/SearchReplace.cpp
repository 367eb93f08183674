#include "utilities/SearchReplace.h"

#include "address/FieldCatalogue.h"
#include "address/FileText.h"
#include "address/RecordSet.h"
#include "common/UserDialogs.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::utilities {

const std::array<ReplaceField, 18>& replaceFields() {
    static const std::array<ReplaceField, 18> fields = {{
        {"Last Name", "LNAME"},   {"First Name", "FNAME"}, {"Middle Initial", "MIDDLE"}, {"Title", "TITLE"},
        {"Organization", "ORG"},  {"Address 1", "STREET"}, {"Address 2", "STREET2"},     {"City", "CITY"},
        {"State", "STATE"},       {"Zip", "ZIP"},          {"Country", "COUNTRY"},       {"Phone 1", "PHONE"},
        {"Phone 2", "PHONE2"},    {"Email", "EMAIL"},      {"Fax", "FAX"},               {"Codes", "CODES"},
        {"Comment 1", "USER1"},   {"Comment 2", "USER2"},
    }};
    return fields;
}

QString replaceFieldCaption(std::string_view field) {
    for (const ReplaceField& f : replaceFields())
        if (field == f.field) return QString::fromLatin1(f.caption);
    return QString::fromLatin1(field.data(), qsizetype(field.size()));
}

QString replaceQuestion(const ReplaceOptions& o) {
    const QChar q('"');
    QString condition;
    if (o.find.isEmpty()) {
        condition = QStringLiteral("is empty ");
    } else {
        condition = (o.mode == FindMode::Equals ? QStringLiteral("exactly matches: ") : QStringLiteral("contains: ")) +
                    q + o.find + q +
                    (o.caseSensitive ? QStringLiteral("  (case sensitive)") : QStringLiteral(" (not case sensitive)"));
    }
    QString action;
    const bool whole = o.action == ReplaceAction::WholeField;
    if (o.replacement.isEmpty())
        action = whole ? QStringLiteral("and delete the entire field ") : QStringLiteral("and delete the matching text ");
    else
        action = (whole ? QStringLiteral("and replace the entire field with ")
                        : QStringLiteral("and replace only the matching text with ")) +
                 q + o.replacement + q;
    return QStringLiteral("Find records where field ") + replaceFieldCaption(o.field) + QChar('\r') + condition +
           QChar('\r') + action;
}

namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

// Characters the file cannot hold, named for the user; empty when all fit.
QString unstorable(const address::FileText& text, const QString& value) {
    QString names;
    for (char32_t cp : text.unstorableCharacters(value)) {
        if (!names.isEmpty()) names += QStringLiteral(", ");
        names += QString::fromUcs4(&cp, 1);
    }
    return names;
}

}  // namespace

bool valueMatches(std::string_view value, std::string_view find, FindMode mode, bool caseSensitive) {
    std::string_view v = value;
    while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
    if (find.empty()) return v.empty();
    if (caseSensitive) return mode == FindMode::Equals ? v == find : v.find(find) != std::string_view::npos;
    const std::string fv = store::toUpper1252(v), ff = store::toUpper1252(find);
    return mode == FindMode::Equals ? fv == ff : fv.find(ff) != std::string::npos;
}

std::string replaceOccurrences(std::string_view value, std::string_view find, std::string_view with,
                               bool caseSensitive) {
    if (find.empty()) return std::string(value);
    // Folding keeps every byte in place, so positions found in the folded
    // copies are positions in the value.
    const std::string haystack = caseSensitive ? std::string(value) : store::toUpper1252(value);
    const std::string needle = caseSensitive ? std::string(find) : store::toUpper1252(find);
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, from)) {
        out.append(value.substr(from, at - from));
        out.append(with);
        from = at + needle.size();
    }
    out.append(value.substr(from));
    return out;
}

ReplacePlan planReplace(store::Table& table, const ReplaceOptions& o) {
    ReplacePlan plan;
    const address::FileText text = address::FileText::of(&table);
    const int index = table.fieldIndex(o.field);
    if (index < 0) {
        plan.refusal = QStringLiteral("The address file has no field %1.").arg(QString::fromStdString(o.field));
        return plan;
    }
    if (o.find.isEmpty() && o.action == ReplaceAction::MatchingText) {
        plan.refusal = QStringLiteral("Enter the text to find. An empty field can only be replaced as a whole:\r\n"
                                      "choose \"Replace the whole field with\".");
        return plan;
    }
    if (const QString lost = unstorable(text, o.find); !lost.isEmpty()) {
        plan.refusal = QStringLiteral("The text to find holds characters this address file cannot store: %1\r\n"
                                      "No record can hold them, so nothing would be found.")
                           .arg(lost);
        return plan;
    }
    if (const QString lost = unstorable(text, o.replacement); !lost.isEmpty()) {
        plan.refusal = QStringLiteral("The replacement text holds characters this address file cannot store: %1\r\n"
                                      "Nothing was replaced. Type the text without them.")
                           .arg(lost);
        return plan;
    }
    const std::string find = text.encode(o.find), with = text.encode(o.replacement);
    const auto width = static_cast<std::size_t>(table.schema().fields[static_cast<std::size_t>(index)].width);
    address::RecordSet set(table, {.choice = o.matchingFilter ? address::RecordChoice::FilterMatches
                                                              : address::RecordChoice::All,
                                   .query = o.matchingFilter ? o.query : std::string(),
                                   .recordOrder = true});
    table.setTurboRead(true);
    for (bool ok = set.start(); ok; ok = set.next()) {
        const std::string old = trimmed(table.getRaw(o.field));
        if (!valueMatches(old, find, o.mode, o.caseSensitive)) continue;
        const std::string value = o.action == ReplaceAction::WholeField
                                      ? with
                                      : replaceOccurrences(old, find, with, o.caseSensitive);
        if (trimmed(value.substr(0, std::min(value.size(), width))) == old) continue;
        if (trimmed(value).size() > width) ++plan.cut;
        plan.records.push_back(table.recNo());
    }
    return plan;
}

BulkResult applyReplace(store::Table& table, const ReplaceOptions& o, const ReplacePlan& plan,
                        address::WalkProgress& progress) {
    BulkResult result;
    result.total = plan.records.size();
    result.cut = plan.cut;
    const address::FileText text = address::FileText::of(&table);
    const std::string find = text.encode(o.find), with = text.encode(o.replacement);
    // Filter, order, record and deleted-record visibility come back afterwards.
    address::RecordSet keep(table, {.choice = address::RecordChoice::All, .recordOrder = true});
    for (std::uint32_t recno : plan.records) {
        table.go(recno);
        const std::string old = trimmed(table.getRaw(o.field));
        table.edit();
        table.setString(o.field, o.action == ReplaceAction::WholeField
                                     ? with
                                     : replaceOccurrences(old, find, with, o.caseSensitive));
        table.post();
        ++result.changed;
        ++result.visited;
        progress.afterRecord(address::walkPercent(result.visited, result.total), int(result.changed));
    }
    return result;
}

QString replacedMessage(const BulkResult& result, int fieldWidth) {
    QString text = QStringLiteral("Replaced %1 records").arg(result.changed);
    if (result.cut > 0)
        text += QStringLiteral("\r\n\r\n%1 longer than the field's %2 characters %3 cut to fit.")
                    .arg(result.cut == 1 ? QStringLiteral("1 new value") : QStringLiteral("%1 new values").arg(result.cut))
                    .arg(fieldWidth)
                    .arg(result.cut == 1 ? QStringLiteral("was") : QStringLiteral("were"));
    return text;
}

std::optional<BulkResult> replaceWithConfirmation(store::Table& table, const ReplaceOptions& options,
                                                  common::UserDialogs& dialogs, address::WalkProgress& progress,
    const std::function<void()>& started) {
    ReplacePlan plan;
    {
        common::BusyScope busy(dialogs);
        plan = planReplace(table, options);
    }
    if (plan.refused()) {
        dialogs.showInfo(plan.refusal);
        return std::nullopt;
    }
    const QString count = plan.records.size() == 1
                              ? QStringLiteral("1 record will be changed.")
                              : QStringLiteral("%1 records will be changed.").arg(plan.records.size());
    if (!dialogs.askYesNo(replaceQuestion(options) + QStringLiteral("\r\n\r\n") + count, QStringLiteral("Replace")))
        return std::nullopt;
    if (started) started();
    const BulkResult result = applyReplace(table, options, plan, progress);
    const int index = table.fieldIndex(options.field);
    dialogs.showInfo(replacedMessage(result, table.schema().fields[static_cast<std::size_t>(index)].width));
    dialogs.showInfo(QStringLiteral("Replacement done"));
    return result;
}

}  // namespace brindle::utilities
