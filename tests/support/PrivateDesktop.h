#pragma once
// A private desktop for the tools the tests start (xdg-open, xdg-email, xdg-mime): no Qt needed.

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace pg::test {

// HOME and the XDG folders inside folder, with the system's MIME data; the desktop tools find no
// display, session bus or desktop to hand files to, only the applications the test installs in
// folder/data/applications.
inline void UsePrivateDesktop(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    for (const char* sub : {"home", "data/applications", "config", "sys"})
        fs::create_directories(folder / sub);
    std::error_code ec;
    fs::create_directory_symlink("/usr/share/mime", folder / "sys" / "mime", ec);
    ::setenv("HOME", (folder / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (folder / "sys").c_str(), 1);
    // xdg-open hands files to applications only with a display; nothing listens there.
    ::setenv("DISPLAY", ":987", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY", "BROWSER"})
        ::unsetenv(name);
}

} // namespace pg::test
