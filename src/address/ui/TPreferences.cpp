#include "address/ui/TPreferences.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "address/HelpTopics.h"
#include "address/Preferences.h"
#include "common/ProfileFile.h"

namespace brindle::address::ui {

TPreferences::TPreferences(const QString& settingsPath, QWidget* parent)
    : HelpDialog(topic::Preferences, parent), settingsPath_(settingsPath) {
    setWindowTitle(QStringLiteral("Preferences"));
    const Preferences prefs = Preferences::load(common::ProfileFile(settingsPath_));
    auto makeBox = [&](const PreferenceKey& k, QWidget* parentBox) {
        auto* b = new QCheckBox(QString::fromLatin1(k.caption), parentBox);
        b->setObjectName(QString::fromLatin1(k.key));
        b->setChecked(prefs.flag(QString::fromLatin1(k.key)));
        boxes_[QString::fromLatin1(k.key)] = b;
        return b;
    };

    auto* adding = new QGroupBox(QStringLiteral(" When adding new records"), this);
    auto* addingLayout = new QVBoxLayout(adding);
    for (const auto& k : addingOptionKeys()) addingLayout->addWidget(makeBox(k, adding));
    auto* countryRow = new QHBoxLayout;
    auto* countryLabel = new QLabel(QStringLiteral("Default Country Name"), adding);
    country_ = new QLineEdit(prefs.defaultCountry, adding);
    country_->setObjectName(QStringLiteral("DefaultCountry"));
    country_->setMaxLength(kMaxDefaultCountryLength);
    country_->setWhatsThis(QStringLiteral("Country put into every new record unless one is carried forward."));
    countryLabel->setBuddy(country_);
    countryRow->addWidget(countryLabel);
    countryRow->addWidget(country_);
    addingLayout->addLayout(countryRow);

    auto* carry = new QGroupBox(QStringLiteral("Carry forward the following fields:"), this);
    auto* carryLayout = new QVBoxLayout(carry);
    for (const auto& k : carryKeys()) carryLayout->addWidget(makeBox(k, carry));

    auto* skip = new QGroupBox(QStringLiteral("Skip through the following fields:"), this);
    auto* skipLayout = new QGridLayout(skip);
    const auto& skips = skipKeys();
    for (int i = 0; i < static_cast<int>(skips.size()); ++i) skipLayout->addWidget(makeBox(skips[i], skip), i % 9, i / 9);

    auto* saving = new QGroupBox(QStringLiteral("Aggressive Saving Level"), this);
    auto* savingLayout = new QVBoxLayout(saving);
    level_ = new QComboBox(saving);
    level_->setObjectName(QStringLiteral("AggressiveSave"));
    for (const auto& l : aggressiveSaveLevels()) level_->addItem(l);
    level_->setCurrentIndex(std::clamp(prefs.aggressiveSave, 0, 2));
    level_->setWhatsThis(QStringLiteral("How often the address file is closed and opened again after saving a record."));
    savingLayout->addWidget(level_);

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, &TPreferences::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(adding);
    left->addWidget(carry);
    auto* right = new QVBoxLayout;
    right->addWidget(skip);
    right->addWidget(saving);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(makeHelpButton());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
}

void TPreferences::okClicked() {
    Preferences p;
    for (const auto& [key, box] : boxes_) p.flags[key] = box->isChecked();
    p.defaultCountry = country_->text();
    p.aggressiveSave = level_->currentIndex();
    common::ProfileFile settings(settingsPath_);
    p.save(settings);
    accept();
}

}  // namespace brindle::address::ui
