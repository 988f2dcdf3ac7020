#pragma once
// TAnnotation: a one-line note floating over the page image, typed in capitals in Courier New
// on an aqua ground; TAnnotationSizer: the frame with grab handles that the user drags to move
// an annotation.

#include <QLineEdit>
#include <QPointer>

#include <string>

namespace pg {

class TAnnotation : public QLineEdit {
    Q_OBJECT
public:
    explicit TAnnotation(QWidget* parent);

    int PclX = 0;
    int PclY = 0;
    bool Touched = false;
    std::string UserName;
    std::string ModifiedDate;
    std::string ModifiedTime;

    // The annotation's text as package bytes.
    std::string Text() const;
    void SetText(const std::string& text);
    // Background back to the annotation colour.
    void RestoreColor();
    // Hint from the stamp; shown only while hints are on.
    void UpdateHint();
    void SetHintsEnabled(bool on);
    // A disabled annotation is read-only and takes no focus.
    void SetDisabledLook();

signals:
    void DoubleClicked(TAnnotation* self);
    void Entered(TAnnotation* self);
    void Exited(TAnnotation* self);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool hints_ = false;
};

class TAnnotationSizer : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 4;
    TAnnotationSizer(QWidget* parent, TAnnotation* target);
    TAnnotation* Target() const { return target_; }
    // Follows the annotation's geometry.
    void Follow();
    // Moves the annotation by (dx, dy) pixels, as a drag does.
    void MoveBy(int dx, int dy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<TAnnotation> target_;
    QPoint dragStart_;
    bool dragging_ = false;
};

} // namespace pg
