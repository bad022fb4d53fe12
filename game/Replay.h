// Replay: one recorded game: what decides its result, the player's input turn by turn, the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/PlayTurn.h"

// The result a game ended with, as the result screen shows it.
struct ReplayResult
{
    int score = 0;     ///< 0 .. 1,000,000
    int rate = 0;      ///< 0 ("G") .. 10 ("SSS")
    int excellent = 0; ///< judgements of each kind (misses are BAD)
    int good = 0;
    int ok = 0;
    int bad = 0;
    int maxCombo = 0;
    double mean = 0;     ///< mean timing error of the hits (ms, < 0 early)
    double spread = 0;   ///< standard deviation of it (ms)
    bool failed = false; ///< the life meter emptied

    // The rank letter of a rate ("G" .. "SSS"; "?" outside 0-10).
    static const char *RankOf(int rate);
    // The result as the headless check prints it: "key value" lines, score first, mean and
    // spread with one decimal.
    std::string Lines() const;
    // The first line of Lines() that differs from 'other''s, as "name: this vs other"; empty
    // when they are equal.
    std::string FirstDifference(const ReplayResult &other) const;
};

// One turn of the recording that had input: its clock (ms since the play scene was shown).
struct ReplayTurn
{
    uint32_t time = 0;
    PlayTurn input;
};

// The file format is described in docs/replay-format.md: UTF-8 text, one "key value" per line,
// the input one "turn" line per turn that changed anything. Read refuses anything outside the
// documented ranges with a reason; Text writes exactly what Read takes.
class Replay
{
public:
    static constexpr int FORMAT = 1;              ///< the format's version
    static constexpr size_t MAX_BYTES = 8u << 20; ///< largest file read (bytes)
    static constexpr size_t MAX_NAME = 4096;      ///< longest song name (bytes): a path's longest
    // Longest line (bytes, newline included): a song's name with every byte escaped fits.
    static constexpr size_t MAX_LINE = 4 * MAX_NAME + 32;
    static constexpr size_t MAX_TURNS = 250000; ///< most turns: a 2-hour game at 30 a second
    static constexpr uint32_t MAX_TIME = 24u * 3600000u;   ///< latest clock (ms) of a turn
    static constexpr const char *MISSING = "no such file"; ///< Read's reason for no file

    std::string gameVersion;       ///< the version of the game that recorded it
    std::string songName;          ///< the song's name as the song list gives it
    int64_t songSize = 0;          ///< bytes of the song file
    uint64_t songHash = 0;         ///< FNV-1a 64 of the song file's bytes
    int part = 0;                  ///< MIDI channel 0-15
    int keys = 4;                  ///< lanes 1-12
    int tempo = 100;               ///< practice tempo at the start (percent, 50-150)
    bool waitMode = false;         ///< wait mode at the start
    int offset = 0;                ///< config "offset" (ms, -300..300)
    int songOffset = 0;            ///< the song's own offset at the start (ms, -300..300)
    int latency = 0;               ///< the output latency the game used (ms, 0..1000)
    int noFail = 1;                ///< config "nofail" 0-2
    bool failResult = false;       ///< config "failresult"
    bool autoPlay = true;          ///< config "AutoPlay": the part sounds at its own times
    std::vector<ReplayTurn> turns; ///< in time order
    uint32_t end = 0;              ///< clock (ms) at which the game reached its result
    ReplayResult result;           ///< what the game gave

    // FNV-1a, 64 bits, of 'bytes'.
    static uint64_t Hash(const std::string &bytes);
    // The file's text.
    std::string Text() const;
    // Parses 'text'; false with 'reason' ("line 6: part \"16\" is not a whole number
    // within 0..15") on a bad file.
    bool Parse(const std::string &text, std::string &reason);
    // Reads the file at 'path' (regular files up to MAX_BYTES); false with 'reason'.
    bool Read(const std::string &path, std::string &reason);
    // Writes the file at 'path' atomically; false with 'reason'.
    bool Save(const std::string &path, std::string &reason) const;
};
