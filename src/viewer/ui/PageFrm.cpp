#include "PageFrm.h"

#include "CommandLine.h"
#include "ContinuousView.h"
#include "GotoPage.h"
#include "HelpHook.h"
#include "ImageView.h"
#include "PGRegistry.h"
#include "PageNavigation.h"
#include "PageRender.h"
#include "Paths.h"
#include "PclPageDocuments.h"
#include "Prompt.h"
#include "QtText.h"
#include "TextHighlights.h"
#include "ThumbnailStrip.h"
#include "Trace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>

namespace pg {

namespace {

constexpr int kMinWidth = 390;
// The page window's topic in the program's help.
constexpr int kHelpContext = 6;

std::vector<TPageForm*>& Registry() {
    static std::vector<TPageForm*> windows;
    return windows;
}

QAction* MakeAction(QObject* owner, const char* name, const QString& caption, const QString& hint = {}) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    return action;
}

QToolButton* MakeButton(QToolBar* bar, const char* name, QAction* action) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addWidget(button);
    return button;
}

QString FromBytes(const std::string& text) {
    return FromPackageText(text);
}

} // namespace

int OpenPageWindowCount() {
    return int(Registry().size());
}

std::vector<TPageForm*> OpenPageWindows() {
    return Registry();
}

void CloseAllPageWindows(bool force) {
    for (TPageForm* page : OpenPageWindows())
        page->close();
    if (!force)
        return;
    for (TPageForm* page : OpenPageWindows())
        delete page;
}

TPageForm::TPageForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("PageForm");
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateLayout();
    ConnectImage();
    setMinimumWidth(kMinWidth);
    resize(std::max(kMinWidth, PGRegistry::PageSizeWidth() > 0 ? int(PGRegistry::PageSizeWidth()) : 800),
           PGRegistry::PageSizeHeight() > 0 ? int(PGRegistry::PageSizeHeight()) : 700);
    SetButtons();
    SetScaleText();
    Registry().push_back(this);
}

TPageForm::~TPageForm() {
    auto& windows = Registry();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    RemoveAnnotationsFromImage();
    Image->Release();
}

void TPageForm::CreateActions() {
    actPrint = MakeAction(this, "actPrint", "Print");
    actZoomIn = MakeAction(this, "actZoomIn", "Zoom In", "Click here to zoom in (make the document LARGER)");
    actZoomOut =
        MakeAction(this, "actZoomOut", "Zoom Out", "Click here to zoom  out (make the document SMALLER)");
    actAddText = MakeAction(this, "actAddText", "Add Text", "Click here to add annotations to the document");
    actAddText->setCheckable(true);
    actDelText =
        MakeAction(this, "actDelText", "Del Text", "Click here to delete the currently selected annotation");
    actSaveAnnotations =
        MakeAction(this, "actSaveAnnotations", "Save", "Click here to save the annotations of this page");
    actPrev = MakeAction(this, "actPrev", "Prev Pg", "Click to go to the previous page");
    actNext = MakeAction(this, "actNext", "Next Pg", "Click to go to the next page");
    actGotoPage = MakeAction(this, "actGotoPage", "1 of 1", "Click to go to a specific page of this form");
    actBestFit = MakeAction(this, "actBestFit", "Best Fit");
    actFitPage = MakeAction(this, "actFitPage", "Fit &Page", "Show the whole page");
    actRotateLeft = MakeAction(this, "actRotateLeft", "Rotate &Left", "Turn the page a quarter to the left");
    actRotateRight =
        MakeAction(this, "actRotateRight", "Rotate &Right", "Turn the page a quarter to the right");
    actRotateLeft->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left));
    actRotateRight->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right));
    connect(actRotateLeft, &QAction::triggered, this, [this] { RotateView(-1); });
    connect(actRotateRight, &QAction::triggered, this, [this] { RotateView(1); });
    actFitHeight = MakeAction(this, "actFitHeight", "Fit Height");
    actOriginalSize = MakeAction(this, "actOriginalSize", "&Original Size (20%)");
    actExit = MakeAction(this, "actExit", "E&xit");
    actAbout = MakeAction(this, "actAbout", "&About");
    mnuDeleteAnnotation = MakeAction(this, "mnuDeleteAnnotation", "Delete Annotation");
    mnuMoveAnnotation = MakeAction(this, "mnuMoveAnnotation", "Move Annotation");
    CreateTextActions();
    mnuGotoPage =
        MakeAction(this, "mnuGotoPage", "&Go To Page...", "Click to go to a specific page of this form");

    // The keys people know from other viewers, shown beside the menu entries. Page Up and Page
    // Down scroll the page, so stepping pages takes Ctrl with them; Esc and Ctrl+W close the
    // window as closing it does (annotations are asked about first).
    actPrint->setShortcut(QKeySequence::Print);
    // Ctrl+= is Ctrl and the key that shifted is "+" on most keyboards; both zoom in.
    actZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    actZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    actOriginalSize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    actSaveAnnotations->setShortcut(QKeySequence::Save);
    actPrev->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    actNext->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    mnuGotoPage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    actExit->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)});

    connect(actPrint, &QAction::triggered, this, [this] {
        if (VivaformMode || !PrintPage || !SaveAnnotations(true))
            return;
        PrintPage(*this);
    });
    connect(actZoomIn, &QAction::triggered, this, &TPageForm::ZoomIn);
    connect(actZoomOut, &QAction::triggered, this, &TPageForm::ZoomOut);
    connect(actAddText, &QAction::triggered, this, &TPageForm::AddTextClick);
    connect(actDelText, &QAction::triggered, this, &TPageForm::DelTextClick);
    connect(mnuDeleteAnnotation, &QAction::triggered, this, &TPageForm::DelTextClick);
    connect(mnuMoveAnnotation, &QAction::triggered, this, &TPageForm::MoveAnnotationClick);
    connect(actSaveAnnotations, &QAction::triggered, this, [this] { SaveAnnotations(false); });
    connect(actPrev, &QAction::triggered, this, &TPageForm::PrevPage);
    connect(actNext, &QAction::triggered, this, &TPageForm::NextPage);
    connect(actGotoPage, &QAction::triggered, this, &TPageForm::GotoPageClick);
    connect(mnuGotoPage, &QAction::triggered, this, &TPageForm::GotoPageClick);
    connect(actBestFit, &QAction::triggered, this, &TPageForm::DoBestFit);
    connect(actFitHeight, &QAction::triggered, this, &TPageForm::FitHeight);
    connect(actFitPage, &QAction::triggered, this, &TPageForm::FitPage);
    connect(actOriginalSize, &QAction::triggered, this, &TPageForm::OriginalSize);
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(actAbout, &QAction::triggered, this, [this] {
        if (ShowAbout)
            ShowAbout();
    });
}

void TPageForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu("File");
    file->addActions({actSaveAnnotations, actPrint, actExit});
    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setObjectName("mnuEdit");
    edit->addActions({actCopy, actSelectAll});
    edit->addSeparator();
    edit->addAction(actCopyPageImage);
    QMenu* view = menuBar()->addMenu("View");
    view->addActions({actZoomIn, actZoomOut, actBestFit, actFitPage, actFitHeight, actOriginalSize});
    QMenu* rotate = view->addMenu("R&otate");
    rotate->setObjectName("mnuRotate");
    rotate->addActions({actRotateLeft, actRotateRight});
    actFitHeight->setVisible(false);
    QMenu* go = menuBar()->addMenu("&Go");
    go->setObjectName("mnuGo");
    go->addActions({actPrev, actNext, mnuGotoPage});
    QMenu* help = menuBar()->addMenu("Help");
    help->addAction(actAbout);

    ScaleMenu = new QMenu(this);
    ScaleMenu->setObjectName("ScaleMenu");
    for (int scale : {200, 100, 50, 20, 10}) {
        QAction* item = ScaleMenu->addAction(QString::number(scale) + "%");
        item->setObjectName(QStringLiteral("mnuScale%1").arg(scale));
        connect(item, &QAction::triggered, this, [this, scale] { SetFixedScale(scale); });
    }
    ScaleMenu->addActions({actZoomIn, actZoomOut});
    // The pop-up shows Fit Height although the View menu hides it.
    QAction* fitHeight = ScaleMenu->addAction("Fit Height");
    connect(fitHeight, &QAction::triggered, actFitHeight, &QAction::trigger);
    ScaleMenu->addActions({actBestFit, actOriginalSize});

    MnuAnnotation = new QMenu(this);
    MnuAnnotation->setObjectName("MnuAnnotation");
    MnuAnnotation->addActions({mnuDeleteAnnotation, mnuMoveAnnotation});
}

