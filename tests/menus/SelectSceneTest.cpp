// Tests of the song selection: the looping preview, the panel, starting a game, saving records.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

#include "devices/CaptureMidiOut.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "menus/MenuScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/MidiImage.h"
#include "menus/MidiSelector.h"
#include "menus/SelectScene.h"
#include "menus/SelectSceneFixture.h"
#include "menus/TestSongs.h"
#include "platform/GamePaths.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "song/SongLibrary.h"
#include "support/ScreenLayout.h"
#include "widgets/AnimationMeter.h"

namespace {

class SelectSceneTest : public SelectSceneFixture
{
protected:
    void SetUp() override
    {
        SelectSceneFixture::SetUp();
        // a: notes on channels 0 and 3, one second long; b: one note on channel 0.
        ASSERT_TRUE(WriteTestFile(
            "data/a.mid", MakeTestSong({{0, 60, 0, 240}, {0, 62, 480, 240}, {3, 70, 0, 960}})));
        ASSERT_TRUE(WriteTestFile("data/b.mid", MakeTestSong({{0, 72, 0, 480}})));
    }
};

TEST_F(SelectSceneTest, ThePreviewPlaysTheChosenSongInALoop)
{
    Enter();
    EXPECT_TRUE(capture.IsOpen());
    const Uint32 start = driver.now;
    driver.Steps(2200);

    const std::vector<Uint32> first = NoteOns(60);
    ASSERT_EQ(first.size(), 3u) << "at 0 ms, and again after each 1000 ms of song";
    EXPECT_LE(first[0], start) << "the preview starts as soon as the screen is shown";
    EXPECT_NEAR(static_cast<double>(first[1] - first[0]), 1000.0, 2.0);
    const std::vector<Uint32> second = NoteOns(62);
    ASSERT_FALSE(second.empty());
    EXPECT_NEAR(static_cast<double>(second[0] - first[0]), 500.0, 2.0);
    EXPECT_TRUE(NoteOns(72).empty()) << "the other song stays silent";
}

TEST_F(SelectSceneTest, APreviewEventGoesOutInTheFrameThatReachesItsTime)
{
    // Song a at 120 bpm: note 60 at 0 ms, note 62 at 500 ms of the song.
    Enter();
    driver.Steps(700);
    const std::vector<Uint32> first = NoteOns(60);
    const std::vector<Uint32> second = NoteOns(62);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0] - first[0], 500u);
}

TEST_F(SelectSceneTest, AnotherSongRestartsThePreviewAnotherPartKeepsItRunning)
{
    SelectScene *select = Enter();
    driver.Steps(100);
    const int resets = capture.GetResetCount();

    const double density = select->GetDensityMeter()->target;
    driver.Press(SDLK_UP); // part 3 of song a: parts 1 and 2 have no notes
    driver.Steps(50);
    EXPECT_EQ(capture.GetResetCount(), resets);
    EXPECT_EQ(select->GetSelector()->GetInstrument(), 3);
    EXPECT_LT(select->GetDensityMeter()->target, density) << "one note against two";
    driver.Press(SDLK_DOWN);
    driver.Steps(50);
    EXPECT_EQ(select->GetSelector()->GetInstrument(), 0);
    EXPECT_EQ(select->GetDensityMeter()->target, density);
    EXPECT_EQ(select->GetTempoMeter()->target, 80.0); // 120 bpm
    EXPECT_EQ(select->GetLengthMeter()->target, 0.0); // one second

    const Uint32 moved = driver.now;
    MidiImage *first = select->GetSelector()->GetSelectedCard();
    ASSERT_NE(first->midi, nullptr);
    driver.Press(SDLK_RIGHT);
    select->FinishLoading(); // b is read on the loader
    EXPECT_EQ(first->midi, nullptr) << "only the chosen song holds its events";
    driver.Steps(50);
    EXPECT_EQ(select->GetSelector()->GetSelect(), 1);
    EXPECT_GT(capture.GetResetCount(), resets);
    EXPECT_EQ(NoteOns(72, moved).size(), 1u);
    EXPECT_TRUE(NoteOns(60, moved + 5).empty());

    driver.Press(SDLK_RIGHT); // wraps to the first song again
    EXPECT_EQ(select->GetSelector()->GetSelect(), 0);
}

