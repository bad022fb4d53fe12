// Tests of a song's score file: records saved within the size its reader accepts, and a file
// the player cannot read never saved over (also the song index; run as nobody).
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>

#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "song/MidiContainer.h"
#include "song/PlayHistory.h"
#include "song/SongIndex.h"
#include "tests/config/FileSizeLimit.h"
#include "tests/config/ScratchFolder.h"
#include "tests/support/ChildCheck.h"

namespace {

class ScoreFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetWarningSink([](const std::string &) {});
    }
    void TearDown() override { SetWarningSink(nullptr); }

    // A song of 'parts' parts whose score file is <scratch>/song.mid.score.
    void MakeSong(MidiContainer &song, int parts)
    {
        song.path = scratch.Path("song.mid");
        song.maxChannel = parts - 1;
        song.ReadScores();
    }

    ScratchFolder scratch;
};

// A score file's text: one "key value" line per pair in ascending byte order of the keys, as
// every version of the game writes it.
std::string FileText(const std::map<std::string, std::string> &pairs)
{
    std::string text;
    for (const auto &pair : pairs)
        text += pair.first + " " + pair.second + "\n";
    return text;
}

TEST_F(ScoreFileTest, ARecordIsAlwaysReadBackAfterItsSave)
{
    // A score file just below the cap, mostly keys the game does not know.
    std::string text = "highscore_ins0_key4 5\n";
    for (int i = 0; text.size() + 40 < 1048536; ++i) {
        text += "note" + std::to_string(i) + " 01234567890123456789012345\n";
    }
    text += std::string(1048536 - text.size() - 3, 'n') + " 1\n";
    scratch.Write("song.mid.score", text);
    MidiContainer song;
    MakeSong(song, 1);
    ASSERT_EQ(song.highScore[3][0], 5);
    for (int k = 0; k < MidiContainer::KEY_COUNTS; ++k) {
        song.highScore[k][0] = 999999;
        song.highRate[k][0] = 4;
    }
    ASSERT_TRUE(song.Save());
    EXPECT_FALSE(song.leftOutKeys.empty()) << "the unknown keys went, and are named";
    MidiContainer again;
    MakeSong(again, 1);
    EXPECT_EQ(again.highScore[3][0], 999999);
    EXPECT_EQ(again.highRate[11][0], 4);

    // The most a score file holds for the game: every part of every number of keys, each
    // value as long as an int gets, stays far below the cap.
    MidiContainer widest;
    MakeSong(widest, 16);
    for (int k = 0; k < MidiContainer::KEY_COUNTS; ++k) {
        for (int c = 0; c < 16; ++c) {
            widest.highScore[k][c] = INT_MIN;
            widest.highRate[k][c] = INT_MIN;
        }
    }
    scratch.Write("song.mid.score", "");
    ASSERT_TRUE(widest.Save());
    EXPECT_LT(scratch.Read("song.mid.score").size(), 16u << 10);
}

