#pragma once
// What the window tests share: a Qt application over a folder of this test process's own, a
// private desktop for the tools the windows start, and a way to act on the next modal window.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "PrivateDesktop.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace pg::test {

// A folder under the temporary folder for this process alone: ctest runs several cases of one
// program side by side.
inline std::filesystem::path ProcessFolder(const std::string& prefix) {
    return std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()));
}

// Creates the folder with the given sub-folders and "settings" (the settings store points
// there), runs prepare, then starts the application; removes the folder at the end. ctest runs
// the windows offscreen; run by hand under Xvfb they take the X server they are given.
class TQtTestEnvironment : public ::testing::Environment {
public:
    TQtTestEnvironment(std::filesystem::path folder, std::initializer_list<const char*> subFolders,
                       std::function<void()> prepare = {})
        : folder_(std::move(folder)), subFolders_(subFolders.begin(), subFolders.end()),
          prepare_(std::move(prepare)) {}

    void SetUp() override {
        std::filesystem::create_directories(folder_ / "settings");
        for (const std::string& sub : subFolders_)
            std::filesystem::create_directories(folder_ / sub);
        ::setenv("PAGELLAN_SETTINGS_DIR", (folder_ / "settings").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        if (prepare_)
            prepare_();
        static int argc = 1;
        static char name[] = "pagellan-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override {
        app_.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

private:
    std::filesystem::path folder_;
    std::vector<std::string> subFolders_;
    std::function<void()> prepare_;
    std::unique_ptr<QApplication> app_;
};

enum class TAfterModal { Leave, Close };

// Runs f on the next visible modal window once it is up; with Close, closes the window after f
// (for message boxes f only reads).
inline void WhenModal(std::function<void(QWidget*)> f, TAfterModal after = TAfterModal::Leave) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, f, after] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        f(modal);
        if (after == TAfterModal::Close)
            modal->close();
    });
    poll->start(10);
}

} // namespace pg::test
