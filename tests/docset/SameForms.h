#pragma once
// Two packages compared form by form and page by page, as the container tests read them back.

#include "DocSet.h"
#include "FormCRC.h"
#include "Strings.h"

#include <gtest/gtest.h>

namespace pg::test {

// What a comparison may leave out. Quodex carries neither the annotation's user and time nor
// the template name of a page without template; Tesselon names the letter size its own way.
enum class TKept {
    QuodexFields,   // no annotation user and time; template names only where there is a template
    TesselonFields, // every field; "LTR" and "Letter" are the same size
    Everything      // every field, the page size as written
};

inline bool IsLetterSize(const std::string& size) {
    return UpperCase(size) == "LTR" || UpperCase(size) == "LETTER";
}

// Forms, pages, streams, annotations and checksums of two sets are the same.
inline void ExpectSameForms(const TDocSet& a, const TDocSet& b, TKept kept) {
    ASSERT_EQ(a.FormCount(), b.FormCount());
    for (size_t i = 0; i < a.FormCount(); ++i) {
        const TDocSetForm& fa = a.Form(i);
        const TDocSetForm& fb = b.Form(i);
        SCOPED_TRACE(fa.Name);
        EXPECT_EQ(fa.Name, fb.Name);
        EXPECT_EQ(fa.Description, fb.Description);
        EXPECT_EQ(fa.BorrowerNumber, fb.BorrowerNumber);
        EXPECT_EQ(fa.BorrowerName, fb.BorrowerName);
        EXPECT_EQ(fa.Duplexable, fb.Duplexable);
        EXPECT_EQ(fa.Deleted, fb.Deleted);
        EXPECT_EQ(fa.Format, fb.Format);
        if (kept == TKept::Everything) {
            EXPECT_EQ(fa.PageSize, fb.PageSize);
        } else {
            EXPECT_EQ(IsLetterSize(fa.PageSize), IsLetterSize(fb.PageSize));
        }
        EXPECT_EQ(fa.FormChecksum(), fb.FormChecksum());
        ASSERT_EQ(fa.PageCount(), fb.PageCount());
        for (int32_t p = 0; p < fa.PageCount(); ++p) {
            SCOPED_TRACE("page " + std::to_string(p + 1));
            const TDocSetPage& pa = *fa.Pages[size_t(p)];
            const TDocSetPage& pb = *fb.Pages[size_t(p)];
            EXPECT_EQ(pa.PageNumber, pb.PageNumber);
            EXPECT_EQ(pa.FillData.View(), pb.FillData.View());
            EXPECT_EQ(pa.TemplateData.View(), pb.TemplateData.View());
            if (kept != TKept::QuodexFields || pa.TemplateData.Size() > 0) {
                EXPECT_EQ(pa.Template.Name, pb.Template.Name);
            }
            ASSERT_EQ(pa.Annotations.size(), pb.Annotations.size());
            for (size_t k = 0; k < pa.Annotations.size(); ++k) {
                const TDocSetAnnotation& na = *pa.Annotations[k];
                const TDocSetAnnotation& nb = *pb.Annotations[k];
                EXPECT_EQ(na.ToPCL(), nb.ToPCL());
                EXPECT_EQ(na.ToQuodexLine(), nb.ToQuodexLine());
                if (kept != TKept::QuodexFields) {
                    EXPECT_EQ(na.UserId, nb.UserId);
                    EXPECT_EQ(na.Date, nb.Date);
                    EXPECT_EQ(na.Time, nb.Time);
                }
            }
        }
    }
}

} // namespace pg::test
