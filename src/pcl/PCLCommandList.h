#pragma once
// TPCLStringList: the command table of the PCL interpreter. Keys are kept in registration
// order; a command text finds the handler of the first key equal, ignoring case, to its
// command key.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

class TPCLInterpreter;

// The command key of a command text, upper-cased and packed into 32 bits (up to 4 bytes);
// 0 for a key that is empty or longer than 4 bytes, which no registered key is.
uint32_t PackedCommandKey(std::string_view command);

// Builds a packed command key character by character, for callers that assemble a command.
class TCommandKeyPacker {
public:
    void Add(char c) {
        if (c == 27 || c == ' ' || c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9'))
            return;
        if (length_ < 4)
            packed_ = packed_ << 8 | uint8_t(c >= 'a' && c <= 'z' ? char(c - 32) : c);
        ++length_;
    }
    void Add(std::string_view text) {
        for (char c : text)
            Add(c);
    }
    // 0 when the key is empty or too long.
    uint32_t Value() const { return length_ >= 1 && length_ <= 4 ? packed_ : 0; }

private:
    uint32_t packed_ = 0;
    int length_ = 0;
};
// A command's handler: changes the interpreter's state as the command says and re-emits the
// command exactly once.
using TPCLHandler = void (*)(TPCLInterpreter& interpreter, std::string_view command);

class TPCLStringList {
public:
    void Register(std::string key, TPCLHandler handler);
    // The handler for a command text ("\x1b&l2A"), or nullptr.
    TPCLHandler Find(std::string_view command) const;
    // The handler registered for a key ("&lA"), ignoring case, or nullptr.
    TPCLHandler FindKey(std::string_view key) const;
    // The handler for a packed key (PackedCommandKey), or nullptr.
    TPCLHandler Lookup(uint32_t packed) const;

    size_t Count() const { return keys_.size(); }
    const std::string& Key(size_t i) const { return keys_[i]; }
    TPCLHandler Handler(size_t i) const { return handlers_[i]; }

private:
    std::vector<std::string> keys_;
    std::vector<TPCLHandler> handlers_;
    // Open-addressed table from the packed upper-case key to the index of its first
    // registration (slots with key 0 are free). Dispatch looks a key up for every command.
    static constexpr size_t kSlots = 512;
    std::array<uint32_t, kSlots> slotKeys_{};
    std::array<uint16_t, kSlots> slotIndex_{};
};

} // namespace pg
