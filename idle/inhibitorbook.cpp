#include "idle/inhibitorbook.h"

#include <algorithm>

std::string InhibitorBook::Cut(std::string_view text) const {
    if (text.size() <= Allowed.TextBytes) return std::string(text);
    std::size_t end = Allowed.TextBytes;
    // Back to the start of a UTF-8 character: continuation bytes are 10xxxxxx.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

InhibitorBook::Added InhibitorBook::Add(std::string_view owner, std::string_view application,
                                        std::string_view reason) {
    if (Entries.size() >= Allowed.Total) return {0, Refusal::TooManyInAll};
    auto& cookies = ByOwner[std::string(owner)];
    if (cookies.size() >= Allowed.PerClient) return {0, Refusal::TooManyFromClient};
    // After wrapping around, skip 0 and the cookies still held.
    while (NextCookie == 0 || Entries.contains(NextCookie)) ++NextCookie;
    const std::uint32_t cookie = NextCookie++;
    Entry entry{std::string(owner), Cut(application), Cut(reason)};
    StoredTextBytes += entry.Application.size() + entry.Reason.size();
    Entries.emplace(cookie, std::move(entry));
    cookies.push_back(cookie);
    return {cookie, Refusal::None};
}

bool InhibitorBook::Remove(std::uint32_t cookie, std::string_view owner) {
    const auto it = Entries.find(cookie);
    if (it == Entries.end() || it->second.Owner != owner) return false;
    StoredTextBytes -= it->second.Application.size() + it->second.Reason.size();
    const auto held = ByOwner.find(it->second.Owner);
    std::erase(held->second, cookie);
    if (held->second.empty()) ByOwner.erase(held);
    Entries.erase(it);
    return true;
}

std::size_t InhibitorBook::OwnerGone(std::string_view owner) {
    const auto held = ByOwner.find(std::string(owner));
    if (held == ByOwner.end()) return 0;
    const std::size_t count = held->second.size();
    for (const std::uint32_t cookie : held->second) {
        const auto it = Entries.find(cookie);
        StoredTextBytes -= it->second.Application.size() + it->second.Reason.size();
        Entries.erase(it);
    }
    ByOwner.erase(held);
    return count;
}

std::size_t InhibitorBook::DropCookies() {
    const std::size_t count = Entries.size();
    Entries.clear();
    ByOwner.clear();
    StoredTextBytes = 0;
    return count;
}
