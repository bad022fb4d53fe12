// Tests of the song card: part stepping, the copy of the song, saving records when it goes.
#include <gtest/gtest.h>

#include <unistd.h>

#include "content/ImageSet.h"
#include "devices/MidiOut.h"
#include "framework/Scene.h"
#include "framework/SceneManager.h"
#include "menus/MidiImage.h"
#include "menus/TestSongs.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "song/PartNames.h"
#include "support/HeadlessGame.h"
#include "support/MenuEvent.h"

namespace {

// Counts pixels that are not black, or only the nearly white ones (text).
int LitPixels(SDL_Surface *screen, bool whiteOnly = false)
{
    SDL_LockSurface(screen);
    int lit = 0;
    for (int y = 0; y < screen->h; y++) {
        const Uint32 *row = reinterpret_cast<const Uint32 *>(static_cast<Uint8 *>(screen->pixels) +
                                                             y * screen->pitch);
        for (int x = 0; x < screen->w; x++) {
            Uint8 r, g, b;
            SDL_GetRGB(row[x], screen->format, &r, &g, &b);
            lit += whiteOnly ? (r > 0xC0 && g > 0xC0 && b > 0xC0) : (r | g | b) != 0;
        }
    }
    SDL_UnlockSurface(screen);
    return lit;
}

class MidiImageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game.Ready());
        ASSERT_EQ(InitMidiLib(), 0);
        ContentsManager *contents = game.Manager().GetContentsManager();
        for (int p = 0; p < 128; p++) {
            names[p].LoadString(contents, "instrument", 0xFFFFFFFF);
        }
        scene = new Scene(&game.Manager());
    }
    void TearDown() override
    {
        delete scene;
        for (MidiContainer *song : songs) {
            delete song;
        }
        ReleaseMidiLib();
    }

    // Loads data/<name> written from the notes.
    MidiContainer *Song(const std::string &name, const std::vector<TestNote> &notes)
    {
        EXPECT_TRUE(WriteTestFile("data/" + name, MakeTestSong(notes)));
        MidiContainer *song = new MidiContainer();
        song->Load(&game.Manager(), name, names);
        songs.push_back(song);
        return song;
    }

    MidiImage *Card(MidiContainer *song, int keyIndex = 3)
    {
        MidiImage *card = new MidiImage(&game.Manager(), scene);
        card->Set(song, keyIndex, "frame", "bg");
        return card;
    }

    HeadlessGame game;
    ImageSet names[kPartNameCount];
    Scene *scene = nullptr;
    std::vector<MidiContainer *> songs;
};

TEST_F(MidiImageTest, UpAndDownStepOverPartsWithoutNotesAndTheCardStartsOnOneWithNotes)
{
    MidiImage *card =
        Card(Song("wide.mid", {{2, 60, 0, 240}, {2, 62, 240, 240}, {9, 36, 240, 240}}));
    ASSERT_EQ(card->GetMaxChannel(), 9);
    EXPECT_EQ(card->GetPart(), 2) << "parts 0 and 1 have no notes";
    EXPECT_EQ(card->PartCaption(2), "  2 notes");
    EXPECT_EQ(card->PartCaption(9), "  1 notes"); // after the drum kit's name
    SDL_Event up = MenuEvent(2);
    SDL_Event down = MenuEvent(3);

    card->Event(&up);
    EXPECT_EQ(card->GetPart(), 9);
    card->Event(&up);
    EXPECT_EQ(card->GetPart(), 2) << "wraps, stepping over 0 and 1";
    card->Event(&down);
    EXPECT_EQ(card->GetPart(), 9);
    card->Event(&down);
    EXPECT_EQ(card->GetPart(), 2);

    // Only the chosen (active) card listens, and only to up and down.
    card->active = false;
    card->Event(&up);
    EXPECT_EQ(card->GetPart(), 2);
    card->active = true;
    SDL_Event ok = MenuEvent(4);
    card->Event(&ok);
    EXPECT_EQ(card->GetPart(), 2);

    MidiImage *single = Card(Song("single.mid", {{0, 60, 0, 240}}));
    single->Event(&up);
    EXPECT_EQ(single->GetPart(), 0);
    single->Event(&down);
    EXPECT_EQ(single->GetPart(), 0);
}

