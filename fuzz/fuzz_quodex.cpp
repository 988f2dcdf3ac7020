// The Quodex reader on arbitrary bytes; whatever it reads is written again and must read back
// with the same forms and page fills.

#include "Prompt.h"
#include "Quodex.h"
#include "Strings.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Messages such as "Invalid DSP file" would otherwise fill the fuzzer's output.
class TSilentPrompter : public pg::TPrompter {
public:
    void Show(pg::PromptKind, const std::string&, const std::string&) override {}
    pg::PromptAnswer Ask(pg::PromptKind, const std::string&, const std::string&,
                         pg::PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
};

// A display line with "PLANCODE" near its start is skipped by design; the writer's shorter
// sequence field can move the word into that range, so such sets are not compared.
bool Comparable(const pg::TDocSet& set) {
    for (const auto& e : set.Forms)
        if (pg::UpperCase(e.Form->Name).find("PLANCODE") != std::string::npos)
            return false;
    return true;
}

void CheckRoundTrip(const pg::TQuodex& first) {
    pg::TQuodex second;
    second.LoadFromBytes(pg::TQuodex::BuildQuodex(first, pg::TSaveMode::All, true, false));
    if (!Comparable(first))
        return;
    if (second.FormCount() != first.FormCount())
        std::abort();
    for (size_t i = 0; i < first.FormCount(); ++i) {
        const pg::TDocSetForm& a = first.Form(i);
        const pg::TDocSetForm& b = second.Form(i);
        if (a.PageCount() != b.PageCount() || a.BorrowerNumber != b.BorrowerNumber)
            std::abort();
        for (size_t n = 0; n < a.Pages.size(); ++n)
            if (a.Pages[n]->FillData.View() != b.Pages[n]->FillData.View())
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentPrompter silent;
    static const bool installed = (pg::SetPrompter(&silent), true);
    (void)installed;
    pg::TQuodex set;
    try {
        set.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const pg::TQuodexFormatError&) {
        return 0;
    }
    CheckRoundTrip(set);
    return 0;
}
