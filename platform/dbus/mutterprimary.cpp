#include "platform/dbus/mutterprimary.h"

#include <systemd/sd-bus.h>

#include <utility>

#include "platform/dbus/sessionbus.h"

namespace {

constexpr const char* kDisplayConfig = "org.gnome.Mutter.DisplayConfig";
constexpr const char* kDisplayConfigPath = "/org/gnome/Mutter/DisplayConfig";

// The physical monitors of GetCurrentState: ((connector, vendor, product, serial), modes,
// properties) each; only the logical ones say which is primary.
constexpr const char* kMonitors = "a((ssss)a(siiddada{sv})a{sv})";

// One logical monitor (x, y, scale, transform, primary, monitors, properties), entered: its
// first monitor's connector when it is the primary.
bool ReadLogicalMonitor(sd_bus_message* answer, std::string& connector) {
    std::int32_t x = 0, y = 0;
    double scale = 0;
    std::uint32_t transform = 0;
    int primary = 0;
    if (sd_bus_message_read(answer, "iidub", &x, &y, &scale, &transform, &primary) < 0 ||
        sd_bus_message_enter_container(answer, 'a', "(ssss)") < 0)
        return false;
    const char* name = nullptr;
    const char* vendor = nullptr;
    const char* product = nullptr;
    const char* serial = nullptr;
    int r = 0;
    while ((r = sd_bus_message_read(answer, "(ssss)", &name, &vendor, &product, &serial)) > 0)
        if (primary != 0 && connector.empty()) connector = name;
    return r == 0 && sd_bus_message_exit_container(answer) >= 0 &&
           sd_bus_message_skip(answer, "a{sv}") >= 0;
}

}  // namespace

bool ReadPrimaryConnector(sd_bus_message* answer, std::string& connector) {
    connector.clear();
    std::uint32_t serial = 0;
    if (!ReadAnswer(answer, "u", &serial) || sd_bus_message_skip(answer, kMonitors) < 0 ||
        sd_bus_message_enter_container(answer, 'a', "(iiduba(ssss)a{sv})") < 0)
        return false;
    int r = 0;
    while ((r = sd_bus_message_enter_container(answer, 'r', "iiduba(ssss)a{sv}")) > 0)
        if (!ReadLogicalMonitor(answer, connector) || sd_bus_message_exit_container(answer) < 0)
            return false;
    return r == 0 && sd_bus_message_exit_container(answer) >= 0;
}

struct MutterPrimaryCalls {
    static MutterPrimaryWatch& Of(void* data) { return *static_cast<MutterPrimaryWatch*>(data); }

    static int Answer(sd_bus_message* reply, void* data, sd_bus_error*) {
        auto& self = Of(data);
        self.Question = sd_bus_slot_unref(self.Question);
        std::string connector;
        if (!ReadPrimaryConnector(reply, connector)) connector.clear();
        self.Tell(std::move(connector));
        return 0;
    }
    // MonitorsChanged says nothing of what changed: the state is asked afresh.
    static int MonitorsChanged(sd_bus_message*, void* data, sd_bus_error*) {
        Of(data).Ask();
        return 0;
    }
    static int OwnerChanged(sd_bus_message* message, void* data, sd_bus_error*) {
        auto& self = Of(data);
        const char* name = nullptr;
        bool owned = false;
        if (!ReadOwnerChange(message, name, owned)) return 0;
        if (owned) {
            self.Ask();
        } else {
            self.Question = sd_bus_slot_unref(self.Question);
            self.Tell({});
        }
        return 0;
    }
};

MutterPrimaryWatch::MutterPrimaryWatch(sd_bus* bus, PrimaryTold told)
    : Bus(bus), Told(std::move(told)) {
    sd_bus_match_signal_async(Bus, &ChangeMatch, kDisplayConfig, kDisplayConfigPath, kDisplayConfig,
                              "MonitorsChanged", &MutterPrimaryCalls::MonitorsChanged, nullptr,
                              this);
    WatchNameOwner(Bus, &OwnerMatch, kDisplayConfig, &MutterPrimaryCalls::OwnerChanged, this);
    // Outside GNOME nobody owns the name: the bus answers with an error at once.
    Ask();
}

MutterPrimaryWatch::~MutterPrimaryWatch() {
    for (sd_bus_slot* slot : {ChangeMatch, OwnerMatch, Question}) sd_bus_slot_unref(slot);
}

void MutterPrimaryWatch::Ask() {
    Question = sd_bus_slot_unref(Question);
    if (CallAsync(Bus, &Question, kDisplayConfig, kDisplayConfigPath, kDisplayConfig,
                  "GetCurrentState", &MutterPrimaryCalls::Answer, this, "") < 0) {
        // Not sent (the connection is failing): as an answer naming nobody.
        Question = nullptr;
        Tell({});
    }
}

void MutterPrimaryWatch::Tell(std::string connector) {
    HasAnswer = true;
    Connector = std::move(connector);
    if (Told) Told(Connector);
}