TEST_F(SelectSceneTest, OkStartsTheGameOnTheChosenSongAndPart)
{
    ASSERT_TRUE(WriteTestFile("config", "keynum 6\n"));
    SelectScene *select = Enter();
    EXPECT_EQ(select->GetKeyIndex(), 5);
    for (int i = 0; i < 3; i++) {
        driver.Press(SDLK_UP);
    }
    MidiImage *card = select->GetSelector()->GetSelectedCard();
    ASSERT_EQ(card->GetPart(), 3);

    GameScene *play = Play();
    EXPECT_FALSE(select->visible);
    GameSceneParameter *parameter = play->GetParameter();
    ASSERT_NE(parameter, nullptr);
    EXPECT_EQ(parameter->song, card->midi);
    EXPECT_EQ(parameter->firstEvent, card->firstEvent);
    EXPECT_EQ(parameter->part, 3);
    EXPECT_EQ(parameter->delay, 2000);
    EXPECT_EQ(parameter->notes.size(), card->positions.size());
    EXPECT_TRUE(parameter->notes.IsSharedWith(card->positions)) << "read in place, not copied";
    EXPECT_EQ(parameter->highScore, card->GetHighScoreCell(5, 3));
    EXPECT_EQ(parameter->highRate, card->GetHighRateCell(5, 3));
    EXPECT_EQ(parameter->tempo, 100);
    EXPECT_FALSE(parameter->waitMode);
    // The song has no title of its own: the play scene names it by its file, as the card does.
    EXPECT_TRUE(card->summary.title.empty());
    EXPECT_EQ(parameter->title, card->name);
}

TEST_F(SelectSceneTest, PracticeTempoAndWaitModeGoToTheGame)
{
    SelectScene *select = Enter();
    // Up to the fastest, which holds.
    for (int i = 0; i < 8; i++) {
        SDL_Event event = KeyDownEvent(i % 2 == 0 ? '=' : static_cast<int>(SDLK_KP_PLUS));
        select->Event(&event);
    }
    EXPECT_EQ(select->GetPracticeTempo(), 150);
    for (int i = 0; i < 5; i++) {
        SDL_Event event = KeyDownEvent('-');
        select->Event(&event);
    }
    // Minus three times, plus once: 80 %; then down to the slowest, which holds.
    for (int key : {'-', '-', '-', '=', 'w'}) {
        SDL_Event event = KeyDownEvent(key);
        select->Event(&event);
    }
    EXPECT_EQ(select->GetPracticeTempo(), 80);
    for (int i = 0; i < 5; i++) {
        SDL_Event event = KeyDownEvent(SDLK_KP_MINUS);
        select->Event(&event);
    }
    EXPECT_EQ(select->GetPracticeTempo(), 50);
    GameScene *play = Play();
    EXPECT_EQ(play->GetParameter()->tempo, 50);
    EXPECT_TRUE(play->GetParameter()->waitMode);
    EXPECT_TRUE(play->GetPractice().IsPractice());
}

TEST_F(SelectSceneTest, CancelAndOkInOnePollLeaveForTheTitleMenuWithoutAGame)
{
    Enter();
    driver.Send(kCancel);
    driver.Send(kOk);
    driver.Steps(3);
    EXPECT_EQ(TopScene(game), menu);
    EXPECT_EQ(game.Manager().GetScenes().size(), 1u);
    EXPECT_FALSE(capture.IsOpen());
}

TEST_F(SelectSceneTest, TheGameAndEveryLoopOfThePreviewStartAtTheSongsOwnTempo)
{
    // No tempo at the start (120 bpm), 240 bpm from the second beat (500 ms): the song ends
    // at 875 ms, with note 62 at 750 ms.
    ASSERT_TRUE(WriteTestFile(
        "data/a.mid", MakeTestSong({{0, 60, 0, 240}, {0, 62, 960, 240}}, {}, 0, {{480, 250000}})));
    SelectScene *select = Enter();
    MidiImage *card = select->GetSelector()->GetSelectedCard();
    driver.Steps(800);
    ASSERT_EQ(card->midi->tempo, 250000u);
    // The second loop plays its first beat at 120 bpm again.
    driver.Steps(700);
    const std::vector<Uint32> starts = NoteOns(60);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_TRUE(NoteOns(62, starts[1]).empty());
    driver.Steps(300);
    const std::vector<Uint32> seconds = NoteOns(62, starts[1]);
    ASSERT_EQ(seconds.size(), 1u);
    EXPECT_NEAR(static_cast<double>(seconds[0] - starts[1]), 750.0, 3.0);

    GameScene *play = Play();
    EXPECT_EQ(play->GetParameter()->song->tempo, 500000u);
    EXPECT_EQ(play->GetScrollTempo(), 500000);
}

