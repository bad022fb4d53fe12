// Practice in the play scene, headless with the captured MIDI output: pause and retry, the
// practice tempo, the repeated section, wait mode, the MIDI keyboard, and which games store
// records.
#include <gtest/gtest.h>

#include <map>

#include "devices/FakeMidiIn.h"
#include "devices/MidiKeyboard.h"
#include "game/PlayHarness.h"
#include "game/PlayHud.h"
#include "game/PracticeOverlay.h"
#include "support/ScreenLayout.h"
#include "text/MessageCatalog.h"

namespace {
const int KEY_D = 'd';
const int KEY_F = 'f';
const int KEY_P = 'p';
using Texts = std::vector<std::string>;

// "time bytes" lines of what a song's records put out, each record at the clock 'sentAt'
// gives for its time (records sentAt maps to 0 are left out).
template <typename When>
std::vector<std::string> Lines(const std::list<KeyPosition> &records, When sentAt)
{
    std::vector<std::string> lines;
    for (const KeyPosition &record : records) {
        const Uint32 at = sentAt(record.time);
        const std::vector<unsigned char> bytes = PlayHarness::BytesOf(record.event);
        if (!bytes.empty() && at != 0)
            lines.push_back(PlayHarness::Line(CapturedMidiMessage{at, bytes}));
    }
    return lines;
}

void Append(std::vector<std::string> &to, const std::vector<std::string> &lines)
{
    to.insert(to.end(), lines.begin(), lines.end());
}

// The silence of a pause or a jump at clock 'at': All Sound Off on every channel, then the
// note-off sweep.
std::vector<std::string> SilenceAt(Uint32 at)
{
    std::vector<std::string> lines;
    char line[32];
    for (int channel = 0; channel < 16; channel++) {
        std::snprintf(line, sizeof line, "%u %02X 78 00", at, 0xB0 + channel);
        lines.push_back(line);
    }
    lines.push_back(std::to_string(at) + " stop");
    return lines;
}

// Accompaniment on channel 1 every 250 ms and four notes of the part (channel 0) on lane 0.
void FillSong(TestSong &song, int length)
{
    for (int t = 0; t < length; t += 250)
        song.Note(t, 1, 48 + (t / 250) % 12, 100);
    for (int t = 1000; t < length; t += 1000)
        song.Note(t, 0, 60);
}
} // namespace

TEST(Practice, PauseSendsNothingUntilTheCountInEndsThenEveryEventOnce)
{
    PlayHarness play;
    TestSong song;
    FillSong(song, 4000);
    const std::list<KeyPosition> records = song.Positions();
    play.Start(song);

    const Uint32 paused = PlayHarness::START + 1600;
    play.PressAtClock(paused, {KEY_P});
    ASSERT_TRUE(play.Scene()->GetPractice().IsPaused());
    // Lanes, tempo and Escape-free keys do nothing while paused; the menu starts on "Resume".
    play.PressAtClock(paused + 500, {KEY_D});
    EXPECT_EQ(play.Scene()->GetPractice().GetOverlay()->GetChoice(), PracticeOverlay::RESUME);
    const Uint32 resumed = paused + 3000;
    play.PressAtClock(resumed, {SDLK_RETURN});
    play.RunTo(resumed + PracticeSession::COUNT_IN - 1);
    EXPECT_TRUE(play.Scene()->GetPractice().IsPaused()); // counting in
    play.RunTo(PlayHarness::START + 20000);

    // Everything due before the pause went out at its time; the rest is late by exactly the
    // pause and the count-in.
    const Uint32 shift = resumed + PracticeSession::COUNT_IN - paused;
    std::vector<std::string> expected =
        Lines(records, [](int t) { return t < 1599 ? PlayHarness::START + t + 1 : 0; });
    Append(expected, SilenceAt(paused));
    Append(expected, Lines(records, [shift](int t) {
               return t >= 1599 ? PlayHarness::START + t + 1 + shift : 0;
           }));
    expected.push_back(std::to_string(PlayHarness::START + records.back().time + 1 + shift) +
                       " stop");
    ExpectSameLines(play.Sent(), expected);
    // Nobody played: three misses. Pausing alone leaves a game that counts: its rate is stored.
    ASSERT_NE(play.Result(), nullptr);
    EXPECT_FALSE(play.Result()->IsPractice());
    EXPECT_EQ(play.judgements.size(), 3u);
    EXPECT_EQ(play.highRate, 0);
}

