#pragma once
// A work folder of the run's own inside the temporary folder, so that commands running side by
// side do not share their work files; removed with everything in it.

#include "Paths.h"

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace pg::cli {

class TWorkFolder {
public:
    // prefix names the folder ("pagellan-pdf" gives TEMP/pagellan-pdf-XXXXXX/).
    explicit TWorkFolder(const std::string& prefix) {
        std::string pattern = TempFolder() + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data()))
            path_ = pattern + "/";
    }
    ~TWorkFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TWorkFolder(const TWorkFolder&) = delete;
    TWorkFolder& operator=(const TWorkFolder&) = delete;
    // Empty when the folder could not be made.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace pg::cli
