#pragma once
// The prompt seam of the desktop program: every message and question is a modal message box.

#include "Prompt.h"

#include <QString>

#include <string_view>

namespace pg {

class TQtPrompter : public TPrompter {
public:
    void Show(PromptKind kind, const std::string& text, const std::string& caption) override;
    PromptAnswer Ask(PromptKind kind, const std::string& text, const std::string& caption,
                     PromptAnswer defaultAnswer) override;
};

// Package and settings texts are Windows-1252 bytes; the window shows Unicode.
QString FromPackageText(std::string_view bytes);
std::string ToPackageText(const QString& text);

} // namespace pg
