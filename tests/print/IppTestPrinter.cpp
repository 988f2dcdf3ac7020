#include "IppTestPrinter.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

extern char** environ;

namespace pg::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 5000;

std::string FindProgram(const std::string& name) {
    for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/bin", "/usr/local/sbin"}) {
        const fs::path p = fs::path(dir) / name;
        if (::access(p.c_str(), X_OK) == 0)
            return p.string();
    }
    return {};
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
            const fs::path& logFile) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> envStrings(extraEnv);
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// SIGTERM, then SIGKILL when the process has not ended within the stop timeout.
void StopProcess(pid_t& pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const auto end = Clock::now() + std::chrono::milliseconds(kStopTimeoutMs);
    while (::waitpid(pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid = -1;
}

bool Running(pid_t pid) {
    return pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0;
}

std::string BusConfig(const fs::path& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n  <type>system</type>\n  <listen>unix:path=" +
           socket.string() +
           "</listen>\n  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n    "
           "<allow receive_sender=\"*\"/>\n    <allow own=\"*\"/>\n"
           "    <allow user=\"*\"/>\n  </policy>\n</busconfig>\n";
}

} // namespace

TIppTestPrinter::TIppTestPrinter(const std::string& formats, const std::string& attributes) {
    if (!Start(formats, attributes))
        Stop();
}

TIppTestPrinter::~TIppTestPrinter() {
    Stop();
}

bool TIppTestPrinter::Start(const std::string& formats, const std::string& attributes) {
    std::string pattern = (fs::temp_directory_path() / "pg-ipp-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        error_ = "no temporary folder";
        return false;
    }
    dir_ = pattern;
    fs::create_directories(dir_ / "spool");
    const std::string dbus = FindProgram("dbus-daemon");
    const std::string ipp = FindProgram("ippeveprinter");
    if (dbus.empty() || ipp.empty()) {
        error_ = "dbus-daemon or ippeveprinter is not installed";
        return false;
    }
    const fs::path socket = dir_ / "system_bus";
    std::ofstream(dir_ / "bus.conf") << BusConfig(socket);
    dbus_ = Spawn({dbus, "--config-file=" + (dir_ / "bus.conf").string(), "--nofork", "--nopidfile"}, {},
                  dir_ / "dbus.log");
    const auto busEnd = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (!fs::exists(socket) && Running(dbus_) && Clock::now() < busEnd)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!fs::exists(socket)) {
        error_ = "dbus-daemon did not start: " + ReadWholeFile(dir_ / "dbus.log");
        return false;
    }
    port_ = FreeLocalPort();
    // "-r off": no DNS-SD announcement, which would need an Avahi daemon on the bus. "-c true":
    // a job is done at once instead of a simulated print time, during which the printer would
    // refuse the next job as busy.
    std::vector<std::string> arguments = {ipp,
                                          "-n",
                                          "localhost",
                                          "-p",
                                          std::to_string(port_),
                                          "-r",
                                          "off",
                                          "-c",
                                          FindProgram("true"),
                                          "-k",
                                          "-d",
                                          (dir_ / "spool").string()};
    if (attributes.empty()) {
        arguments.insert(arguments.end(), {"-f", formats});
    } else {
        // An attribute file replaces the "-f" list: the formats go into the file.
        std::ofstream(dir_ / "printer.conf")
            << "ATTR mimeMediaType document-format-supported " << formats << "\n"
            << attributes << "\n";
        arguments.insert(arguments.end(), {"-a", (dir_ / "printer.conf").string()});
    }
    arguments.push_back("Pagellan Test Printer");
    printer_ = Spawn(arguments, {"DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + socket.string()}, dir_ / "ipp.log");
    const auto end = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (Running(printer_) && !LocalPortAnswers(port_) && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!Running(printer_) || !LocalPortAnswers(port_)) {
        error_ = "ippeveprinter did not start: " + ReadWholeFile(dir_ / "ipp.log");
        return false;
    }
    return true;
}

void TIppTestPrinter::Stop() {
    StopProcess(printer_);
    StopProcess(dbus_);
    if (!dir_.empty()) {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
}

std::string TIppTestPrinter::Uri() const {
    return "ipp://localhost:" + std::to_string(port_) + "/ipp/print";
}

std::vector<fs::path> TIppTestPrinter::Jobs() const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir_ / "spool", ec))
        // The print command's output (".prn") is not a job.
        if (e.is_regular_file() && e.path().extension() != ".prn")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<fs::path> TIppTestPrinter::WaitForJobs(size_t count, int timeoutMs) const {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::map<fs::path, uintmax_t> lastSizes;
    for (;;) {
        const std::vector<fs::path> files = Jobs();
        std::map<fs::path, uintmax_t> sizes;
        std::error_code ec;
        for (const fs::path& f : files)
            sizes[f] = fs::file_size(f, ec);
        if (files.size() >= count && sizes == lastSizes)
            return files;
        if (Clock::now() > end)
            return files;
        lastSizes = std::move(sizes);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

} // namespace pg::test
