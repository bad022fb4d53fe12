// Tests of the warning notice: one line, its format, and the replaceable sink.
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBoxTest, WarningIsOneLineWithContextAndText)
{
    std::vector<std::string> lines;
    SetWarningSink([&](const std::string &line) { lines.push_back(line); });
    ShowWarning("data/song.mid", "INVALID TRACK");
    ShowWarning("a\nb", "two\r\nlines");
    SetWarningSink(nullptr);
    EXPECT_EQ((std::vector<std::string>{"warning: data/song.mid: INVALID TRACK",
                                        "warning: a b: two  lines"}),
              lines);

    testing::internal::CaptureStderr();
    ShowWarning("midi", "no device");
    EXPECT_EQ("warning: midi: no device\n", testing::internal::GetCapturedStderr());
}

} // namespace
