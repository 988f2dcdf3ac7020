#include "QtPrompter.h"

#include "Strings.h"

#include <QApplication>
#include <QMessageBox>

namespace pg {

namespace {

QMessageBox::StandardButton ButtonOf(PromptAnswer a) {
    switch (a) {
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Retry:
        return QMessageBox::Retry;
    case PromptAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

} // namespace

void TQtPrompter::Show(PromptKind kind, const std::string& text, const std::string& caption) {
    const QString t = FromPackageText(text);
    const QString c = FromPackageText(caption);
    switch (kind) {
    case PromptKind::Warning:
        QMessageBox::warning(DialogParent(), c, t);
        break;
    case PromptKind::Error:
        QMessageBox::critical(DialogParent(), c, t);
        break;
    default:
        QMessageBox::information(DialogParent(), c, t);
        break;
    }
}

PromptAnswer TQtPrompter::Ask(PromptKind kind, const std::string& text, const std::string& caption,
                              PromptAnswer defaultAnswer) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (kind == PromptKind::YesNoCancel)
        buttons |= QMessageBox::Cancel;
    if (kind == PromptKind::RetryCancel)
        buttons = QMessageBox::Retry | QMessageBox::Cancel;
    const auto answer = QMessageBox::question(DialogParent(), FromPackageText(caption), FromPackageText(text),
                                              buttons, ButtonOf(defaultAnswer));
    switch (answer) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Retry:
        return PromptAnswer::Retry;
    default:
        return PromptAnswer::Cancel;
    }
}

} // namespace pg
