#include "PdfReader.h"

#include "Process.h"
#include "Strings.h"

#include <vector>

namespace pg {

namespace {

// Runs the program (found on PATH) and answers what it wrote to standard output; empty when it
// cannot be started or ends with a failure.
std::string OutputOf(const std::vector<std::string>& argv) {
    TProcessOptions options;
    options.Output = TProcessStream::Capture;
    options.Errors = TProcessStream::Discard;
    const TProcessResult r = RunProcess(argv, options);
    return r.Succeeded() ? r.Output : std::string();
}

} // namespace

int PdfReaderKind(const std::string& queryOutput) {
    return Trim(queryOutput).empty() ? TPDFDetector::kNone : TPDFDetector::kRegisteredApplication;
}

TPDFDetector::TPDFDetector() {
    const std::string out = OutputOf({"xdg-mime", "query", "default", kPdfMimeType});
    kind_ = PdfReaderKind(out);
    if (kind_ != kNone)
        application_ = Trim(out);
}

std::string PdfReaderMissingText(const std::string& path) {
    return "Adobe Reader is NOT installed.\n" + path + " can not be viewed.";
}

std::string DesktopOpenErrorText(int exitCode, const std::string& errorOutput) {
    // xdg-open's last line names the file and what went wrong.
    const std::string text = Trim(errorOutput);
    if (!text.empty()) {
        const size_t lineStart = text.rfind('\n');
        return Trim(lineStart == std::string::npos ? text : text.substr(lineStart + 1));
    }
    switch (exitCode) {
    case 1:
        return "Error in command line syntax.";
    case 2:
        return "The file does not exist.";
    case 3:
        return "No application is available to open the file.";
    case 4:
        return "The application could not open the file.";
    default:
        return "The file could not be opened (error " + IntToStr(exitCode) + ").";
    }
}

} // namespace pg
