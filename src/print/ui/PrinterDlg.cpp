#include "PrinterDlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "PrinterOutput.h"
#include "QtText.h"
#include "Strings.h"
#include "Trace.h"

namespace pg {

namespace {

QString PackageQ(const std::string& s) {
    return FromPackageText(s);
}

QGroupBox* RadioGroup(const QString& caption, const QStringList& items, QWidget* parent) {
    auto* group = new QGroupBox(caption, parent);
    auto* layout = new QVBoxLayout(group);
    for (const QString& item : items)
        layout->addWidget(new QRadioButton(item, group));
    return group;
}

} // namespace

QPixmap PrinterPicture(int index, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(Qt::black, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5)); // paper in
    p.setBrush(QColor(0xa0, 0xa0, 0xa4));
    p.drawRect(QRectF(1.5, 6.5, 13, 6)); // body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4)); // paper out
    if (index == 1) {                    // fax: a handset on the body
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(2, 4, 3, 8), 1.2, 1.2);
    } else if (index == 2) { // network: a cable to the right
        p.setPen(QPen(QColor(0, 0, 0xff), 1.2));
        p.drawLine(QPointF(14.5, 9.5), QPointF(15.5, 9.5));
        p.drawLine(QPointF(15.5, 9.5), QPointF(15.5, 15.5));
    }
    return pixmap;
}

void TPrinterEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
    const QRect r = option.rect;
    const std::string name = index.data(Qt::UserRole).toString().toStdString();
    painter->drawPixmap(r.left(), r.top(), PrinterPicture(PrinterPictureIndex(name), r.height()));
    painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
    painter->setFont(option.font);
    const QRect textRect(r.left() + 21, r.top() + 1, r.width() - 21, r.height() - 1);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize TPrinterEntryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize text = QStyledItemDelegate::sizeHint(option, index);
    return {text.width() + 21, std::max(text.height(), 16)};
}

