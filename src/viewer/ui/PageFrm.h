#pragma once
// TPageForm: the page view window. It shows one page at a time of a page document (a package
// form, a plain PCL file, a scanned picture), drawn once and then only stretched and smoothed
// for zooming; it steps through the pages of the package in tree order (or through the pages
// of the document) and hosts the page's annotations. What differs between kinds of document
// comes from the document's traits; the decisions live in ViewerCore.h, PageNavigation.h,
// PageRender.h and AnnotationStore.h; this window gathers input, calls them and shows the
// results.

#include "Annotation.h"
#include "AnnotationStore.h"
#include "DocTree.h"
#include "ImageAntialias.h"
#include "PackageFind.h"
#include "PageDocument.h"
#include "TextSelection.h"
#include "ViewerCore.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QBoxLayout;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QTabWidget;
class QToolButton;

namespace pg {

class TAnnotation;
class TAnnotationSizer;
class TContinuousView;
class TTextHighlights;
class TfrmGotoPage;
class THLWImageAntialias;
class TThumbnailStrip;
class TVivaform;
class Txml;

class TPageForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TPageForm(QWidget* parent = nullptr);
    ~TPageForm() override;

    // Window state.
    TDocSet* DocumentSet = nullptr;
    TTreeNode* CurrentNode = nullptr;
    TTreeNode* FirstNode = nullptr;
    TTreeNode* LastNode = nullptr;
    bool VivaformMode = false;
    // The document whose page is shown and that page (1-based): the form of CurrentNode, or
    // the loose file the window was opened on. None in Vivaform mode and before a page shows.
    std::unique_ptr<TPageDocument> Document;
    int DocumentPage = 1;
    double OriginalScale = 0;
    bool BestFit = false;
    // Set by "Fit Page": a window resize then fits the whole page again.
    bool FitWholePage = false;
    bool UserResized = false;
    std::string PaperHint;
    std::string TempFileName;
    bool AddTextMode = false;
    bool AnnotationsChanged = false;
    QPointer<TAnnotation> SizedAnnotation;
    int AnnotationHeight = 0;
    uint32_t AnnotationColor = kAnnotationColor;
    QPoint MouseDownPoint;

    // What the opener connects. SavePackage is the main window's Save (it answers whether the
    // package was written); NodeChanged repaints a tree node whose pictures changed; PrintPage
    // prints the page shown (Print stays disabled without it); GotoDialog is the shared
    // go-to-page dialog (the window makes its own without it).
    std::function<bool(TDocSet&)> SavePackage;
    std::function<void(TTreeNode*)> NodeChanged;
    std::function<void(TPageForm&)> PrintPage;
    // The About window; "&About" stays disabled without it.
    std::function<void()> ShowAbout;
    TfrmGotoPage* GotoDialog = nullptr;
    // The boxes (page pixels) of found text on a page; each page shown gets its marks from it.
    std::function<std::vector<TTextBox>(const TTreeNode&)> HighlightsOn;
    // Of those, the boxes of the hit the user is at, marked apart from the others.
    std::function<std::vector<TTextBox>(const TTreeNode&)> CurrentHitOn;

    // Opening.
    void View(TTreeNode* node);
    bool LoadPCLFile(const std::string& path);
    // Shows the node's page, as stepping to it does (the page's annotations may be saved first);
    // false when the window stays where it is.
    bool ShowNode(TTreeNode* node);
    // Repaints the marks of found text (after HighlightsOn changed what it answers).
    void RefreshHighlights();
    // A loose file's document (a picture, or pages of their own): shows its first page.
    void ShowDocument(std::unique_ptr<TPageDocument> document);
    // Vivaform mode: the tab control with "View" (the page in the browser) and "Data" (the
    // form's XML as a tree), made on first use and kept for the window's life.
    void CreateVivaformControls();
    // Shows a Vivaform document; false when it holds no single html page (the tabs then keep
    // what they showed). The caption becomes the page's title.
    bool ShowVivaform(std::string_view document);
    QTabWidget* TabControl = nullptr;
    Txml* DataView = nullptr;
    TVivaform* Browser = nullptr; // none in a build without Qt WebEngine
    void SizeTheForm();
    void SetUserResized(bool on) { UserResized = on; }

    void LoadThePage();
    // Draws the document's page DocumentPage and shows it.
    void ViewPage();
    void SetButtons();