TEST(Practice, RetryAndLeaveFromThePauseMenu)
{
    PlayHarness play;
    TestSong song;
    FillSong(song, 3000);
    const std::list<KeyPosition> records = song.Positions();
    play.Start(song);
    GameScene *first = play.Scene();
    play.PressAtClock(PlayHarness::START + 1200, {KEY_P});
    play.PressAtClock(PlayHarness::START + 1300, {SDLK_DOWN});
    play.PressAtClock(PlayHarness::START + 1400, {SDLK_RETURN});
    play.Step(); // the scene change
    GameScene *second = play.Scene();
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second, first);
    EXPECT_FALSE(second->GetPractice().IsPractice());

    // The new game plays the whole song again from its own lead-in.
    play.capture.Clear();
    const Uint32 start = second->startTime;
    play.PressAtClock(start + 1000, {KEY_D});
    ASSERT_EQ(play.judgements.back().value, GameScene::EXCELLENT); // the listener carried over
    play.RunTo(start + 2500);
    std::vector<std::string> expected =
        Lines(records, [start](int t) { return t < 2499 ? start + t + 1 : 0; });
    ExpectSameLines(play.Sent(), expected);

    // Escape leaves a paused game at once, without a result.
    play.PressAtClock(start + 2600, {KEY_P});
    play.PressAtClock(start + 2700, {SDLK_ESCAPE});
    play.Step();
    EXPECT_EQ(play.Scene(), nullptr);
    EXPECT_EQ(play.Result(), nullptr);
}

TEST(Practice, HalfTempoDoublesEveryTimeAndKeepsTheWindowsInThePlayersTime)
{
    PlayHarness play;
    TestSong song;
    FillSong(song, 5000);
    const std::list<KeyPosition> records = song.Positions();
    play.Start(song, 0, 50);
    // 8 ms of the player's time early is EXCELLENT (4 ms of song time); 12 ms is GOOD, though
    // it is only 6 ms of song time; 40 late GOOD; the last note missed 151 ms after its time.
    play.PressAtClock(PlayHarness::START + 2000 - 8, {KEY_D});
    play.PressAtClock(PlayHarness::START + 4000 - 12, {KEY_D});
    play.PressAtClock(PlayHarness::START + 6000 + 40, {KEY_D});
    play.RunTo(PlayHarness::START + 20000);
    ASSERT_EQ(play.Judged(), (Texts{"EXCELLENT 8 -8", "GOOD 12 -12", "GOOD 40 40", "BAD -1 0"}));
    EXPECT_EQ(play.judgements[3].now, PlayHarness::START + 8000 + 151);

    std::vector<std::string> expected =
        Lines(records, [](int t) { return PlayHarness::START + 2 * t + 1; });
    expected.push_back(std::to_string(PlayHarness::START + 2 * records.back().time + 1) + " stop");
    ExpectSameLines(play.Sent(), expected);
    // A practice game: its result is shown as one and nothing is stored.
    ASSERT_NE(play.Result(), nullptr);
    EXPECT_TRUE(play.Result()->IsPractice());
    EXPECT_EQ(play.highScore, 0);
    EXPECT_EQ(play.highRate, -1);
}

