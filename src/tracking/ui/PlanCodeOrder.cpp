#include "PlanCodeOrder.h"

#include "QtText.h"
#include "StackingOrder.h"
#include "Strings.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pg {

TfrmPlanCodeOrder::TfrmPlanCodeOrder(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPlanCodeOrder"));
    auto* layout = new QVBoxLayout(this);
    auto* codeRow = new QHBoxLayout;
    lblPlanCode = new QLabel(QStringLiteral("Plan code:"), this);
    edPlanCode = new QLineEdit(this);
    edPlanCode->setObjectName(QStringLiteral("edPlanCode"));
    codeRow->addWidget(lblPlanCode);
    codeRow->addWidget(edPlanCode);
    layout->addLayout(codeRow);
    sgPlanCodes = new QTableWidget(1, 1, this);
    sgPlanCodes->setObjectName(QStringLiteral("sgPlanCodes"));
    sgPlanCodes->setHorizontalHeaderLabels({QStringLiteral("Plan code")});
    sgPlanCodes->horizontalHeader()->setStretchLastSection(true);
    sgPlanCodes->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgPlanCodes->setSelectionMode(QAbstractItemView::SingleSelection);
    sgPlanCodes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(sgPlanCodes);
    auto* buttons = new QHBoxLayout;
    btnDelete = new QPushButton(QStringLiteral("Delete"), this);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmPlanCodeOrder::btnDeleteClick);
}

void TfrmPlanCodeOrder::ShowFace(bool deleteFace) {
    setWindowTitle(deleteFace ? QStringLiteral("Delete a reordered plan")
                              : QStringLiteral("Save plan code order"));
    lblPlanCode->setVisible(!deleteFace);
    edPlanCode->setVisible(!deleteFace);
    sgPlanCodes->setVisible(deleteFace);
    btnDelete->setVisible(deleteFace);
    resize(width(), deleteFace ? 175 : 125);
    edPlanCode->clear();
}

std::string TfrmPlanCodeOrder::SaveNewPlanCode() {
    ShowFace(false);
    edPlanCode->setFocus();
    if (exec() != QDialog::Accepted)
        return {};
    return ToPackageText(edPlanCode->text());
}

int TfrmPlanCodeOrder::DeletePlanCode(const std::string& orderFile) {
    orderFile_ = orderFile;
    ShowFace(true);
    LoadPlanCodes();
    return exec();
}

void TfrmPlanCodeOrder::LoadPlanCodes() {
    const std::vector<std::string> lines = ReadOrderLines(orderFile_);
    sgPlanCodes->setRowCount(std::max<int>(1, int(lines.size())));
    sgPlanCodes->clearContents();
    for (size_t i = 0; i < lines.size(); ++i)
        sgPlanCodes->setItem(int(i), 0, new QTableWidgetItem(FromPackageText(PlanCodeOfLine(lines[i]))));
    sgPlanCodes->setCurrentCell(0, 0);
}

void TfrmPlanCodeOrder::btnDeleteClick() {
    const int row = sgPlanCodes->currentRow();
    const QTableWidgetItem* item = row < 0 ? nullptr : sgPlanCodes->item(row, 0);
    if (item == nullptr)
        return;
    const std::string planCode = Trim(ToPackageText(item->text()));
    if (planCode.empty() || !DeleteStackingOrder(orderFile_, planCode))
        return;
    LoadPlanCodes();
}

} // namespace pg
