#include "ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace brindle::cli {

ProgressBar::ProgressBar(std::string label) : label_(std::move(label)), enabled_(enabledForStderr()) {}

ProgressBar::~ProgressBar() { finish(); }

bool ProgressBar::enabledForStderr() { return ::isatty(STDERR_FILENO) == 1; }

store::ProgressFn ProgressBar::callback() {
    return [this](int percent) {
        update(percent);
        return true;
    };
}

void ProgressBar::update(int percent) {
    if (!enabled_) return;
    percent = std::clamp(percent, 0, 100);
    if (percent == last_) return;
    last_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), ' ');
    std::fprintf(stderr, "\r%-12s [%s] %3d%%", label_.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (drawn_) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
        drawn_ = false;
    }
}

}  // namespace brindle::cli
