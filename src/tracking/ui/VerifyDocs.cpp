#include "VerifyDocs.h"

#include "HelpHook.h"
#include "Prompt.h"
#include "QtText.h"
#include "Strings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pg {

namespace {

// Keys typed this soon after Enter are the scanner's trailing characters, not a new scan: an
// operator needs far longer to aim at the next code.
constexpr qint64 kTrailingKeysMs = 150;

constexpr int kHelpContext = 3;

constexpr char kRemoveWhichDocument[] = "Please select the form you wish\r\nto remove from this grouping.";
constexpr char kGroupNameMissing[] = "A group needs a name.  Please enter one.";
constexpr char kStopRunQuestion[] =
    "The documents are still being verified.  Stop and discard the codes read so far?";

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLabel* Label(QWidget* parent, const char* name, const QString& caption = {}) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TfrmGroupName::TfrmGroupName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmGroupName"));
    setWindowTitle(QStringLiteral("Enter the group name"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Group Name"), this));
    edGroupName = new QLineEdit(this);
    edGroupName->setObjectName(QStringLiteral("edGroupName"));
    layout->addWidget(edGroupName);
    auto* buttons = new QHBoxLayout;
    QPushButton* ok = Button(this, "btnOk", QStringLiteral("Ok"));
    ok->setDefault(true);
    QPushButton* cancel = Button(this, "btnCancel", QStringLiteral("Cancel"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmGroupName::showEvent(QShowEvent* event) {
    edGroupName->clear();
    edGroupName->setFocus();
    QDialog::showEvent(event);
}

TfrmVerifyDocs::TfrmVerifyDocs(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmVerifyDocs"));
    setWindowTitle(QStringLiteral("Verify Documents"));
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QHBoxLayout;
    pages->addWidget(BuildPackagePage());
    pages->addWidget(BuildCustomPage());
    layout->addLayout(pages);

    auto* current = new QGroupBox(QStringLiteral("Current docum ent read:"), this);
    auto* grid = new QGridLayout(current);
    lblDocumentName = Label(current, "lblDocumentName");
    lblDocumentPage = Label(current, "lblDocumentPage");
    lblDocumentBorrower = Label(current, "lblDocumentBorrower");
    lblBarcodeID = Label(current, "lblBarcodeID");
    grid->addWidget(new QLabel(QStringLiteral("Form"), current), 0, 0);
    grid->addWidget(lblDocumentName, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Page"), current), 1, 0);
    grid->addWidget(lblDocumentPage, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Borrower"), current), 2, 0);
    grid->addWidget(lblDocumentBorrower, 2, 1);
    auto* barcodeCaption = new QLabel(QStringLiteral("Barcode:"), current);
    grid->addWidget(barcodeCaption, 3, 0);
    grid->addWidget(lblBarcodeID, 3, 1);
    barcodeCaption->hide();
    lblBarcodeID->hide();
    layout->addWidget(current);

    auto* bottom = new QHBoxLayout;
    lblMissing = Label(this, "lblMissing");
    btnClose = Button(this, "btnClose", QStringLiteral("Close"));
    bottom->addWidget(lblMissing);
    bottom->addStretch();
    bottom->addWidget(btnClose);
    layout->addLayout(bottom);

    frmGroupName = new TfrmGroupName(this);
    frmMissingDocs = new TfrmMissingDocs(this);
    edBarCode->installEventFilter(this);
    lblVerify->installEventFilter(this);
    connect(btnStart, &QPushButton::clicked, this, &TfrmVerifyDocs::btnStartClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmVerifyDocs::btnStopClick);
    connect(btnCustomStart, &QPushButton::clicked, this, &TfrmVerifyDocs::btnCustomStartClick);
    connect(btnCustomStop, &QPushButton::clicked, this, &TfrmVerifyDocs::btnCustomStopClick);
    connect(btnCustomAdd, &QPushButton::clicked, this, &TfrmVerifyDocs::btnCustomAddClick);
    connect(btnDeleteGroupName, &QPushButton::clicked, this, &TfrmVerifyDocs::btnDeleteGroupNameClick);
    connect(btnCustomRemove, &QPushButton::clicked, this, &TfrmVerifyDocs::btnCustomRemoveClick);
    connect(btnMissing, &QPushButton::clicked, this, &TfrmVerifyDocs::btnMissingClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    // Closed in the middle of a run (Close or Escape): the run ends without a result, and the
    // next showing starts from the idle state.
    connect(this, &QDialog::finished, this, [this] {
        verifier_.reset();
        btnStop->setEnabled(false);
        btnCustomStop->setEnabled(false);
        CustomGroupControls(true);
    });
    connect(lbGroupName, &QListWidget::currentRowChanged, this, [this](int row) {
        clDocumentList->clear();
        if (row < 0)
            return;
        for (const std::string& document : groupings_.Documents(size_t(row))) {
            auto* item = new QListWidgetItem(FromPackageText(document), clDocumentList);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
    });
}

TfrmVerifyDocs::~TfrmVerifyDocs() = default;

QWidget* TfrmVerifyDocs::BuildPackagePage() {
    auto* page = new QGroupBox(this);
    auto* layout = new QVBoxLayout(page);
    lblVerify = Label(page, "lblVerify", QStringLiteral("Verify package contents"));
    memoHelp = new QPlainTextEdit(page);
    memoHelp->setObjectName(QStringLiteral("memoHelp"));
    memoHelp->setReadOnly(true);
    memoHelp->setPlainText(
        QStringLiteral("Press the start button below.  Then, begin scanning the barcodes located in the "
                       "lower right corner of "
                       "the document.  When all documents have been scanned, press Stop.  We will then "
                       "compare the documents "
                       "you have scanned with the worksheet and inform you of any missing pages."));
    btnStart = Button(page, "btnStart", QStringLiteral("Start"));
    btnStop = Button(page, "btnStop", QStringLiteral("Stop"));
    btnStop->setEnabled(false);
    edBarCode = new QLineEdit(page);
    edBarCode->setObjectName(QStringLiteral("edBarCode"));
    edBarCode->setFixedWidth(1);
    btnMissing = Button(page, "btnMissing", QStringLiteral("Missing Forms/Pages"));
    btnMissing->hide();
    rdgrpVerifyOrder = new QGroupBox(QStringLiteral("Verify documents where"), page);
    rdgrpVerifyOrder->setObjectName(QStringLiteral("rdgrpVerifyOrder"));
    auto* order = new QVBoxLayout(rdgrpVerifyOrder);
    rbOrderImportant = new QRadioButton(QStringLiteral("Order is important"), rdgrpVerifyOrder);
    rbOrderNotImportant = new QRadioButton(QStringLiteral("Order is not important"), rdgrpVerifyOrder);
    rbOrderNotImportant->setChecked(true);
    order->addWidget(rbOrderImportant);
    order->addWidget(rbOrderNotImportant);
    rdgrpVerifyOrder->hide();
    layout->addWidget(lblVerify);
    layout->addWidget(memoHelp);
    layout->addWidget(rdgrpVerifyOrder);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnStart);
    buttons->addWidget(btnStop);
    buttons->addWidget(edBarCode);
    layout->addLayout(buttons);
    layout->addWidget(btnMissing);
    return page;
}

QWidget* TfrmVerifyDocs::BuildCustomPage() {
    auto* page = new QGroupBox(this);
    auto* layout = new QGridLayout(page);
    lbGroupName = new QListWidget(page);
    lbGroupName->setObjectName(QStringLiteral("lbGroupName"));
    clDocumentList = new QListWidget(page);
    clDocumentList->setObjectName(QStringLiteral("clDocumentList"));
    auto* deleteAction = new QAction(QStringLiteral("Delete"), lbGroupName);
    lbGroupName->setContextMenuPolicy(Qt::ActionsContextMenu);
    lbGroupName->addAction(deleteAction);
    connect(deleteAction, &QAction::triggered, this, &TfrmVerifyDocs::btnDeleteGroupNameClick);
    layout->addWidget(new QLabel(QStringLiteral("Group Name"), page), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Document List"), page), 0, 1);
    layout->addWidget(lbGroupName, 1, 0);
    layout->addWidget(clDocumentList, 1, 1);
    btnCustomAdd = Button(page, "btnCustomAdd", QStringLiteral("Add New Group"));
    btnDeleteGroupName = Button(page, "btnDeleteGroupName", QStringLiteral("Delete Group"));
    btnCustomStart = Button(page, "btnCustomStart", QStringLiteral("Start"));
    btnCustomStop = Button(page, "btnCustomStop", QStringLiteral("Stop"));
    btnCustomStop->setEnabled(false);
    btnCustomRemove = Button(page, "btnCustomRemove", QStringLiteral("Remove Selected Document"));
    layout->addWidget(btnCustomAdd, 2, 0);
    layout->addWidget(btnDeleteGroupName, 3, 0);
    layout->addWidget(btnCustomRemove, 2, 1);
    auto* run = new QHBoxLayout;
    run->addWidget(btnCustomStart);
    run->addWidget(btnCustomStop);
    layout->addLayout(run, 3, 1);
    return page;
}

void TfrmVerifyDocs::SetPackage(const TDocSet* set, const TDocTree* tree,
                                std::function<TSelection()> selection) {
    set_ = set;
    tree_ = tree;
    selection_ = std::move(selection);
}

void TfrmVerifyDocs::showEvent(QShowEvent* event) {
    lblMissing->clear();
    btnMissing->hide();
    btnStart->setFocus();
    LoadCustomGroupings();
    QDialog::showEvent(event);
}

void TfrmVerifyDocs::LoadCustomGroupings() {
    lbGroupName->clear();
    for (const std::string& name : groupings_.Names())
        lbGroupName->addItem(FromPackageText(name));
    clDocumentList->clear();
}

void TfrmVerifyDocs::ClearCurrentDocument() {
    lblDocumentName->clear();
    lblDocumentPage->clear();
    lblDocumentBorrower->clear();
    lblBarcodeID->clear();
}

void TfrmVerifyDocs::PackageControls(bool enabled) {
    ClearCurrentDocument();
    btnMissing->setVisible(enabled);
    for (QWidget* w : {static_cast<QWidget*>(btnCustomAdd), static_cast<QWidget*>(btnClose),
                       static_cast<QWidget*>(btnCustomRemove), static_cast<QWidget*>(lbGroupName)})
        w->setEnabled(enabled);
}

void TfrmVerifyDocs::CustomGroupControls(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(rdgrpVerifyOrder), static_cast<QWidget*>(btnClose),
                       static_cast<QWidget*>(btnStart), static_cast<QWidget*>(btnCustomStart),
                       static_cast<QWidget*>(btnCustomAdd), static_cast<QWidget*>(btnCustomRemove),
                       static_cast<QWidget*>(lbGroupName), static_cast<QWidget*>(clDocumentList)})
        w->setEnabled(enabled);
    btnMissing->setVisible(enabled);
    ClearCurrentDocument();
}

void TfrmVerifyDocs::StartRun(std::vector<TExpectedPage> expected, bool wholePackage) {
    verifier_ = std::make_unique<TBarcodeVerifier>(std::move(expected), rbOrderImportant->isChecked());
    wholePackage_ = wholePackage;
    lblMissing->clear();
    edBarCode->clear();
    edBarCode->setFocus();
}

void TfrmVerifyDocs::StopRun() {
    if (!verifier_)
        return;
    std::vector<TExpectedPage> missing;
    for (const TExpectedPage* page : verifier_->Missing())
        missing.push_back(*page);
    lblMissing->setText(missing.empty()
                            ? QStringLiteral("No pages are missing")
                            : QString::number(missing.size()) + QStringLiteral(" page(s) missing"));
    frmMissingDocs->SetMissing(set_, std::move(missing), ConfirmationOffered(wholePackage_, *verifier_));
    verifier_.reset();
}

void TfrmVerifyDocs::btnStartClick() {
    if (set_ == nullptr || tree_ == nullptr)
        return;
    CustomGroupControls(false);
    btnStop->setEnabled(true);
    btnCustomStop->setEnabled(false);
    StartRun(ExpectedPages(*set_, *tree_), true);
}

void TfrmVerifyDocs::btnStopClick() {
    StopRun();
    btnStop->setEnabled(false);
    CustomGroupControls(true);
}

void TfrmVerifyDocs::btnCustomStartClick() {
    if (set_ == nullptr || tree_ == nullptr)
        return;
    if (lbGroupName->currentRow() < 0) {
        ShowInformation("Please select a group to verify.");
        return;
    }
    std::vector<std::string> checked;
    for (int row = 0; row < clDocumentList->count(); ++row)
        if (clDocumentList->item(row)->checkState() == Qt::Checked)
            checked.push_back(ToPackageText(clDocumentList->item(row)->text()));
    CustomGroupControls(false);
    btnCustomStop->setEnabled(true);
    btnStop->setEnabled(false);
    StartRun(GroupExpectedPages(ExpectedPages(*set_, *tree_), checked), false);
}

void TfrmVerifyDocs::btnCustomStopClick() {
    StopRun();
    btnCustomStop->setEnabled(false);
    CustomGroupControls(true);
}

void TfrmVerifyDocs::btnCustomAddClick() {
    if (frmGroupName->exec() != QDialog::Accepted || tree_ == nullptr)
        return;
    const TSelection selection = selection_ ? selection_() : TSelection();
    if (!groupings_.AddGroup(ToPackageText(frmGroupName->edGroupName->text()),
                             GroupDocuments(*tree_, selection))) {
        ShowInformation(kGroupNameMissing);
        return;
    }
    LoadCustomGroupings();
}

void TfrmVerifyDocs::btnDeleteGroupNameClick() {
    const int row = lbGroupName->currentRow();
    if (row < 0)
        return;
    groupings_.DeleteGroup(size_t(row));
    LoadCustomGroupings();
}

void TfrmVerifyDocs::btnCustomRemoveClick() {
    const int group = lbGroupName->currentRow();
    const int document = clDocumentList->currentRow();
    if (group < 0 || document < 0) {
        ShowInformation(kRemoveWhichDocument);
        return;
    }
    if (!groupings_.RemoveDocument(size_t(group), size_t(document)))
        return;
    delete clDocumentList->takeItem(document);
    lblMissing->clear();
}

void TfrmVerifyDocs::btnMissingClick() {
    frmMissingDocs->exec();
}

void TfrmVerifyDocs::CodeEntered(const QString& typed) {
    if (!verifier_)
        return;
    const TScanResult result = verifier_->Read(ToPackageText(typed));
    switch (result.Kind) {
    case TScanKind::Empty:
        return;
    case TScanKind::Unknown:
        ClearCurrentDocument();
        lblBarcodeID->setText(FromPackageText(result.Code));
        ShowWarning(result.Message);
        return;
    case TScanKind::Known:
    case TScanKind::Repeated:
    case TScanKind::OutOfOrder:
        lblDocumentName->setText(FromPackageText(result.Page->Form->Name));
        lblDocumentPage->setText(QString::number(result.Page->PageNumber));
        lblDocumentBorrower->setText(QString::number(result.Page->Form->BorrowerNumber));
        lblBarcodeID->setText(FromPackageText(result.Code));
        if (!result.Message.empty())
            ShowWarning(result.Message);
        return;
    }
}

void TfrmVerifyDocs::reject() {
    if (Scanning() && AskYesNo(kStopRunQuestion, PromptAnswer::No) != PromptAnswer::Yes) {
        edBarCode->setFocus();
        return;
    }
    QDialog::reject();
}

void TfrmVerifyDocs::keyPressEvent(QKeyEvent* event) {
    PassKeyToHelp(event->key(), kHelpContext);
    QDialog::keyPressEvent(event);
}

bool TfrmVerifyDocs::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblVerify && event->type() == QEvent::MouseButtonPress) {
        lblBarcodeID->setVisible(!lblBarcodeID->isVisible());
        return false;
    }
    if (watched != edBarCode || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    if (sinceEnter_.isValid() && sinceEnter_.elapsed() < kTrailingKeysMs)
        return true;
    const auto* key = static_cast<QKeyEvent*>(event);
    PassKeyToHelp(key->key(), kHelpContext);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    const QString typed = edBarCode->text();
    edBarCode->clear();
    sinceEnter_.start();
    CodeEntered(typed);
    return true;
}

} // namespace pg
