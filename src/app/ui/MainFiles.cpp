// The main window's file commands: the open command (with its dialog or for a dropped file),
// Save As and Save Selected, and the PDF conversion as the window runs it: the capture walk
// builds the job's PCL, our converter program turns it into the PDF while the window's events
// keep running, and a small message window says what is going on. Which branch a file takes is
// decided in FileKinds.h; the conversion itself is PdfConversion.h.

#include "Main.h"

#include "BusyCursor.h"
#include "DialogFolder.h"
#include "DocTreeView.h"
#include "FileKinds.h"
#include "MessageWindow.h"
#include "PackagePdf.h"
#include "Paths.h"
#include "PdfConversion.h"
#include "PdfReader.h"
#include "PrintTree.h"
#include "Prompt.h"
#include "Quodex.h"
#include "RecentPackages.h"
#include "Strings.h"
#include "Tesselon.h"
#include "Trace.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>

#include <utility>

namespace pg {

namespace {

constexpr char kOpenFilters[] =
    "All Pagellan Formats (*.TSN *.QDX *.DSP *.QDZ *.PDF *.xml *.tsn *.qdx *.dsp *.qdz *.pdf *.XML);;"
    "All known PCL formats (*.lsr *.dot *.msc *.aod *.dsc *.rid *.hlw *.not *.pcl *.tem "
    "*.LSR *.DOT *.MSC *.AOD *.DSC *.RID *.HLW *.NOT *.PCL *.TEM);;"
    "Lasers (*.lsr *.LSR);;Deed of trust (*.dot *.aod *.DOT *.AOD);;Disclosure (*.dsc *.DSC);;"
    "Notes (*.not *.NOT);;Riders (*.RID *.rid);;Worksheets (*.hlw *.HLW);;All (*)";
// In the order of kSaveFilterExtensions; both letter cases, as the file system tells them apart.
const QStringList kSaveFilters = {"Tesselon (*.TSN *.tsn)", "Quodex (*.QDX *.qdx)",
                                  "Adobe PDF (*.PDF *.pdf)"};

std::string LocalPath(const QString& path) {
    return path.toLocal8Bit().toStdString();
}

} // namespace

void TfrmMain::CreateFileCommands() {
    frmMessage = new TfrmMessage(this);
    PdfConverter = ConverterBesideExecutable();
    // Files dropped from the desktop; the tree's own drags stay with the tree.
    setAcceptDrops(true);
    for (QAction* a : {actFileOpen, actFileSaveAs, mnuFileSaveAs, actSaveSelected})
        MarkWired(a);
    connect(actFileOpen, &QAction::triggered, this, &TfrmMain::FileOpenClick);
    connect(actFileSaveAs, &QAction::triggered, this, &TfrmMain::SaveAsClick);
    connect(actSaveSelected, &QAction::triggered, this, &TfrmMain::SaveSelectedClick);
    actFileOpen->setEnabled(true);
    actOpenPdf = new QAction(QStringLiteral("Open PDF"), this);
    actOpenPdf->setObjectName(QStringLiteral("actOpenPdf"));
    connect(actOpenPdf, &QAction::triggered, this, [this] { ViewPdfFile(lastPdf_); });
}

void TfrmMain::PdfSaved(const std::string& path) {
    lastPdf_ = path;
    const TPDFDetector reader;
    ShowStatusMessage("PDF saved to " + path, reader.Installed() ? actOpenPdf : nullptr);
}

std::string TfrmMain::RunSaveDialog(const QString& title, const std::string& startName, int& filterIndex) {
    QFileDialog dialog(this, title);
    dialog.setObjectName("SaveDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The command asks about an existing file itself, after the extension has been settled.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(kSaveFilters);
    dialog.setDirectory(QString::fromLocal8Bit(DialogFolder().c_str()));
    if (!startName.empty())
        dialog.selectFile(QString::fromLocal8Bit(startName.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    filterIndex = int(kSaveFilters.indexOf(dialog.selectedNameFilter()));
    const std::string chosen = LocalPath(dialog.selectedFiles().front());
    RememberDialogFolder(chosen);
    return chosen;
}

std::string TfrmMain::DialogFolder() const {
    TDialogFolderFacts facts;
    facts.PackageFile = set_ ? set_->FileName : std::string();
    facts.LastFolder = LastDialogFolder();
    facts.DocumentsFolder = LocalPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    facts.HomeFolder = LocalPath(QDir::homePath());
    facts.ProgramFolder = ProgramFolder;
    return DialogStartFolder(facts);
}

void TfrmMain::FileOpenClick() {
    QFileDialog dialog(this, QStringLiteral("Open file"));
    dialog.setObjectName("OpenDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(QString::fromLatin1(kOpenFilters).split(QStringLiteral(";;")));
    dialog.setDirectory(QString::fromLocal8Bit(DialogFolder().c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenFileName = LocalPath(dialog.selectedFiles().front());
    RememberDialogFolder(OpenFileName);
    ViewFile = OpenFileName;
    OpenViewFile();
}

void TfrmMain::OpenViewFile() {
    if (Trim(ViewFile).empty())
        return;
    switch (OpenKindOf(ViewFile)) {
    case TOpenKind::Package:
        // Leaving a reordered package: its order may become the plan's order first.
        AskToSaveStackingOrder();
        LoadFile();
        break;
    case TOpenKind::Pdf:
        ViewPdfFile(ViewFile);
        break;
    case TOpenKind::Refused:
        ShowInformation(kRefusedFileTypeMessage);
        break;
    case TOpenKind::PlainFile:
        ViewPCLFile(ViewFile);
        break;
    }
}

void TfrmMain::ViewPdfFile(const std::string& path) {
    // A PDF never goes into the tree: the desktop's reader shows it.
    const TPDFDetector reader;
    if (!reader.Installed()) {
        ShowInformation(PdfReaderMissingText(path));
        return;
    }
    DebugMsg("Main : " + path + " opened with " + reader.Application());
    OpenWebAddress(path);
}

void TfrmMain::LoadFile() {
    const std::string name = OpenFileName;
    // The package shown stays until the new file has been read and the user let its changes go.
    if (!FileExists(name)) {
        ShowInformation(name + " does not exist");
        return;
    }
    THLWMemorystream stream;
    if (!stream.LoadFromFile(name)) {
        ShowError(name + " cannot be read.");
        return;
    }
    if (!MayReplacePackage())
        return;
    const TBusyCursor busy;
    CloseAnyOpenForms();
    DestroyTree();
    CurrentFile.clear();
    readOnly_ = false;
    try {
        // As at start-up: the user may make a read-only package writable; one that stays
        // read-only says so in the caption.
        readOnly_ = ClearReadOnly(name, true);
        CurrentFile = name;
        ViewFile = name;
        LoadTree(&stream);
        if (Loaded)
            RememberRecentPackage(name);
        DocTree->setFocus();
        SetStatusBar();
        SetMainCaptionAndWindowPosition();
        if (Loaded && set_ && set_->HasErrors())
            ShowDocSetErrors();
    } catch (const std::exception& e) {
        // The tree stays as far as it was built.
        DebugMsg(std::string("Main : load failed: ") + e.what());
    }
}

void TfrmMain::UpdateRecentPackages() {
    mnuRecentPackages->clear();
    const std::vector<std::string> recent = RecentPackages();
    for (size_t i = 0; i < recent.size(); ++i) {
        const std::string& path = recent[i];
        QAction* item = mnuRecentPackages->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromLocal8Bit(path.c_str())));
        item->setObjectName(QStringLiteral("mnuRecentPackage%1").arg(i + 1));
        // A file on a share that is not mounted now may come back: it stays listed, greyed.
        const bool present = FileExists(path);
        item->setEnabled(present);
        if (!present)
            item->setToolTip(QStringLiteral("The file is missing"));
        connect(item, &QAction::triggered, this, [this, path] { OpenRecentPackage(path); });
    }
    mnuRecentPackages->setEnabled(!recent.empty());
}

void TfrmMain::OpenRecentPackage(const std::string& path) {
    // The file may have gone since the menu was shown: loading says so, and the entry goes.
    if (!FileExists(path))
        ForgetRecentPackage(path);
    OpenFileName = path;
    ViewFile = path;
    OpenViewFile();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files.push_back(LocalPath(url.toLocalFile()));
    event->acceptProposedAction();
    DropFiles(files);
}

void TfrmMain::DropFiles(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        OpenFileName = file;
        const std::string ext = UpperCase(ExtensionPart(file));
        if (ext == "QDX" || ext == "TSN" || ext == "PDF") {
            ViewFile = file;
            OpenViewFile();
        }
    }
}

bool TfrmMain::AskOverwrite(const std::string& path) {
    return !FileExists(path) || AskYesNo(OverwriteQuestion(path)) == PromptAnswer::Yes;
}

void TfrmMain::SaveAsClick() {
    if (!set_ || Converting)
        return;
    int filter = 0;
    const std::string chosen = RunSaveDialog(QStringLiteral("Save As"), {}, filter);
    if (chosen.empty())
        return;
    const std::string path = SaveAsTarget(chosen, filter);
    if (!AskOverwrite(path))
        return;
    const TSaveKind kind = SaveKindOf(path);
    if (kind == TSaveKind::Pdf) {
        // A converter that cannot be put into a work folder stops the command before any work.
        if (!ConverterCanBeExtracted(PdfConverter))
            return;
        QApplication::processEvents();
        bool walked = false;
        const std::string pcl = GetPCLToCreatePDF(false, false, &walked);
        if (walked && ConvertPCLStringToPDF(pcl, path))
            PdfSaved(path);
        return;
    }
    AskToSaveStackingOrder();
    const bool saved = kind == TSaveKind::Quodex
                           ? TQuodex::SaveQuodex(*set_, path, TSaveMode::All, true, false)
                           : TTesselon::SaveTesselon(*set_, path, TSaveMode::All, true);
    if (saved)
        ShowStatusMessage("Package saved as " + path);
    if (saved && AskYesNo("Reload the tree with the just saved quodex?") == PromptAnswer::Yes) {
        OpenFileName = path;
        LoadFile();
    }
}

void TfrmMain::SaveSelectedClick() {
    if (!set_ || Converting)
        return;
    const TSelection selection = Selection();
    if (selection.empty()) {
        ShowInformation(kNoFormsSelected);
        return;
    }
    const std::string deleted = DeletedFormsSaveMessage(FormsToCheckForDeletion(tree_, selection));
    if (!deleted.empty()) {
        ShowInformation(deleted);
        return;
    }
    int filter = 0;
    const std::string chosen = RunSaveDialog(QStringLiteral("Save selected as"), lastSaveName_, filter);
    if (chosen.empty())
        return;
    lastSaveName_ = chosen;
    const std::string path = SaveSelectedTarget(chosen, filter);
    if (!AskOverwrite(path))
        return;
    // Marks the forms under the selection as the ones to write.
    GetNumberOfPagesSelected();
    // Writing a part of the package elsewhere leaves the package's own changes unsaved.
    const bool modified = set_->Modified;
    switch (SaveKindOf(path)) {
    case TSaveKind::Tesselon:
        if (TTesselon::SaveTesselon(*set_, path, TSaveMode::Selected, true))
            ShowStatusMessage("Selected forms saved as " + path);
        break;
    case TSaveKind::Quodex:
        if (TQuodex::SaveQuodex(*set_, path, TSaveMode::Selected, true, false))
            ShowStatusMessage("Selected forms saved as " + path);
        break;
    case TSaveKind::Pdf: {
        bool walked = false;
        const std::string pcl = GetPCLToCreatePDF(true, false, &walked);
        if (walked && ConvertPCLStringToPDF(pcl, path))
            PdfSaved(path);
        break;
    }
    case TSaveKind::Unknown:
        ShowInformation(kUnknownSaveTypeMessage);
        break;
    }
    set_->Modified = modified;
}

void TfrmMain::ShowMessageWindow(const QString& caption, const QString& text) {
    frmMessage->ShowMessage(caption, text);
}

void TfrmMain::CloseMessageWindow() {
    frmMessage->hide();
}

std::string TfrmMain::GetPCLToCreatePDF(bool selectedOnly, bool changedOnly, bool* walked) {
    const TBusyCursor busy;
    ShowMessageWindow(QStringLiteral("Creating PCL file for PDF converter"),
                      QStringLiteral("...Please wait..."));
    InMemoryJobText().clear();
    InMemoryJobPages().clear();
    // The flags go back however the walk ends.
    struct TRestore {
        TfrmMain& main;
        bool capture = PRINT_TO_ONE_FILE;
        bool pdfMode = main.PDFMode;
        ~TRestore() {
            PRINT_TO_ONE_FILE = capture;
            main.PDFMode = pdfMode;
            main.CloseMessageWindow();
        }
    } restore{*this};
    PRINT_TO_ONE_FILE = true;
    PDFMode = true;
    const bool done = PrintForms(tree_.Empty() ? nullptr : tree_.Root(), false, selectedOnly, changedOnly);
    if (walked != nullptr)
        *walked = done;
    std::string pcl = std::move(InMemoryJobText());
    InMemoryJobText().clear();
    pdfFinish_ = set_ ? PackagePdfFinish(*set_, tree_, InMemoryJobPages()) : TPdfFinish{};
    InMemoryJobPages().clear();
    return pcl;
}

bool TfrmMain::ConvertPCLStringToPDF(const std::string& pcl, const std::string& target) {
    const TBusyCursor busy;
    Converting = true;
    CheckOptionsAvailable();
    ShowMessageWindow(QStringLiteral("Running PCL to PDF converter"), QStringLiteral("...Please wait..."));
    // The wait for the converter runs the window's events; the timer wakes it up to look at the
    // converter again when nothing else happens.
    QTimer tick;
    tick.start(20);
    const TPdfConversion conversion{
        PdfConverter,
        [] { QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); },
        std::exchange(pdfFinish_, {})};
    const bool done = pg::ConvertPCLStringToPDF(pcl, target, conversion);
    tick.stop();
    CloseMessageWindow();
    Converting = false;
    CheckOptionsAvailable();
    if (closeAfterConversion_) {
        closeAfterConversion_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
    return done;
}

} // namespace pg
