// BufferSlots: which of a surface's pixel buffers may be drawn into, and what each one lacks of
// the newest picture. A buffer the compositor holds is never written; one it has given back is
// brought up to date by copying only what changed since it was last drawn.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/wayland/damage.h"

class BufferSlots {
  public:
    // All memory is taken here. The last of `count` slots is a spare: handed out only while the
    // compositor holds every other one.
    BufferSlots(std::size_t count, std::size_t damageCapacity);

    std::size_t Count() const { return Slots.size(); }
    // New buffers: none held, none lacking anything (they are as black as a fresh picture).
    void Reset();
    // A buffer the compositor does not hold, the one that lacks least; -1 when it holds them all.
    // Without `spare`, the spare is left out.
    int Acquire(bool spare = true) const;
    const DamageList& Lacking(int slot) const {
        return Slots[static_cast<std::size_t>(slot)].Lacking;
    }
    // `slot` lacks `area` besides what it lacked.
    void Lack(int slot, const DamageList& area);
    bool Held(int slot) const { return Slots[static_cast<std::size_t>(slot)].Held; }
    // `slot` now holds the newest picture and goes to the compositor; `change` is what differs
    // from the picture committed before, which every other buffer now lacks as well.
    void Committed(int slot, const DamageList& change);
    // The compositor gave `slot` back.
    void Released(int slot);

  private:
    struct Slot {
        bool Held = false;
        DamageList Lacking;
    };
    std::vector<Slot> Slots;
};
