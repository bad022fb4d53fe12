// Tests of the timing screen: clicks heard on their beats, taps turned into an offset, saving
// it or keeping the old one; and its row in the options.
#include <gtest/gtest.h>

#include <cstdlib>

#include "config/ConfigReader.h"
#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "game/TimingCalibration.h"
#include "menus/MenusTestSupport.h"
#include "menus/OptionScene.h"
#include "menus/TestSongs.h"
#include "menus/TimingScene.h"
#include "smf/ReadMidi.h"
#include "widgets/StringSelector.h"

namespace {
// A timing screen on the capture output of a device with the given latency.
class TimingRun
{
public:
    HeadlessGame game;
    MenuDriver driver{game};
    CaptureMidiOut capture{[this] { return game.Time(); }};

    explicit TimingRun(const std::string &config, int latency = 0)
    {
        WriteTestFile("config", config);
        capture.SetLatencyMs(latency);
        InitMidiLib();
        SetMidiOutOverride(&capture);
    }
    ~TimingRun()
    {
        CloseMidiOut();
        SetMidiOutOverride(nullptr);
        ReleaseMidiLib();
    }

    // Opens the timing screen; its clock starts at 0.
    TimingScene *Start()
    {
        TimingScene *scene = new TimingScene(&game.Manager());
        game.Manager().AddScene(scene, nullptr);
        game.Iterate(0);
        return scene;
    }
    // Runs to 'clock' and taps lane key F in that iteration.
    void TapAt(Uint32 clock)
    {
        while (driver.now + 1 < clock)
            driver.Step();
        game.HoldKey(SDLK_f, true);
        driver.Step();
        game.HoldKey(SDLK_f, false);
    }
    // Clicks sent: (clock, note) of every Note On on the percussion channel.
    std::vector<std::pair<Uint32, int>> Clicks() const
    {
        std::vector<std::pair<Uint32, int>> clicks;
        for (const auto &message : capture.Messages()) {
            if (message.bytes.size() == 3 && message.bytes[0] == 0x99)
                clicks.push_back({message.time, message.bytes[1]});
        }
        return clicks;
    }
};
} // namespace

TEST(TimingScene, ClicksAreHeardOnTheBeatAndSteadyLateTapsBecomeTheOffset)
{
    TimingRun run("offset -7\nspeed 50\n", 40);
    TimingScene *scene = run.Start();
    EXPECT_EQ(scene->GetOldOffset(), -7);
    // A player 25 ms late who misses beat 5 and taps beat 9 twice.
    for (int beat = 0; beat < TimingScene::BEATS; beat++) {
        if (beat == 5)
            continue;
        run.TapAt(scene->BeatTime(beat) + 25);
        if (beat == 9)
            run.TapAt(scene->BeatTime(beat) + 90);
    }
    EXPECT_FALSE(scene->IsDone());
    run.driver.Steps(TimingScene::INTERVAL);
    ASSERT_TRUE(scene->IsDone());
    EXPECT_EQ(scene->GetCalibration().GetTapCount(), TimingScene::BEATS - 1);
    EXPECT_EQ(scene->GetCalibration().GetOffset(), 25);
    EXPECT_EQ(scene->GetCalibration().GetSpread(), 0);

    // Four count-in clicks and sixteen beats, each sent the device's 40 ms before its beat.
    const auto clicks = run.Clicks();
    ASSERT_EQ(clicks.size(), size_t(TimingScene::COUNT_IN + TimingScene::BEATS));
    for (int i = 0; i < TimingScene::COUNT_IN + TimingScene::BEATS; i++) {
        const Uint32 heard = scene->BeatTime(i - TimingScene::COUNT_IN);
        EXPECT_EQ(clicks[i].first, heard - 40) << i;
        EXPECT_EQ(clicks[i].second, i < TimingScene::COUNT_IN ? 76 : 77) << i;
    }

    if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR")) {
        run.game.Manager().Draw(run.game.Manager().GetScreen());
        EXPECT_TRUE(run.game.SaveScreenshot(std::string(folder) + "/screen-timing.png"));
    }
    // Ok saves the proposal and keeps the other settings.
    run.driver.Send(kOk);
    run.driver.Steps(3);
    ConfigReader config;
    config.ReadFile("config");
    EXPECT_EQ(config.GetInteger("offset", 0), 25);
    EXPECT_EQ(config.GetInteger("speed", 0), 50);
    EXPECT_EQ(TopScene(run.game), nullptr);
}

TEST(TimingScene, EscapeKeepsTheOldOffsetAndTooFewTapsProposeNothing)
{
    TimingRun run("offset 12\n");
    TimingScene *scene = run.Start();
    for (int beat = 0; beat < TimingCalibration::MIN_TAPS - 1; beat++)
        run.TapAt(scene->BeatTime(beat) - 30);
    run.driver.Steps(TimingScene::BEATS * TimingScene::INTERVAL);
    ASSERT_TRUE(scene->IsDone());
    EXPECT_FALSE(scene->GetCalibration().HasResult());
    // Ok starts again instead of saving.
    run.driver.Send(kOk);
    run.driver.Step();
    EXPECT_FALSE(scene->IsDone());
    EXPECT_EQ(scene->GetCalibration().GetTapCount(), 0);
    EXPECT_EQ(ReadTestFile("config"), "offset 12\n");
    for (int beat = 0; beat < TimingScene::BEATS; beat++)
        run.TapAt(scene->BeatTime(beat) - 30);
    run.driver.Steps(TimingScene::INTERVAL);
    EXPECT_EQ(scene->GetCalibration().GetOffset(), -30);
    run.driver.Send(kCancel);
    run.driver.Steps(3);
    EXPECT_EQ(ReadTestFile("config"), "offset 12\n");
    EXPECT_EQ(TopScene(run.game), nullptr);
}

TEST(TimingScene, TheOptionsOpenItFromTheirTimingRow)
{
    TimingRun run("");
    OptionScene *options = run.driver.Open<OptionScene>();
    while (options->GetFocus() != OptionScene::kTiming)
        run.driver.Send(kUp);
    EXPECT_TRUE(options->GetRow(OptionScene::kTiming)->active);
    run.driver.Send(kOk);
    run.driver.Steps(3);
    EXPECT_NE(dynamic_cast<TimingScene *>(TopScene(run.game)), nullptr);
    EXPECT_FALSE(options->visible);
    run.driver.Send(kCancel);
    run.driver.Steps(3);
    EXPECT_EQ(TopScene(run.game), options);
}
