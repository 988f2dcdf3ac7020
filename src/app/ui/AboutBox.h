#pragma once
// TfrmAboutBox: the About window. It shows the program's name, version and picture, the maker's
// notices, the help and release-notes links, and a memo of diagnostics (user, printer, package,
// system, folders, command line) that support staff ask for on the telephone.

#include "AboutInfo.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QThread;
class QPlainTextEdit;
class QPushButton;

namespace pg {

class TDocSet;

class TfrmAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAboutBox(QWidget* parent = nullptr);
    ~TfrmAboutBox() override;

    // Given by the main window before each showing.
    const TDocSet* DocumentSet = nullptr;
    std::string PrintModeText;
    // The folder the Open and Save dialogs start in ("Document Directory").
    std::string DocumentFolder;
    // The options dialog's "check now"; without it the update button stays off.
    std::function<void()> CheckForUpdates;

    // Fills the memo from the current facts and scrolls it to the top (done on every activation,
    // and once more when the browser's version is known).
    void FillMemo();
    // Whether the default browser has been looked up.
    bool BrowserKnown() const { return browserKnown_; }
    TAboutFacts GatherFacts() const;
    QString MemoText() const;
    // The click on the program-name label: the internet library's version in a message box.
    void ProgramNameClick();

    QLabel* lblProgramName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblNotice = nullptr;
    QLabel* lblRights = nullptr;
    QLabel* imgPicture = nullptr;
    QLabel* lblHelpLink = nullptr;
    QLabel* lblReleaseNotes = nullptr;
    QPlainTextEdit* memoInfo = nullptr;
    QPushButton* btnCheckForUpdates = nullptr;
    QPushButton* btnOK = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The default browser is looked up once per window, on a thread of its own from the window's
    // making: asking the package database takes a moment the window must not wait for.
    QThread* browserLookup_ = nullptr;
    std::string browserText_;
    bool browserKnown_ = false;
};

} // namespace pg
