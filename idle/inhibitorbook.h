// InhibitorBook: who keeps the saver away (a video player through the session bus), by the
// cookie each was given, so that one caller's end or UnInhibit lifts only its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

class InhibitorBook {
  public:
    // A new inhibitor of the bus client `owner`; the cookie is never 0 and never one in use.
    std::uint32_t Add(std::string_view owner, std::string_view application,
                      std::string_view reason);
    // Lifts the inhibitor of `cookie` when `owner` holds it; false otherwise (another client's
    // cookie lifts nothing).
    bool Remove(std::uint32_t cookie, std::string_view owner);
    // Lifts every inhibitor of a client that has left the bus; how many there were.
    std::size_t OwnerGone(std::string_view owner);
    // The desktop session's own flag (GNOME's "idle" inhibit), kept beside the cookies.
    void SetSessionInhibited(bool inhibited) { session_ = inhibited; }

    bool Inhibited() const { return session_ || !entries_.empty(); }
    std::size_t Count() const { return entries_.size(); }

  private:
    struct Entry {
        std::string Owner, Application, Reason;
    };
    std::map<std::uint32_t, Entry> entries_;
    std::uint32_t next_ = 1;
    bool session_ = false;
};