void TPageForm::CreateToolBar() {
    pnlToolBar = new QWidget(this);
    pnlToolBar->setObjectName("pnlToolBar");
    auto* layout = new QHBoxLayout(pnlToolBar);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* left = new QToolBar(pnlToolBar);
    auto* right = new QToolBar(pnlToolBar);
    layout->addWidget(left);
    layout->addStretch();
    layout->addWidget(right);
    btnPrintDocument = MakeButton(left, "btnPrintDocument", actPrint);
    btnZoomIn = MakeButton(left, "btnZoomIn", actZoomIn);
    btnZoomOut = MakeButton(left, "btnZoomOut", actZoomOut);
    cbxZoom = new QComboBox(left);
    cbxZoom->setObjectName("cbxZoom");
    cbxZoom->setEditable(true);
    cbxZoom->setInsertPolicy(QComboBox::NoInsert);
    cbxZoom->setToolTip("Choose or type the zoom in percent");
    cbxZoom->setStatusTip(cbxZoom->toolTip());
    cbxZoom->addItems(
        {"Fit Width", "Fit Page", "10%", "20%", "25%", "37%", "50%", "75%", "100%", "150%", "200%", "400%"});
    cbxZoom->setMinimumContentsLength(9);
    left->addWidget(cbxZoom);
    // A preset picked from the list (the edit then holds its text), or a percentage typed and
    // entered; an entry the box itself makes of typed text is not a choice.
    connect(cbxZoom, &QComboBox::activated, this, [this](int index) {
        if (cbxZoom->lineEdit()->text() == cbxZoom->itemText(index))
            ZoomBoxChosen(cbxZoom->itemText(index));
    });
    connect(cbxZoom->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { ZoomBoxChosen(cbxZoom->lineEdit()->text()); });
    btnAddText = MakeButton(left, "btnAddText", actAddText);
    btnDelText = MakeButton(left, "btnDelText", actDelText);
    btnSaveAnnotations = MakeButton(left, "btnSaveAnnotations", actSaveAnnotations);
    btnPrev = MakeButton(right, "btnPrev", actPrev);
    btnGotoPage = MakeButton(right, "btnGotoPage", actGotoPage);
    btnNext = MakeButton(right, "btnNext", actNext);
}

void TPageForm::CreateLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlToolBar);
    StatusBar = new QLabel(central);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar->installEventFilter(this);
    layout->addWidget(StatusBar);
    ScrollBox = new QScrollArea(central);
    ScrollBox->setObjectName("ScrollBox");
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox->setFocusPolicy(Qt::StrongFocus);
    Image = new THLWImageAntialias;
    Image->setObjectName("Image");
    Image->resize(0, 0);
    ScrollBox->setWidget(Image);
    Highlights = new TTextHighlights(Image);
    Highlights->Boxes = [this] {
        return HighlightsOn && CurrentNode != nullptr && PackageMode() ? HighlightsOn(*CurrentNode)
                                                                       : std::vector<TTextBox>();
    };
    Highlights->SelectionBoxes = [this] { return Selection.Boxes(); };
    Highlights->CurrentBoxes = [this] {
        return CurrentHitOn && CurrentNode != nullptr && PackageMode() ? CurrentHitOn(*CurrentNode)
                                                                       : std::vector<TTextBox>();
    };
    ScrollBox->viewport()->installEventFilter(this);
    ScrollBox->installEventFilter(this);
    ScrollBox->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* pageRow = new QHBoxLayout;
    CreateThumbnails(pageRow);
    pageRow->addWidget(ScrollBox, 1);
    CreateContinuous(pageRow);
    layout->addLayout(pageRow, 1);
    setCentralWidget(central);
    const int widths[3] = {100, 200, 50};
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(this);
        StatusPanel[i]->setFixedWidth(widths[i]);
        statusBar()->addWidget(StatusPanel[i]);
    }
    statusBar()->setObjectName("Status");
}

void TPageForm::ConnectImage() {
    connect(Image, &THLWImageAntialias::MouseDown, this, [this](QPoint pos) {
        MouseDownPoint = pos;
        selectionDragged_ = false;
    });
    connect(Image, &THLWImageAntialias::Dragged, this, &TPageForm::SelectTextRange);
    connect(Image, &THLWImageAntialias::DoubleClicked, this, &TPageForm::SelectWordAt);
    connect(Image, &THLWImageAntialias::Clicked, this, &TPageForm::ImageClick);
    connect(Image, &THLWImageAntialias::MouseMoved, this, &TPageForm::ImageMouseMove);
    connect(ScrollBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ScaleMenu->popup(ScrollBox->mapToGlobal(pos)); });
    // Scrolling drops the move frame.
    connect(ScrollBox->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TPageForm::KillSizer);
    connect(ScrollBox->verticalScrollBar(), &QScrollBar::valueChanged, this, &TPageForm::KillSizer);
}

