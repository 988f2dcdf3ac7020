#pragma once
// TPCLStringList: the command table of the PCL interpreter. Keys are kept in registration
// order; a command text finds the handler of the first key equal, ignoring case, to its
// command key.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pg {

class TPCLBuffer;
using TPCLHandler = void (TPCLBuffer::*)(std::string_view command);

class TPCLStringList {
public:
    void Register(std::string key, TPCLHandler handler);
    // The handler for a command text ("\x1b&l2A"), or nullptr.
    TPCLHandler Find(std::string_view command) const;
    // The handler registered for a key ("&lA"), ignoring case, or nullptr.
    TPCLHandler FindKey(std::string_view key) const;

    size_t Count() const { return keys_.size(); }
    const std::string& Key(size_t i) const { return keys_[i]; }
    TPCLHandler Handler(size_t i) const { return handlers_[i]; }

private:
    std::vector<std::string> keys_;
    std::vector<TPCLHandler> handlers_;
    // Upper-case key to the index of its first registration.
    std::unordered_map<std::string, size_t> firstIndex_;
};

} // namespace pg
