#include "FileKinds.h"

#include "PackageExtensions.h"
#include "Paths.h"
#include "PrintWalk.h"
#include "Strings.h"

namespace pg {

namespace {

// Everything after the last "." of the file name ("" when it has none).
std::string WholeExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot + 1);
}

std::string FilterExtension(int filterIndex) {
    return kSaveFilterExtensions[filterIndex >= 0 && filterIndex < 3 ? filterIndex : 0];
}

} // namespace

TOpenKind OpenKindOf(const std::string& path) {
    const std::string ext = UpperCase(ExtensionPart(path));
    if (IsPackageExtension(ext))
        return TOpenKind::Package;
    if (ext == "PDF")
        return TOpenKind::Pdf;
    if (ext == "EXE" || ext == "DLL" || ext == "OCX" || ext == "ZIP")
        return TOpenKind::Refused;
    return TOpenKind::PlainFile;
}

std::string SaveAsTarget(const std::string& chosen, int filterIndex) {
    const std::string ext = FilterExtension(filterIndex);
    // On a case-sensitive file system "loan.pdf" and "loan.PDF" are two files: the name the user
    // typed is the one to write (and to ask about when it exists).
    if (UpperCase(WholeExtension(chosen)) == ext)
        return chosen;
    return ForceExtension(chosen, ext);
}

std::string SaveSelectedTarget(const std::string& chosen, int filterIndex) {
    if (!WholeExtension(chosen).empty())
        return chosen;
    return ForceExtension(chosen, FilterExtension(filterIndex));
}

TSaveKind SaveKindOf(const std::string& path) {
    const std::string ext = UpperCase(WholeExtension(path));
    if (ext == "TSN")
        return TSaveKind::Tesselon;
    if (ext == "QDX")
        return TSaveKind::Quodex;
    if (ext == "PDF")
        return TSaveKind::Pdf;
    return TSaveKind::Unknown;
}

std::string OverwriteQuestion(const std::string& path) {
    return path + " exists? Overwrite it?";
}

std::string DeletedFormsSaveMessage(const std::vector<const TDocSetForm*>& forms) {
    std::string text = DeletedFormsMessage(forms);
    constexpr std::string_view printed = "Nothing will be printed.";
    if (text.ends_with(printed))
        text.replace(text.size() - printed.size(), printed.size(), "Nothing will be saved.");
    return text;
}

} // namespace pg
