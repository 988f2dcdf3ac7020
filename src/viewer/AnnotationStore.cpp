#include "AnnotationStore.h"

#include "DateTime.h"
#include "Paths.h"
#include "Quodex.h"
#include "Strings.h"
#include "Tesselon.h"

namespace pg {

std::string AnnotationHint(const std::string& user, const std::string& date, const std::string& time) {
    if (date.empty())
        return kAnnotationHintNoDate;
    return "Modified by: " + user + "\n" + date + " at " + time;
}

std::string AnnotationUserName(const TDocSet* set) {
    return set != nullptr ? set->UserEmail : UserName();
}

TStamp StampNow() {
    const TDateTime now = Now();
    return {DateText(now), TimeText(now)};
}

void StoreAnnotations(TDocSetPage& page, const std::vector<TAnnotationState>& controls, int annotationHeight,
                      double pageScale) {
    page.Annotations.clear();
    for (const TAnnotationState& control : controls) {
        if (Trim(control.Text).empty())
            continue;
        auto annotation = std::make_unique<TDocSetAnnotation>();
        const TPoint p = AnnotationPclPoint(control.Left, control.Top, annotationHeight, pageScale);
        annotation->XPosition = p.X;
        annotation->YPosition = p.Y;
        annotation->UserId = control.UserName;
        annotation->Date = control.ModifiedDate;
        annotation->Time = control.ModifiedTime;
        annotation->Content = control.Text;
        page.AddAnnotation(std::move(annotation));
    }
}

bool SaveWholePackage(TDocSet& set) {
    if (dynamic_cast<const TQuodex*>(&set) != nullptr)
        return TQuodex::SaveQuodex(set, set.FileName, TSaveMode::All, true, false);
    return TTesselon::SaveTesselon(set, set.FileName, TSaveMode::All, true);
}

TAnnotationRights AnnotationRights(const TDocSet* set, bool pclFileMode, bool vivaformMode, bool mayAdd,
                                   bool mayDelete) {
    TAnnotationRights r;
    const bool allowed = set != nullptr && set->CanAnnotate && !vivaformMode;
    r.AddText = pclFileMode || (allowed && mayAdd);
    r.DelText = pclFileMode || (allowed && mayDelete);
    r.Save = r.AddText || r.DelText;
    return r;
}

} // namespace pg
