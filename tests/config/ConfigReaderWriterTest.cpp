// Tests of read-modify-write of settings and score files, including crash-safe saving.
#include "config/ConfigReaderWriter.h"

#include "platform/MessageBox.h"
#include "tests/config/FileSizeLimit.h"
#include "tests/config/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(ConfigReaderWriterTest, SaveWritesEveryPairSortedBytewise)
{
    ScratchFolder scratch;
    scratch.Write("config", "videomode 0\nkey2 K\nspeed 100\r\nkey10 L\nAutoPlay 0\n"
                            "key1 F\nfullscreen 0\nextra kept\n");
    ConfigReaderWriter config;
    config.Open(scratch.Path("config"));
    config.Write("videomode", -1);
    config.Write("devid", 0);
    config.Write("key0", "\x81\xA9");
    EXPECT_TRUE(config.Save());
    EXPECT_EQ("AutoPlay 0\n"
              "devid 0\n"
              "extra kept\n"
              "fullscreen 0\n"
              "key0 \x81\xA9\n"
              "key1 F\n"
              "key10 L\n"
              "key2 K\n"
              "speed 100\n"
              "videomode -1\n",
              scratch.Read("config"));
    EXPECT_EQ(std::vector<std::string>{"config"}, scratch.Names()); // no temporary left

    // Score keys: every highrate key sorts before every highscore key; bytes above 0x7F
    // sort after ASCII.
    config.Write("highscore_ins0_key4", 1000);
    config.Write("highrate_ins9_key12", 3);
    config.Write("\xE3z", "1");
    EXPECT_TRUE(config.Save());
    const std::string text = scratch.Read("config");
    EXPECT_LT(text.find("highrate_ins9_key12"), text.find("highscore_ins0_key4"));
    EXPECT_EQ(text.size() - 5, text.find("\xE3z 1\n"));
}

TEST(ConfigReaderWriterTest, OpenOfMissingFileThenSaveCreatesIt)
{
    ScratchFolder scratch;
    ConfigReaderWriter score;
    score.Open(scratch.Path("song.mid.score"));
    EXPECT_EQ(scratch.Path("song.mid.score"), score.path);
    EXPECT_TRUE(score.entries.empty());
    score.Write("highscore_ins1_key4", 950000);
    score.Write("highrate_ins1_key4", 7);
    EXPECT_TRUE(score.Save());
    EXPECT_EQ("highrate_ins1_key4 7\nhighscore_ins1_key4 950000\n", scratch.Read("song.mid.score"));

    // Saved values read back; a second writer sees the first one's file.
    ConfigReaderWriter again;
    again.Open(scratch.Path("song.mid.score"));
    EXPECT_EQ(950000, again.GetInteger("highscore_ins1_key4", 0));
    std::string out;
    EXPECT_STREQ("7", again.GetString(out, "highrate_ins1_key4", "0"));
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
    config.Write("keynum", 3);
    EXPECT_TRUE(config.Save());
    SetWarningSink(nullptr);

    EXPECT_EQ("key2 J\nkeynum 3\n", scratch.Read("config"));
    EXPECT_EQ(3u, warnings.size());
    std::string out;
    EXPECT_STREQ("two words", config.GetString(out, "key1", "")); // memory keeps them
}

TEST(ConfigReaderWriterTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporary)
{
    ScratchFolder scratch;
    const std::string old = "AutoPlay 1\nkeynum 4\nspeed 100\n";
    scratch.Write("config", old);
    ConfigReaderWriter config;
    config.Open(scratch.Path("config"));
    for (int i = 0; i < 50; ++i) {
        config.Write("key" + std::to_string(i), "F");
    }
    {
        FileSizeLimit fullDisk(16); // the new file cannot be written in full
        EXPECT_FALSE(config.Save());
    }
    EXPECT_EQ(old, scratch.Read("config"));
    EXPECT_EQ(std::vector<std::string>{"config"}, scratch.Names());
    EXPECT_EQ(53u, config.entries.size()); // memory unchanged: a later save can succeed
    EXPECT_TRUE(config.Save());
    EXPECT_NE(old, scratch.Read("config"));

    ConfigReaderWriter nowhere;
    nowhere.Open(scratch.Path("missing-folder/config"));
    nowhere.Write("keynum", 4);
    EXPECT_FALSE(nowhere.Save());
}

TEST(ConfigReaderWriterTest, SaveKeepsThePermissionsOfTheOldFile)
{
    ScratchFolder scratch;
    scratch.Write("config", "keynum 4\n");
    ASSERT_EQ(0, chmod(scratch.Path("config").c_str(), 0640));
    ConfigReaderWriter config;
    config.Open(scratch.Path("config"));
    config.Write("keynum", 5);
    EXPECT_TRUE(config.Save());
    struct stat info;
    ASSERT_EQ(0, stat(scratch.Path("config").c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);
}

} // namespace