TEST(Practice, FasterTempoChosenWhilePaused)
{
    PlayHarness play("pause Pause\n"); // the Pause key also pauses and resumes
    TestSong song;
    FillSong(song, 3000);
    play.Start(song);
    // Paused at song time 500: five steps up make 150 %, one more stays there.
    play.PressAtClock(PlayHarness::START + 500, {KEY_P});
    for (int i = 0; i < 6; i++)
        play.PressAtClock(PlayHarness::START + 600 + i * 10, {SDLK_EQUALS});
    EXPECT_EQ(play.Scene()->GetPractice().GetClock().GetTempo(), 150);
    EXPECT_TRUE(play.Scene()->GetPractice().IsPractice());
    play.PressAtClock(PlayHarness::START + 700, {SDLK_PAUSE});
    const Uint32 resumed = PlayHarness::START + 700 + PracticeSession::COUNT_IN;
    // The note at 1000 is 500 ms of song time after the resume: 333.3 ms of the player's time.
    // 8 ms early is EXCELLENT (12 ms of song time).
    play.PressAtClock(resumed + 333 - 8, {KEY_D});
    EXPECT_EQ(play.Judged(), Texts{"EXCELLENT 8 -8"});
}

TEST(Practice, TheTempoStopsAtHalfAndARetryKeepsTheTempoAndWaitMode)
{
    PlayHarness play;
    TestSong song;
    FillSong(song, 3000);
    play.Start(song);
    // Paused: seven steps down stop at 50 %, two up make 70 %; wait mode on.
    play.PressAtClock(PlayHarness::START + 500, {KEY_P});
    Uint32 at = PlayHarness::START + 600;
    for (int i = 0; i < 7; i++)
        play.PressAtClock(at += 10, {SDLK_MINUS});
    EXPECT_EQ(play.Scene()->GetPractice().GetClock().GetTempo(), 50);
    play.PressAtClock(at += 10, {SDLK_EQUALS});
    play.PressAtClock(at += 10, {SDLK_KP_PLUS});
    play.PressAtClock(at += 10, {'w'});
    EXPECT_EQ(play.Scene()->GetPractice().GetClock().GetTempo(), 70);
    // Retry: the new game starts at 70 % in wait mode, as practice.
    GameScene *first = play.Scene();
    play.PressAtClock(at += 10, {SDLK_DOWN});
    play.PressAtClock(at += 10, {SDLK_RETURN});
    play.Step();
    GameScene *again = play.Scene();
    ASSERT_NE(again, nullptr);
    ASSERT_NE(again, first);
    EXPECT_EQ(again->GetPractice().GetClock().GetTempo(), 70);
    EXPECT_TRUE(again->GetPractice().IsWaitMode());
    EXPECT_TRUE(again->GetPractice().IsPractice());
}

TEST(Practice, LoopMarksStartEndAndClearAsThePlayerSetsThem)
{
    PlayHarness play;
    TestSong song;
    FillSong(song, 20000);
    play.Start(song, 3);
    auto press = [&](int position, int key) { play.PressAt(position, key); };
    auto loop = [&]() { return play.Scene()->GetPractice().GetLoop(); };

    // An end less than 250 ms after the start is no loop; the start stays marked.
    press(1000, PracticeSession::LOOP_START_KEY);
    press(1249, PracticeSession::LOOP_END_KEY);
    EXPECT_FALSE(loop().IsActive());
    EXPECT_TRUE(loop().IsStartMarked());
    EXPECT_EQ(loop().GetStart(), 1000);
    press(1251, PracticeSession::LOOP_START_KEY);
    press(1501, PracticeSession::LOOP_END_KEY); // 250 ms is long enough
    ASSERT_TRUE(loop().IsActive());
    EXPECT_EQ(loop().GetStart(), 1251);
    EXPECT_EQ(loop().GetEnd(), 1501);
    // A new start while the section repeats ends the loop there.
    const Uint32 now = play.now;
    play.PressAtClock(now + 100, {PracticeSession::LOOP_START_KEY});
    EXPECT_FALSE(loop().IsActive());
    EXPECT_TRUE(loop().IsStartMarked());
    EXPECT_EQ(loop().GetStart(), 1351);
    // Cleared, then an end without a new start: the section runs from the song's start.
    play.PressAtClock(now + 200, {PracticeSession::LOOP_CLEAR_KEY});
    EXPECT_FALSE(loop().IsStartMarked());
    play.PressAtClock(now + 2000, {PracticeSession::LOOP_END_KEY});
    ASSERT_TRUE(loop().IsActive());
    EXPECT_EQ(loop().GetStart(), 0);
    EXPECT_EQ(loop().GetEnd(), 3251);
}

