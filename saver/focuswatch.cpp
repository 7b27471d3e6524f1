#include "saver/focuswatch.h"

void FocusWatch::Entered() {
    Away = false;
    AskedSinceSettled = false;
}

void FocusWatch::Left(TimePoint now) {
    Away = true;
    AskedSinceSettled = false;
    LeftAt = now;
}

int FocusWatch::TimeoutMs(TimePoint now) const {
    if (!Away || AskedSinceSettled) return -1;
    if (now >= LeftAt + kSettle) return 0;
    // Rounded up: waking a moment early would find nothing to do and sleep again.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(LeftAt + kSettle - now);
    return static_cast<int>(left.count());
}

void FocusWatch::Asked(TimePoint now) {
    // A frame asked before the settling time says nothing of what the compositor shows after it.
    if (Away && now >= LeftAt + kSettle) AskedSinceSettled = true;
}

bool FocusWatch::Answered() {
    return Away && AskedSinceSettled;
}