TEST_F(SelectSceneTest, SongsOfNoLengthOrHugeChordsArePreviewedAtAMusicalPace)
{
    // a: two notes on channel 16 at a tempo of 0, so every event lies at 0 ms. b: 1,500 one-tick
    // notes at tick 0, 3,000 events in about 1 ms.
    ASSERT_TRUE(WriteTestFile(
        "data/a.mid", MakeTestSong({{15, 60, 0, 480}, {15, 62, 480, 480}}, {}, 0, {{0, 0}})));
    std::vector<TestNote> chord;
    for (int i = 0; i < 1500; ++i) {
        chord.push_back({i % 15, 20 + i % 100, 0, 1});
    }
    ASSERT_TRUE(WriteTestFile("data/b.mid", MakeTestSong(chord)));
    Enter();

    // A pass through a song lasts at least a second, not one loop turn.
    const Uint32 aStart = driver.now;
    driver.Steps(4500);
    const std::vector<Uint32> passes = NoteOns(60, aStart - 5);
    ASSERT_EQ(passes.size(), 5u);
    for (size_t i = 1; i < passes.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(passes[i] - passes[i - 1]), 1000.0, 2.0);
    }

    // The chord: at most 256 events per loop turn, and a pass of 3,000 events lasts 1.5 s.
    capture.Clear();
    const Uint32 bStart = driver.now;
    driver.Press(SDLK_RIGHT);
    dynamic_cast<SelectScene *>(TopScene(game))->FinishLoading(); // read on the loader
    driver.Steps(4200);
    std::map<Uint32, int> perTurn;
    int noteOns = 0;
    for (const CapturedMidiMessage &message : capture.Messages()) {
        const bool noteOn =
            message.bytes.size() == 3 && (message.bytes[0] & 0xF0) == 0x90 && message.bytes[2] > 0;
        perTurn[message.time] += noteOn ? 1 : 0;
        noteOns += noteOn ? 1 : 0;
    }
    for (const auto &turn : perTurn) {
        EXPECT_LE(turn.second, 256) << "at " << turn.first - bStart << " ms";
    }
    EXPECT_EQ(noteOns, 3 * 1500) << "passes at 0, 1.5 and 3 s";
}

TEST_F(SelectSceneTest, AKeyCountOutsideOneToTwelveUsesFourKeys)
{
    ASSERT_TRUE(WriteTestFile("config", "keynum 20\n"));
    SelectScene *select = Enter();
    EXPECT_EQ(select->GetKeyIndex(), 3);
}

TEST_F(SelectSceneTest, NewRecordsAreSavedWhenTheScreenClosesAndShownNextTime)
{
    SelectScene *select = Enter();
    MidiImage *card = select->GetSelector()->GetSelectedCard();
    *card->GetHighScoreCell(3, 0) = 777; // as the result screen does
    *card->GetHighRateCell(3, 0) = 4;
    driver.Press(SDLK_ESCAPE);
    ASSERT_EQ(TopScene(game), menu);
    const std::string saved = ReadTestFile("data/a.mid.score");
    EXPECT_NE(saved.find("highscore_ins0_key4 777\n"), std::string::npos) << saved;
    EXPECT_EQ(menu->GetSongs()[0]->highScore[3][0], 777);
    EXPECT_TRUE(ReadTestFile("data/b.mid.score").empty()) << "no record, no file";

    select = Enter();
    EXPECT_EQ(*select->GetSelector()->GetSelectedCard()->GetHighScoreCell(3, 0), 777);
}

TEST_F(SelectSceneTest, AFailedScoreSaveIsToldAndRetriedOnLeavingUntilItWorks)
{
    // A folder where the score file should go: the save fails as on a read-only folder.
    ASSERT_TRUE(std::filesystem::create_directories("data/a.mid.score/blocker"));
    SelectScene *select = Enter();
    EXPECT_EQ(select->GetNotice(),
              "Cannot read high scores in data/a.mid.score: is a folder, not a file");
    *select->GetSelector()->GetSelectedCard()->GetHighScoreCell(3, 0) = 1000000;
    select->OnShowEvent(); // back from the result screen
    EXPECT_NE(select->GetNotice().find("data/a.mid.score"), std::string::npos)
        << select->GetNotice();

    driver.Press(SDLK_ESCAPE); // leaving tries again, in vain
    ASSERT_EQ(TopScene(game), menu);
    EXPECT_NE(menu->GetScoreNotice().find("data/a.mid.score"), std::string::npos);
    EXPECT_EQ(menu->GetSongs()[0]->highScore[3][0], 1000000) << "kept in memory";

    std::filesystem::remove_all("data/a.mid.score");
    select = Enter();
    EXPECT_EQ(*select->GetSelector()->GetSelectedCard()->GetHighScoreCell(3, 0), 1000000);
    driver.Press(SDLK_ESCAPE);
    EXPECT_NE(ReadTestFile("data/a.mid.score").find("highscore_ins0_key4 1000000\n"),
              std::string::npos);
    EXPECT_EQ(menu->GetScoreNotice(), "");
    EXPECT_EQ(ReadTestFile("data/b.mid.score"), "") << "no record, no file";
}

