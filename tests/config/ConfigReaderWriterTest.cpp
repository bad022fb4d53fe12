// Tests of read-modify-write of settings and score files, including crash-safe saving.
#include "config/ConfigReaderWriter.h"

#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "tests/config/FileSizeLimit.h"
#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(ConfigReaderWriterTest, SaveWritesEveryPairSortedBytewise)
{
    ScratchFolder scratch;
    scratch.Write("config", "videomode 0\nkey2 K\nspeed 100\r\nkey10 L\nAutoPlay 0\n"
                            "key1 F\nextra kept\n");
    ConfigReaderWriter config;
    config.Open(scratch.Path("config"));
    config.Write("videomode", -1);
    config.Write("key0", "\x81\xA9");
    config.Write("\xE3z", "1"); // bytes above 0x7F sort after ASCII
    config.Write("highscore_ins0_key4", 1000);
    config.Write("highrate_ins9_key12", 3);
    EXPECT_TRUE(config.Save());
    EXPECT_EQ("AutoPlay 0\nextra kept\nhighrate_ins9_key12 3\nhighscore_ins0_key4 1000\n"
              "key0 \x81\xA9\nkey1 F\nkey10 L\nkey2 K\nspeed 100\nvideomode -1\n\xE3z 1\n",
              scratch.Read("config"));
    EXPECT_EQ(std::vector<std::string>{"config"}, scratch.Names()); // no temporary left
    config.Write("speed", 110);                                     // the same length, other bytes
    EXPECT_TRUE(config.Save());
    EXPECT_NE(std::string::npos, scratch.Read("config").find("\nspeed 110\n"));

    // A missing score file is created by Save with exactly the pairs written.
    ConfigReaderWriter score;
    score.Open(scratch.Path("song.mid.score"));
    score.Write("highscore_ins1_key4", 950000);
    score.Write("highrate_ins1_key4", 7);
    EXPECT_TRUE(score.Save());
    EXPECT_EQ("highrate_ins1_key4 7\nhighscore_ins1_key4 950000\n", scratch.Read("song.mid.score"));
}

TEST(ConfigReaderWriterTest, ScoreFileWithABrokenLineKeepsEveryRecordUnderItsKey)
{
    // As written today, with one line cut short in the middle (a hand edit, a torn copy).
    ScratchFolder scratch;
    const std::string before = "highrate_ins0_key4 7\nhighrate_ins1_key4 -1\n";
    const std::string after = "highscore_ins0_key4 1000000\nhighscore_ins1_key4 0\n";
    scratch.Write("song.mid.score", before + "highrate_ins2_key4\n" + after);
    SetWarningSink([](const std::string &) {});
    ConfigReaderWriter score;
    score.Open(scratch.Path("song.mid.score"));
    SetWarningSink(nullptr);
    EXPECT_EQ(1000000, score.GetInteger("highscore_ins0_key4", 0));
    EXPECT_EQ(-1, score.GetInteger("highrate_ins2_key4", -1));
    EXPECT_TRUE(score.Save());
    // Every whole line reads back and is written back the same; only the broken line goes.
    EXPECT_EQ(before + after, scratch.Read("song.mid.score"));
}

TEST(ConfigReaderWriterTest, UnreadableValuesAreLeftOutSoOtherPairsSurvive)
{
    ScratchFolder scratch;
    std::vector<std::string> warnings;
    SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
    ConfigReaderWriter config;
    config.Open(scratch.Path("config"));
    config.Write("key0", "");          // a binding without a name
    config.Write("key1", "two words"); // would split into two tokens
    config.Write("key2", "J");
    config.Write("", "orphan");
    EXPECT_TRUE(config.Save());
    SetWarningSink(nullptr);
    EXPECT_EQ("key2 J\n", scratch.Read("config"));
    EXPECT_EQ(3u, warnings.size());
}

