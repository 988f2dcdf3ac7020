#pragma once
// TPCLOutput: what a parse re-emits, in input order: every command (or the substitute text a
// caller set for its key) and every text run, data block and HP-GL/2 stretch as it is. The
// bytes gather in one buffer, which the document cuts its pages out of; the interpreter
// writes to it for every command, so writing is inline.

#include <string>
#include <string_view>
#include <vector>

namespace pg {

class TPCLOutput {
public:
    // Every command whose key is key (ignoring case) is re-emitted as text instead. The key is
    // kept as given, so it must be a command key already ("&lH").
    void AddSubstitution(std::string key, std::string text);

    void EmitCommand(std::string_view command) {
        if (substituteKeys_.empty() || !EmitSubstitute(command))
            EmitText(command);
    }
    void EmitText(std::string_view text) {
        if (!text.empty())
            pending_.append(text);
    }

    // The bytes emitted and not yet taken.
    std::string& Pending() { return pending_; }
    const std::string& Pending() const { return pending_; }

private:
    // Emits the substitute of the command's key, if there is one.
    bool EmitSubstitute(std::string_view command);

    std::vector<std::string> substituteKeys_;
    std::vector<std::string> substituteTexts_;
    std::string pending_;
};

} // namespace pg
