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

// The captions name the fields as the field catalogue spells them; where they
// say more than the field's label ("State/Province") the window keeps its words.
const std::vector<PreferenceKey>& carryKeys() {
    static const std::vector<PreferenceKey> keys = {
        {"CarryOrg", "Organization", "ORG"},       {"CarrySA1", "Address 1", "STREET"},
        {"CarrySA2", "Address 2", "STREET2"},      {"CarryCity", "City", "CITY"},
        {"CarryState", "State/Province", "STATE"}, {"CarryZip", "Zip/Postal Code", "ZIP"},
        {"CarryCountry", "Country", "COUNTRY"},
    };
    return keys;
}

const std::vector<PreferenceKey>& skipKeys() {
    static const std::vector<PreferenceKey> keys = {
        {"SkipLastName", "Last Name", "LNAME"},        {"SkipfirstName", "First Name", "FNAME"},
        {"SkipMiddleInitial", "Middle Initial", "MIDDLE"}, {"SkipPrefix", "Prefix", "PREFIX"},
        {"Skiptitle", "Title", "TITLE"},               {"SkipOrganization", "Organization", "ORG"},
        {"SkipAddress2", "Address 2", "STREET2"},      {"SkipState", "State/Province", "STATE"},
        {"SkipZip", "Zip/Postal Code", "ZIP"},         {"SkipCountry", "Country", "COUNTRY"},
        {"SkipPhone1", "Phone 1", "PHONE"},            {"SkipPhone2", "Phone 2", "PHONE2"},
        {"SkipFax", "Fax", "FAX"},                     {"SkipEmail", "E-mail", "EMAIL"},
        {"SkipCodes", "Codes", "CODES"},               {"SkipComments1", "Comment 1", "USER1"},
        {"Skipcomments2", "Comment 2", "USER2"},       {"SkipDate", "Date", "DATE"},
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
