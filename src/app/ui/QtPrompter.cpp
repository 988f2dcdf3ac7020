#include "QtPrompter.h"

#include "Strings.h"

#include <QApplication>
#include <QMessageBox>

namespace pg {

namespace {

// The character a package byte stands for: Windows-1252, with the five bytes the code page
// leaves unused kept as the C1 controls of the same number.
char16_t PackageChar(unsigned char b) {
    const uint32_t cp = WindowsCodePoint(b);
    return char16_t(cp ? cp : b);
}

QMessageBox::StandardButton ButtonOf(PromptAnswer a) {
    switch (a) {
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

} // namespace

QString FromPackageText(std::string_view bytes) {
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.append(QChar(PackageChar(b)));
    }
    return out;
}

std::string ToPackageText(const QString& text) {
    std::string out;
    out.reserve(size_t(text.size()));
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        char b = '?';
        if (u < 0x80 || (u >= 0xA0 && u < 0x100))
            b = char(u);
        else
            for (int i = 0x80; i < 0xA0; ++i)
                if (PackageChar(static_cast<unsigned char>(i)) == u)
                    b = char(i);
        out.push_back(b);
    }
    return out;
}

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
    const auto answer = QMessageBox::question(DialogParent(), FromPackageText(caption), FromPackageText(text),
                                              buttons, ButtonOf(defaultAnswer));
    switch (answer) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Cancel;
    }
}

} // namespace pg
