// DamageList: the areas of a picture that changed, as a bounded list of rectangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/surface.h"

class DamageList {
  public:
    enum class Policy : std::uint8_t {
        // Every change kept as drawn, neighbours joined only where the join covers nothing new;
        // past the capacity the list stands for the whole picture.
        Exact,
        // At most `capacity` rectangles: a change joins the first rectangle it grows by little,
        // else the one it grows least once the list is full.
        Merged,
    };

    // All memory is taken here; adding never allocates.
    DamageList(Policy policy, std::size_t capacity);

    void Add(const Rect32& rect);
    void Add(const DamageList& other);
    void Clear();
    // The same rectangles as `other`, as they are (up to this list's capacity, else whole).
    void Assign(const DamageList& other);
    // Everything counts as changed.
    void MarkWhole() { whole_ = true; }

    // The list overflowed: everything counts as changed.
    bool Whole() const { return whole_; }
    bool Empty() const { return !whole_ && count_ == 0; }
    std::span<const Rect32> Rects() const { return {rects_.data(), count_}; }
    // Pixels covered, counting overlaps twice; for figures.
    std::int64_t Area() const;

  private:
    Policy policy_;
    std::vector<Rect32> rects_;
    std::size_t count_ = 0;
    bool whole_ = false;
};
