#pragma once
// "Print Status Screen": the letter print job's status window. One centred
// bold line and one button; while the job runs the button reads "Cancel"
// and only asks for a stop (the job looks after every page and confirms);
// when the job ends the line shows its outcome and the button becomes "OK".
//
// runLetterPrint() and showLetterPreview() are what the letters window and
// the letter designer call: the job on the current printer inside this
// window, and the merged letter of the current record in the preview.
#include <QDialog>

#include "letters/LetterPrintJob.h"

class QLabel;
class QPushButton;

namespace brindle::address {
class AddressFile;
}
namespace brindle::printer {
class CurrentPrinter;
}

namespace brindle::letters::ui {

class TLetterPrint : public QDialog, public LetterProgress {
    Q_OBJECT
public:
    TLetterPrint(const richtext::RichDocument& letterTemplate, store::Table& table, LetterJob job,
                 printing::PageCanvas& canvas, common::UserDialogs& dialogs, QWidget* parent = nullptr);

    // Shows the window modally; the job runs once it is shown.
    int exec() override;
    void runJob();
    const LetterResult& result() const { return result_; }
    bool finished() const { return finished_; }
    QLabel* messageLine() const { return message_; }
    QPushButton* button() const { return button_; }

    void status(const QString& text) override;
    bool cancelRequested() override;

protected:
    void reject() override;

private:
    void buttonClick();

    const richtext::RichDocument& template_;
    store::Table& table_;
    LetterJob job_;
    printing::PageCanvas& canvas_;
    common::UserDialogs& dialogs_;
    LetterResult result_;
    QLabel* message_;
    QPushButton* button_;
    bool started_ = false;
    bool finished_ = false;
    bool cancel_ = false;
};

struct LetterPrintRequest {
    address::RecordChoice choice = address::RecordChoice::CurrentOnly;
    bool startFromCurrent = false;
    int copies = 1;
};

// Prints the template for the request on `printer` through the status
// window; the address file's filter and record are as before afterwards.
LetterResult runLetterPrint(QWidget* parent, address::AddressFile& file, const richtext::RichDocument& letterTemplate,
                            const LetterPrintRequest& request, printer::CurrentPrinter& printer,
                            common::UserDialogs& dialogs);

// The template merged with the current record of `file`, in the preview
// letter preview ("Preview Letters"), whose record buttons move the file.
void showLetterPreview(QWidget* parent, address::AddressFile& file, const richtext::RichDocument& letterTemplate,
                       common::UserDialogs& dialogs);

}  // namespace brindle::letters::ui
