#include "platform/dbus/policyagent.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/dbus/sessionbus.h"

namespace {

constexpr const char* kAgent = "org.kde.Solid.PowerManagement.PolicyAgent";
constexpr const char* kAgentPath = "/org/kde/Solid/PowerManagement/PolicyAgent";

// PowerDevil's RequiredPolicy ChangeScreenSettings: the policy its dimming and blanking need,
// and the one Plasma's org.freedesktop.ScreenSaver.Inhibit holds. InterruptSession (1) alone is
// held against suspending (a download, a copy) and keeps the screen's saver no more than the
// desktop's own blanking.
constexpr std::uint32_t kChangeScreenSettings = 4;

}  // namespace

struct PolicyAgentCalls {
    static PolicyAgentWatch& Of(void* data) { return *static_cast<PolicyAgentWatch*>(data); }

    static int Answer(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.Question = sd_bus_slot_unref(self.Question);
        int flag = 0;
        std::optional<bool> inhibited;
        if (ReadAnswer(reply, "b", &flag)) inhibited = flag != 0;
        const InhibitionAsker::Next next = self.Asker.Answered(inhibited);
        self.Changed(self.Asker.Inhibited());
        self.Follow(next);
        return 0;
    }
    // InhibitionsChanged(a(ss) added, as removed): which applications, not which policies; the
    // agent is asked afresh.
    static int InhibitionsChanged(sd_bus_message*, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.Follow(self.Asker.Changed());
        return 0;
    }
    static int OwnerChanged(sd_bus_message* message, void* data, sd_bus_error*) {
        auto& self = Of(data);
        const char* name = nullptr;
        bool owned = false;
        if (!ReadOwnerChange(message, name, owned)) return 0;
        if (!owned) {
            // Its answer will not come; nothing of it holds the saver off any more.
            self.Question = sd_bus_slot_unref(self.Question);
            self.Asker.AgentGone();
            self.Changed(false);
        } else {
            self.Follow(self.Asker.AgentCame());
        }
        return 0;
    }
};

PolicyAgentWatch::PolicyAgentWatch(sd_bus* bus, InhibitChanged changed)
    : Bus(bus), Changed(std::move(changed)) {
    sd_bus_match_signal_async(Bus, &SignalMatch, kAgent, kAgentPath, kAgent, "InhibitionsChanged",
                              &PolicyAgentCalls::InhibitionsChanged, nullptr, this);
    WatchNameOwner(Bus, &OwnerMatch, kAgent, &PolicyAgentCalls::OwnerChanged, this);
    // An agent that is not there answers with an error at once, which says not inhibited.
    Follow(Asker.AgentCame());
}

PolicyAgentWatch::~PolicyAgentWatch() {
    for (sd_bus_slot* slot : {SignalMatch, OwnerMatch, Question}) sd_bus_slot_unref(slot);
}

void PolicyAgentWatch::Follow(InhibitionAsker::Next next) {
    if (next != InhibitionAsker::Next::Ask) return;
    if (CallAsync(Bus, &Question, kAgent, kAgentPath, kAgent, "HasInhibition",
                  &PolicyAgentCalls::Answer, this, "u", kChangeScreenSettings) < 0) {
        // Not sent (the connection is failing): taken as an answer of nothing inhibited.
        Question = nullptr;
        Asker.Answered(std::nullopt);
        Changed(Asker.Inhibited());
    }
}
