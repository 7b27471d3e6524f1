#include "saver/focuswatch.h"

void FocusWatch::Left(TimePoint now) {
    // Leaving one of the saver's windows for another is a leave and an enter: only the first
    // leave counts the time.
    if (Away) return;
    Away = true;
    LeftAt = now;
}

void FocusWatch::Shown(TimePoint now) {
    if (EverEntered || Away) return;
    Away = true;
    // Asked once the settling time has passed from this: kFirstFocus after the show.
    LeftAt = now + kFirstFocus - kSettle;
}

int FocusWatch::TimeoutMs(TimePoint now) const {
    if (!Away) return -1;
    if (now >= LeftAt + kSettle) return 0;
    // Rounded up: waking a moment early would find nothing to do and sleep again.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(LeftAt + kSettle - now);
    return static_cast<int>(left.count());
}
