#pragma once
// A private work folder for one operation (a PDF conversion, an e-mail's attachments, a page the
// browser is to show): made with mkdtemp, so only this user can enter it and no other operation
// shares it, and removed with everything in it when the operation ends. Work files therefore
// never carry a fixed name in a folder that others can write to.
//
// The atomic writer (Paths.h) knows the live work folders of the process: a file written into
// one gets mode 0600, and a link where a work file should be is an error, never followed.

#include "Paths.h"

#include <string>
#include <string_view>

namespace pg {

// Where work folders are made: XDG_RUNTIME_DIR when it is an absolute path to a folder of ours
// that nobody else may enter; else "pagellan/" in the cache folder (XDG_CACHE_HOME when
// absolute, else ~/.cache), used only when it is a folder of ours that nobody else may enter;
// else the temporary folder (where mkdtemp's unique, private folder is still safe). Ends with
// "/". Decided anew on every call, so a changed environment counts at once.
std::string WorkFolderBaseFor(const TEnvLookup& env);
std::string WorkFolderBase();

class TWorkFolder {
public:
    // prefix names the folder: "pagellan-pdf" gives BASE/pagellan-pdf-XXXXXX/.
    explicit TWorkFolder(const std::string& prefix);
    ~TWorkFolder();
    TWorkFolder(const TWorkFolder&) = delete;
    TWorkFolder& operator=(const TWorkFolder&) = delete;

    // The folder with a "/" at the end; empty when it could not be made.
    const std::string& Path() const { return path_; }
    bool Made() const { return !path_.empty(); }
    // The path of a file of that name in the folder.
    std::string File(std::string_view name) const { return path_ + std::string(name); }
    // Removes the folder and everything in it now.
    void Remove();

private:
    std::string path_;
};

// Whether the path lies inside a work folder this process has made and not yet removed.
bool InWorkFolder(const std::string& path);

} // namespace pg
