// ScreenSaverService: org.freedesktop.ScreenSaver on the session bus, where video players and
// browsers ask the screen saver to keep away (Inhibit, UnInhibit), on both paths they use. Taken
// only when no other program holds the name. Also follows GNOME's session inhibit flags.
#pragma once

#include <functional>
#include <string>

#include "idle/inhibitorbook.h"

struct sd_bus;
struct sd_bus_slot;
struct sd_bus_message;

class ScreenSaverService {
  public:
    // `changed` hears each change of book.Inhibited(); `saverActive` answers GetActive.
    ScreenSaverService(sd_bus* bus, InhibitorBook& book, std::function<void()> changed,
                       std::function<bool()> saverActive);
    ~ScreenSaverService();
    ScreenSaverService(const ScreenSaverService&) = delete;
    ScreenSaverService& operator=(const ScreenSaverService&) = delete;

    // False when another program serves the name (then it is that program's to honour).
    bool Serving() const { return OwnsName; }

  private:
    friend struct ScreenSaverCalls;
    // Asks for GNOME's session flags without waiting; one read at a time, another after it when
    // they changed meanwhile.
    void ReadSessionFlags();
    void SessionFlagsRead(sd_bus_message* reply);
    void Changed(bool before);

    sd_bus* Bus;
    InhibitorBook& Book;
    std::function<void()> OnChanged;
    std::function<bool()> SaverActive;
    bool OwnsName = false;
    sd_bus_slot* Slots[4] = {};
    sd_bus_slot* FlagsRead = nullptr;  // the read under way
    bool ReadAgain = false;
};
