#include "envelopes/ui/EnvelopeDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/Common.h"
#include "envelopes/EnvelopeSetup.h"
#include "help/HelpTopics.h"

namespace brindle::envelopes::ui {

// ---------------------------------------------------------------- picture

FeedPictureWidget::FeedPictureWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("feedPicture"));
    setMinimumSize(110, 130);
    setWhatsThis(QStringLiteral("How an envelope goes into the printer with the settings chosen."));
}

void FeedPictureWidget::setFeed(const EnvelopeFeed& feed) {
    feed_ = feed;
    update();
}

void FeedPictureWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    paintFeedPicture(p, rect().adjusted(4, 4, -4, -4), feed_);
}

namespace {

QHBoxLayout* okCancelHelp(help::HelpDialog* dialog, QPushButton** okOut = nullptr) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("Ok"), dialog);
    ok->setObjectName(QStringLiteral("Ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("Cancel"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(dialog->makeHelpButton());
    if (okOut) *okOut = ok;
    return row;
}

}  // namespace

// ---------------------------------------------------------------- Envelope Size

TChooseEnvelopeLayout::TChooseEnvelopeLayout(int code, QWidget* parent)
    : HelpDialog(help::topic::EnvelopeSize, parent), code_(code) {
    setWindowTitle(QStringLiteral("Envelope Size"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("sizeList"));
    list_->setWhatsThis(QStringLiteral("The envelope sizes you can design and print for."));
    for (const EnvelopeSizeEntry& e : envelopeSizeEntries()) list_->addItem(e.text);
    list_->setCurrentRow(envelopeSizeIndex(code));
    list_->setMinimumSize(300, 300);
    layout->addWidget(list_);
    layout->addLayout(okCancelHelp(this));
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int TChooseEnvelopeLayout::chosenCode() const {
    const int row = list_->currentRow();
    if (row < 0 || row >= envelopeSizeEntries().size() || list_->selectedItems().isEmpty()) return code_;
    return envelopeSizeEntries()[row].code;
}

std::optional<int> chooseEnvelopeSize(int code, QWidget* parent) {
    TChooseEnvelopeLayout dialog(code, parent);
    if (dialog.execCentred(parent) != QDialog::Accepted) return std::nullopt;
    return dialog.chosenCode();
}

// ---------------------------------------------------------------- Paper Feed Method

TEnvelopeFeed::TEnvelopeFeed(const EnvelopeFeed& feed, QWidget* parent)
    : HelpDialog(help::topic::PaperFeedMethod, parent), feed_(feed) {
    setWindowTitle(QStringLiteral("Paper Feed Method"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Please indicate how you normally feed envelopes into your printer:"),
                                 this));
    auto* middle = new QHBoxLayout;
    auto* groups = new QVBoxLayout;
    const auto group = [&](const QString& title, const QStringList& captions) {
        auto* box = new QGroupBox(title, this);
        auto* v = new QVBoxLayout(box);
        auto* buttons = new QButtonGroup(box);
        for (const QString& c : captions) {
            auto* r = new QRadioButton(c, box);
            r->setObjectName(QString(c).remove(QLatin1Char('&')));
            buttons->addButton(r);
            v->addWidget(r);
            radios_.push_back(r);
        }
        groups->addWidget(box);
        return v;
    };
    QVBoxLayout* position = group(QStringLiteral("Position"), {QStringLiteral("&Left"), QStringLiteral("&Right"),
                                                                 QStringLiteral("&Center")});
    clockwise_ = new QCheckBox(QStringLiteral("Clock&wise Rotation"), this);
    clockwise_->setObjectName(QStringLiteral("Clockwise Rotation"));
    clockwise_->setWhatsThis(QStringLiteral("Tick this when your printer turns landscape pages clockwise."));
    position->addWidget(clockwise_);
    group(QStringLiteral("Orientation"), {QStringLiteral("&Portrait"), QStringLiteral("&Landscape")});
    group(QStringLiteral("Facing"), {QStringLiteral("&Up"), QStringLiteral("&Down")});
    middle->addLayout(groups);
    picture_ = new FeedPictureWidget(this);
    middle->addWidget(picture_, 1);
    layout->addLayout(middle);
    auto* note = new QLabel(QStringLiteral("(note: there are many printers and many ways to feed envelopes - this "
                                           "may take some experimenting)"),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addLayout(okCancelHelp(this));

    radio(QStringLiteral("Left"))->setChecked(feed_.position == FeedPosition::Left);
    radio(QStringLiteral("Right"))->setChecked(feed_.position == FeedPosition::Right);
    radio(QStringLiteral("Center"))->setChecked(feed_.position == FeedPosition::Center);
    radio(QStringLiteral("Portrait"))->setChecked(feed_.orientation == FeedOrientation::Portrait);
    radio(QStringLiteral("Landscape"))->setChecked(feed_.orientation == FeedOrientation::Landscape);
    radio(QStringLiteral("Up"))->setChecked(feed_.facing == FeedFacing::Up);
    radio(QStringLiteral("Down"))->setChecked(feed_.facing == FeedFacing::Down);
    clockwise_->setChecked(feed_.clockwise);
    for (QRadioButton* r : radios_) connect(r, &QRadioButton::toggled, this, [this] { changed(); });
    connect(clockwise_, &QCheckBox::toggled, this, [this] { changed(); });
    changed();
}

QRadioButton* TEnvelopeFeed::radio(const QString& caption) const {
    for (QRadioButton* r : radios_)
        if (r->objectName() == caption) return r;
    return nullptr;
}

void TEnvelopeFeed::changed() {
    if (radio(QStringLiteral("Left"))->isChecked()) feed_.position = FeedPosition::Left;
    if (radio(QStringLiteral("Right"))->isChecked()) feed_.position = FeedPosition::Right;
    if (radio(QStringLiteral("Center"))->isChecked()) feed_.position = FeedPosition::Center;
    feed_.orientation = radio(QStringLiteral("Portrait"))->isChecked() ? FeedOrientation::Portrait
                                                                        : FeedOrientation::Landscape;
    feed_.facing = radio(QStringLiteral("Up"))->isChecked() ? FeedFacing::Up : FeedFacing::Down;
    feed_.clockwise = clockwise_->isChecked();
    // Rotation means something only for landscape pages.
    clockwise_->setVisible(feed_.orientation == FeedOrientation::Landscape);
    picture_->setFeed(feed_);
}

// ---------------------------------------------------------------- Envelope Print

namespace {
const char* const kFactCaptions[] = {"Printer:", "Paper:", "Source:", "Orientation:"};
}

TEnvelopePrePrint::TEnvelopePrePrint(const PrinterFacts& facts, const EnvelopeFeed& feed, int envelopeCode,
                                     std::function<PrinterFacts()> printerSetup,
                                     std::function<PrinterFacts(const EnvelopeFeed&)> feedChanged, QWidget* parent)
    : HelpDialog(help::topic::EnvelopePrint, parent),
      feed_(feed),
      code_(envelopeCode),
      printerSetup_(std::move(printerSetup)),
      feedChanged_(std::move(feedChanged)) {
    setWindowTitle(QStringLiteral("Envelope Print"));
    auto* layout = new QVBoxLayout(this);
    auto* boxes = new QHBoxLayout;
    auto* printerBox = new QGroupBox(QStringLiteral("Printer Setup"), this);
    auto* form = new QFormLayout(printerBox);
    for (const char* caption : kFactCaptions) {
        auto* value = new QLabel(printerBox);
        value->setObjectName(QString::fromLatin1(caption));
        value->setMinimumWidth(220);
        form->addRow(QString::fromLatin1(caption), value);
        values_.push_back(value);
    }
    boxes->addWidget(printerBox, 1);
    auto* feedBox = new QGroupBox(QStringLiteral("Paper Feed"), this);
    auto* feedLayout = new QHBoxLayout(feedBox);
    picture_ = new FeedPictureWidget(feedBox);
    description_ = new QLabel(feedBox);
    description_->setObjectName(QStringLiteral("feedDescription"));
    feedLayout->addWidget(picture_);
    feedLayout->addWidget(description_);
    boxes->addWidget(feedBox);
    layout->addLayout(boxes);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("Ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    auto* setup = new QPushButton(QStringLiteral("Printer Setup"), this);
    setup->setObjectName(QStringLiteral("Printer Setup"));
    setup->setWhatsThis(QStringLiteral("Choose the printer, its paper, source and orientation."));
    auto* feedButton = new QPushButton(QStringLiteral("Paper Feed Method"), this);
    feedButton->setObjectName(QStringLiteral("Paper Feed Method"));
    feedButton->setWhatsThis(QStringLiteral("Tell how envelopes go into your printer."));
    for (QPushButton* b : {ok, cancel, setup, feedButton}) buttons->addWidget(b);
    buttons->addWidget(makeHelpButton());
    layout->addLayout(buttons);

    warning_ = new QLabel(pageSizeWarning(), this);
    warning_->setObjectName(QStringLiteral("warning"));
    warning_->setAutoFillBackground(true);
    QPalette pal = warning_->palette();
    pal.setColor(QPalette::Window, Qt::red);
    pal.setColor(QPalette::WindowText, Qt::white);
    warning_->setPalette(pal);
    warning_->setMargin(4);
    layout->addWidget(warning_);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(setup, &QPushButton::clicked, this, [this] {
        if (printerSetup_) showFacts(printerSetup_());
    });
    connect(feedButton, &QPushButton::clicked, this, &TEnvelopePrePrint::openFeedMethod);
    showFacts(facts);
}

void TEnvelopePrePrint::openFeedMethod() {
    TEnvelopeFeed dialog(feed_, this);
    if (dialog.execCentred(this) != QDialog::Accepted) return;
    feed_ = dialog.feed();
    showFacts(feedChanged_ ? feedChanged_(feed_) : facts_);
}

void TEnvelopePrePrint::showFacts(const PrinterFacts& facts) {
    facts_ = facts;
    values_[0]->setText(facts.printer);
    values_[1]->setText(facts.paper);
    values_[2]->setText(facts.source);
    values_[3]->setText(facts.landscape ? QStringLiteral("Landscape") : QStringLiteral("Portrait"));
    picture_->setFeed(feed_);
    description_->setText(feedDescription(feed_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    warning_->setVisible(pageSizeMismatch(facts.pageWidth, facts.pageHeight, common::envelopeLongSide(code_),
                                          common::envelopeShortSide(code_)));
}

QString TEnvelopePrePrint::shown(const QString& caption) const {
    for (QLabel* l : values_)
        if (l->objectName() == caption) return l->text();
    return {};
}

}  // namespace brindle::envelopes::ui
