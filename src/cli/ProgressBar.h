#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal so
// that redirected output and logs stay clean.
#include <string>

#include "store/IndexFile.h"

namespace brindle::cli {

class ProgressBar {
public:
    explicit ProgressBar(std::string label);
    ~ProgressBar();  // finishes the line when something was drawn
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // A callback for the store's long operations; draws when the percentage changes.
    store::ProgressFn callback();
    void update(int percent);
    void finish();

    static bool enabledForStderr();

private:
    std::string label_;
    bool enabled_;
    bool drawn_ = false;
    int last_ = -1;
};

}  // namespace brindle::cli