TEST(Practice, LoopRepeatsTheSectionWithItsProgramsAndControllers)
{
    PlayHarness play;
    TestSong song;
    // Four bars of 2000 ms. Before the section: program 5, volume 90, a bank select. In it:
    // program 10 and volume 60 at 3000, pan at 4500 (never set before the section).
    song.Add(0, 0xB0, 0, 1);
    song.Add(0, 0xC0, 5, 0);
    song.Add(0, 0xB0, 7, 90);
    song.Add(1500, 0xB0, 7, 95);
    song.Add(2000, 0xB0, 1, 30); // at the section's start: sent with the section, not before
    song.Add(3000, 0xC0, 10, 0);
    song.Add(3000, 0xB0, 7, 60);
    song.Add(4500, 0xB0, 10, 20);
    song.Add(6500, 0xE0, 0, 70); // after the section: not part of the state at its start
    for (int t = 0; t < 8000; t += 500)
        song.Note(t, 0, 60 + t / 500, 200);
    const std::list<KeyPosition> records = song.Positions();
    // Part 3 has no notes: nothing is missed, the meter stays.
    play.Start(song, 3);

    play.PressAtClock(PlayHarness::START + 2000, {PracticeSession::LOOP_START_KEY});
    const Uint32 first = PlayHarness::START + 6000;
    play.PressAtClock(first, {PracticeSession::LOOP_END_KEY});
    EXPECT_TRUE(play.Scene()->GetPractice().GetLoop().IsActive());
    const Uint32 second = first + 4000;
    // Cleared during the third time through: the song goes on to its end from there.
    play.PressAtClock(second + 1000, {PracticeSession::LOOP_CLEAR_KEY});
    play.RunTo(second + 12000);

    // At each start-over: silence, modulation and pan (which the section changes but nothing
    // set before it) at their power-on values,
    // then the bank, program and volume in effect at 2000, in the song's order.
    auto restart = [](Uint32 at) {
        std::vector<std::string> lines = SilenceAt(at);
        const std::string time = std::to_string(at);
        Append(lines, {time + " B0 01 00", time + " B0 0A 40", time + " B0 00 01", time + " C0 05",
                       time + " B0 07 5F"});
        return lines;
    };
    std::vector<std::string> expected =
        Lines(records, [](int t) { return t < 6000 ? PlayHarness::START + t + 1 : 0; });
    Append(expected, restart(first));
    Append(expected, Lines(records, [first](int t) {
               return t >= 2000 && t < 6000 ? first + t - 2000 + 1 : 0;
           }));
    Append(expected, restart(second));
    Append(expected,
           Lines(records, [second](int t) { return t >= 2000 ? second + t - 2000 + 1 : 0; }));
    expected.push_back(std::to_string(second + records.back().time - 2000 + 1) + " stop");
    ExpectSameLines(play.Sent(), expected);
    ASSERT_NE(play.Result(), nullptr);
    EXPECT_EQ(play.highRate, -1); // a loop makes it practice
}

