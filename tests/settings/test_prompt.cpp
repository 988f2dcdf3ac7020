#include "Prompt.h"

#include <gtest/gtest.h>

namespace pg {
namespace {

bool StderrPrompterInForce() {
    return dynamic_cast<TStderrPrompter*>(&Prompter()) != nullptr;
}

TEST(Prompt, RecordingPrompterRecordsAndAnswersFromItsScript) {
    TRecordingPrompter prompts;
    EXPECT_EQ(&Prompter(), &prompts);
    ShowInformation("info");
    ShowWarning("careful", "Caption");
    ShowError("broken");
    prompts.QueueAnswer(PromptAnswer::No);
    prompts.QueueAnswer(PromptAnswer::Cancel);
    EXPECT_EQ(AskYesNo("first?"), PromptAnswer::No);
    EXPECT_EQ(AskYesNoCancel("second?"), PromptAnswer::Cancel);
    // The script is used up: every further question takes its default.
    EXPECT_EQ(AskYesNo("third?", PromptAnswer::No), PromptAnswer::No);
    EXPECT_EQ(AskYesNoCancel("fourth?"), PromptAnswer::Yes);

    const auto& e = prompts.Entries();
    ASSERT_EQ(e.size(), 7u);
    EXPECT_EQ(e[0].Kind, PromptKind::Information);
    EXPECT_EQ(e[0].Caption, "Pagellan");
    EXPECT_EQ(e[1].Kind, PromptKind::Warning);
    EXPECT_EQ(e[1].Caption, "Caption");
    EXPECT_EQ(e[2].Kind, PromptKind::Error);
    EXPECT_EQ(e[3].Kind, PromptKind::YesNo);
    EXPECT_EQ(e[4].Kind, PromptKind::YesNoCancel);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"info", "careful", "broken", "first?", "second?",
                                                         "third?", "fourth?"}));
    prompts.Clear();
    EXPECT_TRUE(prompts.Entries().empty());
}

TEST(Prompt, NestingRestoresThePreviousPrompter) {
    EXPECT_TRUE(StderrPrompterInForce());
    {
        TRecordingPrompter outer;
        {
            TRecordingPrompter inner;
            ShowWarning("to inner");
            EXPECT_EQ(inner.Texts(), std::vector<std::string>{"to inner"});
        }
        EXPECT_EQ(&Prompter(), &outer);
        ShowWarning("to outer");
        EXPECT_EQ(outer.Texts(), std::vector<std::string>{"to outer"});
    }
    EXPECT_TRUE(StderrPrompterInForce());

    TRecordingPrompter installed;
    TPrompter* previous = SetPrompter(nullptr);
    EXPECT_EQ(previous, &installed);
    EXPECT_TRUE(StderrPrompterInForce());
    EXPECT_EQ(SetPrompter(previous), nullptr);
    EXPECT_EQ(&Prompter(), &installed);
}

TEST(Prompt, StderrPrompterWritesAndTakesTheDefault) {
    ASSERT_TRUE(StderrPrompterInForce());
    testing::internal::CaptureStderr();
    ShowError("Disk full");
    const PromptAnswer a = AskYesNo("Save?", PromptAnswer::No);
    const PromptAnswer b = AskYesNoCancel("Quit?");
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(a, PromptAnswer::No);
    EXPECT_EQ(b, PromptAnswer::Yes);
    EXPECT_EQ(out, "Error: Disk full\nQuestion: Save? [No]\nQuestion: Quit? [Yes]\n");
}

} // namespace
} // namespace pg