TEST(ConfigReaderWriterTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporary)
{
    ScratchFolder scratch;
    const std::string old = "AutoPlay 1\nkeynum 4\nspeed 100\n";
    scratch.Write("config", old);
    ConfigReaderWriter config;
    config.Open(scratch.Path("config"));
    for (int i = 0; i < 12; ++i) {
        config.Write("key" + std::to_string(i), "F");
    }
    {
        FileSizeLimit fullDisk(16); // the new file cannot be written in full
        EXPECT_FALSE(config.Save());
    }
    EXPECT_EQ(old, scratch.Read("config"));
    EXPECT_EQ(std::vector<std::string>{"config"}, scratch.Names());
    EXPECT_TRUE(config.Save()); // memory unchanged: a later save succeeds
    EXPECT_NE(std::string::npos, scratch.Read("config").find("key11 F\n"));
    FileSizeLimit fullDisk(16);
    EXPECT_TRUE(config.Save()); // nothing changed: the file is not written again
}

TEST(ConfigReaderWriterTest, AFileThatIsThereButNotReadIsNeverSavedOver)
{
    ScratchFolder scratch;
    SetWarningSink([](const std::string &) {});
    ASSERT_EQ(::mkfifo(scratch.Path("fifo.score").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", scratch.Path("zero.score").c_str()), 0);
    // Real records past the size cap: refused when read, and they must survive a save.
    std::string records;
    for (int i = 0; records.size() <= MAX_SETTINGS_FILE_BYTES; ++i) {
        records += "highscore_ins" + std::to_string(i) + "_key4 999999\n";
    }
    scratch.Write("big.score", records);
    scratch.Write("good.score", "highscore_ins0_key4 5\n");
    const std::vector<std::string> names = scratch.Names();

    for (const char *name : {"fifo.score", "zero.score", "big.score"}) {
        ConfigReaderWriter scores;
        scores.Open(scratch.Path(name));
        EXPECT_TRUE(scores.entries.empty()) << name;
        EXPECT_NE(scores.readProblem, "") << name;
        scores.readProblem.clear();
        scores.Write("highscore_ins0_key4", 1000);
        EXPECT_FALSE(scores.Save()) << name;
        EXPECT_NE(scores.readProblem, "") << name << ": the refused save says why";
    }
    struct stat info;
    ASSERT_EQ(::lstat(scratch.Path("fifo.score").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    ASSERT_EQ(::lstat(scratch.Path("zero.score").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(scratch.Read("big.score"), records);
    EXPECT_EQ(scratch.Names(), names) << "no temporary left";

    // A file that reads, or none at all, is no problem and is saved as before.
    for (const char *name : {"good.score", "new.score"}) {
        ConfigReaderWriter scores;
        scores.Open(scratch.Path(name));
        EXPECT_EQ(scores.readProblem, "") << name;
        scores.Write("highscore_ins1_key4", 7);
        EXPECT_TRUE(scores.Save()) << name;
        EXPECT_NE(scratch.Read(name).find("highscore_ins1_key4 7\n"), std::string::npos);
    }
    SetWarningSink(nullptr);
}

} // namespace

namespace {

TEST(ConfigReaderWriterTest, ASaveChangesOnlyTheKeysItWroteAndKeepsWhatOthersSaved)
{
    ScratchFolder scratch;
    scratch.Write("config", "keynum 4\nspeed 100\nkey0 D\n");
    ConfigReaderWriter options; // one game's options screen
    options.Open(scratch.Path("config"));
    ConfigReaderWriter keys; // another game's key configuration, meanwhile
    keys.Open(scratch.Path("config"));
    keys.Write("key0", "A");
    keys.Write("key1", "S");
    ASSERT_TRUE(keys.Save());
    options.Write("keynum", 6);
    ASSERT_TRUE(options.Save());
    EXPECT_EQ("key0 A\nkey1 S\nkeynum 6\nspeed 100\n", scratch.Read("config"));
    std::string value;
    EXPECT_STREQ(options.GetString(value, "key1", ""), "S")
        << "after a save the entries are what the file holds";
}

} // namespace