TEST(Practice, EachTimeThroughTheSectionThePartsNotesArePlayedAgain)
{
    PlayHarness play;
    TestSong song;
    FillSong(song, 4000);   // the part's notes at 1000, 2000 and 3000
    song.Note(3550, 0, 64); // lane 0 as well, just after the section
    play.Start(song);

    // First time: 1000 before the section and 3000 missed, 2000 hit, 3550 hit 60 ms early
    // just before the section ends (in Auto Play it waits for its time, which never comes).
    play.PressAtClock(PlayHarness::START + 1500, {PracticeSession::LOOP_START_KEY});
    play.PressAtClock(PlayHarness::START + 2000, {KEY_D});
    play.PressAtClock(PlayHarness::START + 3490, {KEY_D});
    const Uint32 first = PlayHarness::START + 3500;
    play.PressAtClock(first, {PracticeSession::LOOP_END_KEY});
    // Second time: 2000 hit again, then the loop cleared and the rest left to be missed.
    play.PressAtClock(first + 500, {KEY_D});
    play.PressAtClock(first + 1000, {PracticeSession::LOOP_CLEAR_KEY});
    play.RunTo(first + 6000);

    const std::vector<std::pair<int, int>> expected = {
        {1000, GameScene::BAD}, {2000, GameScene::EXCELLENT}, {3000, GameScene::BAD},
        {3550, GameScene::OK},  {2000, GameScene::EXCELLENT}, {3000, GameScene::BAD},
        {3550, GameScene::BAD}};
    std::vector<std::pair<int, int>> judged;
    for (const JudgementRecord &record : play.judgements)
        judged.push_back({record.noteTime, record.value});
    EXPECT_EQ(judged, expected);
    ASSERT_NE(play.Result(), nullptr);
}

TEST(Practice, WaitModeHoldsAtEachNoteUntilAllItsLanesArePressed)
{
    PlayHarness play;
    TestSong song;
    for (int t = 0; t < 3000; t += 250)
        song.Note(t, 1, 40, 100);
    song.Note(1000, 0, 60);
    song.Note(2000, 0, 60); // a chord on lanes 0 and 1
    song.Note(2000, 0, 61);
    const std::list<KeyPosition> records = song.Positions();
    play.Start(song, 0, 100, true);

    // Held at 1000 for as long as nobody plays: nothing at or after it goes out.
    play.RunTo(PlayHarness::START + 4000);
    EXPECT_TRUE(play.Scene()->GetPractice().IsWaiting());
    const Uint32 firstHit = PlayHarness::START + 4000 + 1;
    play.PressAtClock(firstHit, {KEY_D});
    // At the chord: one lane is not enough.
    const Uint32 chordReached = firstHit + 1000 + 1;
    play.PressAtClock(chordReached + 300, {KEY_D});
    play.RunTo(chordReached + 600);
    EXPECT_TRUE(play.Scene()->GetPractice().IsWaiting());
    const Uint32 chordDone = chordReached + 700;
    play.PressAtClock(chordDone, {KEY_F});
    play.RunTo(chordDone + 6000);

    std::vector<std::string> expected;
    Append(expected,
           Lines(records, [](int t) { return t < 1000 ? PlayHarness::START + t + 1 : 0; }));
    Append(expected, Lines(records, [firstHit](int t) {
               return t >= 1000 && t < 2000 ? firstHit + t - 1000 + 1 : 0;
           }));
    Append(expected,
           Lines(records, [chordDone](int t) { return t >= 2000 ? chordDone + t - 2000 + 1 : 0; }));
    expected.push_back(std::to_string(chordDone + records.back().time - 2000 + 1) + " stop");
    ExpectSameLines(play.Sent(), expected);
    ASSERT_EQ(play.judgements.size(), 3u);
    for (const JudgementRecord &record : play.judgements)
        EXPECT_EQ(record.value, GameScene::EXCELLENT);
    ASSERT_NE(play.Result(), nullptr);
    EXPECT_EQ(play.Result()->GetScore(), 1000000);
    EXPECT_EQ(play.highScore, 0); // not stored: wait mode is practice
    EXPECT_EQ(play.highRate, -1);
}

