#include "ProgressBar.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace brindle::cli {

namespace {

// Read and written by the signal handler: lock-free atomics only.
std::atomic<int> liveBars{0};
std::atomic<bool> interruptFlag{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// The default action: the program ends as if no handler were installed.
void endNow() {
    ::signal(SIGINT, SIG_DFL);
    ::raise(SIGINT);
}

extern "C" void onInterrupt(int) {
    if (liveBars.load() == 0 || interruptFlag.load()) {
        endNow();
        return;
    }
    interruptFlag = true;
}

}  // namespace

ProgressBar::ProgressBar(std::string label) : label_(std::move(label)), enabled_(enabledForStderr()) { ++liveBars; }

ProgressBar::~ProgressBar() {
    finish();
    --liveBars;
}

bool ProgressBar::enabledForStderr() { return ::isatty(STDERR_FILENO) == 1; }

void ProgressBar::catchInterrupt() {
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
}

bool ProgressBar::interrupted() { return interruptFlag.load(); }

store::ProgressFn ProgressBar::callback() {
    return [this](int percent) {
        if (interruptFlag.load()) {
            // An operation that reports again after being told to stop does
            // not listen: end it the ordinary way.
            if (refused_) endNow();
            refused_ = true;
            finish();
            return false;
        }
        update(percent);
        return true;
    };
}

bool ProgressBar::update(int percent) {
    if (interruptFlag.load()) return false;
    if (!enabled_) return true;
    percent = std::clamp(percent, 0, 100);
    if (percent == last_) return true;
    last_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), ' ');
    std::fprintf(stderr, "\r%-12s [%s] %3d%%", label_.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
    drawn_ = true;
    return true;
}

void ProgressBar::finish() {
    if (drawn_) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
        drawn_ = false;
    }
}

}  // namespace brindle::cli
