// Replay: one recorded game: its text form, written and read back with every value checked.
#include "game/Replay.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/AtomicFile.h"
#include "platform/SafeFile.h"

namespace {

const char *const kMagic = "keyrise-replay";
const char *const kRanks[11] = {"G", "F", "E", "D", "C", "B", "A", "AA", "S", "SS", "SSS"};

std::string OneDecimal(double value)
{
    char text[48];
    // -0.0 prints as 0.0, so that equal results print alike.
    std::snprintf(text, sizeof text, "%.1f", std::fabs(value) < 0.05 ? 0.0 : value);
    return text;
}

// Whole decimal number (an optional '-', 1-12 digits) within [low, high].
bool Integer(const std::string &text, long long low, long long high, long long &value)
{
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (text.size() == i || text.size() - i > 12)
        return false;
    long long magnitude = 0;
    for (size_t j = i; j < text.size(); j++) {
        if (text[j] < '0' || text[j] > '9')
            return false;
        magnitude = magnitude * 10 + (text[j] - '0');
    }
    value = i == 1 ? -magnitude : magnitude;
    return value >= low && value <= high;
}

// Lower-case hexadecimal number of 1-16 digits.
bool Hex(const std::string &text, uint64_t high, uint64_t &value)
{
    if (text.empty() || text.size() > 16)
        return false;
    value = 0;
    for (char c : text) {
        const int digit =
            c >= '0' && c <= '9' ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<uint64_t>(digit);
    }
    return value <= high;
}

// A number with one decimal ("-12.5", "0.0") within [-high, high].
bool Decimal(const std::string &text, double high, double &value)
{
    const size_t dot = text.find('.');
    long long whole = 0;
    if (dot == std::string::npos || dot + 2 != text.size() || text[dot + 1] < '0' ||
        text[dot + 1] > '9' || !Integer(text.substr(0, dot), -1000000, 1000000, whole))
        return false;
    const double tenth = (text[dot + 1] - '0') / 10.0;
    value =
        text[0] == '-' ? static_cast<double>(whole) - tenth : static_cast<double>(whole) + tenth;
    return std::fabs(value) <= high;
}

// A name holding a byte the lines cannot carry (below 0x20, 0x7f): written with "\\" for a
// backslash and "\xHH" for each such byte, under a key of its own, so that a name without them
// is written, and read, as it always was.
bool NeedsEscapes(const std::string &name)
{
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

std::string Escaped(const std::string &name)
{
    std::string text;
    for (unsigned char c : name) {
        if (c == '\\') {
            text += "\\\\";
        } else if (c < 0x20 || c == 0x7f) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", c);
            text += code;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

// Escaped() read back; false on a backslash that starts neither escape.
bool Unescaped(const std::string &text, std::string &name)
{
    name.clear();
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != '\\') {
            name += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\\') {
            name += '\\';
            i++;
        } else {
            uint64_t code = 0;
            if (text.compare(i, 2, "\\x") != 0 || i + 4 > text.size() ||
                !Hex(text.substr(i + 2, 2), 0xff, code))
                return false;
            name += static_cast<char>(code);
            i += 3;
        }
    }
    return true;
}

// True when 'name', taken below a song folder, stays there: not absolute, no ".." part.
bool StaysBelow(const std::string &name)
{
    if (name.empty() || name[0] == '/')
        return false;
    size_t at = 0;
    while (at <= name.size()) {
        const size_t slash = name.find('/', at);
        const size_t end = slash == std::string::npos ? name.size() : slash;
        if (name.compare(at, end - at, "..") == 0)
            return false;
        at = end + 1;
    }
    return true;
}

std::vector<std::string> Words(const std::string &text)
{
    std::vector<std::string> words;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t space = text.find(' ', at);
        words.push_back(
            text.substr(at, space == std::string::npos ? std::string::npos : space - at));
        if (space == std::string::npos)
            break;
        at = space + 1;
    }
    return words;
}

} // namespace

const char *ReplayResult::RankOf(int rate)
{
    return rate >= 0 && rate <= 10 ? kRanks[rate] : "?";
}

std::string ReplayResult::Lines() const
{
    std::string text;
    const auto add = [&text](const char *key, const std::string &value) {
        text += std::string(key) + " " + value + "\n";
    };
    add("score", std::to_string(score));
    add("rate", std::to_string(rate));
    add("rank", RankOf(rate));
    add("excellent", std::to_string(excellent));
    add("good", std::to_string(good));
    add("ok", std::to_string(ok));
    add("bad", std::to_string(bad));
    add("maxcombo", std::to_string(maxCombo));
    add("mean", OneDecimal(mean));
    add("spread", OneDecimal(spread));
    add("failed", failed ? "1" : "0");
    return text;
}

