#pragma once
// The user-prompt seam. Core code asks the user through the current prompter; the desktop
// program installs one that shows message boxes, the CLI one that writes to stderr and takes
// the default answer, and tests one that records every message and answers from a script.

#include <deque>
#include <string>
#include <vector>

namespace pg {

enum class PromptKind { Information, Warning, Error, YesNo, YesNoCancel, RetryCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel, Retry };

class TPrompter {
public:
    virtual ~TPrompter() = default;
    // Information, warning and error messages: the user can only acknowledge them.
    virtual void Show(PromptKind kind, const std::string& text, const std::string& caption) = 0;
    // Questions; defaultAnswer is the button that has the focus.
    virtual PromptAnswer Ask(PromptKind kind, const std::string& text, const std::string& caption,
                             PromptAnswer defaultAnswer) = 0;
};

// The prompter in force. Without one installed, messages go to stderr.
TPrompter& Prompter();
// Installs p (not owned) and returns the previous one; nullptr restores the stderr prompter.
TPrompter* SetPrompter(TPrompter* p);

void ShowInformation(const std::string& text, const std::string& caption = "Pagellan");
void ShowWarning(const std::string& text, const std::string& caption = "Pagellan");
void ShowError(const std::string& text, const std::string& caption = "Pagellan");
PromptAnswer AskYesNo(const std::string& text, PromptAnswer defaultAnswer = PromptAnswer::Yes,
                      const std::string& caption = "Pagellan");
PromptAnswer AskYesNoCancel(const std::string& text, PromptAnswer defaultAnswer = PromptAnswer::Yes,
                            const std::string& caption = "Pagellan");
// Retry or Cancel: for an operation the user can make possible and then try again.
PromptAnswer AskRetryCancel(const std::string& text, PromptAnswer defaultAnswer = PromptAnswer::Cancel,
                            const std::string& caption = "Pagellan");

// Writes every message to stderr and answers every question with its default.
class TStderrPrompter : public TPrompter {
public:
    void Show(PromptKind kind, const std::string& text, const std::string& caption) override;
    PromptAnswer Ask(PromptKind kind, const std::string& text, const std::string& caption,
                     PromptAnswer defaultAnswer) override;
};

// Records every message and question; questions take the next scripted answer, or the default
// when the script is used up. Installs itself for its lifetime.
class TRecordingPrompter : public TPrompter {
public:
    struct Entry {
        PromptKind Kind;
        std::string Text;
        std::string Caption;
    };
    TRecordingPrompter();
    ~TRecordingPrompter() override;
    TRecordingPrompter(const TRecordingPrompter&) = delete;
    TRecordingPrompter& operator=(const TRecordingPrompter&) = delete;

    void Show(PromptKind kind, const std::string& text, const std::string& caption) override;
    PromptAnswer Ask(PromptKind kind, const std::string& text, const std::string& caption,
                     PromptAnswer defaultAnswer) override;

    void QueueAnswer(PromptAnswer a) { answers_.push_back(a); }
    const std::vector<Entry>& Entries() const { return entries_; }
    std::vector<std::string> Texts() const;
    void Clear() { entries_.clear(); }

private:
    std::vector<Entry> entries_;
    std::deque<PromptAnswer> answers_;
    TPrompter* previous_ = nullptr;
};

} // namespace pg
