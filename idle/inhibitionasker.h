// InhibitionAsker: what velmora-idle knows of the inhibitions a desktop keeps itself (KDE's
// power management policy agent, where Plasma puts the video players' inhibits), asked for and
// told of changes over the bus. Knows no bus: it says when to send a question, the platform
// sends it and hands back the answer.
#pragma once

#include <cstdint>
#include <optional>

class InhibitionAsker {
  public:
    enum class Next : std::uint8_t { Wait, Ask };

    // At the start, and each time the agent's name gets an owner.
    Next AgentCame();
    // The agent has left the bus: nothing is inhibited by it, and an answer still under way (the
    // platform cancels its call) is forgotten.
    void AgentGone();
    // The agent says its inhibitions changed. Its signal does not say of which kind they are, so
    // the question is asked afresh; while one is out, once more after its answer, which may
    // predate the change.
    Next Changed();
    // The answer to the question out; nullopt for an error or no answer in time, which counts
    // as not inhibited (an agent that hangs does not hold the saver off for ever).
    Next Answered(std::optional<bool> inhibited);

    bool Inhibited() const { return InhibitedNow; }
    bool Asking() const { return QuestionOut; }

  private:
    Next Ask();

    bool InhibitedNow = false;
    bool QuestionOut = false;
    bool AskAgain = false;
};
