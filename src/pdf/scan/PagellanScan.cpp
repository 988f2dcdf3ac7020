// libPagellanScan.so: the scanning plug-in the program loads at run time. It exports the four
// entry points the program looks up by name, and "DllLastError", the reason the last call
// produced nothing, which the program shows instead of opening an empty window.

#include "ScanPages.h"
#include "TiffBmp.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The plug-in's version, found in the file by the update check without loading it.
[[gnu::used]] const char kPagellanVersionStamp[] = "\x01PagellanFileVersion=" PAGELLAN_PROGRAM_VERSION;

std::string lastError;

pg::scan::TScanRequest Request(int32_t paper, int32_t dpi, int32_t bright, int32_t contrast, int32_t pages,
                               int32_t type, const char* folder) {
    pg::scan::TScanRequest r;
    r.PaperSize = paper;
    r.Dpi = dpi;
    r.Bright = bright;
    r.Contrast = contrast;
    r.Pages = pages;
    r.ScannerType = type;
    r.Folder = folder != nullptr ? folder : "";
    return r;
}

// The program hands buffers of 1000 bytes: at most 999 characters and the terminating zero. A
// text that does not fit is left out rather than cut, since a cut path names another file.
void Fill(char* buffer, const std::string& text) {
    if (buffer == nullptr)
        return;
    const std::string fitted = text.size() <= 999 ? text : std::string();
    std::memcpy(buffer, fitted.c_str(), fitted.size() + 1);
}

} // namespace

extern "C" {

// The user-interface choice is taken and ignored: SANE devices have no dialog of their own.
// The result is the number of pages scanned, -1 when none could be.
__attribute__((visibility("default"))) int32_t DLLBeginScannning(int32_t, int32_t paper, int32_t dpi,
                                                                 int32_t bright, int32_t contrast,
                                                                 int32_t pages, int32_t type,
                                                                 const char* folder) {
    const pg::scan::TScanResult r =
        pg::scan::ScanToTiff(Request(paper, dpi, bright, contrast, pages, type, folder));
    lastError = r.Error;
    return r.File.empty() ? -1 : r.Pages;
}

__attribute__((visibility("default"))) void DLLScanForEmail(char* subject, char* body, char* file, int32_t,
                                                            int32_t paper, int32_t dpi, int32_t bright,
                                                            int32_t contrast, int32_t pages, int32_t type,
                                                            const char* folder) {
    const pg::scan::TScanResult r =
        pg::scan::ScanToTiff(Request(paper, dpi, bright, contrast, pages, type, folder));
    lastError = r.Error;
    const bool scanned = !r.File.empty() && r.File.size() <= 999;
    Fill(subject, scanned ? "Scanned documents" : "");
    Fill(body, scanned ? "Attached are " + std::to_string(r.Pages) + " scanned page(s)." : "");
    Fill(file, scanned ? r.File : "");
}

__attribute__((visibility("default"))) char* DllTiffToBmp(const char* tiffPath, int32_t* size) {
    if (size != nullptr)
        *size = 0;
    if (tiffPath == nullptr || size == nullptr)
        return nullptr;
    pg::scan::TTiffBmp r = pg::scan::TiffFileToBmp(tiffPath);
    lastError = r.Error;
    if (r.Bmp.empty())
        return nullptr;
    char* out = static_cast<char*>(std::malloc(r.Bmp.size()));
    if (out == nullptr) {
        lastError = "Not enough memory for the image.";
        return nullptr;
    }
    std::memcpy(out, r.Bmp.data(), r.Bmp.size());
    *size = int32_t(r.Bmp.size());
    return out;
}

__attribute__((visibility("default"))) void DLLCleanup() {
    pg::scan::CloseSane();
}

__attribute__((visibility("default"))) const char* DllLastError() {
    return lastError.c_str();
}
}
