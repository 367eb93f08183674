#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal so
// that redirected output and logs stay clean.
//
// The bar's callback is also how Ctrl+C reaches the store: once
// catchInterrupt() has run, Ctrl+C while a bar exists makes the callbacks
// answer false, so the operation cancels and cleans up as on any cancel
// (a pack or rebuild leaves the old files, a tag build removes its scratch
// files). Ctrl+C with no bar, a second Ctrl+C, or an operation that goes on
// after its callback said stop, ends the program at once as usual.
#include <string>

#include "store/IndexFile.h"

namespace brindle::cli {

class ProgressBar {
public:
    explicit ProgressBar(std::string label);
    ~ProgressBar();  // finishes the line when something was drawn
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // A callback for the store's long operations; draws when the percentage
    // changes and answers false after Ctrl+C.
    store::ProgressFn callback();
    // Draws; false after Ctrl+C (callers that can stop should).
    bool update(int percent);
    void finish();

    static bool enabledForStderr();
    // Installs the Ctrl+C handler (once, at start-up).
    static void catchInterrupt();
    // Whether Ctrl+C was pressed while an operation could stop.
    static bool interrupted();

private:
    std::string label_;
    bool enabled_;
    bool drawn_ = false;
    int last_ = -1;
    bool refused_ = false;  // a callback already answered false
};

}  // namespace brindle::cli
