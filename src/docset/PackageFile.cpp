#include "PackageFile.h"

#include "Quodex.h"

#include <stdexcept>

namespace pg {

std::unique_ptr<TDocSet> LoadPackageFile(const std::string& path) {
    THLWMemorystream bytes;
    if (!bytes.LoadFromFile(path))
        throw std::runtime_error("Cannot open " + path);
    auto set = std::make_unique<TQuodex>();
    set->LoadFromStream(bytes);
    set->FileName = path;
    return set;
}

} // namespace pg
