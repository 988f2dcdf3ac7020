#pragma once
// Messages for the user ("Information: Reserved", "Invalid DSP file", ...) would otherwise
// fill a fuzzer's output with a line for nearly every input and hide what it reports.

#include "Prompt.h"

namespace pg::fuzz {

class TSilentPrompter : public TPrompter {
public:
    void Show(PromptKind, const std::string&, const std::string&) override {}
    PromptAnswer Ask(PromptKind, const std::string&, const std::string&,
                     PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
};

// Installs a silent prompter once for the process.
inline void Silence() {
    static TSilentPrompter silent;
    static const bool installed = (SetPrompter(&silent), true);
    (void)installed;
}

} // namespace pg::fuzz
