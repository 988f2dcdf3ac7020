#include "GotoPage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pg {

TfrmGotoPage::TfrmGotoPage(QWidget* parent) : QDialog(parent) {
    setObjectName("frmGotoPage");
    setWindowTitle(QStringLiteral("Go To Page"));
    auto* layout = new QVBoxLayout(this);
    rgPageType = new QGroupBox(this);
    rgPageType->setObjectName("rgPageType");
    auto* group = new QVBoxLayout(rgPageType);
    auto* pageRow = new QHBoxLayout;
    rbPage = new QRadioButton(QStringLiteral("Page:"), rgPageType);
    edPageNum = new QLineEdit(QStringLiteral("1"), rgPageType);
    edPageNum->setObjectName("edPageNum");
    edPageNum->setMaximumWidth(60);
    lblRange = new QLabel(rgPageType);
    lblRange->setObjectName("lblRange");
    pageRow->addWidget(rbPage);
    pageRow->addWidget(edPageNum);
    pageRow->addWidget(lblRange);
    group->addLayout(pageRow);
    rbFirst = new QRadioButton(QStringLiteral("First"), rgPageType);
    rbLast = new QRadioButton(QStringLiteral("Last"), rgPageType);
    group->addWidget(rbFirst);
    group->addWidget(rbLast);
    layout->addWidget(rgPageType);
    auto* buttons = new QHBoxLayout;
    btnGo = new QPushButton(QStringLiteral("Go"), this);
    btnGo->setObjectName("btnGo");
    btnGo->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    buttons->addStretch();
    buttons->addWidget(btnGo);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    rbPage->setChecked(true);
    connect(rbPage, &QRadioButton::toggled, edPageNum, &QLineEdit::setEnabled);
    connect(edPageNum, &QLineEdit::textEdited, this, &TfrmGotoPage::EditChanged);
    connect(btnGo, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetRange(1, 1);
}

void TfrmGotoPage::SetRange(int low, int high) {
    low_ = low;
    high_ = high;
    lblRange->setText(QString::fromStdString(PageRangeText(low, high)));
}

TGotoChoice TfrmGotoPage::Choice() const {
    if (rbFirst->isChecked())
        return TGotoChoice::First;
    if (rbLast->isChecked())
        return TGotoChoice::Last;
    return TGotoChoice::Page;
}

void TfrmGotoPage::StartAt(int page) {
    SetChoice(TGotoChoice::Page);
    edPageNum->setText(QString::number(page));
    edPageNum->selectAll();
    edPageNum->setFocus();
}

void TfrmGotoPage::SetChoice(TGotoChoice choice) {
    (choice == TGotoChoice::First  ? rbFirst
     : choice == TGotoChoice::Last ? rbLast
                                   : rbPage)
        ->setChecked(true);
}

int TfrmGotoPage::PageNumber() const {
    return ReadPageEdit(edPageNum->text().toStdString());
}

void TfrmGotoPage::EditChanged(const QString& text) {
    const QString checked = QString::fromStdString(CheckPageEdit(text.toStdString(), low_, high_));
    if (checked != text)
        edPageNum->setText(checked);
}

} // namespace pg
