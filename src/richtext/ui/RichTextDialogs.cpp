#include "richtext/ui/RichTextDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/UserDialogs.h"
#include "richtext/ui/FindReplace.h"
#include "richtext/ui/PageRules.h"
#include "richtext/ui/RichTextEditor.h"

namespace brindle::richtext::ui {

namespace {

QDoubleSpinBox* inches(const QString& name, double low, double high, QWidget* parent) {
    auto* s = new QDoubleSpinBox(parent);
    s->setObjectName(name);
    s->setDecimals(2);
    s->setSingleStep(0.05);
    s->setRange(low, high);
    s->setSuffix(QStringLiteral(" in"));
    return s;
}

int toTwips(const QDoubleSpinBox* s) { return qRound(s->value() * kTwipsPerInch); }
double toInches(int twips) { return twips / double(kTwipsPerInch); }

QDialogButtonBox* okCancel(help::HelpDialog* dialog) {
    auto* box = new QDialogButtonBox(dialog);
    box->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("Ok"));
    box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Cancel"));
    box->addButton(dialog->makeHelpButton(), QDialogButtonBox::HelpRole);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

}  // namespace

// ------------------------------------------------------------------ page

TPageSetupDialog::TPageSetupDialog(const PageSetup& page, common::UserDialogs& dialogs, int helpTopic, QWidget* parent)
    : HelpDialog(helpTopic, parent), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Page Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* paperBox = new QGroupBox(QStringLiteral("Paper"), this);
    auto* paperForm = new QFormLayout(paperBox);
    paper_ = new QComboBox(paperBox);
    paper_->setObjectName(QStringLiteral("paper"));
    for (const PaperSize& s : paperSizes()) paper_->addItem(s.name);
    paper_->addItem(QStringLiteral("Custom"));
    width_ = inches(QStringLiteral("width"), 1, 22, paperBox);
    height_ = inches(QStringLiteral("height"), 1, 22, paperBox);
    paperForm->addRow(QStringLiteral("Size"), paper_);
    paperForm->addRow(QStringLiteral("Width"), width_);
    paperForm->addRow(QStringLiteral("Height"), height_);
    portrait_ = new QRadioButton(QStringLiteral("Portrait"), paperBox);
    landscape_ = new QRadioButton(QStringLiteral("Landscape"), paperBox);
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(portrait_);
    orientation->addWidget(landscape_);
    paperForm->addRow(QStringLiteral("Orientation"), orientation);
    layout->addWidget(paperBox);

    auto* marginBox = new QGroupBox(QStringLiteral("Margins"), this);
    auto* marginForm = new QFormLayout(marginBox);
    left_ = inches(QStringLiteral("left"), 0, 21, marginBox);
    right_ = inches(QStringLiteral("right"), 0, 21, marginBox);
    top_ = inches(QStringLiteral("top"), 0, 21, marginBox);
    bottom_ = inches(QStringLiteral("bottom"), 0, 21, marginBox);
    marginForm->addRow(QStringLiteral("Left"), left_);
    marginForm->addRow(QStringLiteral("Right"), right_);
    marginForm->addRow(QStringLiteral("Top"), top_);
    marginForm->addRow(QStringLiteral("Bottom"), bottom_);
    layout->addWidget(marginBox);
    layout->addWidget(okCancel(this));

    setPage(page);
    connect(paper_, &QComboBox::activated, this, &TPageSetupDialog::paperChosen);
    connect(landscape_, &QRadioButton::toggled, this, &TPageSetupDialog::orientationChosen);
    const struct {
        QDoubleSpinBox* box;
        int PageSetup::*field;
    } fields[] = {{width_, &PageSetup::paperWidth}, {height_, &PageSetup::paperHeight},
                  {left_, &PageSetup::marginLeft},  {right_, &PageSetup::marginRight},
                  {top_, &PageSetup::marginTop},    {bottom_, &PageSetup::marginBottom}};
    for (const auto& f : fields) {
        const auto field = f.field;
        QDoubleSpinBox* box = f.box;
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, field, box] {
            page_.*field = toTwips(box);
            const int i = paperSizeIndex(page_);
            const QSignalBlocker block(paper_);
            paper_->setCurrentIndex(i < 0 ? paper_->count() - 1 : i);
        });
    }
}

