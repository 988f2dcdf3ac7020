#include "StatusPanels.h"

#include "Pictures.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

namespace pg {

TStatusPanels::TStatusPanels(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Status"));
    setMouseTracking(true);
    setFixedHeight(22);
    messageTimer_ = new QTimer(this);
    messageTimer_->setSingleShot(true);
    messageButton_ = new QToolButton(this);
    messageButton_->setObjectName(QStringLiteral("btnStatusMessage"));
    messageButton_->setAutoRaise(true);
    messageButton_->hide();
    connect(messageTimer_, &QTimer::timeout, this, [this] {
        message_.clear();
        messageButton_->hide();
        update();
    });
}

void TStatusPanels::ShowMessage(const QString& text, QAction* action, int timeoutMs) {
    message_ = text;
    messageTimer_->start(timeoutMs);
    for (QAction* old : messageButton_->actions())
        messageButton_->removeAction(old);
    if (action != nullptr) {
        messageButton_->setDefaultAction(action);
        messageButton_->adjustSize();
        messageButton_->move(width() - messageButton_->width() - 2,
                             (height() - messageButton_->height()) / 2);
    }
    messageButton_->setVisible(action != nullptr);
    update();
}

void TStatusPanels::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    messageButton_->move(width() - messageButton_->width() - 2, (height() - messageButton_->height()) / 2);
}

QSize TStatusPanels::sizeHint() const {
    int width = 0;
    for (int w : widths_)
        width += w;
    return {width, 22};
}

void TStatusPanels::SetPanelText(int panel, const QString& text) {
    texts_[size_t(panel)] = text;
    update();
}

void TStatusPanels::SetPanel0(int width, bool buttonFace, std::vector<std::pair<int, int>> pictures) {
    widths_[0] = width;
    buttonFace_ = buttonFace;
    pictures_ = std::move(pictures);
    update();
}

void TStatusPanels::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.window());
    int x = 0;
    for (size_t i = 0; i < widths_.size(); ++i) {
        // The last panel takes the rest of the bar.
        const int w = i + 1 == widths_.size() ? std::max(widths_[i], width() - x) : widths_[i];
        const QRect box(x, 2, w - 2, height() - 4);
        if (i == 0) {
            if (buttonFace_)
                painter.fillRect(box, pal.button());
            for (const auto& [picture, offset] : pictures_)
                painter.drawPixmap(x + offset, box.top() + (box.height() - 16) / 2,
                                   StatusPicture(picture, 16));
        } else if (!message_.isEmpty()) {
            // The message takes the room of the text panels.
            const QRect rest(x, 2, width() - x - 2, height() - 4);
            painter.setPen(pal.color(QPalette::WindowText));
            painter.drawText(rest.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, message_);
            break;
        } else {
            painter.setPen(pal.color(QPalette::Mid));
            painter.drawLine(box.topLeft(), box.topRight());
            painter.drawLine(box.topLeft(), box.bottomLeft());
            painter.setPen(pal.color(QPalette::Light));
            painter.drawLine(box.bottomLeft(), box.bottomRight());
            painter.drawLine(box.topRight(), box.bottomRight());
            painter.setPen(pal.color(QPalette::WindowText));
            painter.drawText(box.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, texts_[i]);
        }
        x += w;
    }
}

void TStatusPanels::mouseMoveEvent(QMouseEvent* event) {
    if (!HintAt)
        return;
    const QString hint = HintAt(event->position().toPoint().x());
    setToolTip(hint);
    setStatusTip(hint);
    QStatusTipEvent tip(hint);
    QApplication::sendEvent(this, &tip);
}

void TStatusPanels::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DoubleClicked(event->position().toPoint().x());
}

} // namespace pg
