#pragma once
// "Print Status " / "Preview Status": the window that runs one label job.
// It starts the engine as soon as it is shown, shows the page being made in
// a centred bold status area, and has one button: Cancel while printing
// (asks first), Stop while previewing, Ok when the job is over. A finished
// preview closes the window by itself. The flow is LabelPrintStatus's; this
// class only shows it.
#include <QDialog>

#include "labels/LabelEngine.h"
#include "labels/LabelPrintStatus.h"

class QLabel;
class QPushButton;

namespace brindle::common {
class UserDialogs;
}

namespace brindle::labels::ui {

class TLabelPrinter : public QDialog {
    Q_OBJECT
public:
    TLabelPrinter(LabelJob job, LabelDesign& design, LabelRecords& records, printing::PageCanvas& canvas,
                  common::UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TLabelPrinter() override;

    // Shows the window modally; the job runs while it is shown.
    int exec() override;
    const LabelResult& result() const { return result_; }
    // The user cancelled the job (no preview follows).
    bool aborted() const { return status_.aborted(); }
    bool finished() const { return finished_; }

    LabelPrintStatus& status() { return status_; }
    QLabel* statusArea() const { return statusArea_; }
    QPushButton* button() const { return button_; }
    // Runs the job now (exec() calls it once the window shows).
    void runJob();

protected:
    void reject() override;

private:
    void showState();

    LabelEngine engine_;
    printing::PageCanvas& canvas_;
    LabelPrintStatus status_;
    LabelResult result_;
    QLabel* statusArea_;
    QPushButton* button_;
    bool started_ = false;
    bool finished_ = false;
};

}  // namespace brindle::labels::ui
