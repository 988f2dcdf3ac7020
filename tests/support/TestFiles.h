#pragma once
// File and process helpers the tests share: whole-file reads and writes and running a command.

#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

namespace pg::test {

// The file's bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's contents with the bytes.
inline void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A fresh folder under the system's temporary folder, named prefix-XXXXXX; removed with
// everything in it when the object goes.
class TTempFolder {
public:
    explicit TTempFolder(const std::string& prefix) {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TTempFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    // Writes a file of the bytes into the folder and answers its path.
    std::string File(const std::string& name, std::string_view bytes) const {
        WriteWholeFile(path_ / name, bytes);
        return Path(name);
    }

private:
    std::filesystem::path path_;
};

// The exit code in a std::system or pclose status; -1 when the command did not exit normally.
inline int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TCommandRun {
    int Status = -1;
    std::string Out;
};

// Runs the shell command and keeps what it writes to standard output; Status stays -1 when
// the command could not be started.
inline TCommandRun RunCommand(const std::string& command) {
    TCommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer{};
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        run.Out.append(buffer.data(), n);
    run.Status = ExitCode(pclose(pipe));
    return run;
}

} // namespace pg::test
