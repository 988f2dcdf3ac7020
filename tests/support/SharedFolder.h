#pragma once
// A stand-in for a temporary folder that every user may write to (mode 1777, like /tmp), with
// names planted in it the way another user would: links that point at a file of ours, and files
// whose bytes must never be sent. A snapshot of the folder tells whether anything in it changed.

#include "TestFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

namespace pg::test {

class TSharedFolder {
public:
    // The folder is made (emptied first) with mode 1777; the file of ours the links point at
    // lies beside it, private.
    explicit TSharedFolder(std::filesystem::path path) : path_(std::move(path)) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        std::filesystem::create_directories(path_);
        ::chmod(path_.c_str(), 01777);
        victim_ = path_.string() + ".own-file";
        WriteWholeFile(victim_, kVictimBytes);
        ::chmod(victim_.c_str(), 0600);
    }

    static constexpr const char* kVictimBytes = "a file of the user's own, not to be overwritten\n";

    const std::filesystem::path& Path() const { return path_; }
    std::string Victim() const { return victim_; }
    std::string VictimBytes() const { return ReadWholeFile(victim_); }

    // A link of that name to our own file, owned by another user when the test runs as root.
    void PlantLink(const std::string& name) const {
        const std::filesystem::path link = path_ / name;
        std::filesystem::create_symlink(victim_, link);
        AsAnotherUser(link);
    }
    void PlantFile(const std::string& name, const std::string& bytes) const {
        WriteWholeFile(path_ / name, bytes);
        ::chmod((path_ / name).c_str(), 0644);
        AsAnotherUser(path_ / name);
    }

    // Every entry: its kind, and its link target or its bytes and mode.
    std::map<std::string, std::string> Snapshot() const { return Snapshot(path_); }
    static std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
        std::map<std::string, std::string> entries;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            struct stat st {};
            ::lstat(e.path().c_str(), &st);
            const std::string name = e.path().filename().string();
            if (S_ISLNK(st.st_mode))
                entries[name] = "link to " + std::filesystem::read_symlink(e.path()).string();
            else if (S_ISDIR(st.st_mode))
                entries[name] = "folder";
            else
                entries[name] = "file " + std::to_string(st.st_mode & 07777) + " " + ReadWholeFile(e.path());
        }
        return entries;
    }

private:
    static void AsAnotherUser(const std::filesystem::path& p) {
        // Without root the entry stays ours; what the program must not do is the same.
        if (::geteuid() == 0 && ::lchown(p.c_str(), 65534, 65534) != 0)
            return;
    }

    std::filesystem::path path_;
    std::string victim_;
};

// The mode bits of the entry (not following a link).
inline unsigned ModeOf(const std::filesystem::path& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace pg::test
