#pragma once
// The in-memory model of a loaded package: the document set, its forms, each form's pages, each
// page's annotations, and the package's error records. The container readers fill it, the tree
// window shows it, and viewing, printing and mailing read the page PCL from it.
//
// Texts are single-byte package texts kept as bytes. A parent owns what it holds.

#include "DateTime.h"
#include "HLWStream.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

// ---- Code tables ----------------------------------------------------------------------------

// Content format of a form.
inline constexpr uint8_t kFormatHtml = 0;
inline constexpr uint8_t kFormatPdf = 1;
inline constexpr uint8_t kFormatVivaform = 2;
inline constexpr uint8_t kFormatString = 3;
inline constexpr uint8_t kFormatXml = 4;
inline constexpr uint8_t kFormatUnknown = 5;
inline constexpr uint8_t kFormatAttachment = 6;
inline constexpr uint8_t kFormatDefault = 7;
// "HTML", "PDF", "VIVAFORM", "STRING", "XML", "UNKNOWN", "ATTACHMENT", "DEFAULT"; "" past the table.
std::string_view FormatName(uint8_t code);
// The code of a format name (compared without regard to case); def when the name is not in the table.
int FormatCode(std::string_view name, int def);

// "portrait", "landscape", "reverseportrait", "reverseLandscape"; "" past the table.
std::string_view OrientationName(uint8_t code);

// Severity of an error record: 0 unknown, 1 fatal, 2 warning, 3 debug, 4 notice.
inline constexpr uint8_t kSeverityUnknown = 0;
inline constexpr uint8_t kSeverityFatal = 1;
inline constexpr uint8_t kSeverityWarning = 2;
inline constexpr uint8_t kSeverityDebug = 3;
inline constexpr uint8_t kSeverityNotice = 4;
// The one-letter form ("unknown", "F", "W", "D", "N") and the display name ("Unknown", "Fatal",
// "Warning", "Debug", "Notice"); codes past the table read as unknown.
std::string_view SeverityLetter(uint8_t code);
std::string_view SeverityName(uint8_t code);
// The code of a severity letter (exact match); kSeverityUnknown for any other text.
uint8_t SeverityFromLetter(std::string_view letter);

// The page separator inside form checksums, whole-form fill entries and annotation entries.
inline constexpr std::string_view kPageSeparator = "\xFE.P";
// The field separator of one-line records (annotation lines, stacking-order lines, ...).
inline constexpr char kFieldSeparator = '\xFD';

// The font commands that start every annotation overlay.
inline constexpr std::string_view AnnotationFont = "\x1b*p0Y\x1b&l0L\x1b&l6D\x1b&l3E\x1b(8U\x1b(s0P"
                                                   "\x1b(s10.00H\x1b(s10.00V\x1b(s0S\x1b(s0B\x1b(s3T"
                                                   "\x1b*v0N\x1b*v0O\x1b*v0T";

// Which forms a container writer writes.
enum class TSaveMode { All = 0, Selected = 1, Changed = 2 };

// The most page data a package may hold, as a multiple of its file size. Pages are cut from
// the file's bytes, and forms may name overlapping ranges or one template many times: without a
// bound a small hostile file would claim gigabytes. Real packages stay far below this. A small
// file may always claim kPageDataFloor, which costs nothing worth refusing for.
inline constexpr size_t kPageDataPerFileByte = 64;
inline constexpr size_t kPageDataFloor = size_t(1) << 20;

// A package refused because its forms claim more page data than kPageDataPerFileByte times its
// file size; nothing of it is kept.
class TPageDataLimitError : public std::runtime_error {
public:
    TPageDataLimitError(size_t claimed, size_t fileSize);
};