TEST_F(SelectSceneTest, AScoreFileThatCannotBeReadIsToldOnItsSongAndNeverSavedOver)
{
    // a: real records past the size cap; b: a FIFO where its score file belongs.
    std::string records = "highscore_ins0_key4 888\n";
    for (int i = 1; records.size() <= MAX_SETTINGS_FILE_BYTES; ++i) {
        records += "note" + std::to_string(i) + " kept\n";
    }
    ASSERT_TRUE(WriteTestFile("data/a.mid.score", records));
    ASSERT_EQ(::mkfifo("data/b.mid.score", 0600), 0);
    SelectScene *select = Enter();
    EXPECT_EQ(select->GetNotice(),
              "Cannot read high scores in data/a.mid.score: larger than 1 MB, not read");
    EXPECT_EQ(*select->GetSelector()->GetSelectedCard()->GetHighScoreCell(3, 0), 0);

    driver.Press(SDLK_RIGHT);
    MidiImage *card = select->GetSelector()->GetSelectedCard();
    ASSERT_EQ(card->name, "b.mid");
    EXPECT_EQ(select->GetNotice(),
              "Cannot read high scores in data/b.mid.score: not a regular file, not read");

    // A new record on b: the save leaves the FIFO alone and says the record is not saved.
    *card->GetHighScoreCell(3, 0) = 500;
    select->OnShowEvent(); // back from the result screen
    EXPECT_NE(select->GetNotice().find("High scores not saved to data/b.mid.score"),
              std::string::npos)
        << select->GetNotice();
    driver.Press(SDLK_ESCAPE);
    ASSERT_EQ(TopScene(game), menu);
    EXPECT_NE(menu->GetScoreNotice().find("data/b.mid.score"), std::string::npos);
    struct stat info;
    ASSERT_EQ(::lstat("data/b.mid.score", &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "not replaced";
    EXPECT_EQ(ReadTestFile("data/a.mid.score"), records);

    // Put right: a's records are no longer reported once its file reads.
    ASSERT_TRUE(WriteTestFile("data/a.mid.score", "highscore_ins0_key4 888\n"));
    select = Enter();
    for (int i = 0; i < 2 && select->GetSelector()->GetSelectedCard()->name != "a.mid"; ++i) {
        driver.Press(SDLK_RIGHT);
    }
    ASSERT_EQ(select->GetSelector()->GetSelectedCard()->name, "a.mid");
    EXPECT_EQ(select->GetNotice().find("Cannot read"), std::string::npos) << select->GetNotice();
}

TEST_F(SelectSceneTest, AMissingOutputDeviceGivesWayToTheBuiltInSynthWithANotice)
{
    ASSERT_TRUE(WriteTestFile("config", "devid 42\n"));
    SelectScene *select = Enter();
    EXPECT_TRUE(capture.IsOpen());
    EXPECT_NE(select->GetDeviceNotice().find("MIDI output 42"), std::string::npos);
    driver.Steps(50);
    EXPECT_FALSE(NoteOns(60).empty()) << "the preview plays";

    driver.Press(SDLK_ESCAPE);
    ASSERT_TRUE(WriteTestFile("config", "devid 0\n"));
    select = Enter();
    EXPECT_EQ(select->GetDeviceNotice(), "");
}

// Notes the output device had to leave out of a flood are told on screen, after the device's
// own notice, not only on stderr.
TEST_F(SelectSceneTest, NotesTheDeviceLeftOutAreToldOnScreen)
{
    ASSERT_TRUE(WriteTestFile("config", "devid 42\n"));
    SelectScene *select = Enter();
    driver.Steps(5);
    EXPECT_EQ(select->GetDeviceNotice().find("left out"), std::string::npos);
    capture.SetDroppedMessages(3);
    driver.Steps(5);
    EXPECT_NE(select->GetDeviceNotice().find("MIDI output 42"), std::string::npos);
    EXPECT_NE(select->GetDeviceNotice().find("Too many notes at once"), std::string::npos)
        << select->GetDeviceNotice();
}

TEST_F(SelectSceneTest, AnUnreadableSongHasACardButCannotBePlayed)
{
    ASSERT_TRUE(WriteTestFile("data/0-broken.mid", "not a song"));
    SelectScene *select = Enter();
    ASSERT_EQ(select->GetSelector()->GetSize(), 3);
    EXPECT_EQ(select->GetPreviewEvent(), nullptr);
    driver.Steps(20);
    MidiImage *card = select->GetSelector()->GetSelectedCard();
    EXPECT_EQ(card->summary.warning, "File is NOT midi.");
    EXPECT_NE(card->GetUnplayableLine().surface, nullptr) << "the card says why";
    driver.Press(SDLK_RETURN);
    EXPECT_EQ(TopScene(game), select);
    EXPECT_TRUE(select->visible);
    driver.Press(SDLK_RIGHT);
    driver.Steps(20);
    EXPECT_EQ(select->GetSelector()->GetSelectedCard()->GetUnplayableLine().surface, nullptr);
}

TEST_F(SelectSceneTest, TypingNarrowsTheCardsAndCancelClearsTheSearchBeforeLeaving)
{
    ASSERT_TRUE(std::filesystem::create_directories("data/folk"));
    ASSERT_TRUE(WriteTestFile("data/folk/ballad.mid", MakeTestSong({{0, 65, 0, 480}})));
    SelectScene *select = Enter();
    ASSERT_EQ(select->GetSelector()->GetSize(), 3);
    driver.Press(SDLK_RIGHT); // b.mid chosen
    auto type = [&](int key) {
        SDL_Event event = KeyDownEvent(key);
        game.Manager().Event(&event);
        driver.Steps(2);
    };
    type('/');
    type('b');
    EXPECT_EQ(select->GetQuery(), "b");
    ASSERT_EQ(select->GetSelector()->GetSize(), 2); // b.mid and folk/ballad.mid
    EXPECT_EQ(select->GetSelector()->GetSelectedCard()->name, "b.mid") << "the chosen song stays";
    EXPECT_NE(select->GetStatusText().find("Search: b   2 / 3"), std::string::npos)
        << select->GetStatusText();
    const Uint32 typed = driver.now;
    type('a');
    select->FinishLoading(); // the ballad is read on the loader
    ASSERT_EQ(select->GetSelector()->GetSize(), 1);
    EXPECT_EQ(select->GetSelector()->GetSelectedCard()->name, "folk/ballad.mid");
    driver.Steps(100);
    EXPECT_EQ(NoteOns(65, typed).size(), 1u) << "the one song left plays";
    type('x');
    EXPECT_EQ(select->GetSelector()->GetSize(), 0);
    EXPECT_EQ(select->GetPreviewEvent(), nullptr);
    driver.Press(SDLK_RETURN); // ends the search; nothing to start
    driver.Press(SDLK_RETURN);
    EXPECT_EQ(TopScene(game), select);
    type(SDLK_SLASH); // typing goes on where it stopped
    type(SDLK_BACKSPACE);
    EXPECT_EQ(select->GetQuery(), "ba");
    EXPECT_EQ(select->GetSelector()->GetSize(), 1);

    type(SDLK_TAB);
    EXPECT_EQ(select->GetOrder(), SongOrder::kTitle);
    EXPECT_NE(select->GetStatusText().find("Order: title"), std::string::npos);

    driver.Press(SDLK_RETURN); // ends the search, keeping it
    EXPECT_FALSE(select->IsSearching());
    EXPECT_EQ(select->GetQuery(), "ba");
    driver.Press(SDLK_ESCAPE); // clears the kept search
    EXPECT_EQ(TopScene(game), select);
    EXPECT_EQ(select->GetQuery(), "");
    EXPECT_EQ(select->GetSelector()->GetSize(), 3);
    driver.Press(SDLK_ESCAPE); // leaves
    EXPECT_EQ(TopScene(game), menu);
}

TEST_F(SelectSceneTest, OnceASearchHasBegunThePracticeKeysAreTypedIntoIt)
{
    SelectScene *select = Enter();
    auto type = [&](int key) {
        SDL_Event event = KeyDownEvent(key);
        game.Manager().Event(&event);
        driver.Steps(2);
    };
    type('/'); // a search begins with a key of its own
    type('b');
    type('w');
    type('-');
    type('=');
    EXPECT_EQ(select->GetQuery(), "bw-");
    EXPECT_FALSE(select->IsWaitMode()) << "the next game is not silently practice";
    EXPECT_EQ(select->GetPracticeTempo(), 100);
    driver.Press(SDLK_ESCAPE); // the search ends; the keys are practice keys again
    ASSERT_EQ(select->GetQuery(), "");
    type('-');
    type('w');
    EXPECT_EQ(select->GetQuery(), "");
    EXPECT_EQ(select->GetPracticeTempo(), 90);
    EXPECT_TRUE(select->IsWaitMode());
}

TEST_F(SelectSceneTest, SongsInSubFoldersKeepTheirScoresNextToThem)
{
    ASSERT_TRUE(std::filesystem::create_directories("data/folk"));
    ASSERT_TRUE(WriteTestFile("data/folk/0.mid", MakeTestSong({{0, 65, 0, 480}})));
    ASSERT_TRUE(WriteTestFile("data/folk/0.mid.score", "highscore_ins0_key4 4242\n"));
    SelectScene *select = Enter();
    ASSERT_EQ(select->GetSelector()->GetSize(), 3);
    MidiImage *card = select->GetSelector()->GetSelectedCard();
    ASSERT_EQ(card->name, "a.mid");
    driver.Press(SDLK_LEFT);
    card = select->GetSelector()->GetSelectedCard();
    ASSERT_EQ(card->name, "folk/0.mid");
    EXPECT_EQ(*card->GetHighScoreCell(3, 0), 4242);
    *card->GetHighScoreCell(3, 0) = 5000;
    driver.Press(SDLK_ESCAPE);
    EXPECT_NE(ReadTestFile("data/folk/0.mid.score").find("highscore_ins0_key4 5000\n"),
              std::string::npos);
}

TEST_F(SelectSceneTest, ASongChangedOnDiskSinceItWasIndexedPlaysAsItIsNow)
{
    SelectScene *select = Enter();
    driver.Press(SDLK_ESCAPE);
    menu->GetLibrary()->Finish();
    // b.mid gains a part on channel 5 and a second note.
    ASSERT_TRUE(WriteTestFile("data/b.mid", MakeTestSong({{0, 72, 0, 480}, {5, 74, 480, 480}})));
    select = Enter();
    driver.Press(SDLK_RIGHT);
    select->FinishLoading(); // b is read on the loader
    MidiImage *card = select->GetSelector()->GetSelectedCard();
    ASSERT_EQ(card->name, "b.mid");
    EXPECT_EQ(card->GetMaxChannel(), 5);
    EXPECT_EQ(menu->GetSongs()[1]->summary.maxChannel, 5) << "the library knows it too";
    for (int i = 0; i < 5; i++) {
        driver.Press(SDLK_UP);
    }
    GameScene *play = Play();
    EXPECT_EQ(play->GetParameter()->part, 5);
}

} // namespace

namespace {

// At exit a record made in the last game must still reach the score file: the song selection
// goes before the title menu whose songs it shows. Records whose save failed when the selection
// was left are written when the program ends, once the folder is writable again.
TEST(SelectSceneExitTest, NewAndPendingRecordsAreWrittenWhenTheProgramEnds)
{
    namespace fs = std::filesystem;
    for (const bool failFirst : {false, true}) {
        SCOPED_TRACE(failFirst ? "pending after a failed save" : "quit on the selection");
        const fs::path keep =
            fs::temp_directory_path() / ("keyrise-exit-" + std::to_string(getpid()));
        fs::remove_all(keep);
        // A folder where the score file should go makes its save fail.
        fs::create_directories(failFirst ? keep / "a.mid.score" / "blocker" : keep);
        {
            auto game = std::make_unique<HeadlessGame>();
            ASSERT_TRUE(game->Ready());
            // The songs live outside the game folder, which goes with the game.
            fs::remove_all("data");
            fs::create_directory_symlink(keep, "data");
            ASSERT_TRUE(WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 240}})));
            MenuDriver driver(*game);
            MenuScene *menu = driver.Open<MenuScene>();
            driver.Press(SDLK_RETURN);
            SelectScene *select = dynamic_cast<SelectScene *>(TopScene(*game));
            ASSERT_NE(select, nullptr);
            *select->GetSelector()->GetSelectedCard()->GetHighScoreCell(3, 0) = 4321;
            if (failFirst) {
                driver.Press(SDLK_ESCAPE); // the save fails
                ASSERT_EQ(TopScene(*game), menu);
                EXPECT_NE(menu->GetScoreNotice(), "");
                fs::remove_all(keep / "a.mid.score");
            }
            game.reset(); // as Alt+F4 does
        }
        const std::string saved = ReadTestFile((keep / "a.mid.score").string());
        EXPECT_NE(saved.find("highscore_ins0_key4 4321\n"), std::string::npos) << saved;
        fs::remove_all(keep);
    }
}

} // namespace

