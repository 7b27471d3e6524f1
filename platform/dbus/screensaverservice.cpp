#include "platform/dbus/screensaverservice.h"

#include <systemd/sd-bus.h>

#include <cstring>

#include "platform/dbus/sessionbus.h"

namespace {

constexpr const char* kName = "org.freedesktop.ScreenSaver";

// GNOME's session manager: bit 8 of InhibitedActions holds off the idle state.
constexpr const char* kSessionManager = "org.gnome.SessionManager";
constexpr const char* kSessionPath = "/org/gnome/SessionManager";
constexpr std::uint32_t kInhibitIdle = 8;

// The calling client's unique name; a call without one (no bus in between) belongs to nobody.
std::string_view Sender(sd_bus_message* message) {
    const char* sender = sd_bus_message_get_sender(message);
    return sender != nullptr ? sender : "";
}

}  // namespace

// The bus calls into the service, kept out of its header.
struct ScreenSaverCalls {
    static int OnInhibit(sd_bus_message* message, void* data, sd_bus_error*);
    static int OnUnInhibit(sd_bus_message* message, void* data, sd_bus_error*);
    static int OnGetActive(sd_bus_message* message, void* data, sd_bus_error*);
    static int OnNameOwnerChanged(sd_bus_message* message, void* data, sd_bus_error*);
    static int OnSessionChanged(sd_bus_message* message, void* data, sd_bus_error*);
    static int OnSessionFlags(sd_bus_message* reply, void* data, sd_bus_error*);
    static int OnNameLost(sd_bus_message* message, void* data, sd_bus_error*);
    static const sd_bus_vtable* Table();
};

ScreenSaverService::ScreenSaverService(sd_bus* bus, InhibitorBook& book, bool offerName,
                                       std::function<void()> changed,
                                       std::function<bool()> saverActive,
                                       std::function<void(std::size_t)> lost)
    : Bus(bus),
      Book(book),
      OnChanged(std::move(changed)),
      SaverActive(std::move(saverActive)),
      Lost(std::move(lost)) {
    // No taking over and no queueing (a queued velmora-idle would get the name back whenever the
    // desktop's service restarts, in front of it); and whoever asks to replace it gets it. The
    // bus daemon answers at once, before the loop runs.
    if (offerName && sd_bus_request_name(Bus, kName, SD_BUS_NAME_ALLOW_REPLACEMENT) >= 0) {
        OwnsName = true;
        const sd_bus_vtable* table = ScreenSaverCalls::Table();
        sd_bus_add_object_vtable(Bus, &Slots[0], "/org/freedesktop/ScreenSaver", kName, table,
                                 this);
        sd_bus_add_object_vtable(Bus, &Slots[1], "/ScreenSaver", kName, table, this);
        // Sent to this connection alone: heard as soon as the match is in place here.
        sd_bus_match_signal_async(Bus, &Slots[4], "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "NameLost", &ScreenSaverCalls::OnNameLost,
                                  nullptr, this);
    }
    // Clients leaving, and the session manager coming or going.
    sd_bus_match_signal(Bus, &Slots[2], "org.freedesktop.DBus", "/org/freedesktop/DBus",
                        "org.freedesktop.DBus", "NameOwnerChanged",
                        &ScreenSaverCalls::OnNameOwnerChanged, this);
    sd_bus_match_signal(Bus, &Slots[3], kSessionManager, kSessionPath,
                        "org.freedesktop.DBus.Properties", "PropertiesChanged",
                        &ScreenSaverCalls::OnSessionChanged, this);
    ReadSessionFlags();
}

ScreenSaverService::~ScreenSaverService() {
    for (sd_bus_slot* slot : Slots) sd_bus_slot_unref(slot);
    sd_bus_slot_unref(FlagsRead);
    if (OwnsName) sd_bus_release_name(Bus, kName);
}