// Self Play in wait mode on a device with latency: a note shorter than the latency has its
// written Note Off sent before the song holds at the note. Hit at the held moment, the note
// still ends its written length after it sounds, long before the end of the song.
TEST(Practice, WaitModeEndsAShortNoteHitAtTheHeldMoment)
{
    for (int tempo : {100, 50}) {
        PlayHarness play("AutoPlay 0\n");
        play.capture.SetLatencyMs(40);
        TestSong song;
        song.Note(1000, 0, 60, 15); // shorter than the latency, also at half tempo
        for (int t = 0; t < 4000; t += 500)
            song.Note(t, 1, 40, 100);
        play.Start(song, 0, tempo, true);
        const Uint32 reached = PlayHarness::START + 1000 * 100 / tempo;
        play.RunTo(reached + 500);
        ASSERT_TRUE(play.Scene()->GetPractice().IsWaiting());
        const Uint32 hit = reached + 600;
        play.PressAtClock(hit, {KEY_D});
        play.RunTo(reached + 8000 * 100 / tempo);

        // Key 60 on channel 0 from the hit on: its Note On, then its end before the sweep.
        std::vector<std::string> note;
        for (const std::string &line : play.Sent()) {
            const std::string time = line.substr(0, line.find(' '));
            if (std::stoul(time) >= hit && (line.find(" stop") != std::string::npos ||
                                            line.find(" 90 3C") != std::string::npos ||
                                            line.find(" 80 3C") != std::string::npos))
                note.push_back(line);
        }
        const Uint32 end = hit + 15 * 100 / tempo + 1; // written length, in the player's time
        ASSERT_GE(note.size(), 3u) << tempo;
        EXPECT_EQ(note[0], std::to_string(hit) + " 90 3C 64") << tempo;
        EXPECT_EQ(note[1], std::to_string(end) + " 80 3C 00") << tempo;
        EXPECT_NE(note[2].find(" stop"), std::string::npos) << tempo;
    }
}

TEST(Practice, WaitModeTurnedOffWhilePausedLetsTheSongGoOnAfterTheCountIn)
{
    PlayHarness play;
    TestSong song;
    FillSong(song, 3000);
    play.Start(song, 0, 100, true);
    play.RunTo(PlayHarness::START + 1500);
    ASSERT_TRUE(play.Scene()->GetPractice().IsWaiting());
    const Uint32 paused = PlayHarness::START + 1600;
    play.PressAtClock(paused, {KEY_P});
    play.PressAtClock(paused + 100, {'w'});
    EXPECT_FALSE(play.Scene()->GetPractice().IsWaitMode());
    const size_t sent = play.capture.Messages().size();
    play.PressAtClock(paused + 200, {KEY_P});
    play.RunTo(paused + 200 + PracticeSession::COUNT_IN - 1);
    EXPECT_EQ(play.capture.Messages().size(), sent) << "sent while paused or counting in";
    // Play goes on from the held note, which is missed 151 ms later.
    const Uint32 resumed = paused + 200 + PracticeSession::COUNT_IN;
    play.RunTo(resumed + 151);
    ASSERT_EQ(play.judgements.size(), 1u);
    EXPECT_EQ(play.judgements[0].error, -1);
    EXPECT_EQ(play.judgements[0].now, resumed + 151);
}

TEST(Practice, MidiKeyboardChordHitsItsLanesAndSoundsTheChartsNotes)
{
    FakeMidiIn keyboard;
    MidiKeyboard::SetOverride(&keyboard);
    {
        PlayHarness play("AutoPlay 0\n");
        TestSong song;
        song.Note(1000, 0, 60); // lane 0
        song.Note(1000, 0, 62); // lane 2
        song.Note(1000, 0, 65); // lane 1
        play.Start(song);
        EXPECT_TRUE(keyboard.IsOpen());
        // Notes of another octave press the same lanes: 72 lane 0, 66 lane 2 (5 ms early),
        // then 69 lane 1 (20 ms late), and 67 on lane 3, where there is no note.
        play.RunTo(PlayHarness::START + 995 - 1);
        keyboard.Press(72);
        keyboard.Press(66);
        keyboard.Press(67);
        play.Step();
        keyboard.Release(72);
        play.RunTo(PlayHarness::START + 1000 - 1);
        keyboard.Push({0x90, 69, 0}); // a Note On of velocity 0 is a release
        play.RunTo(PlayHarness::START + 1020 - 1);
        keyboard.Press(69);
        play.Step();

        ASSERT_EQ(play.judgements.size(), 3u);
        std::map<int, int> byLane;
        for (const JudgementRecord &record : play.judgements)
            byLane[record.lane] = record.value;
        EXPECT_EQ(byLane[0], GameScene::EXCELLENT);
        EXPECT_EQ(byLane[2], GameScene::EXCELLENT);
        EXPECT_EQ(byLane[1], GameScene::GOOD);
        // Self Play: each hit sounds the chart's note, not the key played.
        const std::vector<std::string> sent = play.Sent();
        const std::string early = std::to_string(PlayHarness::START + 995);
        const std::string late = std::to_string(PlayHarness::START + 1020);
        ExpectSameLines(sent, {early + " 90 3C 64", early + " 90 3E 64", late + " 90 41 64"});
    }
    EXPECT_FALSE(keyboard.IsOpen());
    MidiKeyboard::SetOverride(nullptr);
}