std::string ReplayResult::FirstDifference(const ReplayResult &other) const
{
    // Lines() is "key value\nkey value\n...": compared line by line.
    size_t at = 0, otherAt = 0;
    const std::string a = Lines(), b = other.Lines();
    while (at < a.size() && otherAt < b.size()) {
        const size_t end = a.find('\n', at), otherEnd = b.find('\n', otherAt);
        const std::string line = a.substr(at, end - at),
                          otherLine = b.substr(otherAt, otherEnd - otherAt);
        if (line != otherLine) {
            const size_t space = line.find(' ');
            return line.substr(0, space) + ": " + line.substr(space + 1) + " vs " +
                   otherLine.substr(space + 1);
        }
        at = end + 1;
        otherAt = otherEnd + 1;
    }
    return "";
}

uint64_t Replay::Hash(const std::string &bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string Replay::Text() const
{
    std::string text = std::string(kMagic) + " " + std::to_string(FORMAT) + "\n";
    const auto add = [&text](const char *key, const std::string &value) {
        text += std::string(key) + " " + value + "\n";
    };
    char hex[40];
    add("game", gameVersion);
    if (NeedsEscapes(songName))
        add("song-name-escaped", Escaped(songName));
    else
        add("song-name", songName);
    add("song-size", std::to_string(songSize));
    std::snprintf(hex, sizeof hex, "%016" PRIx64, songHash);
    add("song-hash", hex);
    add("part", std::to_string(part));
    add("keys", std::to_string(keys));
    add("tempo", std::to_string(tempo));
    add("wait", waitMode ? "1" : "0");
    add("offset", std::to_string(offset));
    add("song-offset", std::to_string(songOffset));
    add("latency", std::to_string(latency));
    add("nofail", std::to_string(noFail));
    add("failresult", failResult ? "1" : "0");
    add("autoplay", autoPlay ? "1" : "0");
    for (const ReplayTurn &turn : turns) {
        std::snprintf(hex, sizeof hex, "%x %x %x %x", turn.input.pressedLanes, turn.input.heldLanes,
                      turn.input.pressed, turn.input.held);
        add("turn", std::to_string(turn.time) + " " + hex);
    }
    add("end", std::to_string(end));
    text += result.Lines();
    return text;
}

bool Replay::Parse(const std::string &text, std::string &reason)
{
    *this = Replay();
    std::map<std::string, bool> seen;
    size_t at = 0;
    int number = 0;
    bool headed = false;
    std::string fail;
    std::string rank;
    const char *const required[] = {
        "game", "song-name", "song-size",   "song-hash", "part",      "keys",       "tempo",
        "wait", "offset",    "song-offset", "latency",   "nofail",    "failresult", "autoplay",
        "end",  "score",     "rate",        "rank",      "excellent", "good",       "ok",
        "bad",  "maxcombo",  "mean",        "spread",    "failed"};
    while (at < text.size()) {
        number++;
        size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        if (lineEnd - at + 1 > MAX_LINE) {
            reason = "line " + std::to_string(number) + " is longer than " +
                     std::to_string(MAX_LINE) + " bytes";
            return false;
        }
        std::string line = text.substr(at, lineEnd - at);
        at = lineEnd + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const auto bad = [&](const std::string &why) {
            reason = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        for (unsigned char c : line)
            if (c < 0x20 || c == 0x7f)
                return bad("a control character");
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (!headed) {
            if (key != kMagic)
                return bad("not a replay (it does not start with \"keyrise-replay\")");
            long long format = 0;
            if (!Integer(value, 1, 1000000, format) || format != FORMAT)
                return bad("replay format " + value + " is not the one this game reads (" +
                           std::to_string(FORMAT) + ")");
            headed = true;
            continue;
        }
        if (key == "turn") {
            const std::vector<std::string> words = Words(value);
            long long time = 0;
            uint64_t bits[4] = {};
            const uint64_t highs[4] = {PlayTurn::ALL_LANES, PlayTurn::ALL_LANES,
                                       PlayTurn::ALL_CONTROLS, PlayTurn::ALL_CONTROLS};
            if (words.size() != 5 || !Integer(words[0], 0, MAX_TIME, time))
                return bad("a turn is \"turn <ms 0-" + std::to_string(MAX_TIME) +
                           "> <lanes> <held lanes> <controls> <held controls>\"");
            for (int i = 0; i < 4; i++)
                if (!Hex(words[i + 1], highs[i], bits[i]))
                    return bad("turn's set \"" + words[i + 1] + "\" is not hexadecimal within " +
                               (i < 2 ? "fff (12 lanes)" : "1fff (13 controls)"));
            if (!turns.empty() && static_cast<uint32_t>(time) < turns.back().time)
                return bad("turns out of time order");
            if (turns.size() >= MAX_TURNS)
                return bad("more than " + std::to_string(MAX_TURNS) + " turns");
            ReplayTurn turn;
            turn.time = static_cast<uint32_t>(time);
            turn.input.pressedLanes = static_cast<uint32_t>(bits[0]);
            turn.input.heldLanes = static_cast<uint32_t>(bits[1]);
            turn.input.pressed = static_cast<uint32_t>(bits[2]);
            turn.input.held = static_cast<uint32_t>(bits[3]);
            turns.push_back(turn);
            continue;
        }
        // A song's name is given once, plainly or escaped.
        const std::string slot = key == "song-name-escaped" ? "song-name" : key;
        if (seen[slot])
            return bad("\"" + slot + "\" given twice");
        seen[slot] = true;
        long long n = 0;
        // A number within [low, high], stored in 'into'.
        const auto whole = [&](long long low, long long high, auto &into) {
            if (!Integer(value, low, high, n)) {
                fail = key + " \"" + value + "\" is not a whole number within " +
                       std::to_string(low) + ".." + std::to_string(high);
                return false;
            }
            into = static_cast<typename std::remove_reference<decltype(into)>::type>(n);
            return true;
        };
        bool ok = true;
        if (key == "game") {
            ok = !value.empty() && value.size() <= 32;
            gameVersion = value;
            fail = "the game's version is empty or too long";
        } else if (key == "song-name" || key == "song-name-escaped") {
            if (key == "song-name")
                songName = value;
            else if (!Unescaped(value, songName))
                return bad(
                    "the song's name has a \"\\\" that starts neither \"\\\\\" nor \"\\xHH\"");
            ok = !songName.empty() && songName.size() <= MAX_NAME;
            fail = "the song's name is empty or longer than " + std::to_string(MAX_NAME) + " bytes";
            if (ok && !StaysBelow(songName))
                return bad("the song's name \"" + value + "\" leads out of the song folders");
        } else if (key == "song-size") {
            ok = whole(1, static_cast<long long>(MAX_SONG_FILE_BYTES), songSize);
        } else if (key == "song-hash") {
            ok = value.size() == 16 && Hex(value, UINT64_MAX, songHash);
            fail = "the song's hash is not 16 hexadecimal digits";
        } else if (key == "part") {
            ok = whole(0, 15, part);
        } else if (key == "keys") {
            ok = whole(1, 12, keys);
        } else if (key == "tempo") {
            ok = whole(50, 150, tempo);
        } else if (key == "wait") {
            ok = whole(0, 1, waitMode);
        } else if (key == "offset") {
            ok = whole(-300, 300, offset);
        } else if (key == "song-offset") {
            ok = whole(-300, 300, songOffset);
        } else if (key == "latency") {
            ok = whole(0, 1000, latency);
        } else if (key == "nofail") {
            ok = whole(0, 2, noFail);
        } else if (key == "failresult") {
            ok = whole(0, 1, failResult);
        } else if (key == "autoplay") {
            ok = whole(0, 1, autoPlay);
        } else if (key == "end") {
            ok = whole(0, MAX_TIME, end);
        } else if (key == "score") {
            ok = whole(0, 1000000, result.score);
        } else if (key == "rate") {
            ok = whole(0, 10, result.rate);
        } else if (key == "rank") {
            rank = value; // checked against the rate once both are read
        } else if (key == "excellent") {
            ok = whole(0, 10000000, result.excellent);
        } else if (key == "good") {
            ok = whole(0, 10000000, result.good);
        } else if (key == "ok") {
            ok = whole(0, 10000000, result.ok);
        } else if (key == "bad") {
            ok = whole(0, 10000000, result.bad);
        } else if (key == "maxcombo") {
            ok = whole(0, 10000000, result.maxCombo);
        } else if (key == "mean" || key == "spread") {
            double &into = key == "mean" ? result.mean : result.spread;
            ok = Decimal(value, 100000.0, into) && (key == "mean" || into >= 0);
            fail = key + " \"" + value + "\" is not a number of ms with one decimal";
        } else if (key == "failed") {
            ok = whole(0, 1, result.failed);
        } else {
            return bad("unknown key \"" + key + "\"");
        }
        if (!ok)
            return bad(fail);
    }
    if (!headed) {
        reason = "empty file: not a replay";
        return false;
    }
    for (const char *key : required) {
        if (!seen[key]) {
            reason = std::string("\"") + key + "\" is missing";
            return false;
        }
    }
    if (rank != ReplayResult::RankOf(result.rate)) {
        reason = "the rank does not belong to rate " + std::to_string(result.rate);
        return false;
    }
    if (!turns.empty() && turns.back().time > end) {
        reason = "a turn comes after the end";
        return false;
    }
    return true;
}

bool Replay::Read(const std::string &path, std::string &reason)
{
    std::string bytes;
    std::string why;
    switch (ReadRegularFile(path, MAX_BYTES, bytes, &why)) {
    case SafeReadResult::Read:
        return Parse(bytes, reason);
    case SafeReadResult::Missing:
        reason = MISSING;
        return false;
    default:
        reason = why;
        return false;
    }
}

bool Replay::Save(const std::string &path, std::string &reason) const
{
    return ReplaceFileAtomically(path, Text(), &reason);
}
