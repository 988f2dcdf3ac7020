#pragma once
// The prompt seam of the desktop program: every message and question is a modal message box.

#include "Prompt.h"
#include "QtText.h"

#include <QString>

#include <string_view>

namespace pg {

class TQtPrompter : public TPrompter {
public:
    void Show(PromptKind kind, const std::string& text, const std::string& caption) override;
    PromptAnswer Ask(PromptKind kind, const std::string& text, const std::string& caption,
                     PromptAnswer defaultAnswer) override;
};

} // namespace pg
