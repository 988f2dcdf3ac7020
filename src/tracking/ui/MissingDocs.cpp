#include "MissingDocs.h"

#include "QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace pg {

TfrmMissingDocs::TfrmMissingDocs(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMissingDocs"));
    setWindowTitle(QStringLiteral("Print missing documents"));
    auto* layout = new QVBoxLayout(this);
    lblHeading = new QLabel(QStringLiteral("The following forms are missing: "), this);
    layout->addWidget(lblHeading);
    ListofMissingDocs = new QListWidget(this);
    ListofMissingDocs->setObjectName(QStringLiteral("ListofMissingDocs"));
    // Every line whole: a long form name wraps instead of ending in "...".
    ListofMissingDocs->setWordWrap(true);
    ListofMissingDocs->setTextElideMode(Qt::ElideNone);
    layout->addWidget(ListofMissingDocs);
    auto* buttons = new QHBoxLayout;
    btnPrintAll = new QPushButton(QStringLiteral("Print all missing"), this);
    btnPrintAll->setObjectName(QStringLiteral("btnPrintAll"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch();
    buttons->addWidget(btnPrintAll);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnPrintAll, &QPushButton::clicked, this, &TfrmMissingDocs::btnPrintAllClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(480, 320);
}

void TfrmMissingDocs::SetPrinting(TPrintState* state, TPrinterDialog* dialog, TPrintHost* host) {
    state_ = state;
    dialog_ = dialog;
    host_ = host;
}

void TfrmMissingDocs::SetMissing(const TDocSet* set, std::vector<TExpectedPage> missing, bool confirmable) {
    set_ = set;
    missing_ = std::move(missing);
    confirmable_ = confirmable && missing_.empty();
    ListofMissingDocs->clear();
    for (const TExpectedPage& page : missing_)
        ListofMissingDocs->addItem(FromPackageText(ExpectedPageText(page)));
}

void TfrmMissingDocs::showEvent(QShowEvent* event) {
    btnPrintAll->setText(ListofMissingDocs->count() > 0 ? QStringLiteral("Print all missing")
                                                        : QStringLiteral("Print Confirmation"));
    // A group's run, or one with nothing to find, proves nothing about the whole worksheet.
    btnPrintAll->setVisible(ListofMissingDocs->count() > 0 || confirmable_);
    QDialog::showEvent(event);
}

void TfrmMissingDocs::btnPrintAllClick() {
    if (set_ == nullptr || state_ == nullptr || dialog_ == nullptr || host_ == nullptr)
        return;
    if (ListofMissingDocs->count() == 0 && !confirmable_)
        return;
    // The pages go out in the order the list shows them.
    std::vector<TExpectedPage> shown;
    for (int row = 0; row < ListofMissingDocs->count(); ++row) {
        const QString text = ListofMissingDocs->item(row)->text();
        for (const TExpectedPage& page : missing_)
            if (FromPackageText(ExpectedPageText(page)) == text)
                shown.push_back(page);
    }
    const TMissingPrintResult result = PrintMissingDocuments(*set_, shown, *state_, *dialog_, *host_, Now());
    if (result == TMissingPrintResult::PrintedConfirmation)
        accept();
}

} // namespace pg