    // Zoom.
    void ZoomIn();
    void ZoomOut();
    void SetFixedScale(double scale);
    void OriginalSize();
    void DoBestFit();
    void FitHeight();
    // The whole page in the view.
    void FitPage();
    // Zooms to the scale (within the free limits) keeping the page point under anchor (view
    // coordinates) where it is: Ctrl+wheel over the page, the zoom box.
    void ZoomTo(double scale, QPoint anchor);
    // The middle of the view: the point keys and buttons zoom around.
    QPoint ViewCentre() const;
    // A choice or a typed percentage of the zoom box.
    void ZoomBoxChosen(const QString& text);
    void ReSizeImage(int percent);
    void AntiAliasImage(bool reset);
    double PageScale() const { return SharedPageScale(); }

    // Navigation.
    void PrevPage();
    void NextPage();
    // The navigation button: runs the go-to-page dialog, then GotoPage.
    void GotoPageClick();
    void GotoPage(TGotoChoice choice, int number);
    // Shows page (1-based) of a loose file's document.
    void ShowDocumentPage(int page);

    // Annotations.
    TAnnotation* CreateAnAnnotation(TPoint pcl, const std::string& time, const std::string& date,
                                    const std::string& user, const std::string& text);
    void LoadAnnotations();
    void DrawAnnotations();
    // False only when a save was tried and failed: the caller then keeps the page shown.
    bool SaveAnnotations(bool ask);
    void RemoveAnnotationsFromImage();
    int SetAnnotationWidth(const QString& text, const QFont& font) const;
    void AttachSizer(TAnnotation* annotation);
    void KillSizer();
    void AnnotationEnter(TAnnotation* annotation);
    void AnnotationExit(TAnnotation* annotation);
    void EditChange(TAnnotation* annotation);
    void AddTextClick();
    // A click on the page image (after the mouse-down at MouseDownPoint).
    void ImageClick();
    void DelTextClick();
    void MoveAnnotationClick();
    // The annotation controls in creation order.
    std::vector<TAnnotation*> Annotations() const;
    TAnnotationSizer* Sizer() const { return sizer_; }

    // Continuous mode (View > Continuous, remembered in the settings): the pages of the
    // document shown in one scrolling column instead of one at a time; the page a third of the
    // way down the view is the page shown (caption, navigation, thumbnails). Annotations are
    // typed and shown in single-page mode only: switching saves (or drops) them first.
    TContinuousView* Continuous = nullptr;
    QAction* actContinuous = nullptr;
    bool ContinuousMode() const;
    void SetContinuous(bool on);

    // Thumbnails: the strip shows the pages of the document shown, unless switched
    // off ("ShowThumbnails") or the form has a single page; a thumbnail chosen shows its page.
    void UpdateThumbnails();
    void ThumbnailChosen(int page);
    void SetShowThumbnails(bool on);

    // Text: the words of the page shown, chosen by a drag over the image, a double click on a
    // word or Select All (Ctrl+A), copied as plain text (Ctrl+C); the page itself copied as a
    // picture. The words are read from the page when first needed.
    TTextSelection Selection;
    void SelectTextRange(QPoint fromImage, QPoint toImage);
    void SelectWordAt(QPoint imagePos);
    void SelectAllText();
    void CopyText();
    void CopyPageImage();
    // The page pixel under an image position.
    QPoint ImageToPage(QPoint imagePos) const;

    // Rotate: the page shown turned a quarter left or right, for pages scanned or printed
    // sideways; the window keeps the turn for every page it shows. Annotations, the text and
    // the marks stay on their places of the page.
    void RotateView(int quarterTurns);
    // An image position as the same place on the upright page at this scale, and back.
    TPoint ToUprightPoint(QPoint imagePos) const;
    QPoint FromUprightPoint(TPoint upright) const;

    // The mouse over the image at an image position.
    void ImageMouseMove(QPoint pos);
    // The hint panel was clicked ("/Testing").
    void HintPanelClick();

    // Components.
    QWidget* pnlToolBar = nullptr;
    QToolButton* btnPrintDocument = nullptr;
    QToolButton* btnZoomIn = nullptr;
    QToolButton* btnZoomOut = nullptr;
    // The zoom box: the scale shown, presets, "Fit Width", "Fit Page", typed percentages.
    QComboBox* cbxZoom = nullptr;
    QToolButton* btnAddText = nullptr;
    QToolButton* btnDelText = nullptr;
    QToolButton* btnSaveAnnotations = nullptr;
    QToolButton* btnPrev = nullptr;
    QToolButton* btnGotoPage = nullptr;
    QToolButton* btnNext = nullptr;
    QLabel* StatusBar = nullptr;
    QScrollArea* ScrollBox = nullptr;
    THLWImageAntialias* Image = nullptr;
    TTextHighlights* Highlights = nullptr;
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
    QMenu* MnuAnnotation = nullptr;
    QMenu* ScaleMenu = nullptr;
    TThumbnailStrip* Thumbnails = nullptr;

