#pragma once
// TfrmMissingDocs, "Print missing documents": the pages a verification found missing, and the
// button that prints them again ("Print all missing") or, when none is missing, prints the
// confirmation page ("Print Confirmation").

#include "MissingJob.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace pg {

class TfrmMissingDocs : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMissingDocs(QWidget* parent = nullptr);

    // Where the pages are printed: the window's print state, printer dialog and print host.
    void SetPrinting(TPrintState* state, TPrinterDialog* dialog, TPrintHost* host);
    // The set and the pages to list, in print order. With none missing, "Print Confirmation" is
    // offered only when confirmable (ConfirmationOffered); otherwise there is nothing to print.
    void SetMissing(const TDocSet* set, std::vector<TExpectedPage> missing, bool confirmable = false);
    const std::vector<TExpectedPage>& Missing() const { return missing_; }

    // "Print all missing" / "Print Confirmation".
    void btnPrintAllClick();

    QLabel* lblHeading = nullptr;
    QListWidget* ListofMissingDocs = nullptr;
    QPushButton* btnPrintAll = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const TDocSet* set_ = nullptr;
    std::vector<TExpectedPage> missing_;
    bool confirmable_ = false;
    TPrintState* state_ = nullptr;
    TPrinterDialog* dialog_ = nullptr;
    TPrintHost* host_ = nullptr;
};

} // namespace pg
