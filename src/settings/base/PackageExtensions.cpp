#include "PackageExtensions.h"

#include "Strings.h"

namespace pg {

TPackageExtension PackageExtensionKind(std::string_view extension) {
    if (extension.starts_with('.'))
        extension.remove_prefix(1);
    const std::string e = UpperCase(extension);
    if (e == "QDX" || e == "QDZ")
        return TPackageExtension::Quodex;
    if (e == "TSN")
        return TPackageExtension::Tesselon;
    if (e == "DSP")
        return TPackageExtension::DisplayList;
    return TPackageExtension::None;
}

bool IsPackageExtension(std::string_view extension) {
    return PackageExtensionKind(extension) != TPackageExtension::None;
}

} // namespace pg
