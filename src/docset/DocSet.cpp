#include "DocSet.h"

#include "FormCRC.h"
#include "Prompt.h"
#include "Strings.h"

#include <algorithm>
#include <array>
#include <exception>

namespace pg {

// ---- Code tables ----------------------------------------------------------------------------

namespace {

constexpr std::array<std::string_view, 8> kFormatNames = {"HTML", "PDF",     "VIVAFORM",   "STRING",
                                                          "XML",  "UNKNOWN", "ATTACHMENT", "DEFAULT"};

constexpr std::array<std::string_view, 4> kOrientationNames = {"portrait", "landscape", "reverseportrait",
                                                               "reverseLandscape"};

struct TSeverityText {
    std::string_view Letter;
    std::string_view Name;
};

constexpr std::array<TSeverityText, 5> kSeverities = {{
    {"unknown", "Unknown"},
    {"F", "Fatal"},
    {"W", "Warning"},
    {"D", "Debug"},
    {"N", "Notice"},
}};

const TSeverityText& Severity(uint8_t code) {
    return kSeverities[code < kSeverities.size() ? code : 0];
}

} // namespace

std::string_view FormatName(uint8_t code) {
    return code < kFormatNames.size() ? kFormatNames[code] : "";
}

int FormatCode(std::string_view name, int def) {
    for (size_t i = 0; i < kFormatNames.size(); ++i)
        if (SameText(kFormatNames[i], name))
            return int(i);
    return def;
}

std::string_view OrientationName(uint8_t code) {
    return code < kOrientationNames.size() ? kOrientationNames[code] : "";
}

std::string_view SeverityLetter(uint8_t code) {
    return Severity(code).Letter;
}
std::string_view SeverityName(uint8_t code) {
    return Severity(code).Name;
}

uint8_t SeverityFromLetter(std::string_view letter) {
    for (size_t i = 1; i < kSeverities.size(); ++i)
        if (kSeverities[i].Letter == letter)
            return uint8_t(i);
    return kSeverityUnknown;
}

// ---- Records --------------------------------------------------------------------------------

std::string TDocSetError::DisplayText() const {
    return std::string(SeverityName(Severity)) + ":" + Message + " \n" + Data + "\n" + Source;
}

std::string TDocSetAnnotation::ToPCL() const {
    std::string s = MacroOpen(kMacroAnnotation);
    s += AnnotationFont;
    s += "\x1b*p" + IntToStr(XPosition) + "X";
    s += "\x1b*p" + IntToStr(YPosition) + "Y";
    s += Content;
    s += MacroClose(kMacroAnnotation);
    return s;
}

std::string TDocSetAnnotation::ToQuodexLine() const {
    return IntToStr(XPosition) + kFieldSeparator + IntToStr(YPosition) + kFieldSeparator + Content;
}

// ---- Pages and forms ------------------------------------------------------------------------

TDocSetPage::TDocSetPage(int32_t pageNumber, std::string templateName, bool forceToFront,
                         std::string barcodeValue, TDateTime templateDate, std::string_view initialFill)
    : PageNumber(pageNumber), ForceToFront(forceToFront), BarcodeValue(std::move(barcodeValue)) {
    Template.Name = std::move(templateName);
    Template.Date = templateDate;
    FillData.AppendText(initialFill);
}

void TDocSetPage::AddAnnotation(std::unique_ptr<TDocSetAnnotation> annotation) {
    Annotations.push_back(std::move(annotation));
}

std::unique_ptr<THLWMemorystream> TDocSetPage::AnnotationsAsPCL() const {
    if (Annotations.empty())
        return nullptr;
    auto stream = std::make_unique<THLWMemorystream>();
    for (const auto& a : Annotations)
        stream->AppendText(a->ToPCL());
    stream->Seek(0);
    return stream;
}

TDocSetForm::TDocSetForm(std::string name, std::string description, int32_t borrowerNumber,
                         std::string borrowerName, std::string pageSize, bool duplexable, bool /*changed*/,
                         bool deleted, std::string reference)
    : Name(std::move(name)), Description(std::move(description)), BorrowerNumber(borrowerNumber),
      BorrowerName(std::move(borrowerName)), PageSize(std::move(pageSize)), Duplexable(duplexable),
      Reference(std::move(reference)), Deleted(deleted) {}

size_t TDocSetForm::AddPage(std::unique_ptr<TDocSetPage> page) {
    Pages.push_back(std::move(page));
    return Pages.size() - 1;
}

bool TDocSetForm::HasAnnotations() const {
    return std::any_of(Pages.begin(), Pages.end(), [](const auto& p) { return p->HasAnnotations(); });
}

int32_t TDocSetForm::FormChecksum() const {
    // Chained over the pieces rather than over a joined copy: the result is the same.
    uint32_t crc = 0;
    for (size_t i = 0; i < Pages.size(); ++i) {
        if (i > 0)
            crc = ChecksumUpdate(crc, kPageSeparator);
        crc = ChecksumUpdate(crc, Pages[i]->FillData.View());
    }
    for (const auto& p : Pages)
        crc = ChecksumUpdate(crc, p->TemplateData.View());
    return int32_t(crc);
}

bool FormIsSaved(const TDocSetForm& form, TSaveMode mode, bool includeDeleted) {
    if (form.Deleted && !includeDeleted)
        return false;
    if (mode == TSaveMode::Selected)
        return form.Selected;
    if (mode == TSaveMode::Changed)
        return form.Changed;
    return true;
}

// ---- Document set ---------------------------------------------------------------------------

TDocSet::TDocSet() : FormListXml{"No XML data available"} {}

TPageDataLimitError::TPageDataLimitError(size_t claimed, size_t fileSize)
    : std::runtime_error("The package is refused: its forms claim more than " + IntToStr(int64_t(claimed)) +
                         " bytes of page data, over " + IntToStr(int64_t(kPageDataPerFileByte)) +
                         " times its file size of " + IntToStr(int64_t(fileSize)) +
                         " bytes (a damaged or hostile file)") {}

void TPageDataBudget::Take(size_t bytes) {
    if (bytes > limit_ - used_)
        throw TPageDataLimitError(used_ + bytes, fileSize_);
    used_ += bytes;
}

namespace {
constexpr std::string_view kDamagePrefix = "Damaged package: ";
constexpr std::string_view kDamageSource = "Pagellan";
} // namespace

bool IsDamageRecord(const TErrorEntry& entry) {
    return entry.Error && entry.Error->Source == kDamageSource &&
           entry.Error->Message.starts_with(kDamagePrefix);
}

void TDocSet::RecordDamage(const std::string& finding) {
    if (!Damage.empty())
        Damage += '\n';
    Damage += finding;
    auto record = std::make_unique<TDocSetError>();
    record->Severity = kSeverityFatal;
    record->Message = std::string(kDamagePrefix) + finding;
    record->Source = kDamageSource;
    Errors.push_back({"", std::move(record)});
}

TDocSetForm& TDocSet::AddForm(std::unique_ptr<TDocSetForm> form) {
    std::string key = form->Name;
    Forms.push_back({std::move(key), std::move(form)});
    return *Forms.back().Form;
}

void TDocSet::ClearSelection() {
    for (auto& e : Forms)
        e.Form->Selected = false;
}

int32_t TDocSet::TotalPageCount() const {
    int32_t total = 0;
    for (const auto& e : Forms)
        if (!e.Form->Deleted)
            total += e.Form->PageCount();
    return total;
}

namespace {

// Case-insensitive text order of sort keys.
bool KeyLess(const std::string& a, const std::string& b) {
    return UpperCase(a) < UpperCase(b);
}

std::string PlanPositionKey(const std::vector<std::string>& order, const std::string& name) {
    for (size_t i = 0; i < order.size(); ++i)
        if (SameText(order[i], name))
            return PadLeft(IntToStr(int64_t(i)), 3, '0');
    return "999";
}

} // namespace

void TDocSet::ReorderForms() {
    auto line = std::find_if(StackingOrder.begin(), StackingOrder.end(), [&](const std::string& l) {
        return Split(l, std::string_view(&kFieldSeparator, 1)).front() == PlanCode;
    });
    if (line == StackingOrder.end()) {
        StackingOrder.clear();
        return;
    }
    std::vector<std::string> fields = Split(*line, std::string_view(&kFieldSeparator, 1));
    StackingOrder.assign(fields.begin() + 1, fields.end());
    try {
        for (auto& e : Forms)
            e.Text = PlanPositionKey(StackingOrder, e.Form->Name);
        Reordered = true;
        // Stable, so forms with equal keys keep their load order.
        std::stable_sort(Forms.begin(), Forms.end(),
                         [](const TFormEntry& a, const TFormEntry& b) { return KeyLess(a.Text, b.Text); });
    } catch (const std::exception& e) {
        ShowError(std::string(e.what()) + " DocSet.ReorderForms");
    }
}

// ---- Tree-node data -------------------------------------------------------------------------

TDocSetPage* TInfo::Page() const {
    if (!Form || PageNumber < 1 || PageNumber > Form->PageCount())
        return nullptr;
    return Form->Pages[size_t(PageNumber - 1)].get();
}

std::string TInfo::Caption() const {
    if (!Form)
        return {};
    return Form->Name + ": " + Form->Description + "," + Form->BorrowerName + ", Page " +
           IntToStr(PageNumber) + " of " + IntToStr(Form->PageCount());
}

THLWMemorystream* TInfo::FillStream() const {
    TDocSetPage* page = Page();
    if (!page)
        return nullptr;
    page->FillData.Seek(0);
    return &page->FillData;
}

THLWMemorystream* TInfo::TemplateStream() const {
    TDocSetPage* page = Page();
    if (!page)
        return nullptr;
    page->TemplateData.Seek(0);
    return &page->TemplateData;
}

} // namespace pg