const sd_bus_vtable* ScreenSaverCalls::Table() {
    static const sd_bus_vtable table[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Inhibit", "ss", "u", &OnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("UnInhibit", "u", "", &OnUnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("GetActive", "", "b", &OnGetActive, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };
    return table;
}

void ScreenSaverService::Changed(bool before) {
    if (Book.Inhibited() != before) OnChanged();
}

int ScreenSaverCalls::OnInhibit(sd_bus_message* message, void* data, sd_bus_error*) {
    auto* self = static_cast<ScreenSaverService*>(data);
    const char* application = "";
    const char* reason = "";
    const int r = sd_bus_message_read(message, "ss", &application, &reason);
    if (r < 0) return r;
    const bool before = self->Book.Inhibited();
    const InhibitorBook::Added added = self->Book.Add(Sender(message), application, reason);
    if (added.Cookie == 0)
        return sd_bus_reply_method_errorf(
            message, SD_BUS_ERROR_LIMITS_EXCEEDED,
            added.Refused == InhibitorBook::Refusal::TooManyFromClient
                ? "this client holds %zu inhibits already, the most one client may"
                : "%zu inhibits are held already, the most there may be",
            added.Refused == InhibitorBook::Refusal::TooManyFromClient
                ? self->Book.Bounds().PerClient
                : self->Book.Bounds().Total);
    self->Changed(before);
    return sd_bus_reply_method_return(message, "u", added.Cookie);
}

int ScreenSaverCalls::OnUnInhibit(sd_bus_message* message, void* data, sd_bus_error*) {
    auto* self = static_cast<ScreenSaverService*>(data);
    std::uint32_t cookie = 0;
    const int r = sd_bus_message_read(message, "u", &cookie);
    if (r < 0) return r;
    const bool before = self->Book.Inhibited();
    self->Book.Remove(cookie, Sender(message));
    self->Changed(before);
    return sd_bus_reply_method_return(message, "");
}

int ScreenSaverCalls::OnGetActive(sd_bus_message* message, void* data, sd_bus_error*) {
    auto* self = static_cast<ScreenSaverService*>(data);
    return sd_bus_reply_method_return(message, "b", static_cast<int>(self->SaverActive()));
}

int ScreenSaverCalls::OnNameOwnerChanged(sd_bus_message* message, void* data, sd_bus_error*) {
    auto* self = static_cast<ScreenSaverService*>(data);
    const char* name = "";
    bool owned = false;
    if (!ReadOwnerChange(message, name, owned)) return 0;
    // A client's unique name losing its owner: the client has left the bus.
    if (std::strcmp(name, kSessionManager) == 0) {
        self->ReadSessionFlags();
    } else if (name[0] == ':' && !owned) {
        const bool was = self->Book.Inhibited();
        self->Book.OwnerGone(name);
        self->Changed(was);
    }
    return 0;
}

int ScreenSaverCalls::OnNameLost(sd_bus_message* message, void* data, sd_bus_error*) {
    const char* name = "";
    if (sd_bus_message_read(message, "s", &name) >= 0 && std::strcmp(name, kName) == 0)
        static_cast<ScreenSaverService*>(data)->NameLost();
    return 0;
}

void ScreenSaverService::NameLost() {
    if (!OwnsName) return;
    OwnsName = false;
    // Calls to the name now reach the new owner; nothing is served here any more.
    Slots[0] = sd_bus_slot_unref(Slots[0]);
    Slots[1] = sd_bus_slot_unref(Slots[1]);
    const bool before = Book.Inhibited();
    const std::size_t lifted = Book.DropCookies();
    Changed(before);
    Lost(lifted);
}

int ScreenSaverCalls::OnSessionChanged(sd_bus_message*, void* data, sd_bus_error*) {
    static_cast<ScreenSaverService*>(data)->ReadSessionFlags();
    return 0;
}

void ScreenSaverService::ReadSessionFlags() {
    if (FlagsRead != nullptr) {
        ReadAgain = true;
        return;
    }
    ReadAgain = false;
    if (CallAsync(Bus, &FlagsRead, kSessionManager, kSessionPath, "org.freedesktop.DBus.Properties",
                  "Get", &ScreenSaverCalls::OnSessionFlags, this, "ss", kSessionManager,
                  "InhibitedActions") < 0)
        FlagsRead = nullptr;
}

int ScreenSaverCalls::OnSessionFlags(sd_bus_message* reply, void* data, sd_bus_error*) {
    static_cast<ScreenSaverService*>(data)->SessionFlagsRead(reply);
    return 0;
}

void ScreenSaverService::SessionFlagsRead(sd_bus_message* reply) {
    FlagsRead = sd_bus_slot_unref(FlagsRead);
    // No GNOME session, or one that did not answer in time: nothing inhibited by it.
    std::uint32_t actions = 0;
    if (sd_bus_message_is_method_error(reply, nullptr) ||
        sd_bus_message_enter_container(reply, 'v', "u") < 0 ||
        sd_bus_message_read(reply, "u", &actions) < 0)
        actions = 0;
    const bool before = Book.Inhibited();
    Book.SetSessionInhibited((actions & kInhibitIdle) != 0);
    Changed(before);
    if (ReadAgain) ReadSessionFlags();
}
