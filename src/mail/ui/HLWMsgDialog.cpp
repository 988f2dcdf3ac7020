#include "HLWMsgDialog.h"

#include "PGRegistry.h"
#include "QtText.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace pg {

TfrmHLWMsgDialog::TfrmHLWMsgDialog(const std::string& html, QWidget* parent) : QDialog(parent) {
    setObjectName("frmHLWMsgDialog");
    setWindowTitle("Warning");
    // No title-bar buttons: the answer is OK or Cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    memoText = new QTextBrowser(this);
    memoText->setObjectName("memoText");
    memoText->setOpenExternalLinks(true); // the desktop's browser (xdg-open)
    memoText->setHtml(FromPackageText(html));
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memoText);
    layout->addLayout(buttons);
    resize(460, 260);
}

bool ConfirmEmailWarning(QWidget* parent) {
    TfrmHLWMsgDialog dialog(PGRegistry::EmailWarning(), parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace pg
