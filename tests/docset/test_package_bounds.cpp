// What a hostile or damaged package costs: page data is bounded by the file's size whatever
// ranges its forms name (refused beyond), a template named by many pages is held once, and a
// file cut short or with ranges past its end is recorded as damaged in the set.

#include "Prompt.h"
#include "Quodex.h"
#include "Tesselon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace pg;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

// Peak resident memory of this process in kB since the last reset (VmHWM); the reset makes the
// peak the current size, so a reading measures one operation.
long PeakKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A Tesselon file whose pages all name the same 1 MB of a 1.6 MB blob: 3,200 MB when copied.
std::string OverlappingTesselon(int pages) {
    std::string xml = "<DocSet><WorksheetNumber>9</WorksheetNumber><Form><Name>BIG.DOT</Name>";
    for (int p = 1; p <= pages; ++p)
        xml += "<Page pageNumber=\"" + std::to_string(p) + "\" byteOffset=\"" + std::to_string(p % 500) +
               "\" expectedByteLength=\"1048576\"/>";
    xml += "</Form></DocSet>";
    return "\x1b"
           "E" +
           MacroBegin(kMacroFormListXml) + xml + MacroEnd(kMacroFormListXml) + std::string(1600 * 1024, 'x');
}

// A Quodex file of forms that all use one 1 MB template.
std::string SharedTemplateQuodex(int forms) {
    std::string dsp = "PLANCODE;P\r\n", directory, data;
    auto entry = [&](const std::string& name, const std::string& bytes) {
        directory += (directory.empty() ? "" : ";") + std::string("PCL,") + name + "," +
                     std::to_string(data.size() + 1) + "," + std::to_string(bytes.size());
        data += bytes;
    };
    for (int f = 1; f <= forms; ++f) {
        dsp += std::to_string(f);
        for (const char* field :
             {"T.DOT", "d", "1", "1", "1", "LTR", "Bob", "Y", "Y", "N", "N", "T.DOT\xFC\r\n"})
            dsp += std::string("\xFD") + field;
    }
    for (int f = 1; f <= forms; ++f)
        entry("F7." + std::string(f < 10 ? "0" : "") + std::to_string(f) + "1", "fill " + std::to_string(f));
    entry("T.DOT", std::string(1024 * 1024, 't'));
    entry("7.DSP", dsp);
    return "WS,7:" + directory + ":" + data;
}

TEST(PackageBounds, OverlappingRangesAreRefusedSharedTemplatesHeldOnce) {
    const std::string hostile = OverlappingTesselon(3200);
    ResetPeak();
    const long before = PeakKb();
    try {
        TTesselon set;
        set.LoadFromBytes(hostile);
        set.ReadFormList();
        ADD_FAILURE() << "3,200 MB of page data from a 1.6 MB file was accepted";
    } catch (const TPageDataLimitError& e) {
        EXPECT_THAT(e.what(), HasSubstr("over 64 times its file size of"));
    }
    // The claims are checked before any page is made: neither the bound of 64 x 1.6 MB nor
    // the 3.2 GB of copies is ever taken.
    EXPECT_LT(PeakKb() - before, 24 * 1024) << "kB";

    // 2,000 pages on one 1 MB template: 2 GB if each page copied it, about 1 MB shared.
    const std::string shared = SharedTemplateQuodex(2000);
    ResetPeak();
    const long base = PeakKb();
    TQuodex q;
    q.LoadFromBytes(shared);
    ASSERT_EQ(q.FormCount(), 2000u);
    EXPECT_FALSE(q.IsDamaged()) << q.Damage;
    EXPECT_EQ(q.Form(1999).Pages[0]->TemplateData.Size(), 1024u * 1024u);
    EXPECT_EQ(q.Form(0).Pages[0]->TemplateData.View().data(),
              q.Form(1999).Pages[0]->TemplateData.View().data());
    EXPECT_LT(PeakKb() - base, 100 * 1024) << "kB";
    // A change to one page's template copies it first; the others keep theirs.
    q.Form(0).Pages[0]->TemplateData.ReplaceAll("t", "u");
    EXPECT_EQ(q.Form(1).Pages[0]->TemplateData.View().substr(0, 2), "tt");
    EXPECT_EQ(q.Form(0).Pages[0]->TemplateData.View().substr(0, 2), "uu");
}

TEST(PackageBounds, DamageIsRecordedForTheErrorsWindow) {
    TRecordingPrompter quiet;
    struct TRow {
        const char* Name;
        std::string Bytes;
        bool Quodex;
        const char* Says;
    };
    const std::string quodex = SharedTemplateQuodex(3);
    const std::string tesselon = OverlappingTesselon(1);
    const TRow rows[] = {
        {"Quodex cut in its data", quodex.substr(0, quodex.size() - 30), true,
         "runs past the end of the data"},
        {"Quodex without display list", "WS,7:PCL,X,1,1:x", true, "the display list 7.DSP is missing"},
        {"Tesselon cut in its pages", tesselon.substr(0, tesselon.size() - 800 * 1024), false,
         "page 1 of BIG.DOT (1048576 bytes at 1) runs past the end"},
        {"Tesselon form list broken",
         "\x1b"
         "E" +
             MacroBegin(kMacroFormListXml) + "<DocSet><Form>" + MacroEnd(kMacroFormListXml),
         false, "the form list does not parse"},
    };
    for (const TRow& row : rows) {
        std::unique_ptr<TDocSet> set;
        if (row.Quodex) {
            auto q = std::make_unique<TQuodex>();
            q->LoadFromBytes(row.Bytes);
            set = std::move(q);
        } else {
            auto t = std::make_unique<TTesselon>();
            t->LoadFromBytes(row.Bytes);
            t->ReadFormList();
            set = std::move(t);
        }
        EXPECT_THAT(set->Damage, HasSubstr(row.Says)) << row.Name;
        ASSERT_FALSE(set->Errors.empty()) << row.Name;
        const TDocSetError* record = set->Errors.back().Error.get();
        ASSERT_NE(record, nullptr) << row.Name;
        EXPECT_EQ(record->Severity, kSeverityFatal) << row.Name;
        EXPECT_THAT(record->Message, StartsWith("Damaged package: ")) << row.Name;
    }
}

} // namespace
