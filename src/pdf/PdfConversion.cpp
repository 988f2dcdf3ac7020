#include "PdfConversion.h"

#include "Paths.h"
#include "Prompt.h"
#include "Strings.h"

#include <sys/stat.h>

#include <filesystem>

namespace pg {

namespace {

constexpr char kWorkPcl[] = "Tmp.pcl";
constexpr char kWorkConverter[] = "PCL2PDF";
// The converter's working directory: the current one.
constexpr char kCurrentDirectory[] = "./";

void RemoveFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
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
    std::string bytes, error;
    if (ReadFileBytes(converter, bytes, error) && AtomicWriteFile(path, bytes) &&
        ::chmod(path.c_str(), 0700) == 0)
        return path;
    // A converter that is not there at all shows when it is started; a folder we cannot
    // write to shows here.
    if (!FileExists(converter))
        return path;
    ShowError("Can not create temporary files in " + FolderPart(path) + "\n" +
              "Please contact your systems administrator to provide READ/WRITE access" + "\n" +
              "to this directory.");
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

bool ConvertPCLStringToPDF(std::string_view pcl, const std::string& target,
                           const TPdfConversion& conversion) {
    const std::string folder = IncludeSlash(conversion.WorkFolder);
    const std::string converter = ExtractConverter(conversion.Converter, folder);
    if (converter.empty())
        return false;
    const std::string input = folder + kWorkPcl;
    const std::string output = ForceExtension(input, "PDF");
    bool done = false;
    if (!WriteTextFile(pcl, input, false)) {
        ShowError("Can not create temporary files in " + folder);
    } else {
        const std::vector<std::string> argv = {converter, input, output, "-Legal", "-MM"};
        TProcessOptions options;
        options.SearchPath = false;
        options.Folder = kCurrentDirectory;
        options.Pump = conversion.Pump;
        const TProcessResult run = RunProcess(argv, options);
        const int error = run.StartError;
        std::string pdf, reason;
        if (error != 0) {
            ShowError("Error " + IntToStr(error) + " executing " + ConverterCommandLine(argv) +
                      " in directory " + kCurrentDirectory + ":" +
                      (error == 2 ? " Executable not found" : ""));
        } else if (run.ExitCode != 0 || !ReadFileBytes(output, pdf, reason) || pdf.empty()) {
            ShowError("The PDF converter did not create " + target + ".");
        } else if (!AtomicWriteFile(target, pdf)) {
            ShowError("Can not write " + target + ".");
        } else {
            done = true;
        }
    }
    RemoveFile(input);
    RemoveFile(converter);
    RemoveFile(output);
    return done;
}

} // namespace pg
