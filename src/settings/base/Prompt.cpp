#include "Prompt.h"

#include <iostream>

namespace pg {

namespace {
TStderrPrompter stderrPrompter;
TPrompter* current = nullptr;

const char* KindName(PromptKind k) {
    switch (k) {
    case PromptKind::Information:
        return "Information";
    case PromptKind::Warning:
        return "Warning";
    case PromptKind::Error:
        return "Error";
    case PromptKind::YesNo:
    case PromptKind::YesNoCancel:
    case PromptKind::RetryCancel:
        return "Question";
    }
    return "";
}

const char* AnswerName(PromptAnswer a) {
    switch (a) {
    case PromptAnswer::Ok:
        return "Ok";
    case PromptAnswer::Yes:
        return "Yes";
    case PromptAnswer::No:
        return "No";
    case PromptAnswer::Cancel:
        return "Cancel";
    case PromptAnswer::Retry:
        return "Retry";
    }
    return "";
}
} // namespace

TPrompter& Prompter() {
    return current ? *current : stderrPrompter;
}

TPrompter* SetPrompter(TPrompter* p) {
    TPrompter* old = current;
    current = p;
    return old;
}

void ShowInformation(const std::string& text, const std::string& caption) {
    Prompter().Show(PromptKind::Information, text, caption);
}
void ShowWarning(const std::string& text, const std::string& caption) {
    Prompter().Show(PromptKind::Warning, text, caption);
}
void ShowError(const std::string& text, const std::string& caption) {
    Prompter().Show(PromptKind::Error, text, caption);
}
PromptAnswer AskYesNo(const std::string& text, PromptAnswer defaultAnswer, const std::string& caption) {
    return Prompter().Ask(PromptKind::YesNo, text, caption, defaultAnswer);
}
PromptAnswer AskYesNoCancel(const std::string& text, PromptAnswer defaultAnswer, const std::string& caption) {
    return Prompter().Ask(PromptKind::YesNoCancel, text, caption, defaultAnswer);
}
PromptAnswer AskRetryCancel(const std::string& text, PromptAnswer defaultAnswer, const std::string& caption) {
    return Prompter().Ask(PromptKind::RetryCancel, text, caption, defaultAnswer);
}

void TStderrPrompter::Show(PromptKind kind, const std::string& text, const std::string&) {
    std::cerr << KindName(kind) << ": " << text << '\n';
}

PromptAnswer TStderrPrompter::Ask(PromptKind kind, const std::string& text, const std::string&,
                                  PromptAnswer defaultAnswer) {
    std::cerr << KindName(kind) << ": " << text << " [" << AnswerName(defaultAnswer) << "]\n";
    return defaultAnswer;
}

TRecordingPrompter::TRecordingPrompter() {
    previous_ = SetPrompter(this);
}
TRecordingPrompter::~TRecordingPrompter() {
    SetPrompter(previous_);
}

void TRecordingPrompter::Show(PromptKind kind, const std::string& text, const std::string& caption) {
    entries_.push_back({kind, text, caption});
}

PromptAnswer TRecordingPrompter::Ask(PromptKind kind, const std::string& text, const std::string& caption,
                                     PromptAnswer defaultAnswer) {
    entries_.push_back({kind, text, caption});
    if (answers_.empty())
        return defaultAnswer;
    PromptAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

std::vector<std::string> TRecordingPrompter::Texts() const {
    std::vector<std::string> t;
    for (const auto& e : entries_)
        t.push_back(e.Text);
    return t;
}

} // namespace pg
