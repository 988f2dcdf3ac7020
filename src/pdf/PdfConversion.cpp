#include "PdfConversion.h"

#include "Paths.h"
#include "Prompt.h"
#include "Strings.h"
#include "Trace.h"
#include "WorkFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace pg {

namespace {

constexpr char kWorkPcl[] = "Tmp.pcl";
constexpr char kWorkConverter[] = "PCL2PDF";
// The converter's working directory: the current one.
constexpr char kCurrentDirectory[] = "./";

std::string CannotCreateText(const std::string& folder) {
    return "Can not create temporary files in " + folder + "\n" +
           "Please contact your systems administrator to provide READ/WRITE access" + "\n" +
           "to this directory.";
}

} // namespace

std::string ConverterBesideExecutable() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "pcl2pdf";
    return (exe.parent_path() / "pcl2pdf").string();
}

std::string ExtractConverter(const std::string& converter, const std::string& folder) {
    const std::string path = IncludeSlash(folder) + kWorkConverter;
    // A link in the private folder starts the converter under its work name without copying
    // the program (megabytes written and flushed for every conversion); where the file system
    // takes no links, a copy does.
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::absolute(converter, ec);
    if (!ec && FileExists(converter) && ::symlink(target.c_str(), path.c_str()) == 0)
        return path;
    std::string bytes, error;
    if (ReadFileBytes(converter, bytes, error) && AtomicWriteFile(path, bytes) &&
        ::chmod(path.c_str(), 0700) == 0)
        return path;
    // A converter that is not there at all shows when it is started; a folder we cannot
    // write to shows here.
    if (!FileExists(converter))
        return path;
    ShowError(CannotCreateText(FolderPart(path)));
    return {};
}

std::string ConverterCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& a : argv) {
        if (a.rfind("-", 0) == 0) {
            line += " " + a;
            continue;
        }
        line += (line.empty() ? "\"" : " \"") + a + "\"";
    }
    return line;
}

bool ConverterCanBeExtracted(const std::string& converter) {
    const TWorkFolder work("pagellan-pdf");
    if (!work.Made()) {
        ShowError(CannotCreateText(WorkFolderBase()));
        return false;
    }
    return !ExtractConverter(converter, work.Path()).empty();
}

bool ConvertPCLStringToPDF(std::string_view pcl, const std::string& target,
                           const TPdfConversion& conversion) {
    // Every conversion has a folder of its own: a second one running meanwhile (another
    // window, another instance of the program) must not overwrite this one's input or output.
    const TWorkFolder work("pagellan-pdf");
    if (!work.Made()) {
        ShowError(CannotCreateText(WorkFolderBase()));
        return false;
    }
    const std::string converter = ExtractConverter(conversion.Converter, work.Path());
    if (converter.empty())
        return false;
    const std::string input = work.File(kWorkPcl);
    const std::string output = ForceExtension(input, "PDF");
    if (!WriteTextFile(pcl, input, false)) {
        ShowError("Can not create temporary files in " + work.Path());
        return false;
    }
    const std::vector<std::string> argv = {converter, input, output, "-Legal", "-MM"};
    TProcessOptions options;
    options.SearchPath = false;
    options.Folder = kCurrentDirectory;
    options.Pump = conversion.Pump;
    const TProcessResult run = RunProcess(argv, options);
    const int error = run.StartError;
    std::string pdf, reason;
    if (error != 0) {
        ShowError("Error " + IntToStr(error) + " executing " + ConverterCommandLine(argv) + " in directory " +
                  kCurrentDirectory + ":" + (error == 2 ? " Executable not found" : ""));
        return false;
    }
    if (run.ExitCode != 0 || !ReadFileBytes(output, pdf, reason) || pdf.empty()) {
        ShowError("The PDF converter did not create " + target + ".");
        return false;
    }
    // The converter's document is complete as it stands; one that cannot be finished is
    // delivered without its outline and properties rather than not at all.
    if (!conversion.Finish.Empty() && !FinishPdf(pdf, conversion.Finish, reason))
        DebugMsg("PDF : outline and properties not added, " + reason);
    if (!AtomicWriteFile(target, pdf)) {
        ShowError("Can not write " + target + ".");
        return false;
    }
    return true;
}

} // namespace pg