QDoubleSpinBox* TPageSetupDialog::value(const QString& name) const { return findChild<QDoubleSpinBox*>(name); }

void TPageSetupDialog::setPage(const PageSetup& page) {
    page_ = page;
    const QSignalBlocker b1(width_), b2(height_), b3(portrait_), b4(landscape_), b5(left_), b6(right_), b7(top_),
        b8(bottom_);
    width_->setValue(toInches(page.paperWidth));
    height_->setValue(toInches(page.paperHeight));
    left_->setValue(toInches(page.marginLeft));
    right_->setValue(toInches(page.marginRight));
    top_->setValue(toInches(page.marginTop));
    bottom_->setValue(toInches(page.marginBottom));
    const bool wide = page.landscape || page.paperWidth > page.paperHeight;
    page_.landscape = wide;
    landscape_->setChecked(wide);
    portrait_->setChecked(!wide);
    const int i = paperSizeIndex(page);
    paper_->setCurrentIndex(i < 0 ? paper_->count() - 1 : i);
}

// The page keeps exact twips: only a value the user changes is taken from its box
// (A4 is not a whole number of hundredths of an inch).
PageSetup TPageSetupDialog::page() const { return page_; }

void TPageSetupDialog::paperChosen(int index) {
    if (index < 0 || index >= paperSizes().size()) return;
    PageSetup p = page_;
    p.paperWidth = paperSizes()[index].width;
    p.paperHeight = paperSizes()[index].height;
    setPage(withOrientation(p, landscape_->isChecked()));
}

void TPageSetupDialog::orientationChosen() { setPage(withOrientation(page_, landscape_->isChecked())); }

void TPageSetupDialog::accept() {
    if (const QString problem = pageProblem(page()); !problem.isEmpty()) {
        dialogs_.showInfo(problem);
        return;
    }
    HelpDialog::accept();
}

// ------------------------------------------------------------------ paragraph

TParagraphDialog::TParagraphDialog(const ParagraphFormat& format, int textWidthTwips, common::UserDialogs& dialogs,
                                   int helpTopic, QWidget* parent)
    : HelpDialog(helpTopic, parent), original_(format), textWidth_(textWidthTwips), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Paragraph Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    left_ = inches(QStringLiteral("left"), 0, 21, this);
    right_ = inches(QStringLiteral("right"), 0, 21, this);
    first_ = inches(QStringLiteral("first"), -21, 21, this);
    const auto points = [this](const QString& name) {
        auto* s = new QDoubleSpinBox(this);
        s->setObjectName(name);
        s->setRange(0, 1584);
        s->setDecimals(1);
        s->setSuffix(QStringLiteral(" pt"));
        return s;
    };
    before_ = points(QStringLiteral("before"));
    after_ = points(QStringLiteral("after"));
    alignment_ = new QComboBox(this);
    alignment_->setObjectName(QStringLiteral("alignment"));
    alignment_->addItem(QStringLiteral("Left"), int(Qt::AlignLeft));
    alignment_->addItem(QStringLiteral("Centred"), int(Qt::AlignHCenter));
    alignment_->addItem(QStringLiteral("Right"), int(Qt::AlignRight));
    alignment_->addItem(QStringLiteral("Justified"), int(Qt::AlignJustify));
    form->addRow(QStringLiteral("Left indent"), left_);
    form->addRow(QStringLiteral("Right indent"), right_);
    form->addRow(QStringLiteral("First line"), first_);
    form->addRow(QStringLiteral("Space before"), before_);
    form->addRow(QStringLiteral("Space after"), after_);
    form->addRow(QStringLiteral("Alignment"), alignment_);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));

    left_->setValue(toInches(format.leftIndent));
    right_->setValue(toInches(format.rightIndent));
    first_->setValue(toInches(format.firstLine));
    before_->setValue(format.spaceBefore);
    after_->setValue(format.spaceAfter);
    const int a = alignment_->findData(int(format.alignment & Qt::AlignHorizontal_Mask));
    alignment_->setCurrentIndex(std::max(0, a));
}

