#include "platform/wayland/bufferslots.h"

BufferSlots::BufferSlots(std::size_t count, std::size_t damageCapacity) {
    Slots.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        Slots.push_back({false, DamageList(DamageList::Policy::Exact, damageCapacity)});
    Reset();
}

void BufferSlots::Reset() {
    for (Slot& slot : Slots) {
        slot.Held = false;
        slot.Lacking.Clear();
    }
}

int BufferSlots::Acquire(bool spare) const {
    const auto lacksLess = [](const DamageList& a, const DamageList& b) {
        if (a.Whole() || b.Whole()) return !a.Whole() && b.Whole();
        return a.Area() < b.Area();
    };
    int best = -1;
    const std::size_t regular = Slots.size() > 1 ? Slots.size() - 1 : Slots.size();
    for (std::size_t i = 0; i < regular; ++i) {
        const Slot& slot = Slots[i];
        if (slot.Held) continue;
        if (best < 0 || lacksLess(slot.Lacking, Slots[static_cast<std::size_t>(best)].Lacking))
            best = static_cast<int>(i);
    }
    if (best < 0 && spare && regular < Slots.size() && !Slots.back().Held)
        best = static_cast<int>(regular);
    return best;
}

void BufferSlots::Lack(int slot, const DamageList& area) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < Slots.size())
        Slots[static_cast<std::size_t>(slot)].Lacking.Add(area);
}

void BufferSlots::Committed(int slot, const DamageList& change) {
    for (std::size_t i = 0; i < Slots.size(); ++i) {
        if (static_cast<int>(i) == slot) {
            Slots[i].Held = true;
            Slots[i].Lacking.Clear();
        } else {
            Slots[i].Lacking.Add(change);
        }
    }
}

void BufferSlots::Released(int slot) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < Slots.size())
        Slots[static_cast<std::size_t>(slot)].Held = false;
}
