// Fuzz target for history files: reading them, and adding a game to what was read.
// Build and run: scripts/fuzz.sh [seconds]
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "song/PlayHistory.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

// Input: the text of the history file found on disk.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A folder in memory: the file is written and flushed on every run.
    static const std::string folder = [] {
        char name[] = "/dev/shm/history-fuzz-XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            std::abort();
        }
        static std::string made = name;
        std::atexit([] {
            std::remove((made + "/song.history").c_str());
            ::rmdir(made.c_str());
        });
        return std::string(name);
    }();
    const std::string path = folder + "/song.history";
    FILE *file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);

    // Whatever was read writes back as lines that read as the same games.
    std::vector<PlayHistory::Entry> games;
    if (!PlayHistory::Read(path, games)) {
        return 0;
    }
    Check(games.size() <= PlayHistory::MAX_ENTRIES);
    for (const PlayHistory::Entry &game : games) {
        PlayHistory::Entry again;
        Check(PlayHistory::ParseLine(PlayHistory::FormatLine(game), again) && again == game);
    }
    // A game added keeps every game read (up to the bound) and comes last.
    PlayHistory::Entry added;
    added.when = 1765185000;
    added.score = 123456;
    added.excellent = 3;
    added.maxCombo = 3;
    Check(PlayHistory::Append(path, added));
    std::vector<PlayHistory::Entry> after;
    Check(PlayHistory::Read(path, after));
    const size_t kept =
        games.size() < PlayHistory::MAX_ENTRIES ? games.size() + 1 : PlayHistory::MAX_ENTRIES;
    Check(after.size() == kept && after.back() == added);
    for (size_t i = 0; i + 1 < after.size(); i++) {
        Check(after[i] == games[games.size() - (after.size() - 1) + i]);
    }
    return 0;
}
