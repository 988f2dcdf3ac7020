#include "Annotation.h"

#include "AnnotationStore.h"
#include "QtText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QValidator>

namespace pg {

namespace {

// Every typed letter becomes a capital.
class TUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

QColor AnnotationQColor() {
    return QColor(int(kAnnotationColor & 0xFF), int((kAnnotationColor >> 8) & 0xFF),
                  int((kAnnotationColor >> 16) & 0xFF));
}

} // namespace

TAnnotation::TAnnotation(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setValidator(new TUpperCaseValidator(this));
    setTextMargins(0, 0, 0, 0);
    setContentsMargins(0, 0, 0, 0);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    RestoreColor();
}

std::string TAnnotation::Text() const {
    return ToPackageText(text());
}

void TAnnotation::SetText(const std::string& text) {
    setText(FromPackageText(text));
}

void TAnnotation::RestoreColor() {
    QPalette p = palette();
    p.setColor(QPalette::Base, AnnotationQColor());
    p.setColor(QPalette::Window, AnnotationQColor());
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::Base, AnnotationQColor());
    p.setColor(QPalette::Disabled, QPalette::Text, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
}

void TAnnotation::UpdateHint() {
    if (!hints_) {
        setToolTip(QString());
        return;
    }
    setToolTip(FromPackageText(AnnotationHint(UserName, ModifiedDate, ModifiedTime)));
}

void TAnnotation::SetHintsEnabled(bool on) {
    hints_ = on;
    UpdateHint();
}

void TAnnotation::SetDisabledLook() {
    SetHintsEnabled(false);
    setReadOnly(true);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);
}

void TAnnotation::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit DoubleClicked(this);
}

void TAnnotation::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit Entered(this);
}

void TAnnotation::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Opening the annotation's own pop-up menu does not leave it.
    if (event->reason() != Qt::PopupFocusReason)
        emit Exited(this);
}

TAnnotationSizer::TAnnotationSizer(QWidget* parent, TAnnotation* target) : QWidget(parent), target_(target) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::SizeAllCursor);
    Follow();
}

void TAnnotationSizer::Follow() {
    if (!target_)
        return;
    setGeometry(target_->geometry().adjusted(-kMargin, -kMargin, kMargin, kMargin));
    target_->raise();
    raise();
}

void TAnnotationSizer::MoveBy(int dx, int dy) {
    if (!target_)
        return;
    target_->move(target_->pos() + QPoint(dx, dy));
    Follow();
}

void TAnnotationSizer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(rect().adjusted(kMargin / 2, kMargin / 2, -kMargin / 2 - 1, -kMargin / 2 - 1));
    // Grab handles at the corners and the middles of the sides.
    const int h = kMargin;
    const int w = width() - h;
    const int v = height() - h;
    for (const QPoint& at : {QPoint(0, 0), QPoint(w / 2, 0), QPoint(w, 0), QPoint(0, v / 2), QPoint(w, v / 2),
                             QPoint(0, v), QPoint(w / 2, v), QPoint(w, v)})
        painter.fillRect(QRect(at, QSize(h, h)), Qt::black);
}

void TAnnotationSizer::mousePressEvent(QMouseEvent* event) {
    dragging_ = event->button() == Qt::LeftButton;
    dragStart_ = event->globalPosition().toPoint();
    setFocus();
}

void TAnnotationSizer::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    const QPoint now = event->globalPosition().toPoint();
    MoveBy(now.x() - dragStart_.x(), now.y() - dragStart_.y());
    dragStart_ = now;
}

void TAnnotationSizer::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

} // namespace pg
