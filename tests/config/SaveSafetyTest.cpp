// Tests of what a save may write: never more than its reader accepts, through links to the
// file they name, and never over a file that is there but cannot be read (run as nobody).
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "config/ConfigReaderWriter.h"
#include "config/ConfigSyntax.h"
#include "config/ConfigWriter.h"
#include "config/SettingKeys.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "tests/config/ScratchFolder.h"
#include "tests/support/ChildCheck.h"

namespace {

// Lines of keys the game does not know, up to 'bytes' in all.
std::string Filler(size_t bytes)
{
    std::string text;
    for (int i = 0; text.size() + 40 <= bytes; ++i) {
        text += "mystery" + std::to_string(i) + " 0123456789012345678901234\n";
    }
    text += std::string(bytes - text.size() - 3, 'z') + " 1\n";
    return text;
}

bool IsLink(const std::string &path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

TEST(SaveSafetyTest, ASaveNeverWritesAFileItsReaderWouldRefuse)
{
    ScratchFolder scratch;
    SetWarningSink([](const std::string &) {});
    // Settings just below the cap: a save that grows them keeps the game's own keys, leaves
    // out the unknown ones, and says which.
    scratch.Write("config", "speed 130\n" + Filler(1048566 - 10));
    ConfigReaderWriter options;
    options.ownKey = IsSettingKey;
    options.Open(scratch.Path("config"));
    ASSERT_EQ(options.readProblem, "");
    for (const char *key : {"fullscreen", "videomode", "AutoPlay", "keynum", "devid", "mididev"}) {
        options.Write(key, 1234567);
    }
    EXPECT_TRUE(options.Save());
    std::string text;
    ASSERT_TRUE(ReadWholeFile(scratch.Path("config"), text)) << "the next start reads it";
    EXPECT_LE(text.size(), MAX_SETTINGS_FILE_BYTES);
    ConfigReader next;
    next.ReadFile(scratch.Path("config"));
    EXPECT_EQ(next.GetInteger("speed", 0), 130) << "a setting the game knows is kept";
    EXPECT_EQ(next.GetInteger("keynum", 0), 1234567);
    EXPECT_EQ(next.entries.count("mystery0"), 0u);
    ASSERT_FALSE(options.leftOut.empty());
    EXPECT_EQ(options.leftOut.front(), "mystery0") << "the notice names what went";

    // Below the cap, unknown keys are kept as ever, and nothing is reported left out.
    scratch.Write("config", "mystery 1\nspeed 90\n");
    ConfigReaderWriter small;
    small.ownKey = IsSettingKey;
    small.Open(scratch.Path("config"));
    small.Write("speed", 100);
    EXPECT_TRUE(small.Save());
    EXPECT_EQ(scratch.Read("config"), "mystery 1\nspeed 100\n");
    EXPECT_TRUE(small.leftOut.empty());

    // The sequential writer stops at the cap too.
    ConfigWriter writer;
    ASSERT_TRUE(writer.Open(scratch.Path("written")));
    const std::string big(MAX_SETTINGS_FILE_BYTES / 2, 'v');
    EXPECT_TRUE(writer.Write("a", big));
    EXPECT_FALSE(writer.Write("b", big));
    ASSERT_TRUE(ReadWholeFile(scratch.Path("written"), text));
    EXPECT_EQ(text, "a " + big + "\n");
    SetWarningSink(nullptr);
}

// One unknown entry, nearly a megabyte, left out to keep the file readable: named in leftOut
// like many, and said once on stderr in a line of its own size, naming the file.
TEST(SaveSafetyTest, ASingleOversizedUnknownEntryLeftOutIsSaid)
{
    ScratchFolder scratch;
    const std::string key(1048566 - 13, 'z');
    scratch.Write("config", "speed 130\n" + key + " 1\n");
    std::vector<std::string> warnings;
    SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
    ConfigReaderWriter options;
    options.ownKey = IsSettingKey;
    options.Open(scratch.Path("config"));
    for (const char *setting : {"fullscreen", "videomode", "AutoPlay", "keynum"})
        options.Write(setting, 1);
    EXPECT_TRUE(options.Save());
    SetWarningSink(nullptr);
    EXPECT_EQ(options.leftOut, std::vector<std::string>{key});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(scratch.Path("config")), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("zzz..."), std::string::npos) << warnings[0];
    EXPECT_LT(warnings[0].size(), 300u);
    EXPECT_EQ(scratch.Read("config").find("zzz"), std::string::npos);
}

TEST(SaveSafetyTest, ALinkIsWrittenThroughAndADanglingOneIsReplacedInItsOwnFolder)
{
    ScratchFolder scratch;
    namespace fs = std::filesystem;
    fs::create_directories(scratch.Path("data"));
    fs::create_directories(scratch.Path("elsewhere"));
    scratch.Write("elsewhere/real.score", "highscore_ins0_key4 5\nmine 1\n");
    ASSERT_EQ(::symlink("../elsewhere/real.score", scratch.Path("data/a.score").c_str()), 0);
    ASSERT_EQ(::symlink(scratch.Path("elsewhere/gone.score").c_str(),
                        scratch.Path("data/b.score").c_str()),
              0);

    ConfigReaderWriter linked;
    linked.Open(scratch.Path("data/a.score"));
    EXPECT_EQ(linked.GetInteger("highscore_ins0_key4", 0), 5) << "read through the link";
    linked.Write("highscore_ins0_key4", 9);
    EXPECT_TRUE(linked.Save());
    EXPECT_TRUE(IsLink(scratch.Path("data/a.score"))) << "the link stays";
    EXPECT_EQ(scratch.Read("elsewhere/real.score"), "highscore_ins0_key4 9\nmine 1\n");

    ConfigReaderWriter dangling;
    dangling.Open(scratch.Path("data/b.score"));
    EXPECT_EQ(dangling.readProblem, "") << "a dangling link is a missing file";
    dangling.Write("highscore_ins0_key4", 7);
    EXPECT_TRUE(dangling.Save());
    EXPECT_FALSE(IsLink(scratch.Path("data/b.score")));
    EXPECT_EQ(scratch.Read("data/b.score"), "highscore_ins0_key4 7\n");

    // Nothing was created outside the song folder but the link's existing target; no
    // temporary is left in either folder.
    EXPECT_EQ(ScratchFolder::NamesOf(scratch.Path("elsewhere")),
              std::vector<std::string>{"real.score"});
    EXPECT_EQ(ScratchFolder::NamesOf(scratch.Path("data")),
              (std::vector<std::string>{"a.score", "b.score"}));
}

// Score files and the index are held by ScoreFileTest, through the song that saves them.
TEST(SaveSafetyTest, AFileThePlayerCannotReadIsNeverSavedOver)
{
    // Run as nobody even under root (as CI runs): root reads every file, a player does not.
    ScratchFolder scratch;
    ASSERT_EQ(::chmod(scratch.Folder().c_str(), 0777), 0);
    const std::string settings = "speed 130\nkeynum 6\n";
    // "config" write-only: still not readable. "written": nothing at all.
    const std::pair<const char *, mode_t> files[] = {{"config", 0200}, {"written", 0}};
    for (const auto &file : files) {
        scratch.Write(file.first, settings);
        ASSERT_EQ(::chmod(scratch.Path(file.first).c_str(), file.second), 0);
    }

    EXPECT_TRUE(PassesInChild(
        [&] {
            SetWarningSink([](const std::string &) {});
            ConfigReaderWriter options;
            options.Open(scratch.Path("config"));
            bool ok = options.entries.empty() && !options.readProblem.empty();
            options.readProblem.clear();
            options.Write("speed", 100);
            // Refused, with the reason the screens show.
            ok = ok && !options.Save() && !options.readProblem.empty();
            ConfigWriter writer;
            ok = ok && !writer.Open(scratch.Path("written"));
            // The same user can save a new file here: the refusals above are not for lack of
            // a writable folder.
            ConfigReaderWriter fresh;
            fresh.Open(scratch.Path("fresh"));
            fresh.Write("speed", 100);
            return ok && fresh.Save();
        },
        true));
    EXPECT_EQ(scratch.Names(), (std::vector<std::string>{"config", "fresh", "written"}));
    for (const auto &file : files) {
        ASSERT_EQ(::chmod(scratch.Path(file.first).c_str(), 0600), 0);
        EXPECT_EQ(scratch.Read(file.first), settings) << file.first;
    }
}

} // namespace
