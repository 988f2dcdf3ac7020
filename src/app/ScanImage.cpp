#include "ScanImage.h"

#include "BmpImage.h"
#include "Paths.h"
#include "ScanPlugin.h"
#include "Strings.h"

namespace pg {

bool IsTiffName(const std::string& path) {
    return UpperCase(ExtensionPart(path)) == "TIF";
}

bool IsXmlName(const std::string& path) {
    return UpperCase(ExtensionPart(path)) == "XML";
}

TPagePicture LoadTiffImage(const std::string& path, std::string& error) {
    error.clear();
    if (!ScanPluginLoaded())
        return {};
    const auto bitmap = TiffToBmp(path);
    if (bitmap == nullptr) {
        error = ScanPluginError();
        if (error.empty())
            error = "The scanning plug-in made no picture of " + path;
        return {};
    }
    return DecodeBmp(bitmap->View(), error);
}

void RegisterTiffPageDocuments(const std::string& pluginFolder) {
    TPageDocumentKind kind;
    kind.Name = "TIFF";
    kind.Recognises = IsTiffName;
    kind.Open = [pluginFolder](const std::string& path,
                               std::string& error) -> std::unique_ptr<TPageDocument> {
        LoadScanPlugin(pluginFolder);
        if (!ScanPluginLoaded()) {
            error =
                "The scanning plug-in (libPagellanScan.so) is not installed; " + path + " cannot be shown.";
            return nullptr;
        }
        TPagePicture picture = LoadTiffImage(path, error);
        if (picture.Empty())
            return nullptr;
        return std::make_unique<TPicturePageDocument>(std::move(picture));
    };
    RegisterPageDocumentKind(std::move(kind));
}

} // namespace pg
