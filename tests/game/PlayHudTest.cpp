// Tests of the play scene's title, accuracy and time-left line.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/PlayHarness.h"
#include "game/PlayHud.h"
#include "support/ScreenLayout.h"
#include "text/MessageCatalog.h"

namespace {
// Draws the screen once at the harness's clock (the scene feeds its line in the drawing).
PlayHud &DrawnHud(PlayHarness &play)
{
    play.game.SetTime(play.now);
    ScreenLayout::Draw(play.Manager());
    return *play.Scene()->GetHud();
}
} // namespace

// The accuracy reads "--" until a note is judged; the last value shown is the weighted percent
// the result screen's rate is made of: what the player saw is what the result rates.
TEST(PlayHud, TheAccuracyShownAtTheEndIsTheResultScreensRate)
{
    ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en"));
    // Presses on time, 30 ms, 70 ms and 120 ms late and none at all: every judgement, in
    // counts that do not divide the notes evenly.
    const int lateness[] = {0, 0, 0, 30, 30, 70, 120, -1, 0, 30, 70};
    const int keys[] = {SDLK_d, SDLK_f, SDLK_j, SDLK_k};
    PlayHarness play("AutoPlay 0\n");
    TestSong song;
    const int count = static_cast<int>(sizeof lateness / sizeof lateness[0]);
    for (int i = 0; i < count; i++)
        song.Note(1000 + 500 * i, 0, 60 + i % 4, 100);
    play.Start(song);
    EXPECT_EQ(DrawnHud(play).GetAccuracyShown(), "Accuracy --");
    for (int i = 0; i < count; i++)
        if (lateness[i] >= 0)
            play.PressAt(1000 + 500 * i + lateness[i], keys[i % 4]);
    play.RunTo(PlayHarness::START + 1000 + 500 * count); // the last note is judged
    ASSERT_NE(play.Scene(), nullptr);
    ASSERT_EQ(static_cast<int>(play.judgements.size()), count);
    const std::string shown = DrawnHud(play).GetAccuracyShown();

    play.RunTo(play.now + 5000);
    ScoreScene *result = play.Result();
    ASSERT_NE(result, nullptr);
    const int points =
        3 * result->GetPercent(3) + 2 * result->GetPercent(2) + result->GetPercent(1);
    EXPECT_EQ(shown, "Accuracy " + std::to_string(points / 3) + " %");
    // The rate is that same weighted percent on a scale of 0..10.
    EXPECT_EQ(result->GetRate(), std::min(10, points * 11 / 300));
    EXPECT_NE(result->GetPercent(0), 0);
    EXPECT_NE(result->GetPercent(1), 0);
    EXPECT_NE(result->GetPercent(2), 0);
}

// The time left is the player's time: at 50 % tempo a 6 s song has 12 s left at its start;
// it runs down with the song, reaches 0:00 at the song's end and stays there, never negative.
TEST(PlayHud, TheTimeLeftRunsAtThePracticeTempoAndReachesZeroAtTheEnd)
{
    ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en"));
    PlayHarness play;
    TestSong song;
    for (int t = 1000; t < 6000; t += 1000)
        song.Note(t, 0, 60, 50);
    song.Note(5900, 0, 61, 100); // the song's last event at 6000 ms
    play.Start(song, 0, 50);
    play.RunTo(PlayHarness::START); // the song's start
    EXPECT_EQ(DrawnHud(play).GetTimeShown(), "Left 0:12");
    play.RunTo(PlayHarness::START + 6000); // half the song at half the tempo
    EXPECT_EQ(DrawnHud(play).GetTimeShown(), "Left 0:06");
    play.RunTo(PlayHarness::START + 11500);
    EXPECT_EQ(DrawnHud(play).GetTimeShown(), "Left 0:01");
    play.RunTo(PlayHarness::START + 12000); // the last event
    EXPECT_EQ(DrawnHud(play).GetTimeShown(), "Left 0:00");
    play.RunTo(PlayHarness::START + 13000);
    ASSERT_NE(play.Scene(), nullptr);
    EXPECT_EQ(DrawnHud(play).GetTimeShown(), "Left 0:00");

    EXPECT_EQ(PlayHud::TimeLeftText(61000, 100), "Left 1:01");
    EXPECT_EQ(PlayHud::TimeLeftText(59000, 150), "Left 0:40"); // 39.33 s, rounded up
    EXPECT_EQ(PlayHud::TimeLeftText(-800, 100), "Left 0:00");
}

// A title far too long for any window ends in an ellipsis and stays inside the screen, clear of
// the accuracy and the time left, in both languages and at the smallest and largest sizes.
TEST(PlayHud, ALongTitleStaysInsideTheScreen)
{
    const std::string longTitle(300, 'W');
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size : std::vector<std::pair<int, int>>{{640, 480}, {1920, 1080}}) {
            const std::string where = std::string(language) + " " + std::to_string(size.first) +
                                      "x" + std::to_string(size.second);
            PlayHarness play("", size.first, size.second);
            TestSong song;
            song.Note(1000, 0, 60, 100);
            GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
            param->title = longTitle;
            play.Start(param);
            play.RunTo(PlayHarness::START + 500);
            play.game.SetTime(play.now);
            const ScreenLayout layout = ScreenLayout::Draw(play.Manager());
            for (const std::string &fault : layout.Faults())
                ADD_FAILURE() << where << ": " << fault;
            const std::string &title = play.Scene()->GetHud()->GetTitleShown();
            EXPECT_EQ(title.compare(0, 10, longTitle, 0, 10), 0) << where << ": " << title;
            EXPECT_LT(title.size(), longTitle.size()) << where;
            const auto shown = layout.Find(title);
            ASSERT_EQ(shown.size(), 1u) << where;
            EXPECT_EQ(layout.Find(play.Scene()->GetHud()->GetAccuracyShown()).size(), 1u) << where;
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}
