#pragma once
// A record walk's progress on the terminal: the bar, redrawn when the
// percentage changes, and a stop after Ctrl+C.
#include "address/ResultIndex.h"
#include "ProgressBar.h"

namespace brindle::cli {

class WalkBar : public address::WalkProgress {
public:
    explicit WalkBar(const char* label) : bar(label) {}
    bool afterRecord(int percent, int) override {
        if (percent == last_) return !ProgressBar::interrupted();
        last_ = percent;
        return bar.update(percent);
    }
    ProgressBar bar;

private:
    int last_ = -1;
};

}  // namespace brindle::cli