// ---- Opening ------------------------------------------------------------------------------

void TPageForm::View(TTreeNode* node) {
    CurrentNode = node;
    LoadThePage();
}

void TPageForm::LoadThePage() {
    RemoveAnnotationsFromImage();
    if (CurrentNode == nullptr || CurrentNode->Info == nullptr)
        return;
    const TInfo& info = *CurrentNode->Info;
    setWindowTitle(FromBytes(info.Caption()));
    modifiedBefore_ = DocumentSet != nullptr && DocumentSet->Modified;
    if (info.Form != nullptr && info.Form->IsVivaform()) {
        // A document without a page leaves the tabs as they were, under the node's caption.
        CreateVivaformControls();
        VivaformMode = true;
        LeaveContinuousView();
        Document.reset();
        ScrollBox->hide();
        TabControl->show();
        if (const THLWMemorystream* fill = info.FillStream())
            ShowVivaform(fill->View());
        SetButtons();
        UpdateThumbnails();
        return;
    }
    VivaformMode = false;
    if (TabControl != nullptr)
        TabControl->hide();
    ScrollBox->show();
    if (info.Form == nullptr)
        return;
    // One document per form: stepping within the form keeps it.
    if (!Document || Document->Source() != info.Form)
        Document = std::make_unique<TPackageFormDocument>(*info.Form);
    DocumentPage = info.PageNumber;
    SetButtons();
    if (Document->HasPage(DocumentPage)) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ViewPage();
        QApplication::restoreOverrideCursor();
    }
    actGotoPage->setText(QString::fromStdString(PageOfText(info.PageNumber, info.Form->PageCount())));
    UpdateThumbnails();
}

void TPageForm::ViewPage() {
    if (VivaformMode || !Document)
        return;
    if (ContinuousMode()) {
        ShowContinuous();
        return;
    }
    LeaveContinuousView();
    TRenderOptions options;
    options.PaperHint = PaperHint;
    // Only a package page has a fill over a template to tell apart; a plain file is drawn black.
    options.Colour = PGRegistry::FormFillColor() != 0 && PackageMode();
    const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
    if (keys.testFlag(Qt::ControlModifier) && keys.testFlag(Qt::AltModifier))
        options.DumpFile = AppDataFolder() + "FORM.bmp";
    TPagePicture picture = RenderPagePicture(*Document, DocumentPage, options);
    ForgetPageText();
    // The window's turn applies to every page it shows.
    const bool across = Image->QuarterTurns() % 2 != 0;
    const int width = across ? picture.Height() : picture.Width();
    const int height = across ? picture.Width() : picture.Height();
    if (picture.Bilevel.Empty())
        Image->SetBase(std::move(picture.Colour));
    else
        Image->SetBase(std::move(picture.Bilevel));
    AntiAliasImage(true);
    SetStretchedSize(ScaledSide(width, PageScale()), ScaledSide(height, PageScale()));
    Image->setVisible(true);
    if (Document->Traits().Pictures) {
        // A picture keeps the scale as it is: measuring the scale again from a small
        // picture's rounded size would move the scale every page window shares.
        SetScaleText();
        return;
    }
    ReSizeImage(100);
    if (Document->Traits().PackagePages && DocumentSet != nullptr)
        LoadAnnotations();
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
}

bool TPageForm::LoadPCLFile(const std::string& path) {
    try {
        // A printer file by the language it is written in (PCL 5, PCL XL or a job of both).
        std::string error;
        std::unique_ptr<TPageDocument> file = OpenPageDocument(path, error);
        if (!file)
            throw std::runtime_error(error);
        Image->hide();
        // The file's pages show at the original size from the first one on.
        OriginalScale = kOriginalScale;
        SetSharedPageScale(kOriginalScale);
        ShowDocument(std::move(file));
        return true;
    } catch (const std::exception& e) {
        DebugMsg(std::string("PageForm : cannot view ") + path + ": " + e.what());
        return false;
    }
}

void TPageForm::ShowDocument(std::unique_ptr<TPageDocument> document) {
    Document = std::move(document);
    DocumentPage = 1;
    actGotoPage->setText(QString::fromStdString(PageOfText(DocumentPage, Document->PageCount())));
    ShowDocumentPage(1);
    Image->show();
    SetButtons();
}

