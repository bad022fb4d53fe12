// Tests of the songinfo tool: the real binary run on one of our songs and on unreadable files.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/smf/MidiBytes.h"

namespace {

struct ToolRun
{
    int status = -1;    ///< exit status
    std::string out;    ///< standard output
    std::string errors; ///< standard error
};

ToolRun RunSongInfo(const std::string &arguments)
{
    ToolRun run;
    char pattern[] = "/tmp/keyrise-songinfo-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) {
        return run;
    }
    close(fd);
    std::string errorsPath = pattern;
    std::string command =
        std::string(KEYRISE_BINARY_DIR) + "/songinfo " + arguments + " 2>" + errorsPath;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, got);
    }
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errors(errorsPath);
    run.errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    std::remove(errorsPath.c_str());
    return run;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<long> Numbers(const std::string &text, char separator)
{
    std::vector<long> values;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, separator);) {
        if (!field.empty()) {
            values.push_back(std::stol(field));
        }
    }
    return values;
}

const std::string SONG = std::string(KEYRISE_SOURCE_DIR) + "/assets/songs/OdeToJoy.mid";

// The summary's keys come in a fixed order; its numbers agree with the file's header bytes and
// with the event table of the same song.
TEST(SongInfoTest, SummaryMatchesHeaderAndEventTable)
{
    std::ifstream file(SONG, std::ios::binary);
    ASSERT_TRUE(file.good()) << SONG;
    unsigned char header[14];
    file.read(reinterpret_cast<char *>(header), sizeof header);
    ASSERT_TRUE(file.good());

    ToolRun summary = RunSongInfo(SONG);
    ASSERT_EQ(summary.status, 0) << summary.errors;
    EXPECT_EQ(summary.errors, "");
    std::vector<std::string> lines = Lines(summary.out);
    const char *keys[] = {"file",        "format",       "tracks",    "division",
                          "parts",       "notes",        "programs",  "density",
                          "tempo_level", "length_level", "length_ms", "events"};
    ASSERT_EQ(lines.size(), 13u) << summary.out;
    std::vector<std::string> values;
    for (size_t i = 0; i < 12; ++i) {
        std::string prefix = std::string(keys[i]) + ": ";
        ASSERT_EQ(lines[i].compare(0, prefix.size(), prefix), 0) << lines[i];
        values.push_back(lines[i].substr(prefix.size()));
    }
    EXPECT_EQ(lines[12], "");
    EXPECT_EQ(values[0], SONG);
    EXPECT_EQ(std::stoi(values[1]), header[8] << 8 | header[9]);
    EXPECT_EQ(std::stoi(values[2]), header[10] << 8 | header[11]);
    EXPECT_EQ(std::stoi(values[3]), header[12] << 8 | header[13]);
    std::vector<long> notes = Numbers(values[5], ' ');
    ASSERT_EQ(notes.size(), 16u);
    EXPECT_EQ(Numbers(values[6], ' ').size(), 16u);
    std::vector<long> density = Numbers(values[7], ' ');
    ASSERT_EQ(density.size(), 16u);
    long lengthMs = std::stol(values[10]);

    ToolRun table = RunSongInfo("--events " + SONG);
    ASSERT_EQ(table.status, 0) << table.errors;
    std::vector<std::string> rows = Lines(table.out);
    ASSERT_EQ(rows.size(), std::stoul(values[11]));
    ASSERT_FALSE(rows.empty());
    std::vector<long> counted(16, 0);
    long previousTime = 0;
    int highestChannel = 0;
    for (const std::string &row : rows) {
        std::vector<long> f = Numbers(row, '\t');
        ASSERT_EQ(f.size(), 8u) << row;
        EXPECT_GE(f[0], previousTime) << row; // times never go back
        previousTime = f[0];
        const bool sounding = (f[2] & 0xF0) == 0x90 && f[4] != 0;
        EXPECT_EQ(f[7], sounding ? 1 : 0) << row;
        if (sounding) {
            EXPECT_EQ(f[5], f[2] & 0x0F) << row;
            EXPECT_EQ(f[6], f[3]) << row;
            ++counted[f[5]];
            highestChannel = std::max<int>(highestChannel, f[5]);
        } else {
            EXPECT_EQ(f[5], -1) << row;
            EXPECT_EQ(f[6], -1) << row;
        }
    }
    EXPECT_EQ(notes, counted);
    EXPECT_EQ(std::stoi(values[4]), highestChannel + 1);
    EXPECT_EQ(lengthMs, previousTime);
    EXPECT_GT(lengthMs, 0);
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(density[c], std::min<long>(counted[c] * 10000 / lengthMs, 100)) << c;
    }
}

// An unreadable file is reported on stderr and fails the run; the readable ones still print.
TEST(SongInfoTest, UnreadableFilesFailTheRunButOthersStillPrint)
{
    TempMidiFile notMidi(Bytes{'M', 'T', 'h', 'd'});
    ToolRun run = RunSongInfo(std::string("/nonexistent/song.mid ") + notMidi.Path() + " " + SONG);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("/nonexistent/song.mid: File Open Error."), std::string::npos)
        << run.errors;
    EXPECT_NE(run.errors.find(std::string(notMidi.Path()) + ": File is NOT midi."),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(run.out.rfind("file: " + SONG + "\n", 0), 0u) << run.out;
    EXPECT_EQ(Lines(run.out).size(), 13u);

    ToolRun events = RunSongInfo(std::string("--events ") + notMidi.Path());
    EXPECT_EQ(events.status, 1);
    EXPECT_EQ(events.out, "");
    EXPECT_EQ(RunSongInfo("").status, 2); // usage
}

} // namespace
