#pragma once
// Loading a package file into a document set, the container chosen by the file.

#include "DocSet.h"

#include <memory>
#include <string>

namespace pg {

// Reads the file at path; FileName is set to path. Throws std::runtime_error when the file
// cannot be read or is not a package the reader accepts.
std::unique_ptr<TDocSet> LoadPackageFile(const std::string& path);

} // namespace pg
