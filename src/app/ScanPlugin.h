#pragma once
// The optional scanning plug-in "PagellanScan": a shared library (libPagellanScan.so) looked for
// beside the program first and then on the library path, loaded at start-up and released at
// exit. The program relies only on its four entry points:
//
//   int32_t DLLBeginScannning(int32_t ui, int32_t paper, int32_t dpi, int32_t bright,
//                             int32_t contrast, int32_t pages, int32_t scannerType,
//                             const char* folder);
//   void DLLScanForEmail(char* subject, char* body, char* file, int32_t ui, int32_t paper,
//                        int32_t dpi, int32_t bright, int32_t contrast, int32_t pages,
//                        int32_t scannerType, const char* folder);
//       (each buffer holds 1000 blanks and a terminating zero; the plug-in fills them)
//   char* DllTiffToBmp(const char* tiffPath, int32_t* size);
//       (a Windows bitmap file in a malloc'd buffer that the caller frees; nullptr for none)
//   void DLLCleanup(void);
// and, when the plug-in has it (ours does), const char* DllLastError(void): why the last call
// produced nothing.

#include "HLWStream.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pg {

inline constexpr const char* kScanPluginName = "PagellanScan";

// The scanner settings handed to the plug-in, in their order.
struct TScanSettings {
    int32_t UserInterface = 0; // 0 the scanner's own dialog, 1 none
    int32_t PaperSize = 0;     // 0 letter, 1 legal
    int32_t Dpi = 300;
    int32_t Bright = -400;
    int32_t Contrast = 25;
    int32_t Pages = 1000;
    int32_t ScannerType = 0;
};

struct TScanForEmail {
    std::string Subject;
    std::string Body;
    std::string File; // empty: nothing to send
};

// Loads the library when it is not loaded; folder (the program's folder) is searched first.
// A missing library is no error: ScanPluginLoaded stays false and nothing is shown.
void LoadScanPlugin(const std::string& folder);
// Calls DLLCleanup and releases the library when one is held.
void UnloadScanPlugin();
bool ScanPluginLoaded();

// The calls; each does nothing (or returns nothing) without the plug-in or the entry point.
void ScanBegin(const TScanSettings& settings, const std::string& targetFolder);
TScanForEmail ScanForEmail(const TScanSettings& settings, const std::string& targetFolder);
std::unique_ptr<THLWMemorystream> TiffToBmp(const std::string& tiffPath);
void ScanCleanup();
// The plug-in's reason for the last empty result; empty without one.
std::string ScanPluginError();

} // namespace pg
