#pragma once
// Package and settings bytes as Qt strings and back, through the one package-text conversion
// (PackageText.h). QtCore only, for the settings store and every window.

#include "PackageText.h"

#include <QString>

#include <string>
#include <string_view>

namespace pg {

inline QString FromPackageText(std::string_view bytes) {
    const std::string utf8 = PackageTextToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

inline std::string ToPackageText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToPackageText(std::string_view(utf8.constData(), size_t(utf8.size())));
}

} // namespace pg
