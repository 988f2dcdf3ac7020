#pragma once
// TfrmPrinterDlg: the "Printer Setup" dialog. It shows a TPrinterDlgOptions and hands every
// decision (enabling, the print-format/duplex interplay, saving) to it.

#include <QDialog>
#include <QStyledItemDelegate>

#include <string>
#include <vector>

#include "PrinterDlgOptions.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QPushButton;

namespace pg {

// The small pictures of printer entries: 0 a printer, 1 a fax, 2 a network printer.
QPixmap PrinterPicture(int index, int size);

// Draws a printer entry: its picture in a square as high as the row, the description text 21
// pixels right of the row's left edge and 1 pixel below its top.
class TPrinterEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class TfrmPrinterDlg : public QDialog, public TPrinterDialog {
public:
    // duplexSwitch: the program was started with "/D".
    explicit TfrmPrinterDlg(bool duplexSwitch, QWidget* parent = nullptr);

    TPrinterDlgOptions& Options() override { return options_; }
    // Showing and activation, then the modal loop; on OK the choices are saved.
    bool Execute() override;

    // Shows the options on the controls (after a caller changed them) and reads them back.
    void UpdateControls();
    void ReadControls();
    // Showing and activation without the modal loop (Execute runs them first).
    void Prepare();
    // OK: reads the controls and saves the choices. Without a printer, or with a typed text
    // that names none, the dialog says so under the list and stays open.
    void btnOKClick();

    // The printers of the system and, typed or stored, a printer address (ipp://, ipps://,
    // http://); the text in the field decides.
    QComboBox* cbxPrinters = nullptr;
    // What is wrong with the printer chosen, shown under the list after OK; hidden otherwise.
    QLabel* lblPrinterProblem = nullptr;
    QSpinBox* edAdditionalCopies = nullptr;
    QComboBox* cbxPrintMode = nullptr;
    QGroupBox* rgPrintOrder = nullptr;
    QGroupBox* rgDuplex = nullptr;
    QCheckBox* cbxPrintAllOnLegal = nullptr;
    QGroupBox* rgBarCodes = nullptr;
    QGroupBox* rgFormNames = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void FillPrinterList();
    // The printer the field names: a listed entry's printer, else the text as typed.
    std::string ChosenPrinter() const;
    void cbxPrintModeChange(int index);
    void cbxPrintersChange(int index);
    static int CheckedIndex(const QGroupBox* group);
    static void SetCheckedIndex(QGroupBox* group, int index);

    TPrinterDlgOptions options_;
    std::vector<std::pair<std::string, std::string>> descriptions_; // name, text
    bool updating_ = false;
};

} // namespace pg