// A song known only from the song index (no events read) has its note counts all the same.
TEST_F(MidiImageTest, ACardOfASongKnownFromItsSummaryStartsOnAPartWithNotes)
{
    ASSERT_TRUE(WriteTestFile(
        "data/indexed.mid", MakeTestSong({{2, 60, 0, 240}, {2, 62, 240, 240}, {9, 36, 240, 240}})));
    MidiContainer *song = new MidiContainer();
    songs.push_back(song);
    song->SetSummary(MidiContainer::ReadSummary("data", "indexed.mid"), "data");
    ASSERT_EQ(song->midi, nullptr);
    MidiImage *card = Card(song);
    EXPECT_EQ(card->GetPart(), 2) << "parts 0 and 1 have no notes";
    EXPECT_EQ(card->PartCaption(2), "  2 notes");
    SDL_Event up = MenuEvent(2);
    card->Event(&up);
    EXPECT_EQ(card->GetPart(), 9);
}

TEST_F(MidiImageTest, TheCardIsACopyWhoseRecordsGoBackOnlyWhenItGoes)
{
    MidiContainer *song = Song("copy.mid", {{0, 60, 0, 240}, {2, 64, 0, 240}});
    song->highScore[5][2] = 1234;
    song->savedHighScore[5][2] = 1234;
    MidiImage *card = Card(song, 5);
    EXPECT_EQ(card->GetMaxChannel(), 2);
    EXPECT_EQ(card->GetPositions().size(), song->positions.size());
    EXPECT_TRUE(card->GetPositions().IsSharedWith(song->positions)) << "one table per song";
    ASSERT_NE(card->GetHighScoreCell(5, 2), nullptr);
    EXPECT_EQ(*card->GetHighScoreCell(5, 2), 1234);
    EXPECT_EQ(card->GetHighScoreCell(5, 3), nullptr);
    EXPECT_EQ(card->GetHighScoreCell(12, 0), nullptr);

    *card->GetHighScoreCell(5, 2) = 5000;
    *card->GetHighRateCell(5, 2) = 7;
    EXPECT_EQ(song->highScore[5][2], 1234) << "the game writes into the card, not the song";

    delete card;
    scene->children.clear();
    EXPECT_EQ(song->highScore[5][2], 5000);
    EXPECT_EQ(song->savedHighScore[5][2], 5000);
    EXPECT_EQ(song->highRate[5][2], 7);
    EXPECT_FALSE(song->IsChanged());
    const std::string saved = ReadTestFile("data/copy.mid.score");
    EXPECT_NE(saved.find("highscore_ins2_key6 5000\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("highrate_ins2_key6 7\n"), std::string::npos) << saved;
}

TEST_F(MidiImageTest, ARecordThatCouldNotBeSavedIsSavedByTheNextCard)
{
    MidiContainer *song = Song("retry.mid", {{0, 60, 0, 240}});
    MidiImage *card = Card(song);
    *card->GetHighScoreCell(3, 0) = 900;
    card->path = "no-such-folder/retry.mid"; // the score file cannot be written
    delete card;
    scene->children.clear();
    EXPECT_EQ(song->highScore[3][0], 900) << "the song screen shows the new record";
    EXPECT_TRUE(song->IsChanged()) << "the record is not on disk yet";
    EXPECT_NE(access("data/retry.mid.score", F_OK), 0);

    delete Card(song); // the next visit to the song screen
    scene->children.clear();
    EXPECT_FALSE(song->IsChanged());
    EXPECT_NE(ReadTestFile("data/retry.mid.score").find("highscore_ins0_key4 900\n"),
              std::string::npos);
}

TEST_F(MidiImageTest, ACardWithoutNewRecordsWritesNothing)
{
    MidiContainer *song = Song("quiet.mid", {{0, 60, 0, 240}});
    Card(song);
    Card(song)->SetPart(0);
    delete scene; // both cards go
    scene = nullptr;
    EXPECT_NE(access("data/quiet.mid.score", F_OK), 0);
}

TEST_F(MidiImageTest, ACardOutlivingItsSongStillSavesButLeavesTheSongAlone)
{
    MidiContainer *song = Song("gone.mid", {{0, 60, 0, 240}});
    MidiImage *card = Card(song);
    *card->GetHighScoreCell(3, 0) = 42;
    MidiImage::ForgetSource(song);
    songs.clear();
    delete song; // as the title menu does at exit before the song selection goes
    EXPECT_EQ(card->GetSource(), nullptr);
    delete scene; // the card saves without writing into the deleted song (ASan checks)
    scene = nullptr;
    EXPECT_NE(ReadTestFile("data/gone.mid.score").find("highscore_ins0_key4 42\n"),
              std::string::npos);
}

TEST_F(MidiImageTest, OnlyCardsReachingTheScreenAreDrawn)
{
    SDL_Surface *screen = game.Manager().GetScreen();
    MidiImage *card = Card(Song("draw.mid", {{0, 60, 0, 240}}));
    auto drawAt = [&](int x, int y, bool whiteOnly = false) {
        SDL_FillRect(screen, nullptr, 0);
        SDL_Rect at{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        card->SetPosition(at);
        card->Draw(screen);
        return LitPixels(screen, whiteOnly);
    };
    const int whole = drawAt(100, 100);
    EXPECT_GT(whole, 0);
    const int part = drawAt(screen->w - 40, 100); // box starts on the screen, runs off it
    EXPECT_GT(part, 0);
    EXPECT_LT(part, whole);
    EXPECT_EQ(drawAt(screen->w + 31, 100), 0);
    EXPECT_EQ(drawAt(100, -2000), 0);

    // The chosen card shows the part line and the high score below the title.
    const int text = drawAt(100, 100, true);
    card->active = false;
    EXPECT_LT(drawAt(100, 100, true), text);

    // The box holds the title, the label line and a row of digits, with 20 pixels to spare.
    ContentsManager *contents = game.Manager().GetContentsManager();
    const int lines = songs.back()->title.surface->h + contents->GetString("High Score :")->h +
                      game.Manager().GetNumWriter()->GetHeight();
    ASSERT_FALSE(card->children.empty());
    EXPECT_EQ(dynamic_cast<ImageSet *>(card->children.front())->surface->h, lines + 20);
}

} // namespace

TEST_F(MidiImageTest, ALongNameIsShortenedAndEveryPartLineStaysInsideTheFrame)
{
    SDL_Surface *screen = game.Manager().GetScreen();
    const std::string longName(160, 'W');
    const std::vector<TestNote> notes = {{0, 60, 0, 240}, {9, 36, 0, 240}, {9, 38, 240, 240}};
    // A name longer than the screen, and one shorter than every part line.
    MidiImage *cards[] = {Card(Song(longName + ".mid", notes)), Card(Song("x.mid", notes))};
    // The rightmost column with a text pixel (nearly white), -1 for none.
    auto rightmostText = [&]() {
        SDL_LockSurface(screen);
        int right = -1;
        for (int y = 0; y < screen->h; y++) {
            const Uint32 *row = reinterpret_cast<const Uint32 *>(
                static_cast<Uint8 *>(screen->pixels) + y * screen->pitch);
            for (int x = screen->w - 1; x > right; x--) {
                Uint8 r, g, b;
                SDL_GetRGB(row[x], screen->format, &r, &g, &b);
                if (r > 0xC0 && g > 0xC0 && b > 0xC0) {
                    right = x;
                }
            }
        }
        SDL_UnlockSurface(screen);
        return right;
    };
    for (MidiImage *card : cards) {
        for (int part : {0, 9}) {
            SDL_FillRect(screen, nullptr, 0);
            SDL_Rect at{40, 100, 0, 0};
            card->SetPosition(at);
            while (card->GetPart() != part) {
                SDL_Event up = MenuEvent(2);
                card->Event(&up);
            }
            card->Draw(screen);
            ASSERT_FALSE(card->children.empty());
            const SDL_Surface *frame = dynamic_cast<ImageSet *>(card->children.front())->surface;
            ASSERT_NE(frame, nullptr);
            EXPECT_LE(frame->w, screen->w / 2) << "the card takes at most half the screen";
            const int frameRight = 40 - 30 + frame->w; // the box starts 30 pixels left of the title
            EXPECT_GT(rightmostText(), 40);
            EXPECT_LT(rightmostText(), frameRight) << "part " << part << " runs past the frame";
        }
    }
}
