#pragma once
// Loading a package file into a document set, the container chosen by the file.

#include "DocSet.h"

#include <memory>
#include <string>
#include <string_view>

namespace pg {

enum class TContainerKind { Quodex, Tesselon };

// The reader a package goes to, the one rule of the window's loader and of every other caller:
// a file whose first byte is the escape byte is a Tesselon file whatever its name (a Tesselon
// file starts with a PCL reset); otherwise the extension "QDX" (any case) means Quodex and every
// other extension Tesselon.
TContainerKind ContainerFor(std::string_view fileName, std::string_view bytes);

// Reads the file at path; FileName is set to path. Throws std::runtime_error when the file
// cannot be read or is not a package the reader accepts.
std::unique_ptr<TDocSet> LoadPackageFile(const std::string& path);

} // namespace pg
