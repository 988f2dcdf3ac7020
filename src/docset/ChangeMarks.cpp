// The change marks: form checksums compared with the tracking history.
#include "DocSet.h"

#include "Strings.h"

namespace pg {

namespace {

constexpr char kCurrent[] = "Current";
constexpr char kPrevious[] = "Previous";

} // namespace

void TDocSet::UpdateChangeMarks(TFormHistory& history) {
    bool allMatch = true;
    for (TFormEntry& entry : Forms) {
        TDocSetForm& form = *entry.Form;
        form.Checksum = form.FormChecksum();
        if (form.Checksum != history.GetFormCRC(kCurrent, form.Name, IntToStr(form.BorrowerNumber)))
            allMatch = false;
    }
    if (!allMatch) {
        std::vector<TFormHistoryEntry> entries;
        entries.reserve(Forms.size());
        for (const TFormEntry& entry : Forms)
            entries.push_back({entry.Form->Name, entry.Form->Description, entry.Form->BorrowerNumber,
                               entry.Form->Checksum});
        history.RecordVersion(entries);
        history.SaveHistory();
    }
    for (TFormEntry& entry : Forms) {
        TDocSetForm& form = *entry.Form;
        const std::string borrower = IntToStr(form.BorrowerNumber);
        // Set both ways: a set marked by an earlier call loses the marks that no longer hold.
        form.Changed = history.GetFormCRC(kCurrent, form.Name, borrower) !=
                       history.GetFormCRC(kPrevious, form.Name, borrower);
    }
}

} // namespace pg
