#include "PCLCommandList.h"

#include "PCLValues.h"
#include "Strings.h"

namespace pg {

void TPCLStringList::Register(std::string key, TPCLHandler handler) {
    firstIndex_.try_emplace(UpperCase(key), keys_.size());
    keys_.push_back(std::move(key));
    handlers_.push_back(handler);
}

TPCLHandler TPCLStringList::Find(std::string_view command) const {
    return FindKey(CommandKey(command));
}

TPCLHandler TPCLStringList::FindKey(std::string_view key) const {
    auto it = firstIndex_.find(UpperCase(key));
    return it == firstIndex_.end() ? nullptr : handlers_[it->second];
}

} // namespace pg
