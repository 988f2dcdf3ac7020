// A scanning plug-in for the loader test: each entry point appends a line describing its call
// to the file named by PG_SCAN_LOG and answers something the test can recognise.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Log(const std::string& line) {
    const char* path = std::getenv("PG_SCAN_LOG");
    if (path == nullptr)
        return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

std::string Numbers(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f, int32_t g) {
    return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d) +
           "," + std::to_string(e) + "," + std::to_string(f) + "," + std::to_string(g);
}

void Fill(char* buffer, const std::string& text) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

} // namespace

extern "C" {

int32_t DLLBeginScannning(int32_t ui, int32_t paper, int32_t dpi, int32_t bright, int32_t contrast,
                          int32_t pages, int32_t type, const char* folder) {
    Log("begin " + Numbers(ui, paper, dpi, bright, contrast, pages, type) + " " + folder);
    return 1;
}

void DLLScanForEmail(char* subject, char* body, char* file, int32_t ui, int32_t paper, int32_t dpi,
                     int32_t bright, int32_t contrast, int32_t pages, int32_t type, const char* folder) {
    const bool blanks = std::strlen(subject) == 1000 && subject[0] == ' ' && subject[999] == ' ';
    Log(std::string("email ") + (blanks ? "blank-buffers " : "dirty-buffers ") +
        Numbers(ui, paper, dpi, bright, contrast, pages, type) + " " + folder);
    Fill(subject, "Scanned documents");
    Fill(body, "Two pages");
    Fill(file, std::string(folder) + "/scan1.tif");
}

char* DllTiffToBmp(const char* path, int32_t* size) {
    Log(std::string("tiff ") + path);
    const std::string bytes = std::string("BM") + path;
    char* out = static_cast<char*>(std::malloc(bytes.size()));
    std::memcpy(out, bytes.data(), bytes.size());
    *size = int32_t(bytes.size());
    return out;
}

void DLLCleanup() {
    Log("cleanup");
}
}
