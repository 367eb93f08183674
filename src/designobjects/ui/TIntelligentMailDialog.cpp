#include "designobjects/ui/TIntelligentMailDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include "designobjects/IntelligentMail.h"
#include "help/HelpTopics.h"

namespace brindle::designobjects {

TIntelligentMailDialog::TIntelligentMailDialog(QWidget* parent)
    : DesignDialog(QStringLiteral("Intelligent Mail Barcode"), help::topic::IntelligentMailDialog, parent) {
    const auto digits = [this](const char* name, int max) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(max);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        return e;
    };
    barcodeId_ = digits("barcodeId", 2);
    serviceType_ = digits("serviceType", 3);
    mailerId_ = digits("mailerId", 9);
    counter_ = new QRadioButton(QStringLiteral("&Counter, advancing per label, starting at"), this);
    counter_->setObjectName(QStringLiteral("serialCounter"));
    field_ = new QRadioButton(QStringLiteral("&Field"), this);
    field_->setObjectName(QStringLiteral("serialField"));
    start_ = new QSpinBox(this);
    start_->setObjectName(QStringLiteral("startingSerial"));
    start_->setRange(0, 999999999);
    fieldName_ = new QComboBox(this);
    fieldName_->setObjectName(QStringLiteral("serialFieldName"));
    fieldName_->setEditable(true);

    const auto buddy = [this](const QString& text, QWidget* w) {
        auto* l = new QLabel(text, this);
        l->setBuddy(w);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(buddy(QStringLiteral("Barcode &identifier"), barcodeId_), 0, 0);
    grid->addWidget(barcodeId_, 0, 1);
    grid->addWidget(buddy(QStringLiteral("&Service type"), serviceType_), 1, 0);
    grid->addWidget(serviceType_, 1, 1);
    grid->addWidget(buddy(QStringLiteral("&Mailer ID (6 or 9 digits)"), mailerId_), 2, 0);
    grid->addWidget(mailerId_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Serial number:"), this), 3, 0, 1, 2);
    grid->addWidget(counter_, 4, 0);
    grid->addWidget(start_, 4, 1);
    grid->addWidget(field_, 5, 0);
    grid->addWidget(fieldName_, 5, 1);
    setContent(grid);
    connect(counter_, &QRadioButton::toggled, this, &TIntelligentMailDialog::sourceChanged);
    refuse_ = [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Information"), text);
    };
}

void TIntelligentMailDialog::setSettings(const ImbSettings& s, const QStringList& fieldNames) {
    barcodeId_->setText(s.barcodeId);
    serviceType_->setText(s.serviceType);
    mailerId_->setText(s.mailerId);
    start_->setValue(int(std::clamp<qint64>(s.startingSerial, 0, 999999999)));
    fieldName_->clear();
    fieldName_->addItems(fieldNames);
    fieldName_->setCurrentText(s.serialField);
    (s.serialSource == 1 ? field_ : counter_)->setChecked(true);
    sourceChanged();
}

ImbSettings TIntelligentMailDialog::settings() const {
    ImbSettings s;
    s.barcodeId = barcodeId_->text();
    s.serviceType = serviceType_->text();
    s.mailerId = mailerId_->text();
    s.serialSource = field_->isChecked() ? 1 : 0;
    s.serialField = fieldName_->currentText().trimmed().toUpper();
    s.startingSerial = start_->value();
    return s;
}

void TIntelligentMailDialog::sourceChanged() {
    start_->setEnabled(counter_->isChecked());
    fieldName_->setEnabled(field_->isChecked());
}

void TIntelligentMailDialog::accept() {
    const ImbSettings s = settings();
    const imb::Problem p = imb::checkSettings(s);
    if (p != imb::Problem::None) {
        refuse_(imb::problemText(p));
        QLineEdit* focus = p == imb::Problem::BarcodeId     ? barcodeId_
                           : p == imb::Problem::ServiceType ? serviceType_
                           : p == imb::Problem::MailerId    ? mailerId_
                                                            : nullptr;
        if (focus) focus->setFocus();
        else start_->setFocus();
        return;
    }
    if (s.serialSource == 1 && s.serialField.isEmpty()) {
        refuse_(QStringLiteral("Choose the field that holds the serial number."));
        fieldName_->setFocus();
        return;
    }
    DesignDialog::accept();
}

}  // namespace brindle::designobjects
