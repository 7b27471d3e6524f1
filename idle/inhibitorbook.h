// InhibitorBook: who keeps the saver away (a video player through the session bus), by the
// cookie each was given, so that one caller's end or UnInhibit lifts only its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Any program of the user may call in: entries per client, entries in all and the stored texts
// are bounded, so that one cannot make the daemon hold what it sends without end.
class InhibitorBook {
  public:
    struct Limits {
        std::size_t PerClient = 32;
        std::size_t Total = 1024;
        std::size_t TextBytes = 256;  // each of application and reason, cut at a whole character
    };
    enum class Refusal : std::uint8_t { None, TooManyFromClient, TooManyInAll };
    struct Added {
        std::uint32_t Cookie = 0;  // 0: refused
        Refusal Refused = Refusal::None;
    };

    InhibitorBook() = default;
    explicit InhibitorBook(Limits limits) : Allowed(limits) {}

    // A new inhibitor of the bus client `owner`; the cookie is never 0 and never one in use.
    Added Add(std::string_view owner, std::string_view application, std::string_view reason);
    // Lifts the inhibitor of `cookie` when `owner` holds it; false otherwise (another client's
    // cookie lifts nothing).
    bool Remove(std::uint32_t cookie, std::string_view owner);
    // Lifts every inhibitor of a client that has left the bus; how many there were.
    std::size_t OwnerGone(std::string_view owner);
    // Lifts every client's inhibitor (the session's flag stays): when velmora-idle no longer
    // serves the name, no UnInhibit can reach it, and a cookie kept would hold the saver off as
    // long as its client stays on the bus. How many there were.
    std::size_t DropCookies();
    // The desktop session's own flag (GNOME's "idle" inhibit), kept beside the cookies.
    void SetSessionInhibited(bool inhibited) { Session = inhibited; }

    bool Inhibited() const { return Session || !Entries.empty(); }
    std::size_t Count() const { return Entries.size(); }
    const Limits& Bounds() const { return Allowed; }
    // The bytes of text held, for the bound on memory.
    std::size_t TextBytes() const { return StoredTextBytes; }

  private:
    struct Entry {
        std::string Owner, Application, Reason;
    };
    std::string Cut(std::string_view text) const;

    Limits Allowed;
    std::map<std::uint32_t, Entry> Entries;
    // The cookies of each client, so that a client leaving costs its own entries only.
    std::unordered_map<std::string, std::vector<std::uint32_t>> ByOwner;
    std::uint32_t NextCookie = 1;
    std::size_t StoredTextBytes = 0;
    bool Session = false;
};