// Pictures of the pause menu, a section repeating and wait mode holding at a chord, written to
// KEYRISE_SCREENSHOT_DIR (practice-pause.png, practice-loop.png, practice-wait.png) when set.
TEST(Practice, ScreensOfThePauseMenuALoopAndWaitMode)
{
    const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR");
    auto shoot = [folder](PlayHarness &play, const char *name) {
        SDL_Surface *screen = play.Manager().GetScreen();
        play.game.SetTime(play.now);
        play.Manager().Draw(screen);
        if (folder) {
            EXPECT_TRUE(play.game.SaveScreenshot(std::string(folder) + "/" + name));
        }
    };
    auto fill = [](TestSong &song) {
        for (int t = 0; t < 12000; t += 250) {
            song.Note(t, 1, 40 + (t / 250) % 7, 200);
            if (t % 500 == 0)
                song.Note(t, 0, 60 + (t / 500) % 4, 200);
        }
        song.Note(4750, 0, 62); // a chord on lanes 3 and 4 (numbered from 1)
        song.Note(4750, 0, 63);
    };
    {
        PlayHarness play("", 1024, 720);
        TestSong song;
        fill(song);
        play.Start(song);
        play.PressAtClock(PlayHarness::START + 2000, {PracticeSession::LOOP_START_KEY});
        play.PressAtClock(PlayHarness::START + 4000, {PracticeSession::LOOP_END_KEY});
        play.RunTo(PlayHarness::START + 4000 + 1200);
        ASSERT_EQ(play.Scene()->GetPractice().GetOverlay()->GetStatus(),
                  (std::vector<std::string>{"No-fail practice - not recorded",
                                            "Loop 2.0 s - 4.0 s (F7: clear)"}));
        shoot(play, "practice-loop.png");
        play.PressAtClock(play.now + 100, {KEY_P});
        play.PressAtClock(play.now + 100, {SDLK_DOWN});
        play.PressAtClock(play.now + 100, {'-'});
        EXPECT_EQ(play.Scene()->GetPractice().GetOverlay()->GetChoice(), PracticeOverlay::RETRY);
        shoot(play, "practice-pause.png");
    }
    {
        PlayHarness play("", 1024, 720);
        TestSong song;
        fill(song);
        play.Start(song, 0, 100, true);
        for (int t = 0; t < 4750; t += 500)
            play.PressAtClock(PlayHarness::START + t, {"dfjk"[(t / 500) % 4]});
        play.RunTo(PlayHarness::START + 5000);
        ASSERT_TRUE(play.Scene()->GetPractice().IsWaiting());
        ASSERT_EQ(
            play.Scene()->GetPractice().GetOverlay()->GetStatus(),
            (std::vector<std::string>{"No-fail practice - not recorded", "Waiting for lane 3 4"}));
        shoot(play, "practice-wait.png");
    }
}

// A practice game's result names the record that stands and leaves it as it is, however well
// the practice went.
TEST(Practice, TheResultShowsTheStandingRecordAndKeepsIt)
{
    PlayHarness play;
    play.highScore = 5000;
    play.highRate = 2;
    TestSong song;
    FillSong(song, 3000);
    play.Start(song, 0, 150); // a faster tempo makes it practice
    for (int t : {1000, 2000})
        play.PressAtClock(PlayHarness::START + t * 100 / 150, {KEY_D});
    play.RunTo(PlayHarness::START + 8000);
    ASSERT_NE(play.Result(), nullptr);
    EXPECT_TRUE(play.Result()->IsPractice());
    EXPECT_EQ(play.Result()->GetScore(), 1000000);
    EXPECT_EQ(play.Result()->GetPreviousBestText(), "Previous best: 5000");
    EXPECT_FALSE(play.Result()->IsNewHighScore());
    EXPECT_EQ(play.highScore, 5000);
    EXPECT_EQ(play.highRate, 2);
}

