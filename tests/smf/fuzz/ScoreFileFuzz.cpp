// Fuzz target for score files: reading them and saving records merged with the file on disk.
// Build and run: scripts/fuzz.sh [seconds]
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "config/ConfigReaderWriter.h"
#include "platform/MessageBox.h"
#include "song/MidiContainer.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

std::string Key(const char *kind, int part, int keys)
{
    return std::string(kind) + "_ins" + std::to_string(part) + "_key" + std::to_string(keys);
}

} // namespace

// Input: one byte choosing the number of parts, one byte per part and number of keys for the
// game's own records, then the text of the score file found on disk.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A folder in memory: saves flush to disk, and a disk would make every run slow.
    static const std::string folder = [] {
        SetWarningSink([](const std::string &) {});
        char name[] = "/dev/shm/score-fuzz-XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            std::abort();
        }
        static std::string made = name;
        std::atexit([] { ::rmdir(made.c_str()); });
        return std::string(name);
    }();
    if (size < 1) {
        return 0;
    }
    const int parts = data[0] % 4 + 1;
    const size_t cells = static_cast<size_t>(parts) * MidiContainer::KEY_COUNTS;
    if (size < 1 + cells) {
        return 0;
    }
    const uint8_t *mine = data + 1;
    const std::string text(reinterpret_cast<const char *>(data + 1 + cells), size - 1 - cells);

    MidiContainer song;
    song.path = folder + "/song.mid";
    std::FILE *file = std::fopen(song.GetScorePath().c_str(), "wb");
    Check(file != nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);

    ConfigReaderWriter before;
    before.Open(song.GetScorePath());
    song.maxChannel = parts - 1;
    song.AllocateScoreArrays();
    const auto ourScore = [&](int c, int k) {
        return mine[c * MidiContainer::KEY_COUNTS + k] * 10000 - 1000000;
    };
    const auto ourRate = [&](int c, int k) {
        return mine[c * MidiContainer::KEY_COUNTS + k] % 12 - 1;
    };
    for (int c = 0; c < parts; ++c) {
        for (int k = 0; k < MidiContainer::KEY_COUNTS; ++k) {
            song.highScore[k][c] = ourScore(c, k);
            song.highRate[k][c] = ourRate(c, k);
        }
    }
    Check(song.Save());
    Check(!song.IsChanged());

    // Every record is now the higher of the old file's and the game's, on disk and in the
    // game, and no other pair of the old file was lost.
    ConfigReaderWriter after;
    after.Open(song.GetScorePath());
    std::map<std::string, std::string> others = before.entries;
    for (int c = 0; c < parts; ++c) {
        for (int k = 0; k < MidiContainer::KEY_COUNTS; ++k) {
            const std::string score = Key("highscore", c, k + 1);
            const std::string rate = Key("highrate", c, k + 1);
            const int expectScore = before.entries.count(score)
                                        ? std::max(before.GetInteger(score, 0), ourScore(c, k))
                                        : ourScore(c, k);
            const int expectRate = before.entries.count(rate)
                                       ? std::max(before.GetInteger(rate, 0), ourRate(c, k))
                                       : ourRate(c, k);
            Check(song.highScore[k][c] == expectScore && song.highRate[k][c] == expectRate);
            Check(after.GetInteger(score, 0) == expectScore && after.entries.count(score));
            Check(after.GetInteger(rate, 0) == expectRate && after.entries.count(rate));
            others.erase(score);
            others.erase(rate);
        }
    }
    for (const auto &entry : others) {
        Check(after.entries.count(entry.first) && after.entries.at(entry.first) == entry.second);
    }
    ::unlink(song.GetScorePath().c_str());
    return 0;
}
