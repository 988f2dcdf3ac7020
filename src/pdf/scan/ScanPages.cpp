#include "ScanPages.h"
#include "TiffBmp.h"

#include <sane/sane.h>
#include <sane/saneopts.h>
#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>

namespace pg::scan {

namespace {

namespace fs = std::filesystem;

bool saneOpen = false;

// Letter and legal in millimetres, SANE's unit for the scan area.
constexpr double kPaperWidthMm = 215.9;
constexpr double kLetterHeightMm = 279.4;
constexpr double kLegalHeightMm = 355.6;

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(uint8_t(c)));
    return text;
}

class TDevice {
public:
    explicit TDevice(SANE_Handle handle) : handle_(handle) {}
    ~TDevice() {
        sane_cancel(handle_);
        sane_close(handle_);
    }
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;
    SANE_Handle Handle() const { return handle_; }

    // The settable, active one-word option of that name, with its number; none otherwise.
    const SANE_Option_Descriptor* Option(const char* name, SANE_Int& number) const {
        for (SANE_Int i = 1;; ++i) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
            if (d == nullptr)
                return nullptr;
            if (d->name == nullptr || std::string(d->name) != name)
                continue;
            if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap))
                return nullptr;
            number = i;
            return d;
        }
    }

    // A number option: clamped into the device's range or snapped to its nearest listed value.
    void SetNumber(const char* name, double value) {
        SANE_Int n = 0;
        const SANE_Option_Descriptor* d = Option(name, n);
        if (d == nullptr || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
            d->size != sizeof(SANE_Word))
            return;
        const bool fixed = d->type == SANE_TYPE_FIXED;
        auto toDouble = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : double(w); };
        if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
            value = std::clamp(value, toDouble(d->constraint.range->min), toDouble(d->constraint.range->max));
        } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list[0] > 0) {
            double best = toDouble(d->constraint.word_list[1]);
            for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i) {
                const double v = toDouble(d->constraint.word_list[i]);
                if (std::fabs(v - value) < std::fabs(best - value))
                    best = v;
            }
            value = best;
        }
        SANE_Word word = fixed ? SANE_FIX(value) : SANE_Word(std::lround(value));
        sane_control_option(handle_, n, SANE_ACTION_SET_VALUE, &word, nullptr);
    }

    // The brightness or contrast of the program's range onto the device's, when it has a range.
    void SetMapped(const char* name, int32_t value) {
        SANE_Int n = 0;
        const SANE_Option_Descriptor* d = Option(name, n);
        if (d == nullptr || d->constraint_type != SANE_CONSTRAINT_RANGE)
            return;
        const bool fixed = d->type == SANE_TYPE_FIXED;
        const double min = fixed ? SANE_UNFIX(d->constraint.range->min) : d->constraint.range->min;
        const double max = fixed ? SANE_UNFIX(d->constraint.range->max) : d->constraint.range->max;
        SetNumber(name, MapOntoRange(value, min, max));
    }

    // A string option: the first listed value the test accepts; unchanged when none does.
    void SetChoice(const char* name, const std::function<bool(const std::string&)>& accept) {
        SANE_Int n = 0;
        const SANE_Option_Descriptor* d = Option(name, n);
        if (d == nullptr || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
            return;
        for (const SANE_String_Const* s = d->constraint.string_list; *s != nullptr; ++s)
            if (accept(Lower(*s))) {
                std::string value(*s);
                value.resize(std::max<size_t>(value.size() + 1, size_t(d->size)), '\0');
                sane_control_option(handle_, n, SANE_ACTION_SET_VALUE, value.data(), nullptr);
                return;
            }
    }

    bool IsMillimetres(const char* name) const {
        SANE_Int n = 0;
        const SANE_Option_Descriptor* d = Option(name, n);
        return d != nullptr && d->unit == SANE_UNIT_MM;
    }

private:
    SANE_Handle handle_;
};

void Configure(TDevice& device, const TScanRequest& r) {
    device.SetChoice(SANE_NAME_SCAN_SOURCE, [&r](const std::string& s) {
        return r.ScannerType == 0
                   ? s.find("feeder") != std::string::npos || s.find("adf") != std::string::npos
                   : s.find("flatbed") != std::string::npos;
    });
    device.SetNumber(SANE_NAME_SCAN_RESOLUTION, r.Dpi);
    device.SetMapped(SANE_NAME_BRIGHTNESS, r.Bright);
    device.SetMapped(SANE_NAME_CONTRAST, r.Contrast);
    // The paper as the scan area, as far as the device reaches.
    if (device.IsMillimetres(SANE_NAME_SCAN_BR_X)) {
        device.SetNumber(SANE_NAME_SCAN_TL_X, 0);
        device.SetNumber(SANE_NAME_SCAN_TL_Y, 0);
        device.SetNumber(SANE_NAME_SCAN_BR_X, kPaperWidthMm);
        device.SetNumber(SANE_NAME_SCAN_BR_Y, r.PaperSize == 1 ? kLegalHeightMm : kLetterHeightMm);
    }
}

