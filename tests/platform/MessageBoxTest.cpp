// Tests of the warning notice: one line, its format, the replaceable sink, and few song lines.
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/WarningCapture.h"

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

// A folder of broken songs gives a few lines and one count, not a line per song; every song
// still keeps why it cannot be read, and warnings about other things all show.
TEST(MessageBoxTest, SongWarningsStopAfterAFewAndTheRestAreCountedOtherWarningsAllShow)
{
    ResetSongWarningLimit();
    std::vector<std::string> lines;
    SetWarningSink([&](const std::string &line) { lines.push_back(line); });
    const int songs = SONG_WARNING_LINES + 37;
    int kept = 0;
    for (int i = 0; i < songs; ++i) {
        {
            WarningCapture capture; // as each song is read
            ShowWarning("data/" + std::to_string(i) + ".mid", "File is NOT midi.");
            kept += capture.First() == "File is NOT midi.";
        }
        if (i == SONG_WARNING_LINES + 5) {
            ShowWarning("config", "line 3 left out"); // not about a song
        }
    }
    ReportHiddenSongWarnings();
    ReportHiddenSongWarnings(); // nothing new to count
    SetWarningSink(nullptr);

    EXPECT_EQ(kept, songs) << "every song keeps its reason";
    ASSERT_EQ(lines.size(), static_cast<size_t>(SONG_WARNING_LINES + 2));
    EXPECT_EQ(lines.front(), "warning: data/0.mid: File is NOT midi.");
    EXPECT_EQ(lines[SONG_WARNING_LINES], "warning: config: line 3 left out");
    EXPECT_EQ(lines.back(),
              "warning: songs: 37 more songs cannot be read (not listed; each card says why)");
    ResetSongWarningLimit();
}

} // namespace
