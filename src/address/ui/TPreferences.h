#pragma once
// Adding and editing preferences.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <map>

#include "address/ui/DialogSupport.h"

namespace brindle::address::ui {

class TPreferences : public HelpDialog {
    Q_OBJECT
public:
    // Every control is loaded from the settings file.
    TPreferences(const QString& settingsPath, QWidget* parent = nullptr);
    QCheckBox* box(const QString& key) const { return boxes_.at(key); }
    QLineEdit* countryEdit() const { return country_; }
    QComboBox* savingLevel() const { return level_; }

public slots:
    // Writes every key of sections "Adding" and "Editing", then closes.
    void okClicked();

private:
    QString settingsPath_;
    std::map<QString, QCheckBox*> boxes_;
    QLineEdit* country_;
    QComboBox* level_;
};

}  // namespace brindle::address::ui
