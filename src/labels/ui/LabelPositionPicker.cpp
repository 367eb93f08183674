#include "labels/ui/LabelPositionPicker.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"

namespace brindle::labels::ui {

SheetPictureWidget::SheetPictureWidget(const LabelSetup& setup, PositionMask& mask, QWidget* parent)
    : QWidget(parent), setup_(setup), mask_(mask), picture_(setup, 96) {
    setObjectName(QStringLiteral("sheetPicture"));
    // One fifth of real size at the screen's resolution.
    picture_ = SheetPicture(setup, logicalDpiX());
    setFixedSize(picture_.area());
}

void SheetPictureWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(picture_.sheet());
    const int n = positionsPerSheet(setup_);
    for (int i = 0; i < n; ++i) {
        p.setBrush(mask_[static_cast<std::size_t>(i)] ? QColor(Qt::red) : QColor(Qt::white));
        p.drawRect(picture_.label(i));
    }
}

void SheetPictureWidget::mousePressEvent(QMouseEvent* e) {
    const int at = picture_.positionAt(e->position().toPoint());
    if (at < 0) return;
    mask_[static_cast<std::size_t>(at)] = !mask_[static_cast<std::size_t>(at)];
    update(picture_.label(at).adjusted(-1, -1, 1, 1));
}

QString noPositionMessage() { return QStringLiteral("You must select at least one card to print"); }

TSelectSpecificLabels::TSelectSpecificLabels(const LabelSetup& setup, const PositionMask& mask, int copies,
                                             bool presort, printer::CurrentPrinter& printer,
                                             common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(help::topic::LabelsPrint, parent), setup_(setup), mask_(mask), presort_(presort), printer_(printer), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Labels Print"));
    auto* layout = new QHBoxLayout(this);

    auto* sheet = new QGroupBox(QStringLiteral(" Select Labels To Print"), this);
    auto* sheetLayout = new QVBoxLayout(sheet);
    picture_ = new SheetPictureWidget(setup_, mask_, sheet);
    picture_->setWhatsThis(QStringLiteral("Click a label to print on it (red) or leave it blank (white)."));
    sheetLayout->addWidget(picture_);
    auto* pick = new QHBoxLayout;
    all_ = new QPushButton(QStringLiteral("&All"), sheet);
    none_ = new QPushButton(QStringLiteral("&None"), sheet);
    pick->addWidget(all_);
    pick->addWidget(none_);
    pick->addStretch(1);
    sheetLayout->addLayout(pick);
    layout->addWidget(sheet);

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Printer"), this));
    printers_ = new QComboBox(this);
    printers_->setObjectName(QStringLiteral("printerList"));
    printers_->addItems(printer::availablePrinters());
    printers_->setCurrentIndex(std::max(0, printers_->findText(printer_.name())));
    right->addWidget(printers_);
    copiesCaption_ = new QLabel(QStringLiteral("Number of each label to print"), this);
    copies_ = new QSpinBox(this);
    copies_->setObjectName(QStringLiteral("copies"));
    copies_->setRange(1, 99);
    copies_->setValue(clampCopies(copies));
    copiesCaption_->setBuddy(copies_);
    right->addWidget(copiesCaption_);
    right->addWidget(copies_);
    // A presorted job prints every record once.
    copiesCaption_->setVisible(!presort);
    copies_->setVisible(!presort);
    right->addStretch(1);
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    right->addWidget(ok_);
    right->addWidget(cancel);
    right->addWidget(makeHelpButton());
    layout->addLayout(right);

    connect(all_, &QPushButton::clicked, this, [this] {
        setSheetPositions(mask_, setup_, true);
        picture_->update();
    });
    connect(none_, &QPushButton::clicked, this, [this] {
        setSheetPositions(mask_, setup_, false);
        picture_->update();
    });
    connect(ok_, &QPushButton::clicked, this, &TSelectSpecificLabels::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TSelectSpecificLabels::copies() const { return presort_ ? 1 : clampCopies(copies_->value()); }

QString TSelectSpecificLabels::printerName() const { return printers_->currentText(); }

void TSelectSpecificLabels::okClicked() {
    if (!anySheetPosition(mask_, setup_)) {
        dialogs_.showInfo(noPositionMessage());
        return;
    }
    if (printerName() != printer_.name()) printer_.select(printerName());
    printer_.setOrientation(printing::Orientation::Portrait);
    accept();
}

}  // namespace brindle::labels::ui
