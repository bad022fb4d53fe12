// Tests of reading files that may be hostile: FIFOs, devices, huge files, and the readers on them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "config/ConfigReader.h"
#include "devices/MidiOut.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "smf/ReadMidi.h"
#include "tests/config/ScratchFolder.h"

namespace {

class SafeFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetWarningSink([this](const std::string &line) { warnings.push_back(line); });
        ASSERT_EQ(::mkfifo(scratch.Path("fifo").c_str(), 0600), 0);
        ASSERT_EQ(::symlink("/dev/zero", scratch.Path("zero").c_str()), 0);
        scratch.Write("big", std::string(MAX_SETTINGS_FILE_BYTES + 1, 'x'));
        scratch.Write("small", "speed 120\n");
    }
    void TearDown() override { SetWarningSink(nullptr); }

    ScratchFolder scratch;
    std::vector<std::string> warnings;
};

TEST_F(SafeFileTest, OnlyRegularFilesWithinTheCapAreReadAndNothingWaits)
{
    std::string bytes = "stale";
    std::string reason;
    EXPECT_EQ(ReadRegularFile(scratch.Path("small"), 10, bytes, &reason), SafeReadResult::Read);
    EXPECT_EQ(bytes, "speed 120\n");
    EXPECT_EQ(ReadRegularFile(scratch.Path("small"), 9, bytes, &reason), SafeReadResult::Refused);
    EXPECT_EQ(reason, "larger than 9 bytes, not read");
    EXPECT_TRUE(bytes.empty());
    // A file that holds more than its size said (one still being written; files of /proc
    // report 0 bytes) is read only up to the cap.
    EXPECT_EQ(ReadRegularFile("/proc/self/status", 10, bytes, &reason), SafeReadResult::Refused);
    EXPECT_EQ(reason, "larger than 10 bytes, not read");
    EXPECT_EQ(ReadRegularFile("/proc/self/status", 1 << 16, bytes, &reason), SafeReadResult::Read);
    EXPECT_NE(bytes.find("Name:"), std::string::npos);
    // A FIFO without a writer would block an ordinary open for ever.
    EXPECT_EQ(ReadRegularFile(scratch.Path("fifo"), 100, bytes, &reason), SafeReadResult::Refused);
    EXPECT_EQ(reason, "not a regular file, not read");
    EXPECT_EQ(ReadRegularFile(scratch.Path("zero"), 100, bytes, &reason), SafeReadResult::Refused);
    EXPECT_EQ(ReadRegularFile(scratch.Folder(), 100, bytes, &reason), SafeReadResult::Refused);
    EXPECT_EQ(ReadRegularFile(scratch.Path("none"), 100, bytes, &reason), SafeReadResult::Missing);
    EXPECT_TRUE(warnings.empty()) << "the function itself says nothing";
}

TEST_F(SafeFileTest, SettingsAndSongReadersRefuseHostileFilesWithOneWarningEach)
{
    // Settings: read again by every screen, refused with one warning per file for the run.
    for (int pass = 0; pass < 3; ++pass) {
        for (const char *name : {"fifo", "zero", "big"}) {
            ConfigReader reader;
            reader.ReadFile(scratch.Path(name));
            EXPECT_TRUE(reader.entries.empty()) << name;
        }
    }
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_EQ(warnings[0], "warning: " + scratch.Path("fifo") + ": not a regular file, not read");
    EXPECT_EQ(warnings[2], "warning: " + scratch.Path("big") + ": larger than 1 MB, not read");
    ConfigReader reader;
    reader.ReadFile(scratch.Path("small"));
    EXPECT_EQ(reader.GetInteger("speed", 0), 120);

    // Songs: refused with their reason; a missing song keeps its old text.
    warnings.clear();
    ASSERT_EQ(InitMidiLib(), 0);
    EXPECT_EQ(ReadMidiFile(scratch.Path("fifo").c_str()), nullptr);
    EXPECT_EQ(ReadMidiFile(scratch.Path("zero").c_str()), nullptr);
    EXPECT_EQ(ReadMidiFile(scratch.Path("none").c_str()), nullptr);
    ReleaseMidiLib();
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "warning: " + scratch.Path("fifo") + ": not a regular file, not read",
                            "warning: " + scratch.Path("zero") + ": not a regular file, not read",
                            "warning: " + scratch.Path("none") + ": File Open Error.",
                        }));
}

} // namespace
