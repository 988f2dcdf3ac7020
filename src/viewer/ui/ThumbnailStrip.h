#pragma once
// TThumbnailStrip: the column of page thumbnails beside the page in the page window, one per
// page of the form shown, each with its page number, the page shown marked. Thumbnails are
// drawn on a worker thread, one page after another starting with the page shown, and kept in
// the strip's cache, so a form visited again shows at once. The strip only tells which page
// the user chose (PageChosen); the page window shows it and then marks it (SetCurrentPage).

#include "PageDocument.h"
#include "PageThumbnail.h"
#include "ViewerCore.h"

#include <QListWidget>
#include <QThreadPool>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pg {

class TThumbnailStrip : public QListWidget {
    Q_OBJECT
public:
    // A page (1-based) to draw, as a document of its own whose page 1 it is; nullptr when there
    // is none. Called on the GUI thread; the worker draws from the copy it returns.
    using TPageSource = std::function<std::unique_ptr<TPageDocument>(int page)>;

    explicit TThumbnailStrip(QWidget* parent = nullptr);
    // Waits for the thumbnail being drawn, if any.
    ~TThumbnailStrip() override;

    // Shows pages 1..count of source (a form, or a plain file's document) with page
    // current marked. The same source again keeps the thumbnails and only moves the mark.
    void ShowPages(const void* source, int count, int current, TPageSource pages, std::string paperHint);
    // The boxes of a page's annotations (page pixels), drawn over its thumbnail; none without it.
    std::function<std::vector<TPageBox>(int page)> AnnotationBoxes;
    // The pictures again, with the annotation boxes as they are now.
    void RefreshPictures();
    // Marks page (1-based) as the page shown and scrolls it into view.
    void SetCurrentPage(int page);
    int CurrentPage() const { return current_; }
    int PageCount() const { return count(); }
    // The page's thumbnail once drawn; nullptr before.
    const TGreyImage* Thumbnail(int page) const { return cache_.Find(source_, page); }
    // True when every page shown has its thumbnail.
    bool Complete() const { return pending_.empty() && !busy_; }
    const TThumbnailCache& Cache() const { return cache_; }

signals:
    // The user clicked a thumbnail or stepped with a key; the strip's mark stays on the page
    // shown until the window calls SetCurrentPage.
    void PageChosen(int page);

protected:
    // Page Up / Up / Left and Page Down / Down / Right choose the previous and the next page,
    // Home and End the first and the last; other keys go on to the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose(int page);
    void SelectRow(int page);
    void SetItemPicture(int page);
    void DrawNext();
    void Drawn(const void* source, int page, TGreyImage image);

    const void* source_ = nullptr;
    int current_ = 0;
    TPageSource pages_;
    std::string paperHint_;
    TThumbnailCache cache_;
    // Pages still to draw, in the order they are drawn.
    std::deque<int> pending_;
    bool busy_ = false;
    // One worker: thumbnails come one after another and leave the other core to the page.
    QThreadPool worker_;
};

} // namespace pg