TfrmPrinterDlg::TfrmPrinterDlg(bool duplexSwitch, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Printer Setup");
    setObjectName("frmPrinterDlg");
    auto* grid = new QGridLayout(this);

    auto* printerRow = new QHBoxLayout;
    auto* printerLabel = new QLabel("&Printer:", this);
    cbxPrinters = new QComboBox(this);
    cbxPrinters->setObjectName("cbxPrinters");
    cbxPrinters->setItemDelegate(new TPrinterEntryDelegate(cbxPrinters));
    // Wide enough for the whole "No printers found" line it shows in place.
    cbxPrinters->setMinimumWidth(std::max(
        380, cbxPrinters->fontMetrics().horizontalAdvance(QString::fromUtf8(kNoPrintersMessage)) + 60));
    // A printer that is no queue of this system is reached by its address, typed here.
    cbxPrinters->setEditable(true);
    cbxPrinters->setInsertPolicy(QComboBox::NoInsert);
    cbxPrinters->setToolTip("A printer of this system, or a printer address (ipp://, ipps:// or http://)");
    printerLabel->setBuddy(cbxPrinters);
    printerRow->addWidget(printerLabel);
    printerRow->addWidget(cbxPrinters, 1);
    lblPrinterProblem = new QLabel(this);
    lblPrinterProblem->setObjectName("lblPrinterProblem");
    lblPrinterProblem->setWordWrap(true);
    lblPrinterProblem->setStyleSheet("color: #b00000");
    lblPrinterProblem->hide();
    auto* printerBox = new QVBoxLayout;
    printerBox->addLayout(printerRow);
    printerBox->addWidget(lblPrinterProblem);
    grid->addLayout(printerBox, 0, 0, 1, 2);

    auto* copies = new QHBoxLayout;
    auto* copiesLabel = new QLabel("Additional Copies:", this);
    edAdditionalCopies = new QSpinBox(this);
    edAdditionalCopies->setObjectName("edAdditionalCopies");
    edAdditionalCopies->setRange(0, 3);
    copiesLabel->setBuddy(edAdditionalCopies);
    copies->addWidget(copiesLabel);
    copies->addWidget(edAdditionalCopies);
    copies->addStretch();
    grid->addLayout(copies, 1, 0);

    auto* formatBox = new QGroupBox("Print Format", this);
    auto* formatLayout = new QVBoxLayout(formatBox);
    cbxPrintMode = new QComboBox(formatBox);
    cbxPrintMode->setObjectName("cbxPrintMode");
    cbxPrintMode->addItems({"PCL Direct ", "GDI Driver "});
    cbxPrintMode->setToolTip("PCL Direct for fast printing  GDI Driver for Windows compatible printing");
    formatLayout->addWidget(cbxPrintMode);
    grid->addWidget(formatBox, 1, 1);

    rgPrintOrder = RadioGroup("Print Order",
                              {"As Displayed", "Legal First, Then Letter", "Letter First, Then Legal"}, this);
    rgPrintOrder->setObjectName("rgPrintOrder");
    grid->addWidget(rgPrintOrder, 2, 0);
    rgDuplex = RadioGroup("Duplex ", {"Yes (If Supported by Printer)", "No"}, this);
    rgDuplex->setObjectName("rgDuplex");
    grid->addWidget(rgDuplex, 2, 1);
    rgBarCodes = RadioGroup("Print Bar Codes", {"Yes", "No"}, this);
    rgBarCodes->setObjectName("rgBarCodes");
    grid->addWidget(rgBarCodes, 3, 0);
    rgFormNames = RadioGroup("Print Form Names", {"Yes", "No"}, this);
    rgFormNames->setObjectName("rgFormNames");
    grid->addWidget(rgFormNames, 3, 1);

    cbxPrintAllOnLegal = new QCheckBox("Print ALL Documents on Legal Size", this);
    cbxPrintAllOnLegal->setObjectName("cbxPrintAllOnLegal");
    grid->addWidget(cbxPrintAllOnLegal, 4, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 5, 0, 1, 2);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbxPrintMode, &QComboBox::currentIndexChanged, this, &TfrmPrinterDlg::cbxPrintModeChange);
    connect(cbxPrinters, &QComboBox::currentIndexChanged, this, &TfrmPrinterDlg::cbxPrintersChange);
    connect(cbxPrinters, &QComboBox::editTextChanged, lblPrinterProblem, &QWidget::hide);
    connect(btnOK, &QPushButton::clicked, this, &TfrmPrinterDlg::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    options_.LoadFromSettings(duplexSwitch);
    UpdateControls();
    DebugMsg("PrinterDlg : On create");
}

int TfrmPrinterDlg::CheckedIndex(const QGroupBox* group) {
    const QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>();
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return i;
    return -1;
}

void TfrmPrinterDlg::SetCheckedIndex(QGroupBox* group, int index) {
    const QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>();
    if (index >= 0 && index < buttons.size())
        buttons[index]->setChecked(true);
}

void TfrmPrinterDlg::FillPrinterList() {
    // Read afresh each time: a printer added or removed while the program runs shows as it is.
    const std::vector<TPrinterInfo> printers = EnumPrinters();
    descriptions_.clear();
    for (const TPrinterInfo& p : printers)
        descriptions_.emplace_back(p.Name, PrinterDescription(printers, p.Name));
    updating_ = true;
    cbxPrinters->clear();
    for (const auto& [name, text] : descriptions_)
        cbxPrinters->addItem(PackageQ(text), PackageQ(name));
    // A printer reached by address is no CUPS destination; it is listed by its address.
    if (!options_.Printer.empty() && cbxPrinters->findData(PackageQ(options_.Printer)) < 0)
        cbxPrinters->addItem(PackageQ(options_.Printer), PackageQ(options_.Printer));
    cbxPrinters->setCurrentIndex(cbxPrinters->findData(PackageQ(options_.Printer)));
    // Without any printer the field says so in place, and what to do.
    cbxPrinters->lineEdit()->setPlaceholderText(
        descriptions_.empty() ? QString::fromUtf8(kNoPrintersMessage)
                              : QStringLiteral("Choose a printer, or type a printer address"));
    lblPrinterProblem->hide();
    updating_ = false;
}

