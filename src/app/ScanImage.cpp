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

TRgbImage LoadTiffImage(const std::string& path, std::string& error) {
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

} // namespace pg
