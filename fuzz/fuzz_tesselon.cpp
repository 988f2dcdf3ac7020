// Feeds arbitrary bytes to the Tesselon reader twice: as a whole file, and as a form list
// (the bytes before the first NUL) wrapped around a data blob (the rest), which reaches the
// page reading quickly. Whatever reads is written again, as Tesselon and as Quodex and back,
// and must read back as the same package (RoundTrip.h says what is compared).

#include "HLWStream.h"
#include "Prompt.h"
#include "RoundTrip.h"
#include "Tesselon.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

class TSilentPrompter : public pg::TPrompter {
public:
    void Show(pg::PromptKind, const std::string&, const std::string&) override {}
    pg::PromptAnswer Ask(pg::PromptKind, const std::string&, const std::string&,
                         pg::PromptAnswer answer) override {
        return answer;
    }
};

void ReadAndRewrite(std::string_view bytes) {
    pg::TTesselon set;
    try {
        set.LoadFromBytes(bytes);
        set.ReadFormList();
    } catch (const pg::TTesselonFormatError&) {
        return;
    } catch (const pg::TPageDataLimitError&) {
        return;
    }
    fuzzcheck::FromTesselon(set);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentPrompter prompter;
    pg::SetPrompter(&prompter);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ReadAndRewrite(input);
    const size_t split = input.find('\0');
    const std::string_view xml = input.substr(0, split);
    const std::string_view blob =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    const std::string file = "\x1b"
                             "E" +
                             pg::MacroBegin(pg::kMacroFormListXml) + std::string(xml) +
                             pg::MacroEnd(pg::kMacroFormListXml) + std::string(blob) +
                             "\x1b"
                             "E";
    ReadAndRewrite(file);
    return 0;
}
