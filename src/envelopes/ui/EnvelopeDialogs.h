#pragma once
// The small envelope dialogs: "Envelope Size" (TChooseEnvelopeLayout),
// "Paper Feed Method" (TEnvelopeFeed) and "Envelope Print"
// (TEnvelopePrePrint), and the widget that draws the feed picture.
#include <QWidget>
#include <functional>
#include <optional>

#include "envelopes/EnvelopeFeed.h"
#include "help/ui/HelpDialog.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QRadioButton;

namespace brindle::envelopes::ui {

// The sheet with the envelope as it goes into the printer.
class FeedPictureWidget : public QWidget {
    Q_OBJECT
public:
    explicit FeedPictureWidget(QWidget* parent = nullptr);
    void setFeed(const EnvelopeFeed& feed);
    const EnvelopeFeed& feed() const { return feed_; }
    QSize sizeHint() const override { return {110, 130}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EnvelopeFeed feed_;
};

// "Envelope Size": the sixteen sizes, the code's entry selected (the first
// for a code the list lacks).
class TChooseEnvelopeLayout : public help::HelpDialog {
    Q_OBJECT
public:
    explicit TChooseEnvelopeLayout(int code, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }
    // The selected entry's code; the code given when nothing is selected.
    int chosenCode() const;

private:
    int code_;
    QListWidget* list_;
};
// Runs the dialog; the chosen code on Ok, none on Cancel.
std::optional<int> chooseEnvelopeSize(int code, QWidget* parent);

// "Paper Feed Method": position, rotation, orientation and facing, each
// taking effect at once in the picture.
class TEnvelopeFeed : public help::HelpDialog {
    Q_OBJECT
public:
    explicit TEnvelopeFeed(const EnvelopeFeed& feed, QWidget* parent = nullptr);
    EnvelopeFeed feed() const { return feed_; }
    QRadioButton* radio(const QString& caption) const;
    QCheckBox* clockwise() const { return clockwise_; }
    FeedPictureWidget* picture() const { return picture_; }

private:
    void changed();

    EnvelopeFeed feed_;
    QVector<QRadioButton*> radios_;
    QCheckBox* clockwise_;
    FeedPictureWidget* picture_;
};

// What the pre-print dialog shows of the printer.
struct PrinterFacts {
    QString printer;
    QString paper;
    QString source;
    bool landscape = false;
    double pageWidth = 0;  // inches, as printed
    double pageHeight = 0;
};

// "Envelope Print": the printer's settings, the feed, and the red warning
// when the page does not match the envelope. "Printer Setup" and "Paper
// Feed Method" change them; Ok returns the feed.
class TEnvelopePrePrint : public help::HelpDialog {
    Q_OBJECT
public:
    // printerSetup: runs the printer's setup dialog and returns the facts
    // afterwards; feedChanged: the new feed's orientation goes to the printer
    // and the facts come back.
    TEnvelopePrePrint(const PrinterFacts& facts, const EnvelopeFeed& feed, int envelopeCode,
                      std::function<PrinterFacts()> printerSetup,
                      std::function<PrinterFacts(const EnvelopeFeed&)> feedChanged, QWidget* parent = nullptr);
    EnvelopeFeed feed() const { return feed_; }
    QLabel* warning() const { return warning_; }
    QString shown(const QString& caption) const;
    void showFacts(const PrinterFacts& facts);
    void openFeedMethod();

private:
    EnvelopeFeed feed_;
    PrinterFacts facts_;
    int code_;
    std::function<PrinterFacts()> printerSetup_;
    std::function<PrinterFacts(const EnvelopeFeed&)> feedChanged_;
    QVector<QLabel*> values_;
    FeedPictureWidget* picture_;
    QLabel* description_;
    QLabel* warning_;
};

}  // namespace brindle::envelopes::ui
