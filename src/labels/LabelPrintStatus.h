#pragma once
// The print status of a label job without its window: the caption, the
// status text the canvas reports, the one button's caption and what a click
// on it does (Cancel asks first; Stop stops a preview; Ok closes), and the
// text when the job is over. TLabelPrinter shows it.
#include <QString>

#include <functional>

#include "labels/LabelEngine.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::labels {

class LabelPrintStatus : public LabelProgress {
public:
    LabelPrintStatus(bool preview, common::UserDialogs& dialogs);

    bool preview() const { return preview_; }
    // "Print Status " (with its trailing blank) or "Preview Status".
    QString caption() const;
    // "Cancel" while printing, "Stop" while previewing, "Ok" when over.
    QString buttonCaption() const;
    // The status as the window shows it (line breaks for "\r").
    QString statusText() const { return status_; }
    // The canvas's expanded status text while the job runs.
    void setStatus(const QString& text);
    bool over() const { return over_; }

    // A click on the button. True when the window should close.
    bool buttonClicked();
    // Lets the window handle input, then answers what the button asked for.
    Answer afterLabel() override;

    // The job is over: the end text (its %p from `page`) and the Ok button.
    void finish(const LabelResult& result, int page);
    // A finished preview closes its window by itself.
    bool closesItself() const { return closesItself_; }
    // Whether the user cancelled the job.
    bool aborted() const { return cancelled_; }

    // Called whenever the caption, status or button changed.
    std::function<void()> changed;

    static QString cancelQuestion();  // "Cancel Label Printing?"

private:
    void notify() {
        if (changed) changed();
    }
    bool preview_;
    common::UserDialogs& dialogs_;
    QString status_;
    bool over_ = false;
    bool cancelled_ = false;
    bool stopped_ = false;
    bool closesItself_ = false;
};

}  // namespace brindle::labels
