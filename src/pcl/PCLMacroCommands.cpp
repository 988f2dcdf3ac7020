// The macro commands: the macro identifier, and macro control (define, run, delete, make
// temporary or permanent). The document scans a macro's body; the run shares the page state.

#include "HLWStream.h"
#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"

#include <algorithm>

namespace pg {

namespace {

// Runs the macro selected by MacroID as a nested scan that shares the page state. The scan
// works on a copy, so the macro may delete or redefine itself while it runs. Simplex/duplex
// and the paper are the calling page's; a macro's settings of them do not outlive it.
void ExecuteMacro(TPCLInterpreter& ip) {
    TPCLPageState& page = ip.State.Page;
    auto it = ip.State.Macros.find(page.MacroID);
    if (it == ip.State.Macros.end() || ip.MacroDepth >= TPCLInterpreter::kMaxMacroDepth ||
        it->second->Body.size() > ip.MacroBudget)
        return;
    ip.MacroBudget -= it->second->Body.size();
    THLWMemorystream body{it->second->Body};
    const int32_t duplex = page.DuplexMode;
    std::string paperCode = page.PaperCode, pagePaperCode = page.PagePaperCode;
    struct TDepth {
        int& Depth;
        explicit TDepth(int& depth) : Depth(depth) { ++Depth; }
        ~TDepth() { --Depth; }
        TDepth(const TDepth&) = delete;
        TDepth& operator=(const TDepth&) = delete;
    };
    {
        const TDepth nested(ip.MacroDepth);
        ip.Host().RunMacro(body);
    }
    ip.PageHasContent = true;
    page.DuplexMode = duplex;
    page.PaperCode = std::move(paperCode);
    page.PagePaperCode = std::move(pagePaperCode);
}

void CmdMacroID(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.MacroID = uint16_t(IntegerValue(command));
}

void CmdMacroControl(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    auto& macros = ip.State.Macros;
    const uint16_t id = ip.State.Page.MacroID;
    switch (IntegerValue(command)) {
    case 0:
        ip.DefiningMacro = true;
        ip.MacroBody.clear();
        break;
    case 1:
        if (ip.DefiningMacro)
            macros[id] = std::make_shared<const TStoredMacro>(TStoredMacro{ip.MacroBody, false});
        ip.DefiningMacro = false;
        ip.MacroBody.clear();
        break;
    case 2:
        ExecuteMacro(ip);
        break;
    case 6:
        macros.clear();
        break;
    case 7:
        std::erase_if(macros, [](const auto& m) { return !m.second->Permanent; });
        break;
    case 8:
        macros.erase(id);
        break;
    case 9:
    case 10:
        // A stored macro is shared with the page starts kept: a changed one is a new one.
        if (auto it = macros.find(id); it != macros.end())
            it->second = std::make_shared<const TStoredMacro>(
                TStoredMacro{it->second->Body, IntegerValue(command) == 10});
        break;
    default:
        break;
    }
}

} // namespace

void AddMacroCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(), {
                                      {119, "&fY", "MacroID", &CmdMacroID},
                                      {120, "&fX", "MacroControl", &CmdMacroControl},
                                  });
}

} // namespace pg
