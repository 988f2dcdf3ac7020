#pragma once
// The stacking order of a loan plan: the file "PLANCODE.ORD" holds one line per plan code, the
// plan code followed by the names of the forms in the saved order, each after the byte 0xFD;
// lines end with CR LF. Saving the order of a package replaces its plan's line, deleting a plan
// code removes it. Every write goes through a temporary file renamed over the target.
//
// Also here: the confirmation text printed when a verified stack misses nothing.

#include "DateTime.h"
#include "DocSet.h"

#include <functional>
#include <string>
#include <vector>

namespace pg {

inline constexpr char kOrderLockedMessage[] =
    "The plan code order has been locked for this quodex and can not be saved.";
inline constexpr char kSaveOrderQuestion[] =
    "You have changed the document order.  Save the order for this plan?";

// The plan code of an order line (its first field).
std::string PlanCodeOfLine(const std::string& line);
// The plan code, then 0xFD and the name of every form given (display order).
std::string StackingOrderLine(const std::string& planCode, const std::vector<TDocSetForm*>& forms);

// The lines of the file; none when it does not exist or cannot be read.
std::vector<std::string> ReadOrderLines(const std::string& file);
// The lines of the file for changing it: none when nothing is there; false (error says why)
// when something is there that cannot be read, which must then not be written over.
bool ReadOrderLinesForUpdate(const std::string& file, std::vector<std::string>& lines, std::string& error);
// "The stacking order file " + file + " cannot be read (" + error + "); nothing was changed."
std::string OrderFileUnreadableText(const std::string& file, const std::string& error);
// Writes the lines, each ended by CR LF. False (error says why) when the file cannot be written;
// the old file is then untouched.
bool WriteOrderLines(const std::string& file, const std::vector<std::string>& lines, std::string& error);

// Replaces the line of the line's plan code, or appends it when there is none. Further lines of
// the same plan code (a file edited by hand) go, so a plan has one order.
void PutOrderLine(std::vector<std::string>& lines, const std::string& line);
// Removes every line of the plan code; answers how many went.
size_t RemovePlanCode(std::vector<std::string>& lines, const std::string& planCode);

enum class TSaveOrderResult { Saved, Locked, NoPlanCode, ReadFailed, WriteFailed };

// Saves the order of the forms as the stacking order of the set's plan. A set that is missing or
// may not be reordered is refused with the locked warning. A set without a plan code asks
// askPlanCode for one (empty: cancelled) and keeps the answer. A file that is there but cannot
// be read (it holds the other plans' orders) is left alone; that and write failures are shown
// as an error.
TSaveOrderResult SaveStackingOrder(TDocSet* set, const std::vector<TDocSetForm*>& formsInDisplayOrder,
                                   const std::string& file, const std::function<std::string()>& askPlanCode);

// Removes the plan code's lines from the file and writes it; false when the file cannot be
// read or written (the user is told).
bool DeleteStackingOrder(const std::string& file, const std::string& planCode);

// The raw job text printed when a verified stack misses nothing: ESC E, 68 asterisks, "All forms
// exist for worksheet : " and the number, "Date: " mm/dd/yyyy " Time: " hh:mm:ss, 68 asterisks.
std::string ConfirmationText(const std::string& worksheetNumber, TDateTime when);

} // namespace pg
