#include "QtPrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace pg {

namespace {

// The characters of Windows-1252 at 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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
        out.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(char16_t(b)));
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
            for (int i = 0; i < 32; ++i)
                if (kCp1252High[i] == u)
                    b = char(0x80 + i);
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
