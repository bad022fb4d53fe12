// Real songs read by the game and by an independent reader (mido) must agree, and damaged
// copies of them must never crash the reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "tests/smf/MidiBytes.h"

namespace {

const char *const MIDO_PYTHON = "/usr/bin/python3"; // Debian's python3-mido lives here

struct NoteRecord
{
    int channel;
    int kind; // 0x80 or 0x90
    int note;
    int velocity;
    double ms;
};

struct SongSummary
{
    std::map<int, int> counts; ///< channel messages per channel
    std::vector<NoteRecord> notes;
};

// Where mido's lists are kept between runs: KEYRISE_MIDO_CACHE (CI points its builds at one
// folder), else the build folder.
std::string MidoCache()
{
    const char *chosen = std::getenv("KEYRISE_MIDO_CACHE");
    return chosen != nullptr && *chosen != '\0' ? chosen
                                                : std::string(KEYRISE_BINARY_DIR) + "/mido-cache";
}

// Runs the mido lister on every file; false when python3-mido is missing.
bool ReadWithMido(const std::vector<std::string> &paths, std::map<std::string, SongSummary> &out)
{
    std::string command = std::string(MIDO_PYTHON) + " -c 'import mido' 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    command = std::string(MIDO_PYTHON) + " '" + KEYRISE_SOURCE_DIR +
              "/tests/smf/mido_events.py' --cache '" + MidoCache() + "'";
    for (const std::string &path : paths) {
        command += " '" + path + "'";
    }
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    std::string text;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        text.append(buffer, got);
    }
    if (pclose(pipe) != 0) {
        return false;
    }
    std::istringstream lines(text);
    std::string word;
    SongSummary *current = nullptr;
    while (lines >> word) {
        if (word == "file") {
            std::string path;
            lines >> path;
            current = &out[path];
        } else if (word == "count" && current != nullptr) {
            int channel = 0, count = 0;
            lines >> channel >> count;
            current->counts[channel] = count;
        } else if (word == "note" && current != nullptr) {
            NoteRecord note{};
            lines >> note.channel >> note.kind >> note.note >> note.velocity >> note.ms;
            current->notes.push_back(note);
        }
    }
    return true;
}

class MidiOracleTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(InitMidiLib(), 0); }
    void TearDown() override { ReleaseMidiLib(); }
};

TEST_F(MidiOracleTest, EventCountsAndNoteTimesMatchMido)
{
    std::vector<std::string> songs = RealSongs();
    if (songs.empty()) {
        GTEST_SKIP() << "no songs installed (openttd-openmsx, assets/songs)";
    }
    std::map<std::string, SongSummary> expected;
    if (!ReadWithMido(songs, expected)) {
        GTEST_SKIP() << "python3-mido is not installed";
    }
    for (const std::string &path : songs) {
        SCOPED_TRACE(path);
        MidiContainer song;
        song.midi = ReadMidiFile(path.c_str());
        ASSERT_NE(song.midi, nullptr);
        song.firstEvent = song.AnalyzeMidi();

        SongSummary ours;
        for (const KeyPosition &position : song.positions) {
            const MidiEvent *event = position.event;
            if (position.type < 0x80 || position.type > 0xE0) {
                continue;
            }
            int channel = event->status & 0x0F;
            ++ours.counts[channel];
            if (position.type == 0x80 || position.type == 0x90) {
                ours.notes.push_back(
                    {channel, position.type, event->data1, event->data2, double(position.time)});
            }
        }
        const SongSummary &theirs = expected[path];
        EXPECT_EQ(ours.counts, theirs.counts);
        ASSERT_EQ(ours.notes.size(), theirs.notes.size());
        for (size_t i = 0; i < ours.notes.size(); ++i) {
            const NoteRecord &a = ours.notes[i];
            const NoteRecord &b = theirs.notes[i];
            ASSERT_TRUE(a.channel == b.channel && a.kind == b.kind && a.note == b.note &&
                        a.velocity == b.velocity)
                << "note " << i;
            // Our times are whole milliseconds, truncated.
            double error = std::fabs(a.ms - std::floor(b.ms + 1e-6));
            ASSERT_LE(error, 1.0) << "note " << i << " at " << b.ms << " ms";
        }
    }
}

// Flips, zeroes and cuts bytes of real songs: every damaged copy is read or refused cleanly
// (the sanitizer build turns any overrun into a failure).
TEST_F(MidiOracleTest, DamagedSongsAreReadOrRefusedWithoutHarm)
{
    std::vector<std::string> songs = RealSongs();
    if (songs.size() > 6) {
        songs.resize(6);
    }
    if (songs.empty()) {
        GTEST_SKIP() << "no songs installed";
    }
    WarningLog quiet;
    unsigned int seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    int refused = 0, read = 0;
    for (const std::string &path : songs) {
        std::ifstream in(path, std::ios::binary);
        Bytes original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(original.size(), 32u);
        for (int round = 0; round < 60; ++round) {
            Bytes damaged = original;
            int changes = 1 + next() % 8;
            for (int i = 0; i < changes; ++i) {
                size_t at = next() % damaged.size();
                switch (next() % 4) {
                case 0:
                    damaged[at] ^= static_cast<unsigned char>(1 << (next() % 8));
                    break;
                case 1:
                    damaged[at] = 0xFF;
                    break;
                case 2:
                    damaged[at] = static_cast<unsigned char>(next());
                    break;
                default:
                    damaged.resize(at + 1);
                    break;
                }
            }
            TempMidiFile file(damaged);
            MidiFile *midi = ReadMidiFile(file.Path());
            if (midi == nullptr) {
                ++refused;
                continue;
            }
            ++read;
            MidiContainer song;
            song.midi = midi;
            song.AnalyzeMidi();
            EXPECT_LE(song.maxChannel, 15);
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(read, 0);
}

TEST_F(MidiOracleTest, EveryTruncationOfASongIsRefused)
{
    Bytes song = Header(1, 2, 96) + Track(Tempo(0, 400000) + NoteOn(0, 0, 60, 100)) +
                 Track(Bytes{0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7} + NoteOn(12, 9, 36, 90) +
                       Bytes{0x06, 0x24, 0x00} + Bytes{0x00, 0xFF, 0x01, 0x02, 'a', 'b'});
    WarningLog log;
    TempMidiFile whole(song);
    ASSERT_NE(ReadMidiFile(whole.Path()), nullptr);
    for (size_t size = 0; size < song.size(); ++size) {
        TempMidiFile cut(Bytes(song.begin(), song.begin() + size));
        EXPECT_EQ(ReadMidiFile(cut.Path()), nullptr) << size;
    }
}

} // namespace
