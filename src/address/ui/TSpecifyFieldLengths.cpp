#include "address/ui/TSpecifyFieldLengths.h"
#include "address/HelpTopics.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "address/FieldCatalogue.h"
#include "address/FieldLengthSettings.h"

namespace brindle::address::ui {

const std::vector<std::pair<QString, std::string>>& TSpecifyFieldLengths::fieldLabels() {
    // The first name leads, then the settings order; each edit is labelled
    // with its field's display label.
    static const std::vector<std::pair<QString, std::string>> labels = [] {
        std::vector<std::string> order = configurableFields();
        std::stable_partition(order.begin(), order.end(), [](const std::string& f) { return f == "FNAME"; });
        std::vector<std::pair<QString, std::string>> v;
        for (const std::string& f : order) v.emplace_back(fieldLabel(QString::fromStdString(f)), f);
        return v;
    }();
    return labels;
}

TSpecifyFieldLengths::TSpecifyFieldLengths(FieldLengths& lengths, QWidget* parent)
    : HelpDialog(topic::FieldLengths, parent), lengths_(lengths) {
    setWindowTitle(QStringLiteral("Specify Field Lengths"));
    auto* grid = new QGridLayout;
    const auto& labels = fieldLabels();
    const int rows = static_cast<int>((labels.size() + 1) / 2);
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
        const auto& [caption, field] = labels[i];
        auto* edit = new QLineEdit(this);
        edit->setMaxLength(3);
        edit->setFixedWidth(50);
        edit->setObjectName(QString::fromStdString(field));
        edit->setWhatsThis(QStringLiteral("Number of characters the field holds in a new database (10 to 80)."));
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        const int col = (i / rows) * 2;
        grid->addWidget(label, i % rows, col);
        grid->addWidget(edit, i % rows, col + 1);
        edits_[field] = edit;
        const std::string f = field;
        connect(edit, &QLineEdit::editingFinished, this, [this, f] { checkEdit(f); });
    }
    auto* note = new QLabel(
        QStringLiteral("NOTE: Minimum size = 10 characters                  Maximum size = 80 characters"), this);
    useForAll_ = new QCheckBox(QStringLiteral("Use these settings for all new databases"), this);

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto* defaults = new QPushButton(QStringLiteral("Defaults"), this);
    defaults->setObjectName(QStringLiteral("defaultsButton"));
    connect(ok, &QPushButton::clicked, this, &TSpecifyFieldLengths::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &TSpecifyFieldLengths::defaultsClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(makeHelpButton());
    buttons->addWidget(defaults);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addWidget(useForAll_);
    layout->addLayout(buttons);
    loadEdits();
}

void TSpecifyFieldLengths::loadEdits() {
    for (auto& [field, edit] : edits_) {
        const int w = lengths_.of(field);
        edit->setText(QString::number(w));
        fallback_[field] = w;
    }
}

void TSpecifyFieldLengths::checkEdit(const std::string& field) {
    QLineEdit* edit = edits_.at(field);
    const int accepted = acceptedFieldLength(edit->text(), fallback_.at(field));
    if (edit->text() != QString::number(accepted)) edit->setText(QString::number(accepted));
}

void TSpecifyFieldLengths::defaultsClicked() {
    lengths_ = builtInFieldLengths();
    loadEdits();
}

void TSpecifyFieldLengths::okClicked() {
    for (auto& [field, edit] : edits_) {
        checkEdit(field);
        bool ok = false;
        const int n = edit->text().toInt(&ok);
        if (ok) lengths_.widths[field] = n;
    }
    accept();
}

}  // namespace brindle::address::ui