// Counts the page data a reader makes for a package and throws TPageDataLimitError before the
// total passes the limit, so the refusal comes before the memory is taken.
class TPageDataBudget {
public:
    explicit TPageDataBudget(size_t fileSize)
        : fileSize_(fileSize), limit_(std::max(fileSize * kPageDataPerFileByte, kPageDataFloor)) {}
    void Take(size_t bytes);
    size_t Left() const { return limit_ - used_; }

private:
    size_t fileSize_;
    size_t limit_;
    size_t used_ = 0;
};

// ---- Plain records --------------------------------------------------------------------------

struct TTemplateStamp {
    std::string Name;
    TDateTime Date = 0;
    int32_t Size = 0;
};

class TDocSetError {
public:
    std::string Path = "/DocSet/Error";
    uint8_t Severity = kSeverityUnknown;
    std::string Message;
    std::string Data;
    std::string Source;

    // Severity name, ":", Message, " ", LF, Data, LF, Source.
    std::string DisplayText() const;
};

// One entry of the error list: a Tesselon record (Text empty) or a plain text line (no Error).
struct TErrorEntry {
    std::string Text;
    std::unique_ptr<TDocSetError> Error;
};

// ---- Nodes ----------------------------------------------------------------------------------

class TSetNode {
public:
    TSetNode() = default;
    virtual ~TSetNode() = default;
    TSetNode(const TSetNode&) = delete;
    TSetNode& operator=(const TSetNode&) = delete;

    std::vector<TErrorEntry> Errors;
    std::vector<std::string> MissingForms;
};

class TDocSetAnnotation : public TSetNode {
public:
    int32_t XPosition = 0;
    int32_t YPosition = 0;
    std::string Content;
    std::string UserId;
    std::string Source = "Client";
    std::string Date;
    std::string Time;

    // The overlay: open marker of 10001, AnnotationFont, position, Content, close marker.
    std::string ToPCL() const;
    // XPosition 0xFD YPosition 0xFD Content.
    std::string ToQuodexLine() const;
};

class TDocSetPage : public TSetNode {
public:
    TDocSetPage(int32_t pageNumber, std::string templateName, bool forceToFront, std::string barcodeValue,
                TDateTime templateDate, std::string_view initialFill);

    int32_t PageNumber = 0;
    bool ForceToFront = false;
    std::string BarcodeValue;
    TTemplateStamp Template;
    THLWMemorystream FillData;
    THLWMemorystream TemplateData;
    std::vector<std::unique_ptr<TDocSetAnnotation>> Annotations;

    void AddAnnotation(std::unique_ptr<TDocSetAnnotation> annotation);
    bool HasAnnotations() const { return !Annotations.empty(); }
    // Every annotation's overlay in list order; nullptr when the page has none.
    std::unique_ptr<THLWMemorystream> AnnotationsAsPCL() const;
};

class TDocSetForm : public TSetNode {
public:
    // The changed argument is not kept: Changed is set only by the change-mark comparison.
    TDocSetForm(std::string name, std::string description, int32_t borrowerNumber, std::string borrowerName,
                std::string pageSize, bool duplexable, bool changed, bool deleted,
                std::string reference = {});

    std::string Name;
    std::string Description;
    int32_t BorrowerNumber = 1;
    std::string Type;
    std::string DocumentType;
    std::string BorrowerName;
    std::string PageSize;
    bool Duplexable = false;
    bool Processed = false;
    bool Changed = false;
    std::string Reference;
    std::vector<std::unique_ptr<TDocSetPage>> Pages;
    bool Barcodes = true;
    int32_t PrintPageCursor = -1;
    bool Scanned = false;
    bool Deleted = false;
    bool Selected = false;
    uint8_t Orientation = 0;
    int32_t Checksum = 0;
    uint8_t Format = kFormatDefault;

    // Appends the page; returns its index.
    size_t AddPage(std::unique_ptr<TDocSetPage> page);
    int32_t PageCount() const { return int32_t(Pages.size()); }
    bool HasAnnotations() const;
    bool IsVivaform() const { return Format == kFormatVivaform; }
    // Checksum over every page's fill (pages separated by 0xFE ".P") followed by every page's
    // template data, started from 0.
    int32_t FormChecksum() const;
};

