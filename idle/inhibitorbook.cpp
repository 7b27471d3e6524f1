#include "idle/inhibitorbook.h"

#include <algorithm>

std::string InhibitorBook::Cut(std::string_view text) const {
    if (text.size() <= limits_.TextBytes) return std::string(text);
    std::size_t end = limits_.TextBytes;
    // Back to the start of a UTF-8 character: continuation bytes are 10xxxxxx.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

InhibitorBook::Added InhibitorBook::Add(std::string_view owner, std::string_view application,
                                        std::string_view reason) {
    if (entries_.size() >= limits_.Total) return {0, Refusal::TooManyInAll};
    auto& cookies = byOwner_[std::string(owner)];
    if (cookies.size() >= limits_.PerClient) return {0, Refusal::TooManyFromClient};
    // After wrapping around, skip 0 and the cookies still held.
    while (next_ == 0 || entries_.contains(next_)) ++next_;
    const std::uint32_t cookie = next_++;
    Entry entry{std::string(owner), Cut(application), Cut(reason)};
    textBytes_ += entry.Application.size() + entry.Reason.size();
    entries_.emplace(cookie, std::move(entry));
    cookies.push_back(cookie);
    return {cookie, Refusal::None};
}

bool InhibitorBook::Remove(std::uint32_t cookie, std::string_view owner) {
    const auto it = entries_.find(cookie);
    if (it == entries_.end() || it->second.Owner != owner) return false;
    textBytes_ -= it->second.Application.size() + it->second.Reason.size();
    const auto held = byOwner_.find(it->second.Owner);
    std::erase(held->second, cookie);
    if (held->second.empty()) byOwner_.erase(held);
    entries_.erase(it);
    return true;
}

std::size_t InhibitorBook::OwnerGone(std::string_view owner) {
    const auto held = byOwner_.find(std::string(owner));
    if (held == byOwner_.end()) return 0;
    const std::size_t count = held->second.size();
    for (const std::uint32_t cookie : held->second) {
        const auto it = entries_.find(cookie);
        textBytes_ -= it->second.Application.size() + it->second.Reason.size();
        entries_.erase(it);
    }
    byOwner_.erase(held);
    return count;
}
