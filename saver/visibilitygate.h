// VisibilityGate: whether anyone can see the saver, from what its window backend learns, and so
// whether frames run. Hidden while any cause holds; seen again once none does. Frames are
// counted, not timed, so the drive resumes where it stopped, without catching up.
#pragma once

#include <chrono>
#include <cstdint>

enum class HiddenCause : std::uint8_t {
    Covered = 1 << 0,      // other windows cover the whole of it
    Unmapped = 1 << 1,     // taken off the screen
    MonitorsOff = 1 << 2,  // the display's power saving has turned the monitors off
    Unanswered = 1 << 3,   // the compositor has stopped answering frames: it shows none of them
};

// Lives on the window's thread.
class VisibilityGate {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    // A frame shown on a visible output is answered within a refresh or two; one unanswered for
    // this long is not being shown. Long enough that a loaded machine is not taken for a hidden
    // one.
    static constexpr std::chrono::milliseconds kAnswerLimit{750};
    // While seen, a frame is asked to be answered this often: a few wakeups a second, whatever the
    // frame rate.
    static constexpr std::chrono::milliseconds kAskInterval{250};
    // How often a state only learnt by asking (the monitors' power) is asked for: rarely.
    static constexpr std::chrono::milliseconds kPollInterval{2000};

    // Sets or clears one cause; true when that turned the gate from seen to hidden or back.
    bool Set(HiddenCause cause, bool holds);
    bool Seen() const { return Causes == 0; }
    bool Holds(HiddenCause cause) const { return (Causes & static_cast<std::uint8_t>(cause)) != 0; }

    // Frames answered by the compositor. AskDue: time to ask for the answer to the next frame
    // (none outstanding, the interval passed since the last answer). Asked: the request is on its
    // way with a frame. Answered: the answer came; true when that made the gate seen again.
    bool AskDue(TimePoint now) const;
    void Asked(TimePoint now);
    bool Answered(TimePoint now);
    // On waking: true when the outstanding question has gone unanswered too long and that hid
    // the gate.
    bool CheckAnswer(TimePoint now);
    // Milliseconds until AskDue or CheckAnswer has something to do; -1 when only an answer (or
    // nothing) can change the gate. Counting frame answers starts with the first Asked.
    int AnswerTimeoutMs(TimePoint now) const;

  private:
    std::uint8_t Causes = 0;
    bool Counting = false;
    bool Outstanding = false;
    TimePoint AskedAt{};
    TimePoint AnsweredAt{};
};
