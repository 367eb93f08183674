#pragma once
// The status window of an envelope job ("Print Status" / "Preview Status"):
// runs the job when shown, shows the page being made, and has one button:
// "Cancel" while printing, "Stop" while previewing, "Ok" afterwards. The
// window closes itself when the job is over.
#include <QDialog>
#include <functional>

#include "envelopes/EnvelopeJob.h"

class QLabel;
class QPushButton;

namespace brindle::envelopes::ui {

class TEnvelopeForm : public QDialog, public EnvelopeJobControl {
    Q_OBJECT
public:
    using Job = std::function<EnvelopeJobResult(EnvelopeJobControl&)>;
    TEnvelopeForm(Job job, bool preview, QWidget* parent = nullptr);

    const EnvelopeJobResult& result() const { return result_; }
    bool running() const { return running_; }
    QPushButton* button() const { return button_; }
    QString statusText() const;

    void status(const QString& text) override;
    // Lets input through; true once after the stop button was pressed.
    bool stopPressed() override;
    void buttonClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void run();

    Job job_;
    bool preview_;
    bool started_ = false;
    bool running_ = false;
    bool stop_ = false;
    EnvelopeJobResult result_;
    QLabel* status_;
    QPushButton* button_;
};

}  // namespace brindle::envelopes::ui
