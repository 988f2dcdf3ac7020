#pragma once
// TfrmWeb: the small web window. It fetches a package from the WebDocs service by its
// retrieval code (with the pass-phrase exchange the service may ask for), or downloads a
// package by address, showing a meter while the transfer runs; closing the window cancels it.

#include "HLWWebCopy.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace pg {

class TfrmWeb : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWeb(QWidget* parent = nullptr);

    // Asks for a code and posts it to the service; true when a package arrived into receiving.
    bool RetrieveWebDocs(const std::string& address, THLWMemorystream& receiving);
    // Downloads the address at once; true when it finished without error.
    bool DownloadQuodex(const std::string& address, THLWMemorystream& receiving);

    // Opens a file with the desktop (the HTML reply of the service). Replaceable for tests.
    std::function<void(const std::string& file)> OpenDocument;

    THLWWebCopy& WebCopy() { return copy_; }
    int ErrorCode() const { return errorCode_; }

    QWidget* pnlWebDocs = nullptr;
    QLabel* lblCode = nullptr;
    QLineEdit* edWebDocCode = nullptr;
    QPushButton* btnSubmit = nullptr;
    QLabel* imgPadlock = nullptr;
    QWidget* pnlPassword = nullptr;
    QLabel* lblAuthentication = nullptr;
    QLabel* lblPassPhrase = nullptr;
    QLineEdit* edPassPhrase = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QWidget* pnlBottom = nullptr;
    QLabel* lblStatus = nullptr;

public slots:
    void btnWebDocPostClick();
    void reject() override;

private:
    void CopyProgress(int64_t size, int64_t received);
    void ErrorInfo(int index, int code, const std::string& text);
    void HLWWebDocsDone();
    void EvaluateReply();
    void DownloadDone();
    void ShowMeter();
    void SetHeight(int height);

    THLWWebCopy copy_;
    THLWMemorystream* receiving_ = nullptr;
    std::string address_;
    int errorCode_ = 0;
    bool interactive_ = false;
    bool finished_ = false;
};

} // namespace pg
