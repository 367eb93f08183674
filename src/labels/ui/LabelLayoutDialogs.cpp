#include "labels/ui/LabelLayoutDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>

#include "common/UserDialogs.h"
#include "common/ui/DescriptionGrid.h"
#include "help/HelpTopics.h"
#include "store/Table.h"

namespace brindle::labels::ui {

namespace {

// Ok, Cancel and Help along the bottom, right-aligned.
QHBoxLayout* bottomButtons(help::HelpDialog* dialog, QPushButton*& ok) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    ok = new QPushButton(QStringLiteral("Ok"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(dialog->makeHelpButton());
    return row;
}

}  // namespace

// ---------------------------------------------------------------- TChooseLabelLayout

TChooseLabelLayout::TChooseLabelLayout(QWidget* parent) : HelpDialog(help::topic::LabelLayout, parent) {
    setWindowTitle(QStringLiteral("Label Layout"));
    auto* layout = new QVBoxLayout(this);
    fromList_ = new QRadioButton(QStringLiteral("&Select layout from a list of templates"), this);
    fromList_->setObjectName(QStringLiteral("templateButton"));
    fromList_->setWhatsThis(QStringLiteral("Pick a ready-made label stock from the catalogue."));
    manual_ = new QRadioButton(QStringLiteral("&Enter the layout values manually (user defined layout)"), this);
    manual_->setObjectName(QStringLiteral("manualButton"));
    manual_->setWhatsThis(QStringLiteral("Type the label size, margins and spacing of your own stock."));
    fromList_->setChecked(true);
    layout->addWidget(fromList_);
    layout->addWidget(manual_);
    QPushButton* ok = nullptr;
    layout->addLayout(bottomButtons(this, ok));
    connect(ok, &QPushButton::clicked, this, [this] {
        choice_ = manual_->isChecked() ? Choice::Manual : Choice::Template;
        accept();
    });
}

// ---------------------------------------------------------------- TSelectLabel

namespace {

const char* const kDetailCaptions[] = {"Label Height", "Label Width", "# Across", "# Down", "Paper Width",
                                       "Paper Height"};

}  // namespace

TSelectLabel::TSelectLabel(store::Table& catalogue, const LabelSetup& current, common::UserDialogs& dialogs,
                           QWidget* parent)
    : HelpDialog(help::topic::SelectLabelTemplate, parent), catalogue_(catalogue), current_(current),
      dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Select Label Template"));
    auto* layout = new QVBoxLayout(this);

    auto* lists = new QFormLayout;
    makers_ = new QComboBox(this);
    makers_->setObjectName(QStringLiteral("manufacturerList"));
    makers_->addItems(manufacturerEntries());
    makers_->setWhatsThis(QStringLiteral("The maker of the label stock and the kind of printer it is made for."));
    products_ = new QComboBox(this);
    products_->setObjectName(QStringLiteral("productList"));
    products_->addItems(productTypeEntries());
    products_->setWhatsThis(QStringLiteral("The kind of product; \"All\" lists every kind."));
    lists->addRow(QStringLiteral("Manufacturer"), makers_);
    lists->addRow(QStringLiteral("Product Type"), products_);
    layout->addLayout(lists);
    european_ = new QCheckBox(QStringLiteral("European paper sizes only (A4, A5)"), this);
    european_->setObjectName(QStringLiteral("europeanBox"));
    layout->addWidget(european_);

    auto* middle = new QHBoxLayout;
    grid_ = new common::ui::DescriptionGrid(QStringLiteral("templateGrid"), QStringLiteral("Description"),
                                            {340, 260}, QString(), this);
    grid_->installEventFilter(this);
    middle->addWidget(grid_, 1);
    auto* details = new QFormLayout;
    for (const char* caption : kDetailCaptions) {
        auto* value = new QLabel(this);
        value->setObjectName(QString::fromLatin1(caption));
        value->setMinimumWidth(60);
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        details->addRow(QString::fromLatin1(caption), value);
        details_.push_back(value);
    }
    middle->addLayout(details);
    layout->addLayout(middle);
    layout->addLayout(bottomButtons(this, ok_));

