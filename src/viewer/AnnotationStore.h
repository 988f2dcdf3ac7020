#pragma once
// Annotations between the page window and the model: what an annotation control holds, how
// the controls of a page become the page's TDocSetAnnotation list, the stamp of who touched an
// annotation when, its hint, and the save of the whole package that follows.

#include "DocSet.h"
#include "ViewerCore.h"

#include <string>
#include <vector>

namespace pg {

// What one annotation control holds, in image pixels.
struct TAnnotationState {
    int Left = 0;
    int Top = 0;
    std::string Text;
    std::string UserName;
    std::string ModifiedDate;
    std::string ModifiedTime;
};

inline constexpr const char* kAnnotationsChangedQuestion =
    "Annotations were changed on this page.  Save them now?";
inline constexpr const char* kAnnotationHintNoDate = "Right mouse click for options";
inline constexpr uint32_t kAnnotationColor = 0x00FFFF00; // aqua

// "Modified by: " user LF date " at " time when a date is set, else the options hint.
std::string AnnotationHint(const std::string& user, const std::string& date, const std::string& time);

// Who writes annotations: the set's e-mail address, or the log-on name without a set.
std::string AnnotationUserName(const TDocSet* set);

// Today as "mm/dd/yyyy" and now as "hh:mm:ss".
struct TStamp {
    std::string Date;
    std::string Time;
};
TStamp StampNow();

// Replaces the page's annotations by the controls' annotations in their order; blank texts are
// left out. Each position is the PCL point of the control's bottom-left corner.
void StoreAnnotations(TDocSetPage& page, const std::vector<TAnnotationState>& controls, int annotationHeight,
                      double pageScale);

// The main window's Save: the whole set (deleted forms too) to its FileName, as a Quodex file
// when it was read from one, else as a Tesselon file. A failed save leaves the file as it was,
// has told the user and answers false.
bool SaveWholePackage(TDocSet& set);

// Whether the page's annotations may be added (deleted) in a window of this kind.
struct TAnnotationRights {
    bool AddText = false;
    bool DelText = false;
    bool Save = false;
};
TAnnotationRights AnnotationRights(const TDocSet* set, bool pclFileMode, bool vivaformMode, bool mayAdd,
                                   bool mayDelete);

} // namespace pg
