#pragma once
// Reading a package for the tree window: the container chosen by the file name (and by a first
// escape byte), the user's e-mail address, the local stacking order and the plan's order.

#include "DocSet.h"
#include "HLWStream.h"

#include <memory>
#include <string>

namespace pg {

struct TLoadOutcome {
    std::unique_ptr<TDocSet> Set;
    // The Tesselon reader refused the file: it is to be shown as a plain file instead.
    bool ShowAsPlainFile = false;
};

// Reads the stream into a new set. A stream of at most one byte gives nothing. A first escape
// byte changes the extension of currentFile to "TSN". Files whose extension is not "QDX" go to
// the Tesselon reader; a Quodex format error and a refusal of the page data
// (TPageDataLimitError) are thrown to the caller.
TLoadOutcome ReadDocSet(const THLWMemorystream& stream, std::string& currentFile);

// What the tree window does with a freshly read set before showing it: the user's e-mail
// address, the stacking-order file when the set has no order of its own, the plan's order, and
// the file name.
void PrepareDocSet(TDocSet& set, const std::string& userEmail, const std::string& orderFile,
                   const std::string& currentFile);

// Where the local "PLANCODE.ORD" lives: next to the fill folder's parent when that is a LENDER
// folder that exists, else in the tracking history folder (created when missing). Relative
// fill folders starting with "..\" are taken from the program's folder.
std::string PlanCodeOrderFile(const std::string& fillDir, const std::string& programFolder,
                              const std::string& historyDir);

} // namespace pg
