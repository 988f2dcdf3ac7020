#include "PCLCommandList.h"

#include "PCLValues.h"

#include <stdexcept>

namespace pg {

namespace {

uint32_t PackKey(std::string_view key) {
    if (key.empty() || key.size() > 4)
        return 0;
    uint32_t packed = 0;
    for (char c : key) {
        const char upper = c >= 'a' && c <= 'z' ? char(c - 32) : c;
        packed = packed << 8 | uint8_t(upper);
    }
    return packed;
}

} // namespace

uint32_t PackedCommandKey(std::string_view command) {
    TCommandKeyPacker key;
    key.Add(command);
    if (const uint32_t packed = key.Value())
        return packed;
    return PackKey(CommandKey(command)); // the keys the character rule alone does not give
}

namespace {

size_t SlotOf(uint32_t packed, size_t slots) {
    return (packed * 2654435761u >> 16) % slots;
}

} // namespace

void TPCLStringList::Register(std::string key, TPCLHandler handler) {
    if (keys_.size() >= kSlots / 2)
        throw std::length_error("The PCL command table is full");
    const uint32_t packed = PackKey(key);
    keys_.push_back(std::move(key));
    handlers_.push_back(handler);
    if (packed == 0)
        return;
    for (size_t slot = SlotOf(packed, kSlots);; slot = (slot + 1) % kSlots) {
        if (slotKeys_[slot] == packed)
            return; // the first registration of a key wins
        if (slotKeys_[slot] == 0) {
            slotKeys_[slot] = packed;
            slotIndex_[slot] = uint16_t(keys_.size() - 1);
            return;
        }
    }
}

TPCLHandler TPCLStringList::Lookup(uint32_t packed) const {
    if (packed == 0)
        return nullptr;
    for (size_t slot = SlotOf(packed, kSlots);; slot = (slot + 1) % kSlots) {
        if (slotKeys_[slot] == packed)
            return handlers_[slotIndex_[slot]];
        if (slotKeys_[slot] == 0)
            return nullptr;
    }
}

TPCLHandler TPCLStringList::Find(std::string_view command) const {
    return Lookup(PackedCommandKey(command));
}

TPCLHandler TPCLStringList::FindKey(std::string_view key) const {
    return Lookup(PackKey(key));
}

} // namespace pg
