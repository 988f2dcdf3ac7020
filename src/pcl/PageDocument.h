#pragma once
// Page documents: anything with pages, seen one way by everyone who draws pages. A package
// form (each page its fill over its template), a plain PCL file, a scanned picture: each
// tells how many pages it has and what each page is like, and runs page N through a device
// the caller supplies. What the device makes of it (the page bitmap of the screen, the
// printer driver and `render`, a PDF page, the text that find searches, a thumbnail) is the
// caller's business; how the page comes about (which bytes, which interpreter steps) is the
// document's.
//
// The kinds the interpreter draws itself live beside it (PclPageDocuments.h). Kinds that need
// more than the interpreter (a TIFF through the scanning plug-in) register themselves here
// from the layer that has what they need; loose files are opened through that registry.

#include "PCLDevice.h"
#include "PageBitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pg {

// The colour a fresh interpreter draws Courier fill text in: blue, as the page window shows
// it.
inline constexpr uint32_t kDefaultFillColour = 0x00FF0000;

// How a page is to be drawn.
struct TRunOptions {
    // The printer's look: Courier fill text plain, no signature boxes. A page of a print job
    // is drawn in the run of the job, as the printer gets it.
    bool PrintMode = false;
    // The paper of a page that names none: letter for "LTR" or "LETTER", legal otherwise.
    std::string PaperHint;
    // Colour (0x00BBGGRR) of Courier fill text; 0 draws it black.
    uint32_t FillColour = kDefaultFillColour;

    // The page-bitmap format that shows pages drawn so: palette indices while fill text has
    // a colour, else 1 bit per pixel.
    TPixelFormat PageBitmapFormat() const {
        return FillColour != 0 ? TPixelFormat::Indexed8 : TPixelFormat::Mono1;
    }
};

// What a page turned out to be once drawn: what callers size sheets, choose paper and turn
// pages by.
struct TPageFacts {
    // The finished page in pixels of 300 per inch; a landscape page is wider than high.
    int Width = 0;
    int Height = 0;
    // The paper the page names itself: "LTR", "LGL", or empty when it names none; a PCL XL
    // page may name others ("A4", "EXEC", "CUSTOM").
    std::string PaperCode;
    // The page was finished on letter paper (its own, or the hint's when it names none).
    bool Letter = false;
    bool Landscape = false;
    // The last simplex/duplex value the page set; -1 when it set none.
    int DuplexMode = -1;
};

// What a viewer may do with a kind's pages.
struct TPageDocumentTraits {
    // Pages of a package form: a viewer steps through them in the package's tree, keeps their
    // annotations in the package and prints them through the package's print job.
    bool PackagePages = false;
    // Pages to step through and choose from; false for a single picture.
    bool Navigable = true;
    // Annotations may be typed on the pages (they are kept only on package pages).
    bool Annotations = true;
    // The pages are pictures in colour, drawn through DrawPicture: a viewer keeps their colours
    // with a picture device. Otherwise they are PCL, and PagePcl gives a printer's bytes.
    bool Pictures = false;
};

class TPageDocument {
public:
    virtual ~TPageDocument() = default;

    virtual int PageCount() const = 0;
    bool HasPage(int page) const { return page >= 1 && page <= PageCount(); }
    // The facts of a page drawn with these options, without keeping a drawing: the page is
    // run through a device that only measures, unless a kind knows better.
    virtual TPageFacts PageFacts(int page, const TRunOptions& options = {});
    // Runs page through the device: the device is given a fresh page, everything on it, and
    // its finished size. A page that does not exist leaves the device a blank page.
    virtual TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) = 0;

    virtual TPageDocumentTraits Traits() const = 0;
    // What the pages come from, the same for as long as it lives: a thumbnail or text kept per
    // source and page stays valid while it does. The document itself unless a kind knows a
    // longer-lived source (a package form).
    virtual const void* Source() const { return this; }
    // The page as PCL that stands on its own, for a printer; empty for no such page or a
    // kind whose pages are not PCL.
    virtual std::string PagePcl(int page) const {
        (void)page;
        return {};
    }
    // A one-page document of its own holding a copy of page, drawn as this one draws it (its
    // page 1): for drawing on another thread while this document may change or go. nullptr
    // when there is no such page or the kind cannot copy one.
    virtual std::unique_ptr<TPageDocument> DetachPage(int page) const {
        (void)page;
        return nullptr;
    }
};

// A kind of loose file that opens as a page document.
struct TPageDocumentKind {
    std::string Name;
    // Whether a file of this name is of the kind.
    std::function<bool(const std::string& path)> Recognises;
    // The document of the file; nullptr with the reason in error (empty when there is nothing
    // to say, as when the kind's helper is not installed).
    std::function<std::unique_ptr<TPageDocument>(const std::string& path, std::string& error)> Open;
};

// Adds a kind; one registered under the same name is replaced. Kinds are asked in the order
// they were first registered.
void RegisterPageDocumentKind(TPageDocumentKind kind);
// The registered kind that recognises the file; nullptr when none does (a plain PCL file).
const TPageDocumentKind* PageDocumentKindOf(const std::string& path);
// The file as a page document: through the kind that recognises it, else as a printer file
// by the language it is written in (PCL 5 shown as the page window shows a plain file, PCL XL,
// or a job of both). nullptr with the reason in error when it cannot be opened, or when it is
// in a language we do not draw ("This file is PostScript; Pagellan shows PCL 5 and PCL XL").
std::unique_ptr<TPageDocument> OpenPageDocument(const std::string& path, std::string& error);

} // namespace pg
