#include "PackageFile.h"

#include "Paths.h"
#include "Quodex.h"
#include "Strings.h"
#include "Tesselon.h"

#include <stdexcept>

namespace pg {

TContainerKind ContainerFor(std::string_view fileName, std::string_view bytes) {
    if (!bytes.empty() && bytes.front() == '\x1b')
        return TContainerKind::Tesselon;
    return UpperCase(ExtensionPart(fileName)) == "QDX" ? TContainerKind::Quodex : TContainerKind::Tesselon;
}

std::unique_ptr<TDocSet> LoadPackageFile(const std::string& path) {
    THLWMemorystream bytes;
    if (!bytes.LoadFromFile(path))
        throw std::runtime_error("Cannot open " + path);
    // As the program's loader; the Tesselon reader refuses a file without a form list.
    std::unique_ptr<TDocSet> set;
    if (ContainerFor(path, bytes.View()) == TContainerKind::Quodex) {
        auto quodex = std::make_unique<TQuodex>();
        quodex->LoadFromStream(bytes);
        set = std::move(quodex);
    } else {
        auto tesselon = std::make_unique<TTesselon>();
        tesselon->LoadFromStream(bytes);
        tesselon->ReadFormList();
        set = std::move(tesselon);
    }
    set->FileName = path;
    return set;
}

} // namespace pg
