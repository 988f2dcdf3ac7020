#pragma once
// TfrmVerifyDocs, "Verify Documents": checks a printed stack with a hand-held bar-code scanner.
// The scanner is a keyboard: it types each code into the one-pixel field edBarCode and ends it
// with Enter. "Start" begins a run over the whole package, the custom "Start" over the checked
// documents of a group; "Stop" tells how many pages are missing and offers them for printing.
// TfrmGroupName asks for the name of a new custom group.

#include "MissingDocs.h"
#include "Verification.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <memory>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace pg {

class TfrmGroupName : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGroupName(QWidget* parent = nullptr);
    QLineEdit* edGroupName = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

class TfrmVerifyDocs : public QDialog {
    Q_OBJECT
public:
    explicit TfrmVerifyDocs(QWidget* parent = nullptr);
    ~TfrmVerifyDocs() override;

    // The package the stack was printed from, and the tree's selection when a group is added.
    void SetPackage(const TDocSet* set, const TDocTree* tree, std::function<TSelection()> selection);
    TfrmMissingDocs* MissingDocs() const { return frmMissingDocs; }
    const TCustomGroupings& Groupings() const { return groupings_; }
    // Whether a run (package or custom) is reading codes.
    bool Scanning() const { return verifier_ != nullptr; }

    void btnStartClick();
    void btnStopClick();
    void btnCustomStartClick();
    void btnCustomStopClick();
    void btnCustomAddClick();
    void btnDeleteGroupNameClick();
    void btnCustomRemoveClick();
    void btnMissingClick();
    void LoadCustomGroupings();

    QLabel* lblVerify = nullptr;
    QPlainTextEdit* memoHelp = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnStop = nullptr;
    QLineEdit* edBarCode = nullptr;
    QPushButton* btnMissing = nullptr;
    QGroupBox* rdgrpVerifyOrder = nullptr;
    QRadioButton* rbOrderImportant = nullptr;
    QRadioButton* rbOrderNotImportant = nullptr;
    QListWidget* lbGroupName = nullptr;
    QListWidget* clDocumentList = nullptr;
    QPushButton* btnCustomAdd = nullptr;
    QPushButton* btnDeleteGroupName = nullptr;
    QPushButton* btnCustomStart = nullptr;
    QPushButton* btnCustomStop = nullptr;
    QPushButton* btnCustomRemove = nullptr;
    QLabel* lblDocumentName = nullptr;
    QLabel* lblDocumentPage = nullptr;
    QLabel* lblDocumentBorrower = nullptr;
    QLabel* lblBarcodeID = nullptr;
    QLabel* lblMissing = nullptr;
    QPushButton* btnClose = nullptr;
    TfrmGroupName* frmGroupName = nullptr;
    TfrmMissingDocs* frmMissingDocs = nullptr;

    // Escape (and the title bar's close) during a run asks before the codes read are dropped.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Key presses reach the help with the dialog's context, also those of the scan field.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildPackagePage();
    QWidget* BuildCustomPage();
    void PackageControls(bool enabled);
    void CustomGroupControls(bool enabled);
    void ClearCurrentDocument();
    void StartRun(std::vector<TExpectedPage> expected, bool wholePackage);
    void StopRun();
    void CodeEntered(const QString& typed);

    const TDocSet* set_ = nullptr;
    const TDocTree* tree_ = nullptr;
    std::function<TSelection()> selection_;
    TCustomGroupings groupings_;
    std::unique_ptr<TBarcodeVerifier> verifier_;
    bool wholePackage_ = false; // the run covers the whole package, not a group
    // After Enter the scanner may still be typing (a suffix it is set up to send): whatever
    // arrives right after it is no part of the next code.
    QElapsedTimer sinceEnter_;
};

} // namespace pg