    connect(makers_, &QComboBox::currentIndexChanged, this, [this] { if (positioned_) buildLabelQuery(); });
    connect(products_, &QComboBox::currentIndexChanged, this, [this] { if (positioned_) buildLabelQuery(); });
    connect(european_, &QCheckBox::toggled, this, [this] { if (positioned_) buildLabelQuery(); });
    connect(grid_, &QTableWidget::currentCellChanged, this, [this] { showDetails(); });
    connect(grid_, &QTableWidget::cellDoubleClicked, ok_, &QPushButton::click);
    connect(ok_, &QPushButton::clicked, this, [this] {
        const int row = grid_->currentRow();
        if (row < 0 || row >= rows_.size()) return;
        chosen_ = rows_[row].setup;
        accept();
    });
}

QString TSelectLabel::detailText(const QString& caption) const {
    for (QLabel* l : details_)
        if (l->objectName() == caption) return l->text();
    return {};
}

void TSelectLabel::showEvent(QShowEvent* event) {
    HelpDialog::showEvent(event);
    if (!positioned_) positionLabelCombos();
}

bool TSelectLabel::eventFilter(QObject* watched, QEvent* event) {
    // The grid is a list to pick from: Insert adds nothing.
    if (watched == grid_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Insert)
        return true;
    return HelpDialog::eventFilter(watched, event);
}

void TSelectLabel::positionLabelCombos() {
    const ComboPositions p = labels::positionLabelCombos(current_);
    {
        const QSignalBlocker a(makers_), b(products_);
        makers_->setCurrentIndex(p.manufacturerIndex);
        products_->setCurrentIndex(p.productIndex);
    }
    positioned_ = true;
    buildLabelQuery();
    const int row = initialTemplateRow(rows_, current_.tplDescrip, p.findTemplate);
    if (row >= 0) grid_->setCurrentCell(row, 0);
}

void TSelectLabel::buildLabelQuery() {
    const QString maker = makers_->currentIndex() >= 0 ? makers_->currentText() : QString();
    try {
        rows_ = matchingTemplates(catalogue_, labels::buildLabelQuery(maker, products_->currentIndex(),
                                                                      european_->isChecked()));
    } catch (const std::exception& e) {
        rows_.clear();
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    const QSignalBlocker block(grid_);
    grid_->setRowCount(static_cast<int>(rows_.size()));
    for (int i = 0; i < rows_.size(); ++i) grid_->setItem(i, 0, new QTableWidgetItem(rows_[i].setup.descript));
    if (!rows_.isEmpty()) grid_->setCurrentCell(0, 0);
    grid_->setEnabled(!rows_.isEmpty());
    ok_->setEnabled(!rows_.isEmpty());
    showDetails();
}

void TSelectLabel::showDetails() {
    const int row = grid_->currentRow();
    if (row < 0 || row >= rows_.size()) {
        for (QLabel* l : details_) l->clear();
        return;
    }
    const LabelSetup& s = rows_[row].setup;
    const QString values[] = {formatInches(s.lblHeight), formatInches(s.lblWidth), QString::number(s.nbrAcross),
                              QString::number(s.nbrDown),  formatInches(s.sheetWidth), formatInches(s.sheetDepth)};
    for (int i = 0; i < details_.size(); ++i) details_[i]->setText(values[i]);
}

// ---------------------------------------------------------------- TLabelEdit

TLabelEdit::TLabelEdit(const LabelSetup& incoming, common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(help::topic::UserDefinedLabelLayout, parent), model_(incoming), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("User Defined Label Layout"));
    auto* layout = new QVBoxLayout(this);

    auto* units = new QHBoxLayout;
    inches_ = new QRadioButton(QStringLiteral("Use &Inches"), this);
    inches_->setObjectName(QStringLiteral("inchesButton"));
    millimetres_ = new QRadioButton(QStringLiteral("Use &Millimeters"), this);
    millimetres_->setObjectName(QStringLiteral("millimetresButton"));
    inches_->setChecked(true);
    units->addWidget(inches_);
    units->addWidget(millimetres_);
    units->addStretch(1);
    layout->addLayout(units);

    auto* grid = new QGridLayout;
    static const char* const whatsThis[] = {
        "The width of one label.",
        "The height of one label.",
        "From the left edge of one label to the left edge of the next one in the row.",
        "From the top edge of one label to the top edge of the one below it.",
        "From the left edge of the paper to the left edge of the first column.",
        "From the top edge of the paper to the top edge of the first row.",
        "The width of the paper as the labels are laid out on it.",
        "The height of the paper as the labels are laid out on it."};
    for (int i = 0; i < LabelEditModel::kLengths; ++i) {
        const auto which = static_cast<LabelEditModel::Length>(i);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(LabelEditModel::caption(which));
        edit->setWhatsThis(QString::fromLatin1(whatsThis[i]));
        edit->setMaximumWidth(90);
        edits_[i] = edit;
        grid->addWidget(new QLabel(LabelEditModel::caption(which), this), i / 2, (i % 2) * 2);
        grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
        connect(edit, &QLineEdit::textEdited, this, [this, which](const QString& text) { model_.setText(which, text); });
        edit->installEventFilter(this);
    }
    across_ = new QSpinBox(this);
    across_->setObjectName(QStringLiteral("acrossSpin"));
    across_->setRange(1, 10);
    across_->setValue(model_.across);
    down_ = new QSpinBox(this);
    down_->setObjectName(QStringLiteral("downSpin"));
    down_->setRange(1, 30);
    down_->setValue(model_.down);
    grid->addWidget(new QLabel(QStringLiteral("# across"), this), 4, 0);
    grid->addWidget(across_, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("# down"), this), 4, 2);
    grid->addWidget(down_, 4, 3);
    layout->addLayout(grid);

