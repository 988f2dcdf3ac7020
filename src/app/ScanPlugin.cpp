#include "ScanPlugin.h"

#include "Paths.h"
#include "Strings.h"
#include "Trace.h"

#include <cstdlib>
#include <dlfcn.h>

namespace pg {

namespace {

using TBeginScanning = int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   const char*);
using TScanForEmailFn = void (*)(char*, char*, char*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                 int32_t, const char*);
using TTiffToBmp = char* (*)(const char*, int32_t*);
using TCleanup = void (*)();
using TLastError = const char* (*)();

struct TPlugin {
    void* Handle = nullptr;
    TBeginScanning Begin = nullptr;
    TScanForEmailFn ForEmail = nullptr;
    TTiffToBmp TiffToBmp = nullptr;
    TCleanup Cleanup = nullptr;
    TLastError LastError = nullptr;
};

TPlugin& Plugin() {
    static TPlugin plugin;
    return plugin;
}

template <typename T> T Resolve(void* handle, const char* name) {
    return reinterpret_cast<T>(::dlsym(handle, name));
}

constexpr size_t kBufferSize = 1000;

std::string BufferText(const std::string& buffer) {
    return TrimRight(std::string(buffer.c_str()));
}

} // namespace

void LoadScanPlugin(const std::string& folder) {
    TPlugin& p = Plugin();
    if (p.Handle != nullptr)
        return;
    const std::string file = std::string("lib") + kScanPluginName + ".so";
    if (!folder.empty())
        p.Handle = ::dlopen((IncludeSlash(folder) + file).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (p.Handle == nullptr)
        p.Handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (p.Handle == nullptr) {
        DebugMsg("Main : scanning plug-in not loaded");
        return;
    }
    p.Begin = Resolve<TBeginScanning>(p.Handle, "DLLBeginScannning");
    p.ForEmail = Resolve<TScanForEmailFn>(p.Handle, "DLLScanForEmail");
    p.TiffToBmp = Resolve<TTiffToBmp>(p.Handle, "DllTiffToBmp");
    p.Cleanup = Resolve<TCleanup>(p.Handle, "DLLCleanup");
    p.LastError = Resolve<TLastError>(p.Handle, "DllLastError");
}

void UnloadScanPlugin() {
    TPlugin& p = Plugin();
    if (p.Handle == nullptr)
        return;
    ScanCleanup();
    ::dlclose(p.Handle);
    p = TPlugin();
}

bool ScanPluginLoaded() {
    return Plugin().Handle != nullptr;
}

void ScanBegin(const TScanSettings& s, const std::string& targetFolder) {
    if (Plugin().Begin != nullptr)
        Plugin().Begin(s.UserInterface, s.PaperSize, s.Dpi, s.Bright, s.Contrast, s.Pages, s.ScannerType,
                       targetFolder.c_str());
}

TScanForEmail ScanForEmail(const TScanSettings& s, const std::string& targetFolder) {
    TScanForEmail result;
    if (Plugin().ForEmail == nullptr)
        return result;
    std::string subject(kBufferSize, ' ');
    std::string body(kBufferSize, ' ');
    std::string file(kBufferSize, ' ');
    Plugin().ForEmail(subject.data(), body.data(), file.data(), s.UserInterface, s.PaperSize, s.Dpi, s.Bright,
                      s.Contrast, s.Pages, s.ScannerType, targetFolder.c_str());
    result.Subject = BufferText(subject);
    result.Body = BufferText(body);
    result.File = BufferText(file);
    return result;
}

std::unique_ptr<THLWMemorystream> TiffToBmp(const std::string& tiffPath) {
    if (Plugin().TiffToBmp == nullptr)
        return nullptr;
    int32_t size = 0;
    char* bytes = Plugin().TiffToBmp(tiffPath.c_str(), &size);
    if (bytes == nullptr)
        return nullptr;
    auto stream = std::make_unique<THLWMemorystream>(std::string(bytes, size > 0 ? size_t(size) : 0));
    std::free(bytes);
    return stream;
}

void ScanCleanup() {
    if (Plugin().Cleanup != nullptr)
        Plugin().Cleanup();
}

std::string ScanPluginError() {
    if (Plugin().LastError == nullptr)
        return "";
    const char* text = Plugin().LastError();
    return text != nullptr ? text : "";
}

} // namespace pg
