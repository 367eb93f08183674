#include "address/ui/TNewDataBaseName.h"
#include "address/HelpTopics.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

#include "address/FieldLengthSettings.h"
#include "address/NewDatabase.h"
#include "address/ui/TSpecifyFieldLengths.h"
#include "common/ProfileFile.h"

namespace brindle::address::ui {

TNewDataBaseName::TNewDataBaseName(const QString& suggestion, const QString& settingsPath, QWidget* parent)
    : HelpDialog(topic::NewDatabase, parent), settingsPath_(settingsPath) {
    setWindowTitle(QStringLiteral("Create new database"));
    lengths_ = loadFieldLengths(common::ProfileFile(settingsPath_));

    auto* prompt = new QLabel(QStringLiteral("Enter the database name (no extension)"), this);
    edit_ = new QLineEdit(suggestion, this);
    edit_->setMaxLength(kMaxDatabaseNameLength);
    edit_->setObjectName(QStringLiteral("nameEdit"));
    edit_->setWhatsThis(QStringLiteral("Name of the new address file, up to 8 letters, digits or underscores."));
    prompt->setBuddy(edit_);
    invalid_ = new QLabel(invalidDatabaseNameText(), this);
    invalid_->setObjectName(QStringLiteral("invalidLabel"));
    invalid_->setStyleSheet(QStringLiteral("color: #a00000"));
    invalid_->setWordWrap(true);
    // The message's room is kept while it is hidden: the window is sized for
    // it once, and the message never appears clipped.
    QSizePolicy keep = invalid_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    invalid_->setSizePolicy(keep);

    ok_ = new QPushButton(QStringLiteral("Ok [PgDn]"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto* specify = new QPushButton(QStringLiteral("Specify Field Lengths"), this);
    specify->setObjectName(QStringLiteral("specifyButton"));
    specify->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &TNewDataBaseName::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(specify, &QPushButton::clicked, this, &TNewDataBaseName::specifyFieldLengthsClicked);
    connect(edit_, &QLineEdit::textChanged, this, &TNewDataBaseName::nameChanged);
    auto* pgDn = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(pgDn, &QShortcut::activated, this, [this] {
        if (ok_->isEnabled()) okClicked();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    buttons->addWidget(makeHelpButton());
    buttons->addWidget(specify);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(edit_);
    layout->addWidget(invalid_);
    layout->addLayout(buttons);
    nameChanged();
    keepTitleWhole(this);
}

void TNewDataBaseName::nameChanged() {
    const bool valid = isValidDatabaseName(edit_->text());
    ok_->setEnabled(valid);
    invalid_->setVisible(!valid);
}

void TNewDataBaseName::okClicked() {
    if (!isValidDatabaseName(edit_->text())) return;
    if (!onOk || onOk(edit_->text())) accept();
}

void TNewDataBaseName::specifyFieldLengthsClicked() {
    TSpecifyFieldLengths dlg(lengths_, this);
    if (dlg.execCentred(parentWidget() ? parentWidget() : this) == QDialog::Accepted && dlg.useForAllNewDatabases()) {
        common::ProfileFile settings(settingsPath_);
        saveFieldLengths(settings, lengths_);
    }
}

}  // namespace brindle::address::ui