TEST_F(ScoreFileTest, AScoreFileOrIndexThePlayerCannotReadIsNeverSavedOver)
{
    // Run as nobody even under root (as CI runs): root reads every file, a player does not.
    ASSERT_EQ(::chmod(scratch.Folder().c_str(), 0777), 0);
    const std::string records = "highscore_ins0_key4 999999\n";
    const std::string index = "keyrise song index 1\n";
    scratch.Write("song.mid.score", records);
    scratch.Write("songindex", index);
    ASSERT_EQ(::chmod(scratch.Path("song.mid.score").c_str(), 0), 0);
    ASSERT_EQ(::chmod(scratch.Path("songindex").c_str(), 0), 0);

    EXPECT_TRUE(PassesInChild(
        [&] {
            MidiContainer song;
            MakeSong(song, 1);
            song.highScore[3][0] = 10;
            const bool scoreKept = !song.Save() && song.IsChanged();
            SongIndex songs;
            SongSummary summary;
            summary.indexed = true;
            summary.name = "song.mid";
            const bool indexKept = !songs.Load(scratch.Path("songindex")) &&
                                   (songs.Put(summary), !songs.Save(scratch.Path("songindex")));
            // The same user can write a new index here: the refusals are not for lack of a
            // writable folder.
            return scoreKept && indexKept && songs.Save(scratch.Path("fresh"));
        },
        true));
    ASSERT_EQ(::chmod(scratch.Path("song.mid.score").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(scratch.Path("songindex").c_str(), 0600), 0);
    EXPECT_EQ(scratch.Read("song.mid.score"), records);
    EXPECT_EQ(scratch.Read("songindex"), index);
    EXPECT_EQ(scratch.Names(), (std::vector<std::string>{"fresh", "song.mid.score", "songindex"}));
}

// A score file an earlier version wrote (no offset of the song's own) reads with offset 0 and
// every record as it was; saving it untrimmed leaves it byte for byte. A trim adds exactly one
// pair of the same form, so a reader that does not know the key reads every record the same;
// a trim back to 0 gives the earlier version's file again.
TEST_F(ScoreFileTest, AnEarlierVersionsFileReadsWithOffsetZeroAndItsRecordsIntact)
{
    std::map<std::string, std::string> earlier;
    for (int c = 0; c < 2; ++c) {
        for (int k = 1; k <= MidiContainer::KEY_COUNTS; ++k) {
            const std::string cell = "_ins" + std::to_string(c) + "_key" + std::to_string(k);
            earlier["highscore" + cell] = std::to_string(1000 * k + c);
            earlier["highrate" + cell] = std::to_string(k % 12 - 1);
        }
    }
    earlier["comment"] = "kept"; // a key the game does not know
    scratch.Write("song.mid.score", FileText(earlier));
    MidiContainer song;
    MakeSong(song, 2);
    EXPECT_EQ(song.songOffset, 0);
    EXPECT_FALSE(song.IsChanged());
    auto expectRecords = [](MidiContainer &read) {
        for (int c = 0; c < 2; ++c) {
            for (int k = 1; k <= MidiContainer::KEY_COUNTS; ++k) {
                EXPECT_EQ(read.highScore[k - 1][c], 1000 * k + c) << c << " " << k;
                EXPECT_EQ(read.highRate[k - 1][c], k % 12 - 1) << c << " " << k;
            }
        }
    };
    expectRecords(song);
    ASSERT_TRUE(song.Save());
    EXPECT_EQ(scratch.Read("song.mid.score"), FileText(earlier));

    song.songOffset = -12;
    EXPECT_TRUE(song.IsChanged());
    ASSERT_TRUE(song.Save());
    std::map<std::string, std::string> trimmed = earlier;
    trimmed["offset"] = "-12";
    EXPECT_EQ(scratch.Read("song.mid.score"), FileText(trimmed));
    MidiContainer again;
    MakeSong(again, 2);
    EXPECT_EQ(again.songOffset, -12);
    expectRecords(again);

    again.songOffset = 0;
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(scratch.Read("song.mid.score"), FileText(earlier));
}

// Two games sharing a folder: records keep the higher of the two, while the offset is the
// player's latest trim (lower or not), and a game that did not trim keeps the other's trim.
TEST_F(ScoreFileTest, TwoGamesKeepEachOthersRecordsAndTheLatestTrim)
{
    scratch.Write("song.mid.score", "highscore_ins0_key4 100\n");
    MidiContainer first;
    MidiContainer second;
    MakeSong(first, 1);
    MakeSong(second, 1);
    first.highScore[3][0] = 500;
    first.songOffset = 9;
    ASSERT_TRUE(first.Save());
    second.highScore[3][0] = 300;
    ASSERT_TRUE(second.Save());
    EXPECT_EQ(second.highScore[3][0], 500);
    EXPECT_EQ(second.songOffset, 9) << "the other game's trim stays";
    EXPECT_FALSE(second.IsChanged());
    second.songOffset = 4;
    ASSERT_TRUE(second.Save());
    MidiContainer read;
    MakeSong(read, 1);
    EXPECT_EQ(read.songOffset, 4);
    EXPECT_EQ(read.highScore[3][0], 500);
}

// Saves a record and a history line for the song <folder>/song.mid, as a finished game does.
// True when both failed, with a reason for the history, and left no file in 'folder'.
bool BothSavesFailLeavingNothing(const std::string &folder)
{
    MidiContainer song;
    song.path = folder + "/song.mid";
    song.maxChannel = 0;
    song.ReadScores();
    song.highScore[3][0] = 812345;
    PlayHistory::Entry game;
    game.score = 812345;
    std::string problem;
    return !song.Save() && !PlayHistory::Append(folder + "/song.mid.history", game, &problem) &&
           !problem.empty() && ScratchFolder::NamesOf(folder).empty();
}

// A save that cannot be written (a file-size limit, a full disk) creates no file: no empty
// score or history file is left for the next start to take for the song's records.
TEST_F(ScoreFileTest, ASaveThatCannotBeWrittenLeavesNoFile)
{
    EXPECT_TRUE(PassesInChild([this] {
        FileSizeLimit none(0); // SIGXFSZ ignored: every write fails with EFBIG
        return BothSavesFailLeavingNothing(scratch.Folder());
    }));
    // Without the limit the same saves write both files.
    MidiContainer song;
    MakeSong(song, 1);
    song.highScore[3][0] = 5;
    EXPECT_TRUE(song.Save());
    EXPECT_TRUE(PlayHistory::Append(scratch.Path("song.mid.history"), PlayHistory::Entry()));
    EXPECT_EQ(scratch.Names(), (std::vector<std::string>{"song.mid.history", "song.mid.score"}));
}

// The same on a file system that is really full: a tiny tmpfs, mounted where root may
// (skipped elsewhere).
TEST_F(ScoreFileTest, ASaveOnAFullDiskLeavesNoFile)
{
    const std::string disk = scratch.Path("disk");
    ASSERT_EQ(::mkdir(disk.c_str(), 0700), 0);
    if (::mount("keyrise-full", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=8k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here (not root, or not permitted)";
    }
    const std::string full = disk + "/songs";
    const bool folder = ::mkdir(full.c_str(), 0700) == 0;
    {
        // Filled to the last byte, beside the song folder.
        std::ofstream filler(disk + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 16 && filler.write(block.data(), block.size()); ++i) {
        }
    }
    EXPECT_TRUE(folder && BothSavesFailLeavingNothing(full));
    ::umount(disk.c_str());
}

} // namespace
