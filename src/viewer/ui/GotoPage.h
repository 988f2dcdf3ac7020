#pragma once
// TfrmGotoPage: the "Go To Page" dialog of the page window: a page number, the first or the
// last page of the form (or of the plain file).

#include "ViewerCore.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pg {

class TfrmGotoPage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGotoPage(QWidget* parent = nullptr);

    // lblRange and the bounds the edit checks against.
    void SetRange(int low, int high);
    TGotoChoice Choice() const;
    void SetChoice(TGotoChoice choice);
    // The number typed; 1 for an empty or invalid edit.
    int PageNumber() const;
    // Opens on a page: "Page:" chosen and the number in the edit, selected for typing over.
    void StartAt(int page);

    QGroupBox* rgPageType = nullptr;
    QRadioButton* rbPage = nullptr;
    QRadioButton* rbFirst = nullptr;
    QRadioButton* rbLast = nullptr;
    QLineEdit* edPageNum = nullptr;
    QLabel* lblRange = nullptr;
    QPushButton* btnGo = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void EditChanged(const QString& text);
    int low_ = 1;
    int high_ = 1;
};

} // namespace pg
