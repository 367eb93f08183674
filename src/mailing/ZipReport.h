#pragma once
// The "Zip Code Count Report" on the page canvas, and the print job that
// runs it in a status window ("Print Status" or "Preview Status").
//
// Page (inches): margins 0.5 left and right, 1 top and bottom; the area from
// the top margin to the page height less the bottom margin, and from the
// left margin to the page width less the left margin, framed and split into
// four columns of 1.875 by rules. Rows run down a column, then down the next;
// after the fourth a new page begins. A row holds the key in a left cell
// 0.625 wide and the count right-justified in the 0.625 after it, the whole
// count even when it is wider than its cell; the first, third, fifth row of
// a column is shaded 5 %.
#include <QString>

#include <functional>
#include <vector>

#include "mailing/ZipCount.h"

namespace brindle::printing {
class PageCanvas;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::mailing {

namespace zipreport {
inline constexpr double kLeftMargin = 0.5, kTopMargin = 1.0, kBottomMargin = 1.0;
inline constexpr double kColumnWidth = 1.875, kCellWidth = 0.625, kKeyIndent = 0.05;
inline constexpr int kColumns = 4, kShadePercent = 5;
}  // namespace zipreport

// Draws the report. `afterRow` runs after every row; false ends the report
// early. Returns false when it ended early or the canvas was aborted.
bool printZipReport(printing::PageCanvas& canvas, const std::vector<ZipCountLine>& lines,
                    const std::function<bool()>& afterRow = {});

// The status window's logic: one print or preview job of the report.
class ZipReportJob {
public:
    enum class Mode { Print, Preview };
    ZipReportJob(Mode mode, common::UserDialogs& dialogs);

    Mode mode() const { return mode_; }
    QString caption() const;        // "Print Status" / "Preview Status"
    QString buttonCaption() const;  // "Cancel" / "Stop" while running, then "Ok"
    QString statusText() const;     // the canvas's status while running, then the final one

    // Runs the report on the canvas and finishes the job (end() of the
    // canvas). `processEvents` lets the window handle input after every row.
    // Returns whether the job was aborted (by the user or the device).
    bool run(printing::PageCanvas& canvas, const std::vector<ZipCountLine>& lines,
             const std::function<void()>& processEvents);

    // The window's button. While running: in print mode asks "Cancel
    // Printing?" (Yes aborts the job), in preview mode stops it after the
    // current row. Afterwards: asks the window to close.
    void buttonPressed();
    bool running() const { return running_; }
    bool aborted() const { return aborted_; }
    bool stopped() const { return stopped_; }
    // A device failure (file not writable, printer gone); empty otherwise.
    QString failure() const { return failure_; }
    // The window closes by itself when the job ends after its button was
    // pressed during the run, and when Ok is pressed afterwards.
    bool closeWanted() const { return closeWanted_; }
    // Whether a preview should be shown now.
    bool previewReady() const { return mode_ == Mode::Preview && finished_ && !aborted_; }

private:
    Mode mode_;
    common::UserDialogs& dialogs_;
    printing::PageCanvas* canvas_ = nullptr;
    QString status_;
    bool running_ = false;
    bool finished_ = false;
    bool aborted_ = false;
    bool stopped_ = false;
    bool pressedWhileRunning_ = false;
    bool closeWanted_ = false;
    QString failure_;
};

}  // namespace brindle::mailing