void TPageForm::SizeTheForm() {
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect s = screen->geometry();
    const TWindowRect r = pg::SizeTheForm(s.width(), s.height(), PGRegistry::PageSizeWidth(),
                                          PGRegistry::PageSizeHeight(), CascadeOffset());
    setGeometry(r.Left, r.Top, std::max(r.Width, kMinWidth), r.Height);
}

void TPageForm::SetButtons() {
    const bool zoom = !VivaformMode;
    UpdateZoomActions();
    actGotoPage->setEnabled(zoom && Navigable());
    mnuGotoPage->setEnabled(actGotoPage->isEnabled());
    if (!actGotoPage->isEnabled())
        actGotoPage->setText(QString());
    actPrev->setEnabled(Navigable());
    actNext->setEnabled(Navigable());
    // A loose file's pages take annotations that are never stored, when its kind takes any.
    const bool typedOnly = !PackageMode() && Document->Traits().Annotations;
    TAnnotationRights rights =
        AnnotationRights(DocumentSet, typedOnly, VivaformMode, HasPermission("AddAnnotations"),
                         HasPermission("DelAnnotations"));
    if (ContinuousMode())
        rights = {};
    actAddText->setEnabled(rights.AddText);
    actDelText->setEnabled(rights.DelText);
    // The pop-up menu's "Delete Annotation" is the same command under the same right.
    mnuDeleteAnnotation->setEnabled(rights.DelText);
    actSaveAnnotations->setEnabled(rights.Save);
    actPrint->setEnabled(PrintPage != nullptr && !VivaformMode);
    // Without an About window to show, the item stays off rather than doing nothing.
    actAbout->setEnabled(ShowAbout != nullptr);
}

// ---- Zoom ---------------------------------------------------------------------------------

void TPageForm::SetScaleText() {
    StatusPanel[0]->setText(QStringLiteral("Scale : %1%").arg(RoundScaled(PageScale())));
    // Every way of zooming (the fits too) reaches the column through the shared scale.
    if (ContinuousMode() && Continuous->isVisible() && Continuous->Scale() != PageScale())
        Continuous->SetScale(PageScale(), Continuous->viewport()->rect().center());
    if (cbxZoom != nullptr && !cbxZoom->lineEdit()->hasFocus()) {
        const QSignalBlocker quiet(cbxZoom);
        cbxZoom->setEditText(QStringLiteral("%1%").arg(RoundScaled(PageScale())));
    }
    UpdateZoomActions();
}

void TPageForm::UpdateZoomActions() {
    actZoomIn->setEnabled(!VivaformMode && ZoomInAllowed(PageScale()));
    actZoomOut->setEnabled(!VivaformMode && ZoomOutAllowed(PageScale()));
    cbxZoom->setEnabled(!VivaformMode);
    actFitPage->setEnabled(!VivaformMode);
    actRotateLeft->setEnabled(!VivaformMode);
    actRotateRight->setEnabled(!VivaformMode);
}

TPoint TPageForm::ToUprightPoint(QPoint imagePos) const {
    const QPoint p = Image->ToUpright(QPointF(imagePos)).toPoint();
    return {p.x(), p.y()};
}

QPoint TPageForm::FromUprightPoint(TPoint upright) const {
    return Image->FromUpright(QPointF(upright.X, upright.Y)).toPoint();
}

void TPageForm::RotateView(int quarterTurns) {
    if (VivaformMode)
        return;
    KillSizer();
    Image->SetQuarterTurns(Image->QuarterTurns() + quarterTurns);
    if (Image->Empty())
        return;
    // The same scale, the page turned; a fit fits again.
    SetStretchedSize(ScaledSide(Image->BitmapWidth(), PageScale()),
                     ScaledSide(Image->BitmapHeight(), PageScale()));
    if (FitWholePage)
        FitPage();
    else if (BestFit)
        ResizeHandler();
    else
        ReSizeImage(100);
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
}

QPoint TPageForm::ViewCentre() const {
    if (ContinuousMode())
        return Continuous->viewport()->rect().center();
    return ScrollBox->viewport()->rect().center();
}

void TPageForm::ZoomAround(QPoint anchor, const std::function<void()>& zoom) {
    const QPoint onImage = Image->mapFrom(ScrollBox->viewport(), anchor);
    const double fx = Image->width() > 0 ? double(onImage.x()) / Image->width() : 0.0;
    const double fy = Image->height() > 0 ? double(onImage.y()) / Image->height() : 0.0;
    zoom();
    ScrollBox->horizontalScrollBar()->setValue(KeepPointScroll(fx, Image->width(), anchor.x()));
    ScrollBox->verticalScrollBar()->setValue(KeepPointScroll(fy, Image->height(), anchor.y()));
}

