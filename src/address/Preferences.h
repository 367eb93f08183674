#pragma once
// The adding and editing preferences of sections "Adding", "Editing" and
// "Misc" that the main window keeps in memory.
#include <QString>
#include <map>
#include <vector>

namespace brindle::common {
class ProfileFile;
}

namespace brindle::address {

struct PreferenceKey {
    const char* key;        // settings key in section "Adding"
    const char* caption;    // check box caption of the Preferences window
    const char* field = ""; // the field a Carry or Skip key acts on ("ORG")
};
// "PlugDate", "PlugCityState", "AutoDupCheck".
const std::vector<PreferenceKey>& addingOptionKeys();
// "CarryOrg" ... "CarryCountry".
const std::vector<PreferenceKey>& carryKeys();
// The 18 "Skip..." keys in the order of the Preferences window.
const std::vector<PreferenceKey>& skipKeys();
// "None", "Normal - Every 5 Saves", "High - Every Save".
const std::vector<QString>& aggressiveSaveLevels();

struct Preferences {
    std::map<QString, bool> flags;  // every boolean of section "Adding", by key
    QString defaultCountry;         // at most 30 characters
    int aggressiveSave = 1;         // 0, 1 or 2
    bool hideGettingStarted = false;

    bool flag(const QString& key) const;
    static Preferences load(const common::ProfileFile& settings);
    // Writes every key of "Adding" and "Editing". Throws common::SettingsWriteError.
    void save(common::ProfileFile& settings) const;
};

constexpr int kMaxDefaultCountryLength = 30;

}  // namespace brindle::address
