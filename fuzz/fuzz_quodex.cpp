// The Quodex reader on arbitrary bytes; whatever it reads is written again, as Quodex and as
// Tesselon and back, and must read back as the same package (RoundTrip.h says what is compared).

#include "Prompt.h"
#include "Quodex.h"
#include "RoundTrip.h"

#include <cstdint>

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
    } catch (const pg::TPageDataLimitError&) {
        return 0;
    }
    fuzzcheck::FromQuodex(set);
    return 0;
}
