#include "idle/inhibitionasker.h"

InhibitionAsker::Next InhibitionAsker::Ask() {
    if (QuestionOut) {
        AskAgain = true;
        return Next::Wait;
    }
    QuestionOut = true;
    AskAgain = false;
    return Next::Ask;
}

InhibitionAsker::Next InhibitionAsker::AgentCame() {
    return Ask();
}

void InhibitionAsker::AgentGone() {
    InhibitedNow = false;
    QuestionOut = false;
    AskAgain = false;
}

InhibitionAsker::Next InhibitionAsker::Changed() {
    return Ask();
}

InhibitionAsker::Next InhibitionAsker::Answered(std::optional<bool> inhibited) {
    if (!QuestionOut) return Next::Wait;  // an answer nobody waits for any more
    QuestionOut = false;
    InhibitedNow = inhibited.value_or(false);
    return AskAgain ? Ask() : Next::Wait;
}
