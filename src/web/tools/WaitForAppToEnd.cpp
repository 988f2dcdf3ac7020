// WaitForAppToEnd PROGRAM SECONDS: waits until no process runs the executable PROGRAM, at most
// SECONDS seconds. Exit code 0 when it has ended, 1 when it still runs (or on bad arguments),
// so that the installer never replaces a program that is in use.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

[[gnu::used]] const char kPagellanVersionStamp[] = "\x01PagellanFileVersion=" PAGELLAN_PROGRAM_VERSION;

namespace fs = std::filesystem;

namespace {

// True while any process other than this one runs the executable. A replaced or deleted
// executable shows in /proc with " (deleted)" after its path; it still counts.
bool Running(const fs::path& program) {
    std::error_code ec;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
            continue;
        std::error_code linkError;
        std::string exe = fs::read_symlink(entry.path() / "exe", linkError).string();
        if (linkError)
            continue;
        constexpr std::string_view kDeleted = " (deleted)";
        if (exe.ends_with(kDeleted))
            exe.resize(exe.size() - kDeleted.size());
        if (exe == program.string())
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 1;
    std::error_code ec;
    fs::path program = fs::weakly_canonical(argv[1], ec);
    if (ec)
        program = argv[1];
    char* end = nullptr;
    const long seconds = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || seconds < 0)
        return 1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (Running(program)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}
