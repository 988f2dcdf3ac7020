#include "PackageFile.h"

#include "Quodex.h"
#include "Strings.h"
#include "Tesselon.h"

#include <filesystem>
#include <stdexcept>

namespace pg {

std::unique_ptr<TDocSet> LoadPackageFile(const std::string& path) {
    THLWMemorystream bytes;
    if (!bytes.LoadFromFile(path))
        throw std::runtime_error("Cannot open " + path);
    // As the program's loader: ".QDX" is Quodex, every other file is tried as Tesselon (which
    // refuses a file without a form list).
    std::unique_ptr<TDocSet> set;
    if (SameText(std::filesystem::path(path).extension().string(), ".QDX")) {
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
