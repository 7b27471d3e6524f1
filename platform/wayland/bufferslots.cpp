#include "platform/wayland/bufferslots.h"

BufferSlots::BufferSlots(std::size_t count, std::size_t damageCapacity) {
    slots_.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        slots_.push_back({false, DamageList(DamageList::Policy::Exact, damageCapacity)});
    Reset();
}

void BufferSlots::Reset() {
    for (Slot& slot : slots_) {
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
    const std::size_t regular = slots_.size() > 1 ? slots_.size() - 1 : slots_.size();
    for (std::size_t i = 0; i < regular; ++i) {
        const Slot& slot = slots_[i];
        if (slot.Held) continue;
        if (best < 0 || lacksLess(slot.Lacking, slots_[static_cast<std::size_t>(best)].Lacking))
            best = static_cast<int>(i);
    }
    if (best < 0 && spare && regular < slots_.size() && !slots_.back().Held)
        best = static_cast<int>(regular);
    return best;
}

void BufferSlots::Lack(int slot, const DamageList& area) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < slots_.size())
        slots_[static_cast<std::size_t>(slot)].Lacking.Add(area);
}

void BufferSlots::Committed(int slot, const DamageList& change) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (static_cast<int>(i) == slot) {
            slots_[i].Held = true;
            slots_[i].Lacking.Clear();
        } else {
            slots_[i].Lacking.Add(change);
        }
    }
}

void BufferSlots::Released(int slot) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < slots_.size())
        slots_[static_cast<std::size_t>(slot)].Held = false;
}
