// The PDF reader's texts: what counts as a registered reader, and what the user is told when the
// desktop cannot open a file. (The detector against the real xdg-utils runs in the window tests.)

#include "PdfReader.h"

#include <gtest/gtest.h>

namespace pg {

TEST(PdfReader, KindFromTheQuery) {
    EXPECT_EQ(PdfReaderKind(""), TPDFDetector::kNone);
    EXPECT_EQ(PdfReaderKind(" \n"), TPDFDetector::kNone);
    EXPECT_EQ(PdfReaderKind("org.gnome.Evince.desktop\n"), TPDFDetector::kRegisteredApplication);
}

TEST(PdfReader, Messages) {
    EXPECT_EQ(PdfReaderMissingText("/a/b c.pdf"),
              "Adobe Reader is NOT installed.\n/a/b c.pdf can not be viewed.");
    // xdg-open's own last line wins over the meaning of its status.
    EXPECT_EQ(DesktopOpenErrorText(3, "/usr/bin/xdg-open: 882: w3m: not found\n"
                                      "xdg-open: no method available for opening 'a.pdf'\n"),
              "xdg-open: no method available for opening 'a.pdf'");
    const std::pair<int, const char*> statuses[] = {
        {1, "Error in command line syntax."},
        {2, "The file does not exist."},
        {3, "No application is available to open the file."},
        {4, "The application could not open the file."},
        {-1, "The file could not be opened (error -1)."},
    };
    for (const auto& [status, text] : statuses)
        EXPECT_EQ(DesktopOpenErrorText(status, ""), text) << status;
}

} // namespace pg
