#include "PCLOutput.h"

#include "PCLValues.h"
#include "Strings.h"

namespace pg {

void TPCLOutput::AddSubstitution(std::string key, std::string text) {
    substituteKeys_.push_back(std::move(key));
    substituteTexts_.push_back(std::move(text));
}

bool TPCLOutput::EmitSubstitute(std::string_view command) {
    const std::string key = CommandKey(command);
    for (size_t i = 0; i < substituteKeys_.size(); ++i) {
        if (SameText(substituteKeys_[i], key)) {
            EmitText(substituteTexts_[i]);
            return true;
        }
    }
    return false;
}

} // namespace pg