QDoubleSpinBox* TParagraphDialog::value(const QString& name) const { return findChild<QDoubleSpinBox*>(name); }

ParagraphFormat TParagraphDialog::format() const {
    ParagraphFormat f = original_;
    f.leftIndent = toTwips(left_);
    f.rightIndent = toTwips(right_);
    f.firstLine = toTwips(first_);
    f.spaceBefore = before_->value();
    f.spaceAfter = after_->value();
    f.alignment = Qt::Alignment(alignment_->currentData().toInt());
    return f;
}

void TParagraphDialog::accept() {
    if (const QString problem = paragraphProblem(format(), textWidth_); !problem.isEmpty()) {
        dialogs_.showInfo(problem);
        return;
    }
    HelpDialog::accept();
}

// ------------------------------------------------------------------ find and replace

TFindDialog::TFindDialog(RichTextEditor& editor, common::UserDialogs& dialogs, bool replacing, int helpTopic,
                         QWidget* parent)
    : HelpDialog(helpTopic, parent), editor_(editor), dialogs_(dialogs) {
    setWindowTitle(replacing ? QStringLiteral("Replace") : QStringLiteral("Find"));
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* form = new QFormLayout;
    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("findWhat"));
    form->addRow(QStringLiteral("Fi&nd what:"), find_);
    if (replacing) {
        replace_ = new QLineEdit(this);
        replace_->setObjectName(QStringLiteral("replaceWith"));
        form->addRow(QStringLiteral("Re&place with:"), replace_);
    }
    left->addLayout(form);
    matchCase_ = new QCheckBox(QStringLiteral("Match &case"), this);
    wholeWord_ = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    left->addWidget(wholeWord_);
    left->addWidget(matchCase_);
    left->addStretch(1);
    layout->addLayout(left, 1);
    auto* buttons = new QVBoxLayout;
    const auto button = [&](const QString& caption, auto slot) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString(caption).remove(QLatin1Char('&')));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("&Find Next"), &TFindDialog::findNext)->setDefault(true);
    if (replacing) {
        button(QStringLiteral("&Replace"), &TFindDialog::replaceOne);
        button(QStringLiteral("Replace &All"), &TFindDialog::replaceAll);
    }
    button(QStringLiteral("Cancel"), &QDialog::reject);
    buttons->addWidget(makeHelpButton());
    buttons->addStretch(1);
    layout->addLayout(buttons);
    // Start with the selected word, as word processors do.
    const QString selected = editor_.textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) find_->setText(selected);
}

FindOptions TFindDialog::options() const { return {matchCase_->isChecked(), wholeWord_->isChecked()}; }

void TFindDialog::findNext() {
    FindReplace f(editor_.richDocument(), dialogs_);
    const QTextCursor found = f.findNext(find_->text(), editor_.textCursor(), options());
    if (!found.isNull()) editor_.setTextCursor(found);
}

void TFindDialog::replaceOne() {
    FindReplace f(editor_.richDocument(), dialogs_);
    const QTextCursor found = f.replace(find_->text(), replace_ ? replace_->text() : QString(), editor_.textCursor(),
                                        options());
    if (!found.isNull()) editor_.setTextCursor(found);
}

void TFindDialog::replaceAll() {
    FindReplace f(editor_.richDocument(), dialogs_);
    f.replaceAll(find_->text(), replace_ ? replace_->text() : QString(), options());
}

}  // namespace brindle::richtext::ui
