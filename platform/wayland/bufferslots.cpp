#include "platform/wayland/bufferslots.h"

BufferSlots::BufferSlots(std::size_t count, std::size_t damageCapacity) {
    slots_.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        slots_.push_back({false, DamageList(DamageList::Policy::Exact, damageCapacity)});
    Reset();
}

void BufferSlots::Reset(bool lackPicture) {
    for (Slot& slot : slots_) {
        slot.Held = false;
        slot.Lacking.Clear();
        if (lackPicture) slot.Lacking.MarkWhole();
    }
}

int BufferSlots::Acquire() const {
    int best = -1;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& slot = slots_[i];
        if (slot.Held) continue;
        if (best < 0) {
            best = static_cast<int>(i);
            continue;
        }
        const DamageList& current = slots_[static_cast<std::size_t>(best)].Lacking;
        if (current.Whole() && !slot.Lacking.Whole()) best = static_cast<int>(i);
        else if (!current.Whole() && !slot.Lacking.Whole() && slot.Lacking.Area() < current.Area())
            best = static_cast<int>(i);
    }
    return best;
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