    QAction* actPrint = nullptr;
    QAction* actZoomIn = nullptr;
    QAction* actZoomOut = nullptr;
    QAction* actAddText = nullptr;
    QAction* actDelText = nullptr;
    QAction* actSaveAnnotations = nullptr;
    QAction* actPrev = nullptr;
    QAction* actNext = nullptr;
    QAction* actGotoPage = nullptr;
    // The Go menu's entry for the navigation button (whose caption is the page number).
    QAction* mnuGotoPage = nullptr;
    QAction* actBestFit = nullptr;
    QAction* actFitHeight = nullptr;
    QAction* actFitPage = nullptr;
    QAction* actRotateLeft = nullptr;
    QAction* actRotateRight = nullptr;
    QAction* actOriginalSize = nullptr;
    QAction* actExit = nullptr;
    QAction* actAbout = nullptr;
    QAction* mnuDeleteAnnotation = nullptr;
    QAction* mnuMoveAnnotation = nullptr;
    QAction* actShowThumbnails = nullptr;
    QAction* actCopy = nullptr;
    QAction* actSelectAll = nullptr;
    QAction* actCopyPageImage = nullptr;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Keys the window's controls leave alone (F1 among them) go to the program's help.
    void keyPressEvent(QKeyEvent* event) override;
    // Home and End go to the top and the bottom of the page, Page Up and Page Down scroll it by
    // a screen; false for other keys.
    bool ScrollByKey(int key);
    // Page Down or Space at the bottom of the page go on to the next page (shown from its
    // top), Page Up or Shift+Space at the top back to the previous one (shown from its
    // bottom); false when the key is not one of these or the view is not at that end.
    bool StepAtPageEnd(int key, Qt::KeyboardModifiers modifiers);
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateLayout();
    void CreateThumbnails(QBoxLayout* pageRow);
    void CreateTextActions();
    void CreateContinuous(QBoxLayout* pageRow);
    // Shows the document's pages in the column, at DocumentPage.
    void ShowContinuous();
    // Back to the single page view (the column lets go of its pages).
    void LeaveContinuousView();
    // The column scrolled to another page.
    void ContinuousPageShown(int page);
    // Zooming in continuous mode: the column takes the scale, keeping the point under anchor.
    void ZoomContinuous(double scale, QPoint anchor);
    // The page's words for the selection, read once per page shown.
    void ReadPageText();
    // A page was drawn: its words are read again when next needed.
    void ForgetPageText();
    void SelectionChanged();
    void ConnectImage();
    void SetScaleText();
    void SetStretchedSize(int width, int height);
    // Sets the scale and stretches the image to it, the view's scroll position as it is.
    void ApplyScale(double scale);
    // Runs zoom, then scrolls so that the page point that was under anchor is there again.
    void ZoomAround(QPoint anchor, const std::function<void()>& zoom);
    // Zoom In and Zoom Out are enabled only where they would do something.
    void UpdateZoomActions();
    void ResizeHandler();
    void StepPage(bool forward);
    void StampAnnotation(TAnnotation& annotation);
    void DestroyAnnotation(TAnnotation* annotation);
    void PlaceAnnotation(TAnnotation& annotation);
    void SetAddTextMode(bool on);
    void SaveWindowSize();
    // The window steps through the package's pages in tree order (CurrentNode), rather than
    // through the pages of a loose file's document.
    bool PackageMode() const;
    // Pages can be stepped through and chosen.
    bool Navigable() const;

    TAnnotationSizer* sizer_ = nullptr;
    bool pageTextRead_ = false;
    // The mouse went down and dragged a selection: the click that ends it keeps it.
    bool selectionDragged_ = false;
    std::vector<QPointer<TAnnotation>> annotations_;
    // The set's Modified flag when the page was shown: stepping away without saving restores it.
    bool modifiedBefore_ = false;
};

// Number of page windows open now (each registers itself while it lives).
int OpenPageWindowCount();
// Every open page window.
std::vector<TPageForm*> OpenPageWindows();
// Closes every page window (each may save its annotations first). With force, windows that
// stay open and windows waiting to be freed are freed now, as before their package goes.
void CloseAllPageWindows(bool force);

} // namespace pg
