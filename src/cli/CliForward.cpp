// The commands that live in programs of their own (CliPrograms.h), as pagellan-cli commands:
// handed over to their program beside this one, which replaces this process so that its
// output and exit status are the command's.

#include "CliPrograms.h"
#include "Command.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

std::string ProgramBesideUs(const char* name) {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(name) : (exe.parent_path() / name).string();
}

int HandOver(const char* program, const std::string& command, const std::vector<std::string>& args) {
    const std::string path = ProgramBesideUs(program);
    std::vector<std::string> words = {path, command};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::cout.flush();
    ::execv(path.c_str(), argv.data());
    std::cerr << "pagellan-cli " << command << ": cannot run " << path << ": " << std::strerror(errno)
              << '\n';
    return 1;
}

struct TForwarded {
    TForwarded(const char* name, const char* usage, const char* program)
        : command(name, usage, [name, program](const std::vector<std::string>& args) {
              return HandOver(program, name, args);
          }) {}
    TCliCommand command;
};

const TForwarded job("job", kJobUsage, kSettingsProgram);
const TForwarded pdf("pdf", kPdfUsage, kSettingsProgram);
const TForwarded mail("mail", kMailUsage, kSettingsProgram);
const TForwarded verify("verify", kVerifyUsage, kSettingsProgram);
const TForwarded settings("settings", kSettingsUsage, kSettingsProgram);
const TForwarded desktop("desktop", kDesktopUsage, kSettingsProgram);
const TForwarded download("download", kDownloadUsage, kSettingsProgram);
const TForwarded webdocs("webdocs", kWebDocsUsage, kSettingsProgram);
const TForwarded update("update", kUpdateUsage, kSettingsProgram);
const TForwarded printers("printers", kPrintersUsage, kPrintProgram);
const TForwarded print("print", kPrintUsage, kPrintProgram);

} // namespace

} // namespace pg::cli