void TPageForm::ApplyScale(double scale) {
    KillSizer();
    SetSharedPageScale(scale);
    SetStretchedSize(ScaledSide(Image->BitmapWidth(), scale), ScaledSide(Image->BitmapHeight(), scale));
    ReSizeImage(100);
}

void TPageForm::ZoomTo(double scale, QPoint anchor) {
    if (ContinuousMode()) {
        ZoomContinuous(ClampFreeScale(scale), anchor);
        return;
    }
    if (VivaformMode || Image->Empty())
        return;
    BestFit = false;
    FitWholePage = false;
    ZoomAround(anchor, [&] { ApplyScale(ClampFreeScale(scale)); });
}

void TPageForm::FitPage() {
    if (VivaformMode || Image->Empty())
        return;
    BestFit = false;
    FitWholePage = true;
    // The view without scroll bars: a page that fits needs none.
    const QSize view = ScrollBox->maximumViewportSize();
    ApplyScale(FitPageScale(Image->BitmapWidth(), Image->BitmapHeight(), view.width(), view.height(), 2));
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
}

void TPageForm::ZoomBoxChosen(const QString& text) {
    if (text == "Fit Width")
        actBestFit->trigger();
    else if (text == "Fit Page")
        FitPage();
    else if (const double scale = ParseZoomText(text.toStdString()); scale > 0)
        ZoomTo(scale, ViewCentre());
    // What the box shows is the scale now, whatever was typed.
    ScrollBox->setFocus();
    SetScaleText();
}

void TPageForm::SetStretchedSize(int width, int height) {
    Image->resize(std::max(width, 0), std::max(height, 0));
}

void TPageForm::ReSizeImage(int percent) {
    if (VivaformMode)
        return;
    KillSizer();
    SetStretchedSize(StretchSide(Image->width(), percent), StretchSide(Image->height(), percent));
    if (Image->BitmapWidth() > 0)
        SetSharedPageScale(ScaleOf(Image->width(), Image->BitmapWidth()));
    AntiAliasImage(false);
    DrawAnnotations();
    Image->update();
    SetScaleText();
}

void TPageForm::AntiAliasImage(bool reset) {
    const int passes = AntiAliasPassesFor(PGRegistry::ImageAntiAlias(), PGRegistry::ImageScale(), PageScale(),
                                          Image->Picture().Monochrome());
    Image->Picture().AntiAliasImage(reset, passes);
}

void TPageForm::ZoomIn() {
    BestFit = false;
    FitWholePage = false;
    if (ContinuousMode() && ZoomInAllowed(PageScale()))
        ZoomContinuous(PageScale() * kZoomInPercent / 100, ViewCentre());
    else if (!VivaformMode && ZoomInAllowed(PageScale()))
        ZoomAround(ViewCentre(), [this] { ReSizeImage(kZoomInPercent); });
}

void TPageForm::ZoomOut() {
    BestFit = false;
    FitWholePage = false;
    if (ContinuousMode() && ZoomOutAllowed(PageScale()))
        ZoomContinuous(PageScale() * kZoomOutPercent / 100, ViewCentre());
    else if (!VivaformMode && ZoomOutAllowed(PageScale()))
        ZoomAround(ViewCentre(), [this] { ReSizeImage(kZoomOutPercent); });
}

void TPageForm::SetFixedScale(double scale) {
    if (VivaformMode)
        return;
    BestFit = false;
    FitWholePage = false;
    if (ContinuousMode()) {
        ZoomContinuous(scale, ViewCentre());
        return;
    }
    ZoomAround(ViewCentre(), [&] { ApplyScale(scale); });
}

void TPageForm::OriginalSize() {
    if (OriginalScale == 0)
        OriginalScale = kOriginalScale;
    SetFixedScale(OriginalScale);
}

void TPageForm::ResizeHandler() {
    if (Image->Empty() || UserResized || VivaformMode)
        return;
    KillSizer();
    if (FitWholePage) {
        FitPage();
        return;
    }
    if (!BestFit)
        return;
    // The page fits beside the thumbnails; the point in the middle of the view stays there.
    const int width = this->width() - 50 - (Thumbnails->isHidden() ? 0 : Thumbnails->width());
    ZoomAround(ViewCentre(), [&] {
        SetStretchedSize(width, RoundScaled(double(Image->BitmapHeight()) * width / Image->BitmapWidth()));
        ReSizeImage(100);
    });
}