// One form of a recorded version of the checksum history.
struct TFormHistoryEntry {
    std::string Name;
    std::string Description;
    int32_t BorrowerNumber = 1;
    int32_t Checksum = 0;
};

// The checksum history the change marks are compared with; the tracking store implements it.
class TFormHistory {
public:
    virtual ~TFormHistory() = default;
    // The checksum recorded for the form (name, decimal borrower number) in the version of the
    // state, "Current" or "Previous"; -1 when there is none.
    virtual int32_t GetFormCRC(const std::string& state, const std::string& formName,
                               const std::string& borrowerNumber) const = 0;
    // The current version becomes the previous one and the entries the new current one.
    virtual void RecordVersion(const std::vector<TFormHistoryEntry>& entries) = 0;
    virtual void SaveHistory() = 0;
};

// One entry of the form list: the sort key and the form.
struct TFormEntry {
    std::string Text;
    std::unique_ptr<TDocSetForm> Form;
};

class TDocSet : public TSetNode {
public:
    TDocSet();

    std::vector<TFormEntry> Forms;
    std::string CreatedBy;
    std::string Version;
    std::string WorksheetNumber;
    std::string FromName;
    std::string LenderName;
    std::string LenderNumber;
    std::string PlanCode;
    std::string PackageType;
    std::vector<std::string> StackingOrder;
    TDocSetForm* CurrentForm = nullptr;
    std::vector<std::string> BorrowerNames;
    std::string FileName;
    bool CanAnnotate = false;
    bool Modified = false;
    bool Reordered = false;
    bool Locked = false;
    bool HasBarcodeFormula = false;
    std::string UserEmail;
    bool AnnotationsToUpload = false;
    bool UsingEmbeddedOrder = false;
    std::vector<std::string> FormListXml;

    // Appends a form keyed by its Name; returns it.
    TDocSetForm& AddForm(std::unique_ptr<TDocSetForm> form);
    size_t FormCount() const { return Forms.size(); }
    TDocSetForm& Form(size_t index) const { return *Forms[index].Form; }

    // What is damaged in the file the set was read from (cut short, ranges past its end, no
    // directory, no forms), one finding per line; empty for an intact package.
    std::string Damage;
    // Records a finding: added to Damage and, as a fatal error record, to Errors, where the
    // errors window shows it.
    void RecordDamage(const std::string& finding);
    bool IsDamaged() const { return !Damage.empty(); }

    void ClearSelection();
    bool HasErrors() const { return !Errors.empty(); }
    // Pages of the forms that are not deleted.
    int32_t TotalPageCount() const;
    // Sorts Forms by the stacking-order line of PlanCode: forms of the plan first, in plan
    // order, then all others in their previous order.
    void ReorderForms();
    // Stores every form's checksum, records a new version in the history when any differs from
    // its current one, and sets each form's Changed to whether its current and previous checksums
    // differ.
    void UpdateChangeMarks(TFormHistory& history);
};

// Whether the entry is a finding of RecordDamage (made by this program on reading, not carried
// by the package).
bool IsDamageRecord(const TErrorEntry& entry);

// Whether a container writer writes this form under the mode.
bool FormIsSaved(const TDocSetForm& form, TSaveMode mode, bool includeDeleted);

// The data of a tree node: the form it stands for and the page (or -1).
class TInfo {
public:
    TDocSetForm* Form = nullptr;
    int32_t PageNumber = -1;
    bool MultipleBorrowers = false;

    // Name ": " Description "," BorrowerName ", Page " n " of " count.
    std::string Caption() const;
    // The page's streams rewound to 0; nullptr for a form node.
    THLWMemorystream* FillStream() const;
    THLWMemorystream* TemplateStream() const;

private:
    TDocSetPage* Page() const;
};

} // namespace pg
