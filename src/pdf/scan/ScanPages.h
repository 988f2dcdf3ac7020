#pragma once
// Scanning with SANE into one multi-page TIFF: what the plug-in's "DLLBeginScannning" and
// "DLLScanForEmail" do. The program's scanner settings come in their own ranges (brightness and
// contrast -1000 to 1000) and are mapped onto whatever range the device offers.

#include <cstdint>
#include <string>
#include <vector>

namespace pg::scan {

struct TScanRequest {
    int32_t PaperSize = 0; // 0 letter, 1 legal
    int32_t Dpi = 300;
    int32_t Bright = -400;
    int32_t Contrast = 25;
    int32_t Pages = 1000;
    int32_t ScannerType = 0; // 0 the document feeder, 1 the flatbed (one sheet)
    std::string Folder;
};

// One scanned page: 8-bit grey or RGB rows, or line art (1 bit per pixel, 1 = black, rows
// padded to whole bytes), as SANE delivers them.
struct TScannedPage {
    enum class TKind { LineArt, Grey, Rgb } Kind = TKind::Grey;
    uint32_t Width = 0;
    uint32_t Height = 0;
    int Dpi = 0;
    std::string Pixels;
};

struct TScanResult {
    std::string File; // the TIFF written; empty when nothing was scanned
    int Pages = 0;
    std::string Error; // why nothing (or less) was scanned
};

// Scans from the scanner named by PAGELLAN_SCANNER, else the first SANE finds, and writes the
// pages into a new file "scan-YYYYMMDD-HHMMSS.tif" in the folder.
TScanResult ScanToTiff(const TScanRequest& request);

// Writes the pages as one TIFF, a directory per page: G4 for line art, LZW otherwise. The file
// appears complete or not at all. False with the reason in error.
bool WriteMultiPageTiff(const std::vector<TScannedPage>& pages, const std::string& path, std::string& error);

// Maps a value of the program's range [-1000, 1000] linearly onto [min, max], rounded.
double MapOntoRange(int32_t value, double min, double max);

// Closes SANE when a scan opened it.
void CloseSane();

} // namespace pg::scan
