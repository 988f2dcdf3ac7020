#pragma once
// Status: the main window's status bar of five panels. Panel 0 is drawn by the program (the
// load-state pictures); the others show texts. Pointer moves report the bar's hint for the
// position, double clicks report the position.

#include <QWidget>

class QAction;
class QTimer;
class QToolButton;

#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace pg {

// The panels of the main window's status bar, left to right.
enum TStatusPanel : int {
    spPictures = 0,      // state pictures
    spLoadState = 1,     // "Worksheet Loaded", "Loading..."
    spPagesSelected = 2, // "3 of 13 pgs"
    spFileName = 3,      // the package's file name
    spCopies = 4,        // "Additional Copies to print: 0"
};

class TStatusPanels : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanels(QWidget* parent = nullptr);

    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const { return texts_[size_t(panel)]; }
    int PanelWidth(int panel) const { return widths_[size_t(panel)]; }
    // Panel 0: its width, background and pictures (index, x offset).
    void SetPanel0(int width, bool buttonFace, std::vector<std::pair<int, int>> pictures);
    const std::vector<std::pair<int, int>>& Panel0Pictures() const { return pictures_; }

    // A message that says what a command did ("Annotations saved to demo.tsn"); it covers
    // panels 1 to 4 until it times out or another message comes.
    // With an action, a button for it stands at the bar's right end while the message shows.
    void ShowMessage(const QString& text, QAction* action = nullptr, int timeoutMs = kMessageTimeoutMs);
    QString Message() const { return message_; }
    // The message's button (hidden without a message or an action).
    QToolButton* MessageButton() const { return messageButton_; }
    static constexpr int kMessageTimeoutMs = 15000;

    // The hint for a pointer at x (set by the main window).
    std::function<QString(int x)> HintAt;

    QSize sizeHint() const override;

signals:
    void DoubleClicked(int x);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QString, 5> texts_;
    std::array<int, 5> widths_{{60, 150, 100, 100, 200}};
    bool buttonFace_ = false;
    std::vector<std::pair<int, int>> pictures_;
    QString message_;
    QTimer* messageTimer_ = nullptr;
    QToolButton* messageButton_ = nullptr;
};

} // namespace pg