void TPageForm::DoBestFit() {
    BestFit = true;
    FitWholePage = false;
    ResizeHandler();
}

void TPageForm::FitHeight() {
    BestFit = true;
    FitWholePage = false;
    if (Image->Empty() || VivaformMode)
        return;
    const int height = ScrollBox->height() - 50;
    const double scale = double(height) / Image->BitmapHeight() * 100.0;
    SetStretchedSize(ScaledSide(Image->BitmapWidth(), scale), height);
    ReSizeImage(100);
}

// ---- Navigation ---------------------------------------------------------------------------

void TPageForm::ShowDocumentPage(int page) {
    if (!Document || !Document->HasPage(page))
        return;
    DocumentPage = page;
    actGotoPage->setText(QString::fromStdString(PageOfText(DocumentPage, Document->PageCount())));
    ViewPage();
    UpdateThumbnails();
}

bool TPageForm::PackageMode() const {
    return !Document || Document->Traits().PackagePages;
}

bool TPageForm::Navigable() const {
    return !Document || Document->Traits().Navigable;
}

void TPageForm::StepPage(bool forward) {
    if (!Navigable())
        return;
    if (!PackageMode()) {
        const int count = Document->PageCount();
        const int page = forward ? NextFilePage(DocumentPage, count) : PrevFilePage(DocumentPage, count);
        if (page != DocumentPage)
            ShowDocumentPage(page);
        return;
    }
    if (CurrentNode == nullptr)
        return;
    if (!SaveAnnotations(true))
        return;
    if (DocumentSet != nullptr)
        DocumentSet->Modified = modifiedBefore_ && DocumentSet->Modified;
    AnnotationsChanged = false;
    TTreeNode* node = StepToPage(CurrentNode, forward, FirstNode, LastNode);
    if (node == nullptr)
        return;
    MarkViewed(*node);
    if (NodeChanged)
        NodeChanged(node);
    CurrentNode = node;
    LoadThePage();
}

bool TPageForm::ShowNode(TTreeNode* node) {
    if (node == nullptr || !PackageMode())
        return false;
    if (node == CurrentNode)
        return true;
    if (!SaveAnnotations(true))
        return false;
    if (DocumentSet != nullptr)
        DocumentSet->Modified = modifiedBefore_ && DocumentSet->Modified;
    AnnotationsChanged = false;
    MarkViewed(*node);
    if (NodeChanged)
        NodeChanged(node);
    CurrentNode = node;
    LoadThePage();
    return true;
}

void TPageForm::RefreshHighlights() {
    Highlights->update();
}

void TPageForm::PrevPage() {
    StepPage(false);
}

void TPageForm::NextPage() {
    StepPage(true);
}

void TPageForm::GotoPageClick() {
    if (VivaformMode || !Navigable())
        return;
    int high = 0, shown = 1;
    if (!PackageMode()) {
        if (Document->PageCount() <= 1)
            return;
        high = Document->PageCount();
        shown = DocumentPage;
    } else {
        if (CurrentNode == nullptr || CurrentNode->Info == nullptr || !SaveAnnotations(true))
            return;
        high = CurrentNode->Form()->PageCount();
        shown = std::max(CurrentNode->Info->PageNumber, 1);
    }
    if (GotoDialog == nullptr)
        GotoDialog = new TfrmGotoPage(this);
    GotoDialog->SetRange(1, high);
    GotoDialog->StartAt(shown);
    GotoDialog->adjustSize();
    const QPoint topRight =
        mapToGlobal(QPoint(width(), pnlToolBar->geometry().bottom() + menuBar()->height()));
    GotoDialog->move(topRight.x() - GotoDialog->width(), topRight.y());
    if (GotoDialog->exec() != QDialog::Accepted)
        return;
    GotoPage(GotoDialog->Choice(), GotoDialog->PageNumber());
}

void TPageForm::GotoPage(TGotoChoice choice, int number) {
    if (!PackageMode()) {
        if (Document->PageCount() > 1)
            ShowDocumentPage(PlainFileGotoPage(choice, number, Document->PageCount()));
        return;
    }
    const TGotoResult result = GotoFormPage(CurrentNode, choice, number);
    if (!result.Load)
        return;
    MarkViewed(*result.Node);
    if (NodeChanged)
        NodeChanged(result.Node);
    CurrentNode = result.Node;
    LoadThePage();
}

// ---- Mouse, keys and window events --------------------------------------------------------

