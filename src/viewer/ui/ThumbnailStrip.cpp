#include "ThumbnailStrip.h"

#include "Trace.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>

namespace pg {

namespace {

// Room for a legal page's thumbnail; letter and landscape pages are shorter.
constexpr int kIconHeight = kThumbnailWidth * 4200 / 2450 + 2;
// A letter page's outline while its thumbnail is drawn.
constexpr int kPlaceholderHeight = kThumbnailWidth * 3300 / 2450;

QPixmap Framed(const QImage& image) {
    QPixmap pixmap(image.width() + 2, image.height() + 2);
    pixmap.fill(Qt::darkGray);
    QPainter painter(&pixmap);
    painter.drawImage(1, 1, image);
    return pixmap;
}

QPixmap Placeholder() {
    QImage blank(kThumbnailWidth, kPlaceholderHeight, QImage::Format_Grayscale8);
    blank.fill(QColor(240, 240, 240));
    return Framed(blank);
}

QPixmap PictureOf(const TGreyImage& image) {
    if (image.Empty())
        return Placeholder();
    QImage grey(image.Width(), image.Height(), QImage::Format_Grayscale8);
    for (int y = 0; y < image.Height(); ++y)
        std::copy_n(image.Row(y), image.Width(), grey.scanLine(y));
    return Framed(grey);
}

} // namespace

TThumbnailStrip::TThumbnailStrip(QWidget* parent) : QListWidget(parent) {
    setObjectName("ThumbnailStrip");
    setViewMode(QListView::IconMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(kThumbnailWidth + 2, kIconHeight));
    // Every page gets a legal page's cell: the list does not lay its items out again when a
    // drawn thumbnail replaces the outline, and pages of one size line up.
    setGridSize(QSize(kThumbnailWidth + 2 + 8, kIconHeight + fontMetrics().height() + 8));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFixedWidth(kThumbnailWidth + 2 + 8 + 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 8);
    worker_.setMaxThreadCount(1);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { Choose(row(item) + 1); });
}

TThumbnailStrip::~TThumbnailStrip() {
    worker_.clear();
    worker_.waitForDone();
}

void TThumbnailStrip::ShowPages(const void* source, int count, int current, TPageSource pages,
                                std::string paperHint) {
    if (source != source_ || count != this->count()) {
        source_ = source;
        pages_ = std::move(pages);
        paperHint_ = std::move(paperHint);
        pending_.clear();
        clear();
        for (int page = 1; page <= count; ++page) {
            auto* item = new QListWidgetItem(QString::number(page), this);
            item->setTextAlignment(Qt::AlignHCenter);
            SetItemPicture(page);
            if (Thumbnail(page) == nullptr)
                pending_.push_back(page);
        }
        // The page shown first, then the pages after it, then those before.
        std::stable_partition(pending_.begin(), pending_.end(),
                              [current](int page) { return page >= current; });
    }
    SetCurrentPage(current);
    DrawNext();
}

void TThumbnailStrip::SetCurrentPage(int page) {
    current_ = page;
    SelectRow(page);
    if (QListWidgetItem* it = item(page - 1))
        scrollToItem(it);
}

void TThumbnailStrip::SelectRow(int page) {
    const QSignalBlocker block(this);
    if (page >= 1 && page <= count())
        setCurrentRow(page - 1, QItemSelectionModel::ClearAndSelect);
    else
        clearSelection();
}

void TThumbnailStrip::Choose(int page) {
    if (page >= 1 && page <= count() && page != current_)
        emit PageChosen(page);
    // A page the window did not show (its annotations could not be saved) loses the mark again.
    SelectRow(current_);
}

void TThumbnailStrip::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_Up:
    case Qt::Key_Left:
        Choose(current_ - 1);
        break;
    case Qt::Key_PageDown:
    case Qt::Key_Down:
    case Qt::Key_Right:
        Choose(current_ + 1);
        break;
    case Qt::Key_Home:
        Choose(1);
        break;
    case Qt::Key_End:
        Choose(count());
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void TThumbnailStrip::SetItemPicture(int page) {
    QListWidgetItem* it = item(page - 1);
    if (it == nullptr)
        return;
    const TGreyImage* image = Thumbnail(page);
    if (image == nullptr || image->Empty()) {
        it->setIcon(QIcon(Placeholder()));
        return;
    }
    QPixmap picture = PictureOf(*image);
    const std::vector<TPageBox> boxes = AnnotationBoxes ? AnnotationBoxes(page) : std::vector<TPageBox>();
    if (!boxes.empty()) {
        // A thumbnail is as wide as the page: 2450 dots upright, 4200 on its side.
        const double scale = double(image->Width()) / (image->Width() > image->Height() ? 4200 : 2450);
        QPainter painter(&picture);
        for (const TPageBox& box : boxes) {
            const QRectF shown(QPointF(1 + box.Left * scale, 1 + box.Top * scale),
                               QPointF(1 + box.Right * scale, 1 + box.Bottom * scale));
            // At least a pixel high, so that a note shows at thumbnail size.
            painter.fillRect(shown.adjusted(0, 0, 0, std::max(0.0, 1.0 - shown.height())),
                             QColor(0, 255, 255));
        }
    }
    it->setIcon(QIcon(picture));
}

void TThumbnailStrip::RefreshPictures() {
    for (int page = 1; page <= count(); ++page)
        SetItemPicture(page);
}

void TThumbnailStrip::DrawNext() {
    if (busy_)
        return;
    while (!pending_.empty()) {
        const int page = pending_.front();
        pending_.pop_front();
        if (Thumbnail(page) != nullptr)
            continue;
        std::shared_ptr<TPageDocument> copy;
        try {
            if (pages_)
                copy = pages_(page);
        } catch (const std::exception& e) {
            DebugMsg(std::string("Thumbnails : page ") + std::to_string(page) + ": " + e.what());
        }
        if (!copy) {
            cache_.Store(source_, page, TGreyImage());
            continue;
        }
        busy_ = true;
        const void* source = source_;
        const std::string hint = paperHint_;
        // The worker has its own copy of the page, which draws with an interpreter of its own;
        // the font engine is shared and safe across threads.
        worker_.start([this, copy, source, page, hint] {
            TGreyImage image;
            try {
                image = ThumbnailOfPage(*copy, 1, kThumbnailWidth, hint);
            } catch (const std::exception& e) {
                DebugMsg(std::string("Thumbnails : page ") + std::to_string(page) + ": " + e.what());
            } catch (...) {
                // Nothing may leave the worker; the page keeps its outline.
                DebugMsg("Thumbnails : page " + std::to_string(page) + " could not be drawn");
            }
            QMetaObject::invokeMethod(
                this,
                [this, source, page, image = std::move(image)]() mutable {
                    Drawn(source, page, std::move(image));
                },
                Qt::QueuedConnection);
        });
        return;
    }
}

void TThumbnailStrip::Drawn(const void* source, int page, TGreyImage image) {
    busy_ = false;
    // A page that could not be drawn keeps its outline and is not tried again; a page of the
    // form shown before is kept for a return to that form.
    cache_.Store(source, page, std::move(image));
    if (source == source_)
        SetItemPicture(page);
    DrawNext();
}

} // namespace pg