std::string TfrmPrinterDlg::ChosenPrinter() const {
    const QString typed = cbxPrinters->currentText().trimmed();
    const int listed = cbxPrinters->findText(typed, Qt::MatchExactly);
    return ToPackageText(listed >= 0 ? cbxPrinters->itemData(listed).toString() : typed);
}

void TfrmPrinterDlg::UpdateControls() {
    updating_ = true;
    edAdditionalCopies->setValue(options_.AdditionalCopies);
    cbxPrintMode->setCurrentIndex(options_.PrintMode == 1 ? 1 : 0);
    SetCheckedIndex(rgPrintOrder, options_.PrintOrder);
    SetCheckedIndex(rgDuplex, options_.Duplex);
    SetCheckedIndex(rgBarCodes, options_.BarCodes);
    SetCheckedIndex(rgFormNames, options_.FormNames);
    cbxPrintAllOnLegal->setChecked(options_.PrintAllOnLegal);
    cbxPrinters->setEnabled(options_.PrintersEnabled);
    edAdditionalCopies->setEnabled(options_.AdditionalCopiesEnabled);
    cbxPrintMode->setEnabled(options_.PrintModeEnabled);
    rgPrintOrder->setEnabled(options_.PrintOrderEnabled);
    rgDuplex->setEnabled(options_.DuplexEnabled);
    cbxPrintAllOnLegal->setEnabled(options_.PrintAllOnLegalEnabled);
    rgBarCodes->setEnabled(options_.BarCodesEnabled);
    rgFormNames->setEnabled(options_.FormNamesEnabled);
    updating_ = false;
}

void TfrmPrinterDlg::ReadControls() {
    options_.AdditionalCopies = edAdditionalCopies->value();
    options_.PrintMode = cbxPrintMode->currentIndex();
    options_.PrintOrder = std::max(0, CheckedIndex(rgPrintOrder));
    options_.Duplex = CheckedIndex(rgDuplex) == kDuplexYes ? kDuplexYes : kDuplexNo;
    options_.BarCodes = CheckedIndex(rgBarCodes) == kChoiceYes ? kChoiceYes : kChoiceNo;
    options_.FormNames = CheckedIndex(rgFormNames) == kChoiceYes ? kChoiceYes : kChoiceNo;
    options_.PrintAllOnLegal = cbxPrintAllOnLegal->isChecked();
    options_.Printer = ChosenPrinter();
}

void TfrmPrinterDlg::Prepare() {
    ReadControls();
    options_.Show();
    options_.Activate();
    FillPrinterList();
    UpdateControls();
}

bool TfrmPrinterDlg::Execute() {
    Prepare();
    return exec() == QDialog::Accepted;
}

void TfrmPrinterDlg::cbxPrintModeChange(int index) {
    if (updating_)
        return;
    ReadControls();
    options_.ChoosePrintMode(index);
    UpdateControls();
}

void TfrmPrinterDlg::cbxPrintersChange(int index) {
    if (updating_ || index < 0)
        return;
    options_.SelectPrinter(ToPackageText(cbxPrinters->itemData(index).toString()));
}

void TfrmPrinterDlg::btnOKClick() {
    ReadControls();
    // Without a printer the job would go nowhere: say so where the printer is chosen, and let
    // the user type an address or pick one.
    std::vector<std::string> names;
    for (const auto& entry : descriptions_)
        names.push_back(entry.first);
    const std::string problem = PrinterChoiceProblem(options_.Printer, names);
    if (!problem.empty()) {
        lblPrinterProblem->setText(QString::fromUtf8(problem.c_str()));
        lblPrinterProblem->show();
        cbxPrinters->setFocus();
        return;
    }
    options_.Printer = Trim(options_.Printer);
    options_.Accept();
    accept();
}

} // namespace pg
