#pragma once
// Finding text in a loaded package. TPackageTextIndex keeps the text of every page it has read
// (the way the page window renders the page), so that a second search costs only the matching;
// it is dropped whole when the package goes. A search is a TFindRun: made on the thread that owns
// the package (it copies the bytes of the pages not read yet, so the run never touches the
// package again), stepped page by page on any one thread, cancellable between pages, and handed
// back to the index afterwards so the text it read is kept.

#include "DocSet.h"
#include "TextDevice.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pg {

struct TFindOptions {
    bool MatchCase = false;
};

// A box on the page, in page pixels (the page bitmap's pixels).
struct TTextBox {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// One occurrence of the query: the form by its number in the tree's display order (1-based, as
// every command counts forms), the page (1-based), the line around it and the boxes of the words
// it covers.
struct TFindHit {
    int Form = 0;
    int Page = 0;
    std::string Context;
    std::vector<TTextBox> Boxes;
};

using TPageLines = std::shared_ptr<const std::vector<TTextLine>>;

// The query as it is matched: blanks collapsed to one, trimmed, lower case unless case matters.
std::string NormaliseQuery(std::string_view query, bool matchCase);
// The hits of a normalised query on one page's lines, top to bottom, left to right. A query may
// run over several words of a line; a word only partly covered is marked whole.
std::vector<TFindHit> FindOnPage(const std::vector<TTextLine>& lines, const std::string& query,
                                 bool matchCase, int form, int page);

class TFindRun {
public:
    size_t PageCount() const { return pages_.size(); }
    // Pages searched so far (safe to read from any thread).
    size_t PagesDone() const { return done_.load(); }
    bool Finished() const { return done_.load() == pages_.size(); }
    // Asks the run to stop before its next page (safe from any thread).
    void Cancel() { cancelled_.store(true); }
    bool Cancelled() const { return cancelled_.load(); }
    // Searches the next page; false when nothing is left or the run was cancelled.
    bool Step();
    // Steps until the end or a cancel.
    void Run();
    // The hits found so far, in display order; read them once stepping has stopped.
    const std::vector<TFindHit>& Hits() const { return hits_; }

private:
    friend class TPackageTextIndex;
    struct TPage {
        const TDocSetPage* Key = nullptr;
        int Form = 0;
        int Page = 0;
        TPageLines Lines;  // known text, or read by Step
        std::string Bytes; // the page's PCL while its text is unknown
        bool Read = false; // Lines was read by this run
    };
    std::string query_;
    bool matchCase_ = false;
    std::vector<TPage> pages_;
    std::vector<TFindHit> hits_;
    std::atomic<size_t> done_{0};
    std::atomic<bool> cancelled_{false};
};

class TPackageTextIndex {
public:
    // A search of every page of the forms (in display order; number N is the N-th form). Forms
    // marked deleted keep their number but are not searched. An empty query makes an empty run.
    std::unique_ptr<TFindRun> Prepare(const std::vector<TDocSetForm*>& forms, std::string_view query,
                                      const TFindOptions& options) const;
    // Keeps the text the run read (call once the run has stopped, on the owning thread).
    void Keep(const TFindRun& run);
    // Forgets every page (the package changed or went).
    void Clear() { pages_.clear(); }
    size_t KnownPages() const { return pages_.size(); }

private:
    std::unordered_map<const TDocSetPage*, TPageLines> pages_;
};

} // namespace pg
