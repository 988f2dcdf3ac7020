#pragma once
// The file extensions that mark a document package, in any letter case: the Quodex file types
// (".QDX" and ".QDZ"), the Tesselon container (".TSN") and a display list (".DSP"). The open
// command, the command line and the file associations all decide by this one rule. It names
// the type a file is offered as; which reader reads it is the loader's own decision
// (PackageFile.h).

#include <string_view>

namespace pg {

enum class TPackageExtension { None, Quodex, Tesselon, DisplayList };

// The kind of an extension given with or without its "." ("qdz", ".TSN").
TPackageExtension PackageExtensionKind(std::string_view extension);
bool IsPackageExtension(std::string_view extension);

} // namespace pg
