#include "StackingOrder.h"

#include "Paths.h"
#include "Prompt.h"
#include "Strings.h"

#include <algorithm>
#include <filesystem>

namespace pg {

std::string PlanCodeOfLine(const std::string& line) {
    return line.substr(0, line.find(kFieldSeparator));
}

std::string StackingOrderLine(const std::string& planCode, const std::vector<TDocSetForm*>& forms) {
    std::string line = planCode;
    for (const TDocSetForm* form : forms)
        if (form != nullptr)
            line += kFieldSeparator + form->Name;
    return line;
}

std::vector<std::string> ReadOrderLines(const std::string& file) {
    std::string bytes, error;
    if (!FileExists(file) || !ReadFileBytes(file, bytes, error))
        return {};
    std::vector<std::string> lines = SplitLines(bytes);
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); }),
                lines.end());
    return lines;
}

bool ReadOrderLinesForUpdate(const std::string& file, std::vector<std::string>& lines, std::string& error) {
    lines.clear();
    // Anything at the name counts, also what is no plain file: a folder or a broken link there
    // is not an empty order file to be replaced.
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(NativePath(file), ec)))
        return true;
    std::string bytes;
    if (std::filesystem::is_directory(NativePath(file), ec)) {
        error = "it is a folder";
        return false;
    }
    if (!ReadFileBytes(file, bytes, error))
        return false;
    for (std::string& line : SplitLines(bytes))
        if (!line.empty())
            lines.push_back(std::move(line));
    return true;
}

std::string OrderFileUnreadableText(const std::string& file, const std::string& error) {
    return "The stacking order file " + file + " cannot be read (" + error + "); nothing was changed.";
}

bool WriteOrderLines(const std::string& file, const std::vector<std::string>& lines, std::string& error) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return AtomicWriteFile(file, text, error);
}

void PutOrderLine(std::vector<std::string>& lines, const std::string& line) {
    const std::string planCode = PlanCodeOfLine(line);
    auto first = std::find_if(lines.begin(), lines.end(),
                              [&](const std::string& l) { return PlanCodeOfLine(l) == planCode; });
    if (first == lines.end()) {
        lines.push_back(line);
        return;
    }
    *first = line;
    lines.erase(std::remove_if(std::next(first), lines.end(),
                               [&](const std::string& l) { return PlanCodeOfLine(l) == planCode; }),
                lines.end());
}

size_t RemovePlanCode(std::vector<std::string>& lines, const std::string& planCode) {
    const size_t before = lines.size();
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const std::string& l) { return PlanCodeOfLine(l) == planCode; }),
                lines.end());
    return before - lines.size();
}

TSaveOrderResult SaveStackingOrder(TDocSet* set, const std::vector<TDocSetForm*>& formsInDisplayOrder,
                                   const std::string& file, const std::function<std::string()>& askPlanCode) {
    if (set == nullptr || !set->CanAnnotate) {
        ShowWarning(kOrderLockedMessage);
        return TSaveOrderResult::Locked;
    }
    if (set->PlanCode.empty() && askPlanCode)
        set->PlanCode = askPlanCode();
    const std::string planCode = Trim(set->PlanCode);
    if (planCode.empty())
        return TSaveOrderResult::NoPlanCode;
    std::vector<std::string> lines;
    std::string error;
    if (!ReadOrderLinesForUpdate(file, lines, error)) {
        ShowError(OrderFileUnreadableText(file, error));
        return TSaveOrderResult::ReadFailed;
    }
    PutOrderLine(lines, StackingOrderLine(planCode, formsInDisplayOrder));
    if (!WriteOrderLines(file, lines, error)) {
        ShowError("The stacking order could not be saved to " + file + ": " + error);
        return TSaveOrderResult::WriteFailed;
    }
    return TSaveOrderResult::Saved;
}

bool DeleteStackingOrder(const std::string& file, const std::string& planCode) {
    std::vector<std::string> lines;
    std::string error;
    if (!ReadOrderLinesForUpdate(file, lines, error)) {
        ShowError(OrderFileUnreadableText(file, error));
        return false;
    }
    RemovePlanCode(lines, Trim(planCode));
    if (WriteOrderLines(file, lines, error))
        return true;
    ShowError("The stacking order could not be saved to " + file + ": " + error);
    return false;
}

std::string ConfirmationText(const std::string& worksheetNumber, TDateTime when) {
    const std::string stars(68, '*');
    // The page is ejected and the printer reset at the end, so the confirmation comes out of the
    // printer at once instead of waiting for the next job.
    return "\x1b"
           "E" +
           stars + "\n\rAll forms exist for worksheet : " + worksheetNumber + "\n\rDate: " + DateText(when) +
           " Time: " + TimeText(when) + "\n\r" + stars + "\f\x1b" + "E";
}

} // namespace pg
