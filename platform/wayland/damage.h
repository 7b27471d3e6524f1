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
    void MarkWhole() { CoversAll = true; }

    // The list overflowed: everything counts as changed.
    bool Whole() const { return CoversAll; }
    bool Empty() const { return !CoversAll && Used == 0; }
    std::span<const Rect32> Rects() const { return {Items.data(), Used}; }
    // Pixels covered, counting overlaps twice; for figures.
    std::int64_t Area() const;

  private:
    Policy ListPolicy;
    std::vector<Rect32> Items;
    std::size_t Used = 0;
    bool CoversAll = false;
};