void TPageForm::ImageMouseMove(QPoint pos) {
    SetScaleText();
    const TPoint p = ScreenToPCL(ToUprightPoint(pos), PageScale());
    StatusPanel[1]->setText(QStringLiteral("%1, %2").arg(p.X).arg(p.Y));
}

void TPageForm::HintPanelClick() {
    // The testing switch writes out the plain PCL file the window shows, as it was read, into the
    // user's own data folder (never a fixed name in the shared temporary folder).
    const auto* file = dynamic_cast<const TPclFileDocument*>(Document.get());
    if (!HasSwitch("/Testing") || file == nullptr)
        return;
    const std::string path = ProgramDataFolder() + "form.pcl";
    ShowInformation("Saving PCL to disk : " + path);
    if (!THLWMemorystream(std::string(file->Input())).SaveToFile(path))
        ShowError("Cannot write " + path);
}

bool TPageForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ScrollBox->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        if (delta == 0)
            return false;
        // Ctrl+wheel zooms, keeping the point under the mouse where it is.
        if (wheel->modifiers().testFlag(Qt::ControlModifier)) {
            if (!VivaformMode)
                ZoomTo(WheelZoomScale(PageScale(), delta), wheel->position().toPoint());
            return true;
        }
        const int steps = WheelLineSteps(QApplication::wheelScrollLines(), delta);
        QScrollBar* bar = ScrollBox->verticalScrollBar();
        for (int i = 0; i < std::abs(steps); ++i)
            bar->triggerAction(steps > 0 ? QAbstractSlider::SliderSingleStepAdd
                                         : QAbstractSlider::SliderSingleStepSub);
        return true;
    }
    if (watched == ScrollBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (StepAtPageEnd(key->key(), key->modifiers()))
            return true;
    }
    if (watched == StatusBar && event->type() == QEvent::MouseButtonPress) {
        HintPanelClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TPageForm::keyPressEvent(QKeyEvent* event) {
    PassKeyToHelp(event->key(), kHelpContext);
    // Shift+Space reads back up, as Page Up does.
    const int key = event->key() == Qt::Key_Space && event->modifiers().testFlag(Qt::ShiftModifier)
                        ? int(Qt::Key_PageUp)
                        : event->key();
    if (StepAtPageEnd(event->key(), event->modifiers()) || ScrollByKey(key)) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TPageForm::StepAtPageEnd(int key, Qt::KeyboardModifiers modifiers) {
    if (VivaformMode || !ScrollBox->isVisible() || !Navigable() || Image->Empty())
        return false;
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool down = key == Qt::Key_PageDown || (key == Qt::Key_Space && !shift);
    const bool up = key == Qt::Key_PageUp || (key == Qt::Key_Space && shift);
    if (modifiers.testFlag(Qt::ControlModifier) || (!down && !up))
        return false;
    QScrollBar* bar = ScrollBox->verticalScrollBar();
    if ((down && bar->value() < bar->maximum()) || (up && bar->value() > bar->minimum()))
        return false;
    const TTreeNode* node = CurrentNode;
    const int page = DocumentPage;
    StepPage(down);
    // Going back, the previous page shows from its bottom, where reading left it.
    if (up && (CurrentNode != node || DocumentPage != page))
        bar->setValue(bar->maximum());
    return true;
}

bool TPageForm::ScrollByKey(int key) {
    if (VivaformMode || !ScrollBox->isVisible())
        return false;
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (key) {
    case Qt::Key_Home:
        action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        action = QAbstractSlider::SliderToMaximum;
        break;
    case Qt::Key_PageUp:
        action = QAbstractSlider::SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
    case Qt::Key_Space:
        action = QAbstractSlider::SliderPageStepAdd;
        break;
    default:
        return false;
    }
    ScrollBox->verticalScrollBar()->triggerAction(action);
    return true;
}

bool TPageForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        StatusBar->setText(QLatin1Char(' ') + static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TPageForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ResizeHandler();
}

void TPageForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        SetAddTextMode(AddTextMode);
        SetButtons();
    } else {
        SaveWindowSize();
    }
}

void TPageForm::SaveWindowSize() {
    PGRegistry::SetPageSizeWidth(width());
    PGRegistry::SetPageSizeHeight(height());
}

void TPageForm::closeEvent(QCloseEvent* event) {
    if (!TempFileName.empty() && FileExists(TempFileName))
        std::remove(TempFileName.c_str());
    // A failed save keeps the window, so nothing typed is lost.
    if (!SaveAnnotations(true)) {
        event->ignore();
        return;
    }
    PGRegistry::SetPageScale(PageScale());
    event->accept();
}

} // namespace pg
