#pragma once
// TFindBar: the main window's find bar. It searches the text of every page of the package on a
// worker thread (the interpreter keeps no shared state, and the search works on copies of the
// pages' bytes, so the window keeps working and other pages render meanwhile), shows the
// progress with a cancel button, then lists the hits as "form — page — context". The text of
// the pages read is kept until the package changes, so the next search is quick.

#include "DocSet.h"
#include "PackageFind.h"

#include <QString>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace pg {

class TFindBar : public QWidget {
    Q_OBJECT
public:
    explicit TFindBar(QWidget* parent = nullptr);
    ~TFindBar() override;

    // What the owner connects: the forms in the tree's display order, a form's caption in the
    // tree, and showing a hit's page (false when the page cannot be shown, e.g. its form has been
    // deleted since the search).
    std::function<std::vector<TDocSetForm*>()> Forms;
    std::function<QString(const TDocSetForm&)> FormCaption;
    std::function<bool(TDocSetForm&, int page)> OpenHit;

    // Shows the bar with the query field focused and selected.
    void Open();
    // Esc: the bar goes and a running search stops.
    void Close();
    // Searches the text of the query field (a running search stops first).
    void Start();
    void CancelSearch();
    bool Searching() const { return worker_.joinable(); }
    // The package changed or went: the search stops, kept text and hits are forgotten.
    void PackageChanged();
    // F3 / Shift+F3: selects the next / previous hit (round the end) and opens it.
    void Step(bool forward);
    // Opens the selected hit.
    void OpenCurrent();
    int HitCount() const { return int(hits_.size()); }
    // The boxes (page pixels) of every hit on the page of a form.
    std::vector<TTextBox> BoxesOn(const TDocSetForm* form, int page) const;
    // The boxes of the selected hit when it is on that page; none otherwise.
    std::vector<TTextBox> CurrentBoxesOn(const TDocSetForm* form, int page) const;

    QLineEdit* edFind = nullptr;
    QCheckBox* cbxMatchCase = nullptr;
    QPushButton* btnFind = nullptr;
    QProgressBar* pbSearch = nullptr;
    QPushButton* btnCancel = nullptr;
    QLabel* lblCount = nullptr;
    QListWidget* lstHits = nullptr;
    QToolButton* btnClose = nullptr;

signals:
    // A search ended (finished or cancelled) and the list shows its hits.
    void SearchEnded();
    void Closed();

private:
    void Poll();
    void Finish();
    void StopWorker();

    TPackageTextIndex index_;
    std::unique_ptr<TFindRun> run_;
    std::thread worker_;
    std::atomic<bool> stopped_{false};
    QTimer* poll_ = nullptr;
    // The forms as numbered by the search the hits come from.
    std::vector<TDocSetForm*> forms_;
    std::vector<TFindHit> hits_;
};

} // namespace pg
