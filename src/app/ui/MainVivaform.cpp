// Loose Vivaform files: an ".xml" file opened from the open dialog or the command line shows in
// a page window of its own.

#include "Main.h"
#include "PageFrm.h"
#include "Prompt.h"
#include "Trace.h"

#include <QAction>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pg {

namespace {

// Far beyond any form; a bigger file is refused before it is read, so it cannot stall the window.
constexpr uintmax_t kMaxVivaformBytes = uintmax_t(64) << 20;

} // namespace

bool TfrmMain::ViewVivaform(TPageForm* window, std::string_view document) {
    std::unique_ptr<TPageForm> made;
    if (window == nullptr) {
        made = std::make_unique<TPageForm>();
        made->setAttribute(Qt::WA_DeleteOnClose);
        window = made.get();
    }
    window->CreateVivaformControls();
    if (!window->ShowVivaform(document))
        return false;
    made.release(); // freed when it closes
    return true;
}

bool TfrmMain::ViewVivaformFile(const std::string& path) {
    DebugMsg("Main : Vivaform view of " + path);
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxVivaformBytes) {
        ShowInformation(path + " is too large to show as a Vivaform page.");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto page = std::make_unique<TPageForm>();
    page->setAttribute(Qt::WA_DeleteOnClose);
    page->PrintPage = [this](TPageForm& shown) { PrintPageWindow(shown); };
    if (!ViewVivaform(page.get(), bytes)) {
        ShowInformation("No Vivaforms html data found in " + path);
        return false;
    }
    page->actAddText->setEnabled(false);
    page->actDelText->setEnabled(false);
    page->SizeTheForm();
    page->show();
    page->SetUserResized(true);
    page.release(); // freed when it closes
    return true;
}

} // namespace pg