namespace {

// Return plays the card standing in the middle of the carousel: a few seconds after any turn
// it is the chosen one, and Return during a turn (a long one, of more cards than the window
// shows) ends the turn on the chosen card. Holding right keeps turning.
TEST_F(SelectSceneTest, ReturnPlaysTheCardInTheMiddleAndAHeldKeyRepeats)
{
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(WriteTestFile("data/s" + std::to_string(100 + i) + ".mid",
                                  MakeTestSong({{0, 60 + i % 12, 0, 240}})));
    }
    SelectScene *select = Enter();
    MidiSelector *carousel = select->GetSelector();
    ASSERT_EQ(carousel->GetSize(), 42);
    game.HoldKey(SDLK_RIGHT, true);
    driver.Steps(1000); // one step at the press, then one every 50 ms after 400 ms
    game.HoldKey(SDLK_RIGHT, false);
    EXPECT_GE(carousel->GetSelect(), 10);
    for (int press = 0; press < 8; ++press) {
        driver.Press(SDLK_RIGHT);
    }
    driver.Steps(2500);
    EXPECT_EQ(carousel->GetMiddle(), carousel->GetSelect()) << "the turn has ended";
    driver.Press(SDLK_ESCAPE);
    ASSERT_EQ(TopScene(game), menu);
    select = Enter();
    carousel = select->GetSelector();
    for (int press = 0; press < 30; ++press) {
        driver.Press(SDLK_RIGHT);
    }
    ASSERT_NE(carousel->GetMiddle(), carousel->GetSelect()) << "the carousel should be turning";
    const std::string chosen = carousel->GetSelectedCard()->name;
    GameScene *play = Play();
    ASSERT_NE(carousel->GetImage(carousel->GetMiddle()), nullptr);
    EXPECT_EQ(static_cast<MidiImage *>(carousel->GetImage(carousel->GetMiddle()))->name, chosen);
    EXPECT_EQ(carousel->GetSelectedCard()->name, chosen);
    ASSERT_NE(play->GetParameter()->song, nullptr);
    EXPECT_EQ(play->GetParameter()->song, carousel->GetSelectedCard()->midi);
}

} // namespace

