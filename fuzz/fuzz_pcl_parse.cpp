// The PCL interpreter without drawing: scanner, command splitting, state, page splitting and
// re-emission on arbitrary bytes. Nothing is drawn, so an input costs only its parse.
//
// The last byte chooses the options a caller can set, so every seed keeps its own choice
// while the fuzzer flips them.

#include "PCLParse.h"
#include "SilentPrompter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pg::fuzz::Silence();
    const uint8_t options = size > 0 ? data[size - 1] : 0;
    pg::TPCLBuffer buffer;
    buffer.SetShowControlCodes(options & 1);
    if (options & 2)
        buffer.AddSubstitution("&lH", "\x1b&l7H");
    buffer.AppendData(data, size);
    buffer.Parse();
    // Touch every page's bytes and the whole output so the sanitizers see them read.
    size_t total = 0;
    for (int page = 1; page <= buffer.GetPageCount(); ++page)
        total += buffer.GetPageStream(page)->View().size();
    total += buffer.GetOutput().View().size();
    return total == size_t(-1);
}
