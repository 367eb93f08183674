#include "designobjects/ui/MultiLineDialogs.h"
#include "help/HelpTopics.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "designobjects/FontMetrics.h"
#include "designobjects/ui/DesignDialogRules.h"

namespace brindle::designobjects {

// ---------------------------------------------------------------- limited edit

LimitedTextEdit::LimitedTextEdit(int limit, QWidget* parent) : QPlainTextEdit(parent), limit_(limit) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(document(), &QTextDocument::contentsChange, this, &LimitedTextEdit::contentsChanged);
}

void LimitedTextEdit::loadText(const QString& text) {
    unchecked_ = true;
    setPlainText(text);
    unchecked_ = false;
}

void LimitedTextEdit::contentsChanged(int position, int, int added) {
    QTextDocument* doc = document();
    // Plain-text length: every block but the last ends in one line break.
    const int length = doc->characterCount() - 1;
    const int excess = unchecked_ ? 0 : excessCharacters(length_, length, limit_);
    length_ = length;
    if (excess <= 0) return;
    // The excess goes from the end of what was just inserted (typed, pasted or dropped).
    const int end = std::clamp(position + added, 0, length);
    int start = std::max(0, end - excess);
    // Never leave half of a surrogate pair behind.
    if (start > 0 && doc->characterAt(start).isLowSurrogate()) --start;
    unchecked_ = true;
    QTextCursor c(doc);
    c.joinPreviousEditBlock();  // one undo step with the insertion it trims
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    c.endEditBlock();
    unchecked_ = false;
    length_ = doc->characterCount() - 1;
}

// ---------------------------------------------------------------- "Multi-line Text Editor"

TMultiLineEditor::TMultiLineEditor(QWidget* parent)
    : DesignDialog(QStringLiteral("Multi-line Text Editor"), help::topic::MultiLineTextEditor, parent) {
    edit_ = new LimitedTextEdit(kMaxMultiLineChars, this);
    edit_->setObjectName(QStringLiteral("linesEdit"));
    edit_->setMinimumSize(380, 200);
    auto* content = new QVBoxLayout;
    content->addWidget(edit_);
    setContent(content);
    setSizeGripEnabled(true);
}

void TMultiLineEditor::setLines(const QStringList& lines) { edit_->loadText(textFromLines(lines)); }

QStringList TMultiLineEditor::lines() const { return linesFromText(edit_->toPlainText()); }

void TMultiLineEditor::setTextFont(const DesignFont& font) { edit_->setFont(drawingFont(font)); }

// ---------------------------------------------------------------- "Address Label Layout"

TAddressLayoutDialog::TAddressLayoutDialog(QWidget* parent)
    : DesignDialog(QStringLiteral("Address Label Layout"), help::topic::AddressLabelLayout, parent) {
    auto box = [this](const QString& caption, const QString& name) {
        auto* b = new QCheckBox(caption, this);
        b->setObjectName(name);
        return b;
    };
    name_ = box(QStringLiteral("&Name"), QStringLiteral("useName"));
    title_ = box(QStringLiteral("&Title"), QStringLiteral("useTitle"));
    company_ = box(QStringLiteral("&Organization"), QStringLiteral("useCompany"));
    street_ = box(QStringLiteral("Address &1"), QStringLiteral("useStreet"));
    street2_ = box(QStringLiteral("Address &2"), QStringLiteral("useStreet2"));
    cityState_ = box(QStringLiteral("City + &State"), QStringLiteral("useCityState"));
    zip_ = box(QStringLiteral("&Zip/Postal code"), QStringLiteral("useZip"));
    phone_ = box(QStringLiteral("&Phone #1"), QStringLiteral("usePhone"));
    country_ = box(QStringLiteral("&Country"), QStringLiteral("useCountry"));
    upperCase_ = box(QStringLiteral("&Uppercase"), QStringLiteral("upperCase"));

    auto* lines = new QVBoxLayout;
    for (QCheckBox* b : {name_, title_, company_, street_, street2_, cityState_, zip_, phone_, country_})
        lines->addWidget(b);
    lines->addSpacing(8);
    lines->addWidget(upperCase_);
    lines->addStretch(1);

    // Where the ZIP code goes; in the order of ZipOption.
    auto* places = new QGroupBox(QStringLiteral("Zip/Postal code position"), this);
    auto* placesLayout = new QVBoxLayout(places);
    const char* captions[] = {"&After state", "&Before city", "A&fter country", "B&efore country"};
    const char* names[] = {"zoAfterState", "zoBeforeCity", "zoAfterCountry", "zoBeforeCountry"};
    for (int i = 0; i < 4; ++i) {
        zipPlaces_[i] = new QRadioButton(QString::fromLatin1(captions[i]), places);
        zipPlaces_[i]->setObjectName(QString::fromLatin1(names[i]));
        placesLayout->addWidget(zipPlaces_[i]);
    }
    placesLayout->addStretch(1);

    auto* content = new QHBoxLayout;
    content->addLayout(lines);
    content->addSpacing(12);
    content->addWidget(places, 0, Qt::AlignTop);
    setContent(content);

    connect(zip_, &QCheckBox::toggled, this, &TAddressLayoutDialog::zipToggled);
    setAddressLayout(AddressLayout{});
}

void TAddressLayoutDialog::zipToggled(bool on) {
    for (QRadioButton* r : zipPlaces_) r->setEnabled(on);
}

void TAddressLayoutDialog::setAddressLayout(const AddressLayout& l) {
    name_->setChecked(l.useName);
    title_->setChecked(l.useTitle);
    company_->setChecked(l.useCompany);
    street_->setChecked(l.useStreet);
    street2_->setChecked(l.useStreet2);
    cityState_->setChecked(l.useCityState);
    zip_->setChecked(l.useZip);
    phone_->setChecked(l.usePhone);
    country_->setChecked(l.useCountry);
    upperCase_->setChecked(l.upperCase);
    const int place = l.zipOptions >= zoAfterState && l.zipOptions <= zoBeforeCountry ? l.zipOptions : zoAfterState;
    zipPlaces_[place]->setChecked(true);
    zipToggled(l.useZip);
}

AddressLayout TAddressLayoutDialog::addressLayout() const {
    AddressLayout l;
    l.useName = name_->isChecked();
    l.useTitle = title_->isChecked();
    l.useCompany = company_->isChecked();
    l.useStreet = street_->isChecked();
    l.useStreet2 = street2_->isChecked();
    l.useCityState = cityState_->isChecked();
    l.useZip = zip_->isChecked();
    l.usePhone = phone_->isChecked();
    l.useCountry = country_->isChecked();
    l.upperCase = upperCase_->isChecked();
    for (int i = 0; i < 4; ++i)
        if (zipPlaces_[i]->isChecked()) l.zipOptions = i;
    return l;
}

}  // namespace brindle::designobjects
