#include "idle/inhibitorbook.h"

std::uint32_t InhibitorBook::Add(std::string_view owner, std::string_view application,
                                 std::string_view reason) {
    // After wrapping around, skip 0 and the cookies still held.
    while (next_ == 0 || entries_.contains(next_)) ++next_;
    const std::uint32_t cookie = next_++;
    entries_.emplace(cookie, Entry{std::string(owner), std::string(application), std::string(reason)});
    return cookie;
}

bool InhibitorBook::Remove(std::uint32_t cookie, std::string_view owner) {
    const auto it = entries_.find(cookie);
    if (it == entries_.end() || it->second.Owner != owner) return false;
    entries_.erase(it);
    return true;
}

std::size_t InhibitorBook::OwnerGone(std::string_view owner) {
    return std::erase_if(entries_, [&](const auto& entry) { return entry.second.Owner == owner; });
}
