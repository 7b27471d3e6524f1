#include "platform/wayland/damage.h"

#include <algorithm>

namespace {

// Joining two changes costs what their bounding box covers beyond them; below this many pixels
// a join is taken at once, since a few stray pixels cost the compositor less than a rectangle.
constexpr std::int64_t kCheapJoin = 256;

std::int64_t AreaOf(const Rect32& r) {
    return static_cast<std::int64_t>(r.Right - r.Left) *
           static_cast<std::int64_t>(r.Bottom - r.Top);
}

Rect32 Union(const Rect32& a, const Rect32& b) {
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

bool Contains(const Rect32& outer, const Rect32& inner) {
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
}

bool Overlap(const Rect32& a, const Rect32& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

std::int64_t JoinWaste(const Rect32& a, const Rect32& b) {
    return AreaOf(Union(a, b)) - AreaOf(a) - AreaOf(b);
}

}  // namespace

DamageList::DamageList(Policy policy, std::size_t capacity)
    : ListPolicy(policy), Items(std::max<std::size_t>(capacity, 1)) {}

void DamageList::Clear() {
    Used = 0;
    CoversAll = false;
}

void DamageList::Assign(const DamageList& other) {
    CoversAll = other.CoversAll || other.Used > Items.size();
    Used = CoversAll ? 0 : other.Used;
    std::copy_n(other.Items.begin(), Used, Items.begin());
}

std::int64_t DamageList::Area() const {
    std::int64_t area = 0;
    for (const Rect32& r : Rects()) area += AreaOf(r);
    return area;
}

void DamageList::Add(const DamageList& other) {
    if (other.CoversAll) CoversAll = true;
    if (CoversAll || other.Used == 0) return;
    if (ListPolicy == Policy::Exact && other.ListPolicy == Policy::Exact) {
        // Each rectangle of an exact list was joined with the one before it where it could be:
        // past the first, which may join this list's last, they go in as they are.
        Add(other.Items[0]);
        const std::size_t rest = other.Used - 1;
        if (CoversAll || rest == 0) return;
        if (rest > Items.size() - Used) {
            CoversAll = true;
            return;
        }
        std::copy_n(other.Items.begin() + 1, rest,
                    Items.begin() + static_cast<std::ptrdiff_t>(Used));
        Used += rest;
        return;
    }
    for (const Rect32& r : other.Rects()) Add(r);
}

void DamageList::Add(const Rect32& rect) {
    if (CoversAll || rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
    if (ListPolicy == Policy::Exact) {
        // Drawing order keeps neighbours together: an erased dot and its redraw one pixel on,
        // or a row of a fill.
        if (Used > 0) {
            Rect32& last = Items[Used - 1];
            if (Contains(last, rect)) return;
            if (!Overlap(last, rect) && JoinWaste(last, rect) == 0) {
                last = Union(last, rect);
                return;
            }
        }
        if (Used == Items.size()) {
            CoversAll = true;
            return;
        }
        Items[Used++] = rect;
        return;
    }

    // Once the list is full most dots of a busy frame fall inside a listed rectangle: that is
    // looked for first, as it is cheap.
    for (std::size_t i = 0; i < Used; ++i)
        if (Contains(Items[i], rect)) return;
    // Else the first the change grows by little, else the one it grows least. A change
    // overlapping a listed rectangle wastes less than nothing by joining it (the overlap counts
    // twice), so any waste is a candidate, and a full list always joins one.
    std::size_t best = Used;
    std::int64_t bestWaste = 0;
    for (std::size_t i = 0; i < Used; ++i) {
        const std::int64_t waste = JoinWaste(Items[i], rect);
        if (best == Used || waste < bestWaste) {
            best = i;
            bestWaste = waste;
            if (waste <= kCheapJoin) break;
        }
    }
    if (best < Used && (bestWaste <= kCheapJoin || Used == Items.size())) {
        Items[best] = Union(Items[best], rect);
        return;
    }
    Items[Used++] = rect;
}
