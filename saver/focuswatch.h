// FocusWatch: whether the saver, on the screen, has lost the keyboard to something the compositor
// put in front of it. Where the saver cannot sit in a layer above every window (GNOME offers
// none), the compositor may open its overview, a screenshot tool or a new window over it and give
// that the keys: the saver would stay on the screen, partly covered and deaf to input. It ends
// instead when the compositor still shows it a little after the keyboard went, as an answer to
// one of its frames tells. Hidden whole by then (another workspace, a locker over the whole
// screen, the monitors off), nobody sees it, and it waits for the keyboard to come back with
// the sight of it. A saver that the keyboard never comes to (started while GNOME's overview is
// open, which keeps the keys for its search) counts the same from a little after its show.
#pragma once

#include <chrono>

// Lives on the window's thread.
class FocusWatch {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    // What takes the keyboard covers the saver within this, if it is to cover it whole: a
    // locker takes the keys first and shows its first frame a moment later.
    static constexpr std::chrono::milliseconds kSettle{500};
    // A compositor that gives the saver the keyboard does so as it first shows it; one that has
    // not within this keeps it elsewhere (room for a compositor slowed by a loaded machine).
    static constexpr std::chrono::milliseconds kFirstFocus{2000};

    // The saver is on the screen from `now`, waiting for the keyboard: unless it has come by
    // then, it counts as gone from `now` + kFirstFocus - kSettle. Once is enough.
    void Shown(TimePoint now);
    // The keyboard came to one of the saver's windows.
    void Entered() {
        Away = false;
        EverEntered = true;
    }
    // It left them.
    void Left(TimePoint now);
    // The keyboard has been away for the settling time: a frame is to be asked to be answered
    // (unless one is already).
    bool AskNow(TimePoint now) const { return Away && now >= LeftAt + kSettle; }
    // Milliseconds until AskNow turns true; -1 when only an event can change it.
    int TimeoutMs(TimePoint now) const;
    // The compositor answered a frame, at `now`, so it showed the saver then: true when the
    // saver is to end.
    bool Answered(TimePoint now) const { return AskNow(now); }

  private:
    bool Away = false;
    bool EverEntered = false;
    TimePoint LeftAt{};
};
