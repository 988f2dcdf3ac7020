#pragma once
// TfrmPlanCodeOrder: the plan-code dialog of the stacking order, with two faces. "Save plan code
// order" asks for the plan code of a package that has none; "Delete a reordered plan" lists the
// plan codes of the local order file and deletes the chosen one.

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace pg {

class TfrmPlanCodeOrder : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPlanCodeOrder(QWidget* parent = nullptr);

    // The new-plan-code face, shown modally; the entered plan code on OK, else empty.
    std::string SaveNewPlanCode();
    // The delete face over the order file, shown modally; answers the dialog's result.
    int DeletePlanCode(const std::string& orderFile);
    // Reads the file into the grid (at least one data row).
    void LoadPlanCodes();
    // "Delete": removes the selected row's plan code from the file.
    void btnDeleteClick();

    QLabel* lblPlanCode = nullptr;
    QLineEdit* edPlanCode = nullptr;
    QTableWidget* sgPlanCodes = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void ShowFace(bool deleteFace);
    std::string orderFile_;
};

} // namespace pg
