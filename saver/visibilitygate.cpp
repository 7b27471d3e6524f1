#include "saver/visibilitygate.h"

#include <algorithm>

namespace {

int MsUntil(VisibilityGate::TimePoint due, VisibilityGate::TimePoint now) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
    return static_cast<int>(std::max<decltype(left)>(left, 0));
}

}  // namespace

bool VisibilityGate::Set(HiddenCause cause, bool holds) {
    const bool seen = Seen();
    const auto bit = static_cast<std::uint8_t>(cause);
    Causes =
        holds ? static_cast<std::uint8_t>(Causes | bit) : static_cast<std::uint8_t>(Causes & ~bit);
    return seen != Seen();
}

bool VisibilityGate::AskDue(TimePoint now) const {
    return !Outstanding && (!Counting || now - AnsweredAt >= kAskInterval);
}

void VisibilityGate::Asked(TimePoint now) {
    if (Outstanding) return;
    Counting = true;
    Outstanding = true;
    AskedAt = now;
}

bool VisibilityGate::Answered(TimePoint now) {
    Outstanding = false;
    AnsweredAt = now;
    return Set(HiddenCause::Unanswered, false);
}

bool VisibilityGate::CheckAnswer(TimePoint now) {
    if (!Outstanding || Holds(HiddenCause::Unanswered) || now - AskedAt < kAnswerLimit)
        return false;
    return Set(HiddenCause::Unanswered, true);
}

int VisibilityGate::AnswerTimeoutMs(TimePoint now) const {
    if (!Counting) return -1;
    // Hidden for want of an answer: only the answer itself changes that.
    if (Outstanding)
        return Holds(HiddenCause::Unanswered) ? -1 : MsUntil(AskedAt + kAnswerLimit, now);
    return MsUntil(AnsweredAt + kAskInterval, now);
}