namespace {

// Search and practice never share a key: outside a search minus and W set the practice and
// letters (lane keys pressed after a game, say) do nothing; '/' or Ctrl+F start a search that
// takes every typed key, W and minus included; ok keeps it without starting a game, cancel
// clears it, and only then do Return and the practice keys act again.
TEST_F(SelectSceneTest, SearchAndPracticeNeverShareAKey)
{
    ASSERT_TRUE(WriteTestFile("data/woodland.mid", MakeTestSong({{0, 65, 0, 480}})));
    SelectScene *select = Enter();
    auto type = [&](int key, SDLMod mod = KMOD_NONE) {
        SDL_Event event = KeyDownEvent(key);
        event.key.keysym.mod = mod;
        game.Manager().Event(&event);
        driver.Steps(2);
    };
    for (int key : {'d', 'f', 'j', 'k', 'o'})
        type(key);
    EXPECT_EQ(select->GetQuery(), "");
    EXPECT_FALSE(select->IsSearching());
    type('-');
    EXPECT_EQ(select->GetPracticeTempo(), 90);

    type('/');
    ASSERT_TRUE(select->IsSearching());
    for (int key : {'w', 'o', 'o', 'd', '-'})
        type(key);
    EXPECT_EQ(select->GetQuery(), "wood-");
    EXPECT_FALSE(select->IsWaitMode()) << "W belongs to the search";
    EXPECT_EQ(select->GetPracticeTempo(), 90) << "minus belongs to the search";
    type(SDLK_BACKSPACE);
    driver.Press(SDLK_RETURN);
    EXPECT_FALSE(select->IsSearching());
    EXPECT_EQ(TopScene(game), select) << "ok ends the search, it does not start a game";
    EXPECT_EQ(select->GetQuery(), "wood");
    ASSERT_EQ(select->GetSelector()->GetSize(), 1);
    type('w');
    EXPECT_TRUE(select->IsWaitMode());
    EXPECT_EQ(select->GetQuery(), "wood");

    type('f', KMOD_LCTRL);
    ASSERT_TRUE(select->IsSearching());
    type('x');
    driver.Press(SDLK_ESCAPE); // clears it and ends it; the screen stays
    EXPECT_FALSE(select->IsSearching());
    EXPECT_EQ(select->GetQuery(), "");
    EXPECT_EQ(TopScene(game), select);
    EXPECT_EQ(select->GetSelector()->GetSize(), 3);
    Play();
}

} // namespace

