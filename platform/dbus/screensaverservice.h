// ScreenSaverService: org.freedesktop.ScreenSaver on the session bus, where video players and
// browsers ask the screen saver to keep away (Inhibit, UnInhibit), on both paths they use. Taken
// only when no other program holds the name, and given up to a desktop that asks to replace its
// owner. Also follows GNOME's session inhibit flags, served or not.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "idle/inhibitorbook.h"

struct sd_bus;
struct sd_bus_slot;
struct sd_bus_message;

class ScreenSaverService {
  public:
    // `changed` hears each change of book.Inhibited(); `saverActive` answers GetActive.
    // `offerName`: false leaves the name to the desktop from the start. `lost` hears that another
    // program has taken the name, with how many inhibits held here were lifted with it.
    ScreenSaverService(sd_bus* bus, InhibitorBook& book, bool offerName,
                       std::function<void()> changed, std::function<bool()> saverActive,
                       std::function<void(std::size_t lifted)> lost);
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
    void NameLost();

    sd_bus* Bus;
    InhibitorBook& Book;
    std::function<void()> OnChanged;
    std::function<bool()> SaverActive;
    std::function<void(std::size_t)> Lost;
    bool OwnsName = false;
    sd_bus_slot* Slots[5] = {};
    sd_bus_slot* FlagsRead = nullptr;  // the read under way
    bool ReadAgain = false;
};
