#include "address/Preferences.h"

#include "common/ProfileFile.h"

namespace brindle::address {
namespace {
const QString kAdding = QStringLiteral("Adding");
const QString kEditing = QStringLiteral("Editing");
const QString kMisc = QStringLiteral("Misc");

std::vector<const PreferenceKey*> allFlagKeys() {
    std::vector<const PreferenceKey*> v;
    for (const auto* list : {&addingOptionKeys(), &carryKeys(), &skipKeys()})
        for (const auto& k : *list) v.push_back(&k);
    return v;
}
}  // namespace

const std::vector<PreferenceKey>& addingOptionKeys() {
    static const std::vector<PreferenceKey> keys = {
        {"PlugDate", "Enter today's date in the date field"},
        {"PlugCityState", "Automatically insert city and state/province"},
        {"AutoDupCheck", "Automatically check for duplicate names"},
    };
    return keys;
}

const std::vector<PreferenceKey>& carryKeys() {
    static const std::vector<PreferenceKey> keys = {
        {"CarryOrg", "Organization"},  {"CarrySA1", "Address 1"},          {"CarrySA2", "Address 2"},
        {"CarryCity", "City"},         {"CarryState", "State/Province"},   {"CarryZip", "Zip/Postal Code"},
        {"CarryCountry", "Country"},
    };
    return keys;
}

const std::vector<PreferenceKey>& skipKeys() {
    static const std::vector<PreferenceKey> keys = {
        {"SkipLastName", "Last Name"},       {"SkipfirstName", "First Name"},  {"SkipMiddleInitial", "Middle Initial"},
        {"SkipPrefix", "Prefix"},            {"Skiptitle", "Title"},           {"SkipOrganization", "Organization"},
        {"SkipAddress2", "Address 2"},       {"SkipState", "State/Province"},  {"SkipZip", "Zip/Postal Code"},
        {"SkipCountry", "Country"},          {"SkipPhone1", "Phone #1"},       {"SkipPhone2", "Phone #2"},
        {"SkipFax", "Fax"},                  {"SkipEmail", "E-Mail"},          {"SkipCodes", "Codes"},
        {"SkipComments1", "Comments #1"},    {"Skipcomments2", "Comments #2"}, {"SkipDate", "Date"},
    };
    return keys;
}

const std::vector<QString>& aggressiveSaveLevels() {
    static const std::vector<QString> levels = {QStringLiteral("None"), QStringLiteral("Normal - Every 5 Saves"),
                                                QStringLiteral("High - Every Save")};
    return levels;
}

bool Preferences::flag(const QString& key) const {
    for (const auto& [k, v] : flags)
        if (k.compare(key, Qt::CaseInsensitive) == 0) return v;
    return false;
}

Preferences Preferences::load(const common::ProfileFile& settings) {
    Preferences p;
    for (const auto* k : allFlagKeys()) p.flags[QString::fromLatin1(k->key)] = settings.readBool(kAdding, QString::fromLatin1(k->key), false);
    p.defaultCountry = settings.readString(kAdding, QStringLiteral("DefaultCountry")).left(kMaxDefaultCountryLength);
    p.aggressiveSave = settings.readInt(kEditing, QStringLiteral("AggressiveSave"), 1);
    p.hideGettingStarted = settings.readBool(kMisc, QStringLiteral("GettingStarted"), false);
    return p;
}

void Preferences::save(common::ProfileFile& settings) const {
    for (const auto* k : allFlagKeys()) settings.writeBool(kAdding, QString::fromLatin1(k->key), flag(QString::fromLatin1(k->key)));
    settings.writeString(kAdding, QStringLiteral("DefaultCountry"), defaultCountry.left(kMaxDefaultCountryLength));
    settings.writeInt(kEditing, QStringLiteral("AggressiveSave"), aggressiveSave);
}

}  // namespace brindle::address