int DeviceDpi(TDevice& device, int asked) {
    SANE_Int n = 0;
    const SANE_Option_Descriptor* d = device.Option(SANE_NAME_SCAN_RESOLUTION, n);
    SANE_Word word = 0;
    if (d == nullptr || d->size != sizeof(SANE_Word) ||
        sane_control_option(device.Handle(), n, SANE_ACTION_GET_VALUE, &word, nullptr) != SANE_STATUS_GOOD)
        return asked;
    return int(std::lround(d->type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : double(word)));
}

// The bytes of one frame, up to the end SANE reports.
SANE_Status ReadFrame(SANE_Handle h, std::string& out) {
    std::string chunk(65536, '\0');
    for (;;) {
        SANE_Int length = 0;
        const SANE_Status status =
            sane_read(h, reinterpret_cast<SANE_Byte*>(chunk.data()), SANE_Int(chunk.size()), &length);
        if (status == SANE_STATUS_EOF)
            return SANE_STATUS_GOOD;
        if (status != SANE_STATUS_GOOD)
            return status;
        out.append(chunk.data(), size_t(length));
        if (out.size() > kMaxTiffBytes)
            return SANE_STATUS_NO_MEM;
    }
}

uint8_t Sample(const std::string& data, size_t index, int depth) {
    if (depth == 16) {
        uint16_t v = 0;
        std::memcpy(&v, data.data() + index * 2, 2); // SANE's 16-bit samples are in host order
        return uint8_t(v >> 8);
    }
    return uint8_t(data[index]);
}

// One page: a single frame (grey or RGB) or three single-colour frames.
SANE_Status ReadPage(SANE_Handle h, int dpi, TScannedPage& page) {
    std::string planes[3];
    for (;;) {
        SANE_Parameters p{};
        std::string data;
        SANE_Status status = sane_get_parameters(h, &p);
        if (status == SANE_STATUS_GOOD)
            status = ReadFrame(h, data);
        if (status != SANE_STATUS_GOOD)
            return status;
        if (p.bytes_per_line <= 0 || p.pixels_per_line <= 0 ||
            (p.depth != 1 && p.depth != 8 && p.depth != 16))
            return SANE_STATUS_UNSUPPORTED;
        const uint32_t width = uint32_t(p.pixels_per_line);
        const uint32_t height = uint32_t(data.size() / size_t(p.bytes_per_line));
        page.Width = width;
        page.Height = height;
        page.Dpi = dpi;
        const bool rgb = p.format == SANE_FRAME_RGB;
        const bool grey = p.format == SANE_FRAME_GRAY;
        if (p.depth == 1 && grey) {
            page.Kind = TScannedPage::TKind::LineArt;
            const size_t row = (width + 7) / 8;
            page.Pixels.resize(row * height);
            for (uint32_t y = 0; y < height; ++y)
                std::memcpy(page.Pixels.data() + y * row, data.data() + y * size_t(p.bytes_per_line), row);
        } else if (p.depth == 1) {
            return SANE_STATUS_UNSUPPORTED; // one-bit colour is unheard of
        } else if (grey || rgb) {
            const uint32_t samples = rgb ? 3 : 1;
            page.Kind = rgb ? TScannedPage::TKind::Rgb : TScannedPage::TKind::Grey;
            page.Pixels.resize(size_t(width) * samples * height);
            const size_t perSample = size_t(p.depth / 8);
            for (uint32_t y = 0; y < height; ++y)
                for (size_t i = 0; i < size_t(width) * samples; ++i)
                    page.Pixels[y * width * samples + i] =
                        char(Sample(data, (y * size_t(p.bytes_per_line)) / perSample + i, p.depth));
        } else {
            const int plane = p.format == SANE_FRAME_RED ? 0 : p.format == SANE_FRAME_GREEN ? 1 : 2;
            planes[plane].resize(size_t(width) * height);
            const size_t perSample = size_t(p.depth / 8);
            for (uint32_t y = 0; y < height; ++y)
                for (uint32_t x = 0; x < width; ++x)
                    planes[plane][y * width + x] =
                        char(Sample(data, (y * size_t(p.bytes_per_line)) / perSample + x, p.depth));
        }
        if (p.last_frame)
            break;
    }
    if (!planes[0].empty() || !planes[1].empty() || !planes[2].empty()) {
        const size_t count = size_t(page.Width) * page.Height;
        page.Kind = TScannedPage::TKind::Rgb;
        page.Pixels.assign(count * 3, '\0');
        for (int c = 0; c < 3; ++c)
            for (size_t i = 0; i < std::min(count, planes[c].size()); ++i)
                page.Pixels[i * 3 + size_t(c)] = planes[c][i];
    }
    return page.Height > 0 ? SANE_STATUS_GOOD : SANE_STATUS_IO_ERROR;
}

std::string NewScanName(const std::string& folder) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "scan-%Y%m%d-%H%M%S", &local);
    fs::path path = fs::path(folder) / (std::string(stamp) + ".tif");
    for (int i = 2; fs::exists(path); ++i)
        path = fs::path(folder) / (std::string(stamp) + "-" + std::to_string(i) + ".tif");
    return path.string();
}

int TiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* error = static_cast<std::string*>(user);
    if (error->empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        *error = text;
    }
    return 1;
}

} // namespace

double MapOntoRange(int32_t value, double min, double max) {
    const double v = std::clamp(double(value), -1000.0, 1000.0);
    return std::round(min + (v + 1000.0) / 2000.0 * (max - min));
}

bool WriteMultiPageTiff(const std::vector<TScannedPage>& pages, const std::string& path, std::string& error) {
    const std::string part = path + ".part";
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                         TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), TiffError, &error);
    TIFF* tif = TIFFOpenExt(part.c_str(), "w", options.get());
    if (tif == nullptr) {
        error = "Cannot write " + path + (error.empty() ? "" : ": " + error);
        return false;
    }
    bool ok = true;
    for (size_t i = 0; i < pages.size() && ok; ++i) {
        const TScannedPage& page = pages[i];
        const bool lineArt = page.Kind == TScannedPage::TKind::LineArt;
        const bool rgb = page.Kind == TScannedPage::TKind::Rgb;
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(i), uint16_t(pages.size()));
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.Width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.Height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(lineArt ? 1 : 8));
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(rgb ? 3 : 1));
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        // SANE's line art has 1 for black, which is the white-is-zero kind.
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                     lineArt ? PHOTOMETRIC_MINISWHITE
                     : rgb   ? PHOTOMETRIC_RGB
                             : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, lineArt ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(page.Dpi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(page.Dpi));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, lineArt ? page.Height : TIFFDefaultStripSize(tif, 0));
        const size_t row = lineArt ? (page.Width + 7) / 8 : size_t(page.Width) * (rgb ? 3 : 1);
        if (page.Pixels.size() < row * page.Height) {
            error = "A scanned page is incomplete.";
            ok = false;
            break;
        }
        std::string line(row, '\0');
        for (uint32_t y = 0; y < page.Height && ok; ++y) {
            std::memcpy(line.data(), page.Pixels.data() + y * row, row);
            ok = TIFFWriteScanline(tif, line.data(), y, 0) >= 0;
        }
        ok = ok && TIFFWriteDirectory(tif) != 0;
    }
    TIFFClose(tif);
    std::error_code ec;
    if (ok)
        fs::rename(part, path, ec);
    if (!ok || ec) {
        fs::remove(part, ec);
        if (error.empty())
            error = "Cannot write " + path;
        return false;
    }
    return true;
}

TScanResult ScanToTiff(const TScanRequest& request) {
    TScanResult result;
    std::error_code ec;
    if (request.Folder.empty() || !fs::is_directory(request.Folder, ec)) {
        result.Error = "The scan folder " + request.Folder + " does not exist.";
        return result;
    }
    if (!saneOpen) {
        SANE_Int version = 0;
        if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) {
            result.Error = "The scanner interface (SANE) cannot start.";
            return result;
        }
        saneOpen = true;
    }
    std::string name;
    if (const char* named = std::getenv("PAGELLAN_SCANNER"); named != nullptr && *named != '\0') {
        name = named;
    } else {
        const SANE_Device** devices = nullptr;
        if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || devices == nullptr ||
            devices[0] == nullptr) {
            result.Error = "No scanner found.";
            return result;
        }
        name = devices[0]->name;
    }
    SANE_Handle handle = nullptr;
    if (const SANE_Status s = sane_open(name.c_str(), &handle); s != SANE_STATUS_GOOD) {
        result.Error = "The scanner " + name + " cannot be opened: " + sane_strstatus(s);
        return result;
    }
    TDevice device(handle);
    Configure(device, request);
    const int dpi = DeviceDpi(device, request.Dpi);
    // A flatbed holds one sheet; the feeder runs until it is empty or the pages are done.
    const int wanted = request.ScannerType == 0 ? std::max(1, request.Pages) : 1;
    std::vector<TScannedPage> pages;
    while (int(pages.size()) < wanted) {
        const SANE_Status start = sane_start(handle);
        if (start == SANE_STATUS_NO_DOCS) {
            if (pages.empty())
                result.Error = "There is no paper in the scanner.";
            break;
        }
        TScannedPage page;
        const SANE_Status read = start == SANE_STATUS_GOOD ? ReadPage(handle, dpi, page) : start;
        if (read != SANE_STATUS_GOOD) {
            result.Error = std::string("Scanning stopped: ") + sane_strstatus(read);
            break;
        }
        pages.push_back(std::move(page));
    }
    if (pages.empty())
        return result;
    const std::string path = NewScanName(request.Folder);
    std::string error;
    if (!WriteMultiPageTiff(pages, path, error)) {
        result.Error = error;
        return result;
    }
    result.File = path;
    result.Pages = int(pages.size());
    return result;
}

void CloseSane() {
    if (saneOpen)
        sane_exit();
    saneOpen = false;
}

} // namespace pg::scan