// A game with a running combo, a status line and a long title, playing and then paused, keeps its
// texts clear of each other, of the combo and of the screen's edges, at every window size in both
// languages, with 4 and with 12 keys.
TEST(Practice, NoTextCrossesAnotherOrTheComboPlayingOrPausedAtAnySizeInEitherLanguage)
{
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size :
             std::vector<std::pair<int, int>>{{640, 480}, {1024, 720}, {1280, 720}, {1920, 1080}}) {
            for (int keys : {4, 12}) {
                const std::string where = std::string(language) + " " + std::to_string(size.first) +
                                          "x" + std::to_string(size.second) + " " +
                                          std::to_string(keys) + " keys";
                PlayHarness play("keynum " + std::to_string(keys) + "\n", size.first, size.second);
                TestSong song;
                for (int t = 0; t < 8000; t += 250)
                    song.Note(t, 0, 60 + (t / 250) % keys, 100);
                GameSceneParameter *param = song.MakeParameter(0, &play.highScore, &play.highRate);
                param->demo = true; // the game hits every note: a combo builds up
                param->title = "A title long enough to run across the whole of the smallest screen";
                play.Start(param);
                play.RunTo(PlayHarness::START + 3000);
                SDL_Surface *combo = play.Manager().GetContentsManager()->GetImage(
                    "Combo", play.Scene()->GetLayout().GetScalePercent(),
                    play.Scene()->GetLayout().GetScalePercent());
                ASSERT_NE(combo, nullptr);
                // Texts clear of each other, the edges and the combo, on a drawing of now.
                auto check = [&](const std::string &when) {
                    play.game.SetTime(play.now);
                    ScreenLayout layout = ScreenLayout::Draw(play.Manager());
                    layout.DropLabelsOfPictures();
                    for (const std::string &fault : layout.Faults())
                        ADD_FAILURE() << where << " " << when << ": " << fault;
                    for (const ScreenLayout::Picture &picture : layout.pictures) {
                        if (picture.surface != combo)
                            continue;
                        for (const ScreenLayout::Text &text : layout.texts)
                            EXPECT_FALSE(Cross(text.at, picture.at))
                                << where << " " << when << ": '" << text.words << "' at "
                                << Describe(text.at) << " crosses the combo at "
                                << Describe(picture.at);
                    }
                    return layout;
                };
                const ScreenLayout playing = check("playing");
                ASSERT_TRUE(std::any_of(
                    playing.pictures.begin(), playing.pictures.end(),
                    [combo](const ScreenLayout::Picture &p) { return p.surface == combo; }))
                    << where << ": no combo to begin with";
                ASSERT_FALSE(playing.Find(Tr("Demo: the game plays your part")).empty()) << where;
                PlayHud *hud = play.Scene()->GetHud();
                for (const std::string &text :
                     {hud->GetTitleShown(), hud->GetAccuracyShown(), hud->GetTimeShown()})
                    ASSERT_EQ(playing.Find(text).size(), 1u) << where << ": " << text;
                play.PressAtClock(play.now + 100, {KEY_P});
                play.RunTo(play.now + 50);
                ASSERT_TRUE(play.Scene()->GetPractice().GetOverlay()->IsPauseShown()) << where;
                const ScreenLayout paused = check("paused");
                ASSERT_FALSE(paused.Find(Tr("Resume")).empty()) << where;
                if (const char *folder = std::getenv("KEYRISE_SCREENSHOT_DIR"))
                    play.game.SaveScreenshot(std::string(folder) + "/pause-" + where + ".png");
            }
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}