namespace {

// F2 starts a demo of the chosen song and part: the game plays the part; outside a search, as
// F2 is no key of the search's.
TEST_F(SelectSceneTest, F2StartsADemoOfTheChosenSong)
{
    SelectScene *select = Enter();
    driver.Press(SDLK_RIGHT); // b.mid
    SDL_Event f2 = KeyDownEvent(SDLK_F2);
    game.Manager().Event(&f2);
    driver.Steps(3);
    GameScene *demo = Top<GameScene>("no demo started");
    EXPECT_TRUE(demo->IsDemo());
    EXPECT_EQ(demo->GetParameter()->song, select->GetSelector()->GetSelectedCard()->midi);
}

} // namespace

namespace {

// Only the cards near the chosen one exist: a card turned out of the window saves its new record
// as it goes, and the card made when it comes back shows the same song with the same records.
TEST_F(SelectSceneTest, ACardScrolledOutOfTheWindowAndBackShowsAndSavesTheSameAsBefore)
{
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(WriteTestFile("data/s" + std::to_string(100 + i) + ".mid",
                                  MakeTestSong({{0, 60 + i % 12, 0, 240}})));
    }
    SelectScene *select = Enter();
    MidiSelector *carousel = select->GetSelector();
    MidiImage *card = carousel->GetSelectedCard();
    ASSERT_EQ(card->name, "a.mid");
    driver.Steps(20); // drawn: the card's pictures are built
    const uint64_t serial = card->GetSerial();
    const int titleWidth = card->surface != nullptr ? card->surface->w : -1;
    *card->GetHighScoreCell(3, 3) = 4321; // as the result screen does, not saved yet
    *card->GetHighRateCell(3, 3) = 5;
    for (int press = 0; press < 20; ++press) {
        driver.Press(SDLK_RIGHT);
    }
    driver.Steps(2500);
    EXPECT_EQ(carousel->GetImage(0), nullptr) << "the card has left the window";
    EXPECT_NE(ReadTestFile("data/a.mid.score").find("highscore_ins3_key4 4321\n"),
              std::string::npos);
    for (int press = 0; press < 20; ++press) {
        driver.Press(SDLK_LEFT);
    }
    driver.Steps(2500);
    card = carousel->GetSelectedCard();
    ASSERT_EQ(card->name, "a.mid");
    EXPECT_NE(card->GetSerial(), serial) << "a card made anew";
    EXPECT_EQ(card->surface != nullptr ? card->surface->w : -1, titleWidth);
    EXPECT_EQ(*card->GetHighScoreCell(3, 3), 4321);
    EXPECT_EQ(*card->GetHighRateCell(3, 3), 5);
    EXPECT_EQ(card->GetMaxChannel(), 3);
    EXPECT_EQ(card->GetPart(), 0);
    EXPECT_FALSE(card->IsChanged()) << "saved once, not again";
    // A record on the new card is saved as on the old one.
    *card->GetHighScoreCell(3, 0) = 99;
    driver.Press(SDLK_ESCAPE);
    const std::string saved = ReadTestFile("data/a.mid.score");
    EXPECT_NE(saved.find("highscore_ins0_key4 99\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("highscore_ins3_key4 4321\n"), std::string::npos) << saved;
}

} // namespace

namespace {

// The game writes its records into the card it was started from: a key held during the game (an
// arrow bound to a lane, say) must not turn the carousel hidden below it, or the card would be
// turned out of the window and go.
TEST_F(SelectSceneTest, AKeyHeldDuringAGameLeavesTheCarouselBelowIt)
{
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(WriteTestFile("data/s" + std::to_string(100 + i) + ".mid",
                                  MakeTestSong({{0, 60 + i % 12, 0, 9600}})));
    }
    SelectScene *select = Enter();
    MidiSelector *carousel = select->GetSelector();
    const uint64_t played = carousel->GetSelectedCard()->GetSerial();
    const int chosen = carousel->GetSelect();
    GameScene *play = Play();
    game.HoldKey(SDLK_RIGHT, true);
    driver.Steps(1500);
    game.HoldKey(SDLK_RIGHT, false);
    ASSERT_EQ(TopScene(game), play);
    EXPECT_EQ(carousel->GetSelect(), chosen);
    ASSERT_NE(carousel->GetSelectedCard(), nullptr);
    EXPECT_EQ(carousel->GetSelectedCard()->GetSerial(), played);
    EXPECT_EQ(play->GetParameter()->highScore, carousel->GetSelectedCard()->GetHighScoreCell(3, 0));
}

// A song folder given with --songs that lists nothing (here: a file) is said on the selection's
// hint line, naming the folder and why, rather than taken for an empty folder; the hint of where
// the player's own songs go gives way to it.
TEST_F(SelectSceneTest, ASongFolderThatListsNothingIsSaidOnTheSelection)
{
    ASSERT_TRUE(WriteTestFile("notes.txt", "not a folder"));
    GamePaths paths;
    paths.AddSongFolder("notes.txt");
    SetPaths(paths);
    SetWarningSink([](const std::string &) {});
    SelectScene *select = nullptr;
    try {
        select = Enter();
    } catch (const std::exception &) {
    }
    SetWarningSink(nullptr);
    SetPaths(GamePaths());
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->GetSongsHint(), "Songs not listed from notes.txt: not a folder");
    EXPECT_FALSE(ScreenLayout::Draw(game.Manager()).Find("Songs not listed").empty());
    if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
        game.SaveScreenshot(std::string(folder) + "/select-folder-not-listed.png");
}

} // namespace