    auto* lists = new QFormLayout;
    paper_ = new QComboBox(this);
    paper_->setObjectName(QStringLiteral("paperList"));
    for (const PaperSizeEntry& p : paperSizes()) paper_->addItem(p.caption);
    paper_->setCurrentIndex(-1);
    paper_->setWhatsThis(QStringLiteral("Choosing a paper size fills in Paper Width and Paper Height."));
    shape_ = new QComboBox(this);
    shape_->setObjectName(QStringLiteral("shapeList"));
    for (const QString& s : LabelEditModel::shapeEntries()) shape_->addItem(s);
    shape_->setCurrentIndex(model_.shapeIndex);
    lists->addRow(QStringLiteral("Paper size"), paper_);
    lists->addRow(QStringLiteral("Label Shape"), shape_);
    layout->addLayout(lists);
    layout->addLayout(bottomButtons(this, ok_));

    connect(millimetres_, &QRadioButton::toggled, this, [this](bool on) {
        model_.setMillimetres(on);
        showLengths();
    });
    connect(paper_, &QComboBox::activated, this, [this](int index) {
        model_.choosePaper(index);
        showLengths();
    });
    connect(ok_, &QPushButton::clicked, this, &TLabelEdit::okButtonClick);
    showLengths();
}

bool TLabelEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == edits_[LabelEditModel::Width]) {
            model_.leaveWidth();
            showLengths();
        } else if (watched == edits_[LabelEditModel::Height]) {
            model_.leaveHeight();
            showLengths();
        }
    }
    return HelpDialog::eventFilter(watched, event);
}

void TLabelEdit::showLengths() {
    // Inches: up to three digits each side of the point; millimetres: whole, up to three digits.
    static const QRegularExpression inchPattern(QStringLiteral("\\d{0,3}([.,]\\d{0,3})?"));
    static const QRegularExpression mmPattern(QStringLiteral("\\d{0,3}"));
    for (int i = 0; i < LabelEditModel::kLengths; ++i) {
        QLineEdit* edit = edits_[i];
        delete edit->validator();
        edit->setValidator(new QRegularExpressionValidator(model_.millimetres() ? mmPattern : inchPattern, edit));
        edit->setText(model_.text(static_cast<LabelEditModel::Length>(i)));
    }
}

void TLabelEdit::okButtonClick() {
    model_.across = across_->value();
    model_.down = down_->value();
    model_.shapeIndex = shape_->currentIndex();
    result_ = model_.accept(dialogs_);
    if (result_) accept();
}

// ---------------------------------------------------------------- the layout step

bool chooseLabelLayout(LabelSetup& working, common::UserDialogs& dialogs, QWidget* parent) {
    TChooseLabelLayout how(parent);
    if (how.execCentred(parent) != QDialog::Accepted || !how.choice()) return false;
    if (*how.choice() == TChooseLabelLayout::Choice::Template) {
        const std::unique_ptr<store::Table> catalogue = openTemplateTable(dialogs);
        if (!catalogue) return false;
        TSelectLabel select(*catalogue, working, dialogs, parent);
        if (select.execCentred(parent) != QDialog::Accepted || !select.chosen()) return false;
        getLayoutFromTemplate(working, *select.chosen());
        return true;
    }
    TLabelEdit edit(working, dialogs, parent);
    if (edit.execCentred(parent) != QDialog::Accepted || !edit.result()) return false;
    getUserDefinedLayout(working, *edit.result());
    return true;
}

}  // namespace brindle::labels::ui
