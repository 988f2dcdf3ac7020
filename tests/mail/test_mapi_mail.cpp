// The desktop mail program through xdg-email (xdg-utils as installed) in a private desktop whose
// mailto: handler is a small script that records what it is given; and the mailto: address.

#include "MapiMail.h"
#include "PrivateDesktop.h"
#include "Prompt.h"
#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace pg {
namespace {

namespace fs = std::filesystem;

// A desktop without a session whose mailto: handler the test registers.
struct TPrivateDesktop {
    test::TTempFolder root{"pagellan-xdg-mail"};
    TPrivateDesktop() { test::UsePrivateDesktop(root.Path()); }
    void RegisterHandler() const {
        const std::string script =
            root.File("handler.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + root.Path("args.txt") + "'\n");
        fs::permissions(script, fs::perms::owner_all);
        root.File("data/applications/testmail.desktop",
                  "[Desktop Entry]\nType=Application\nName=Test Mail\nExec=" + script +
                      " %u\nMimeType=x-scheme-handler/mailto;\n");
        ASSERT_EQ(std::system("xdg-mime default testmail.desktop x-scheme-handler/mailto"), 0);
    }
    // What the handler was given, once it wrote something (bounded wait); then cleared.
    std::string Received() const {
        const fs::path args = root.Path() / "args.txt";
        for (int i = 0; i < 200 && !fs::exists(args); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const std::string text = test::ReadWholeFile(args);
        fs::remove(args);
        return text;
    }
};

TEST(MapiMail, XdgEmailHandsTheMessageToTheDesktopMailProgram) {
    TPrivateDesktop desktop;
    EXPECT_FALSE(MapiInstalled()); // no mailto: handler yet
    desktop.RegisterHandler();
    EXPECT_TRUE(MapiInstalled());

    TRecordingPrompter prompter;
    const std::string a = desktop.root.File("WS1.QDX", "x"), b = desktop.root.File("notes.txt", "y");
    EXPECT_EQ(
        SendMapiMail("Docs #1 & more", "line1\r\nline2", a + ";" + b + ";ignored", true, true, {}, "", ""),
        0);
    const std::string got = desktop.Received();
    test::ExpectContains(
        got, {"subject=Docs%20%231%20%26%20more", "body=line1%0D%0Aline2", "attach=" + a, "attach=" + b});
    EXPECT_EQ(got.find("ignored"), std::string::npos);
    EXPECT_TRUE(prompter.Texts().empty());

    EXPECT_EQ(SendMapiMail("s", "b", desktop.root.Path("missing.qdx") + ";", true, true, {}, "", ""), 11);
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{"The specified attachment was not found; no message was sent."});

    // The mailto: route: the address reaches the handler with nothing that could change it.
    const std::string address =
        MailtoAddress("a@x.example", "Docs #1 & ?", {"line1", "line2 100%"}, "c@x.example");
    EXPECT_EQ(
        address,
        "mailto:a@x.example?subject=Docs%20%231%20%26%20%3F&Body=line1%0aline2%20100%25&CC=c@x.example");
    EXPECT_TRUE(OpenMailto(address));
    EXPECT_EQ(desktop.Received(), address + "\n");
}

TEST(MapiMail, ResultCodesAttachmentTextAndMessages) {
    const std::vector<std::pair<int, int>> codes = {{0, 0}, {1, 2}, {2, 11}, {3, 2}, {4, 2}, {5, 12}};
    for (const auto& [status, code] : codes)
        EXPECT_EQ(MapiCodeOfXdgEmailStatus(status), code) << status;
    EXPECT_EQ(MapiAttachmentPaths("a;b;"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(MapiAttachmentPaths("a;b"), std::vector<std::string>{"a"});
    EXPECT_TRUE(MapiAttachmentPaths("").empty());
    EXPECT_EQ(MapiErrorText(0), "");
    EXPECT_EQ(MapiErrorText(12), "The specified attachment could not be open; no message was sent.");
    EXPECT_EQ(MapiErrorText(77).rfind("Your MAPI email client has not been setup properly.\n", 0), 0u);
    EXPECT_EQ(MailtoAddress("a@x.example", "caf\xE9", {"x"}, ""),
              "mailto:a@x.example?subject=caf%E9&Body=x&CC=");
}

} // namespace
} // namespace pg
