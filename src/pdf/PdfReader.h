#pragma once
// The desktop's PDF reader: whether one is installed, and the texts shown when handing a file
// to it fails. A reader counts as installed when the desktop names an application for the type
// application/pdf (`xdg-mime query default application/pdf` prints a desktop entry); files are
// opened with the desktop's "open" (xdg-open), which the window starts.

#include <string>

namespace pg {

inline constexpr char kPdfMimeType[] = "application/pdf";
// The program that opens a file or address with the desktop's registered application.
inline constexpr char kDesktopOpenProgram[] = "xdg-open";

class TPDFDetector {
public:
    // The reader kinds: none, or an application the desktop has registered for PDF files.
    static constexpr int kNone = 0;
    static constexpr int kRegisteredApplication = 2;

    // Asks the desktop once, now.
    TPDFDetector();
    int Kind() const { return kind_; }
    bool Installed() const { return kind_ != kNone; }
    // The desktop entry of the reader ("org.gnome.Evince.desktop"); empty when none.
    const std::string& Application() const { return application_; }

private:
    int kind_ = kNone;
    std::string application_;
};

// The kind for what `xdg-mime query default` printed: a reader when it names a desktop entry.
int PdfReaderKind(const std::string& queryOutput);

// "Adobe Reader is NOT installed.\n" + path + " can not be viewed."
std::string PdfReaderMissingText(const std::string& path);

// What to tell the user when the desktop's "open" ended with exitCode: its own last message
// line when it wrote one, else the meaning of its exit status.
std::string DesktopOpenErrorText(int exitCode, const std::string& errorOutput);

} // namespace pg
