// PlayHistory: reading, appending and summing up a song's history file.
#include "song/PlayHistory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/GamePaths.h"

namespace {

const char kVersionWord[] = "keyrise-history";
const char kColumns[] = "# date part keys score rate rank excellent good ok bad maxcombo mean(ms) "
                        "spread(ms) play|practice finished|failed";
// The rate letters as the result screen shows them, rate 0 to 10.
const char *const kRanks[11] = {"G", "F", "E", "D", "C", "B", "A", "AA", "S", "SS", "SSS"};
const int kFields = 15;
const long long kMaxCount = 10000000;         // judgements of one kind in one game
const long long kMaxTenths = 100000;          // 10 s of timing error, in tenths of a ms
const long long kLatestTime = 253402300799LL; // 9999-12-31 23:59:59 UTC

// A whole decimal number within [low, high]: an optional '-' and 1 to 18 digits, nothing else.
bool ParseInteger(const std::string &text, long long low, long long high, long long &value)
{
    size_t at = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (text.size() == at || text.size() - at > 18)
        return false;
    for (size_t i = at; i < text.size(); i++) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    value = std::strtoll(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

// "-3.2" as -32 tenths: exactly one digit after the point.
bool ParseTenths(const std::string &text, long long low, long long high, int &tenths)
{
    const size_t point = text.find('.');
    if (point == std::string::npos || point + 2 != text.size() || text[point + 1] < '0' ||
        text[point + 1] > '9')
        return false;
    long long whole = 0;
    if (!ParseInteger(text.substr(0, point), -kMaxTenths, kMaxTenths, whole))
        return false;
    const long long digit = text[point + 1] - '0';
    const long long value = text[0] == '-' ? whole * 10 - digit : whole * 10 + digit;
    if (value < low || value > high)
        return false;
    tenths = static_cast<int>(value);
    return true;
}

std::string FormatTenths(int tenths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%d.%d", tenths < 0 ? "-" : "", std::abs(tenths) / 10,
                  std::abs(tenths) % 10);
    return text;
}

// "2026-12-08T09:30:00Z" as seconds since 1970 (UTC).
bool ParseTime(const std::string &text, int64_t &when)
{
    int year, month, day, hour, minute, second;
    char end = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                    &second, &end) != 7 ||
        end != 'Z')
        return false;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60 || hour < 0 || minute < 0 || second < 0)
        return false;
    struct tm parts = {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    when = static_cast<int64_t>(timegm(&parts));
    return when >= 0 && when <= kLatestTime;
}

std::vector<std::string> Words(const std::string &line)
{
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        const size_t end = line.find(' ', at);
        const size_t stop = end == std::string::npos ? line.size() : end;
        if (stop > at)
            words.push_back(line.substr(at, stop - at));
        at = stop + 1;
    }
    return words;
}

// The version a first line names: VERSION for ours, another number for another, 0 when the
// line is not a version line.
int VersionOf(const std::string &line)
{
    const std::vector<std::string> words = Words(line);
    long long version = 0;
    if (words.size() != 2 || words[0] != kVersionWord ||
        !ParseInteger(words[1], 1, 1000000, version))
        return 0;
    return static_cast<int>(version);
}

// Reads the file's first line and, for a file past the cap, only its last MAX_READ_BYTES bytes
// after it (from the first whole line there). Never blocks on a FIFO or a device.
bool ReadCapped(const std::string &path, std::string &head, std::string &body, bool &missing,
                std::string *problem)
{
    missing = false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        missing = errno == ENOENT;
        if (!missing && problem != nullptr)
            *problem = std::strerror(errno);
        return missing;
    }
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (problem != nullptr)
            *problem = "not a regular file";
        close(fd);
        return false;
    }
    // Reads up to 'bytes' from 'offset' (fewer when the file shrank meanwhile).
    auto readAt = [fd](off_t offset, size_t bytes, std::string &into) {
        into.assign(bytes, '\0');
        size_t done = 0;
        while (done < bytes) {
            const ssize_t got = pread(fd, &into[done], bytes - done, offset + off_t(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                break;
            done += static_cast<size_t>(got);
        }
        into.resize(done);
        return true;
    };
    const size_t size = static_cast<size_t>(status.st_size);
    bool ok = true;
    if (size <= PlayHistory::MAX_READ_BYTES) {
        ok = readAt(0, size, body);
        const size_t end = body.find('\n');
        head = body.substr(0, end);
        body = end == std::string::npos ? std::string() : body.substr(end + 1);
    } else {
        ok = readAt(0, PlayHistory::MAX_LINE + 1, head) &&
             readAt(static_cast<off_t>(size - PlayHistory::MAX_READ_BYTES - 1),
                    PlayHistory::MAX_READ_BYTES + 1, body);
        head = head.substr(0, head.find('\n'));
        // The tail goes from the first whole line: the one after the first line end (one byte
        // before the tail is read with it, so a tail that starts at a line keeps that line).
        const size_t start = body.find('\n');
        body = start == std::string::npos ? std::string() : body.substr(start + 1);
    }
    close(fd);
    if (!ok && problem != nullptr)
        *problem = "read error";
    return ok;
}

// The lock creates a missing file: a path that names a folder, a FIFO or a device is refused
// first, so that the lock never opens one.
bool CanHold(const std::string &path, std::string *problem)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode))
        return true;
    if (problem != nullptr)
        *problem = "not a regular file";
    return false;
}

} // namespace

bool PlayHistory::Entry::operator==(const Entry &other) const
{
    return when == other.when && part == other.part && keys == other.keys && score == other.score &&
           rate == other.rate && excellent == other.excellent && good == other.good &&
           ok == other.ok && bad == other.bad && maxCombo == other.maxCombo &&
           meanTenths == other.meanTenths && spreadTenths == other.spreadTenths &&
           practice == other.practice && failed == other.failed;
}

std::string PlayHistory::PathBeside(const std::string &scorePath)
{
    const std::string ending = ".score";
    if (scorePath.size() >= ending.size() &&
        scorePath.compare(scorePath.size() - ending.size(), ending.size(), ending) == 0)
        return scorePath.substr(0, scorePath.size() - ending.size()) + ".history";
    return scorePath + ".history";
}

int PlayHistory::ToTenths(double ms)
{
    if (!(ms == ms)) // NaN
        return 0;
    const double tenths = std::round(ms * 10);
    return static_cast<int>(std::max(-double(kMaxTenths), std::min(double(kMaxTenths), tenths)));
}

std::string PlayHistory::FormatLine(const Entry &entry)
{
    char date[32] = "1970-01-01T00:00:00Z";
    const time_t when = static_cast<time_t>(std::max<int64_t>(0, entry.when));
    struct tm parts;
    if (gmtime_r(&when, &parts) != nullptr)
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &parts);
    const int rate = std::max(0, std::min(10, entry.rate));
    char line[MAX_LINE + 1];
    std::snprintf(line, sizeof line, "%s %d %d %d %d %s %d %d %d %d %d %s %s %s %s", date,
                  entry.part, entry.keys, entry.score, rate, kRanks[rate], entry.excellent,
                  entry.good, entry.ok, entry.bad, entry.maxCombo,
                  FormatTenths(entry.meanTenths).c_str(), FormatTenths(entry.spreadTenths).c_str(),
                  entry.practice ? "practice" : "play", entry.failed ? "failed" : "finished");
    return line;
}

bool PlayHistory::ParseLine(const std::string &line, Entry &entry)
{
    const std::vector<std::string> words = Words(line);
    if (line.size() > MAX_LINE || words.size() != kFields)
        return false;
    Entry read;
    long long value[9];
    const long long lows[9] = {0, 1, 0, 0, 0, 0, 0, 0, 0};
    const long long highs[9] = {15,        12,        1000000,   10,           kMaxCount,
                                kMaxCount, kMaxCount, kMaxCount, 4 * kMaxCount};
    const size_t columns[9] = {1, 2, 3, 4, 6, 7, 8, 9, 10};
    for (int i = 0; i < 9; i++) {
        if (!ParseInteger(words[columns[i]], lows[i], highs[i], value[i]))
            return false;
    }
    if (!ParseTime(words[0], read.when) || words[5] != kRanks[value[3]] ||
        !ParseTenths(words[11], -kMaxTenths, kMaxTenths, read.meanTenths) ||
        !ParseTenths(words[12], 0, kMaxTenths, read.spreadTenths))
        return false;
    if (words[13] != "play" && words[13] != "practice")
        return false;
    if (words[14] != "finished" && words[14] != "failed")
        return false;
    read.part = static_cast<int>(value[0]);
    read.keys = static_cast<int>(value[1]);
    read.score = static_cast<int>(value[2]);
    read.rate = static_cast<int>(value[3]);
    read.excellent = static_cast<int>(value[4]);
    read.good = static_cast<int>(value[5]);
    read.ok = static_cast<int>(value[6]);
    read.bad = static_cast<int>(value[7]);
    read.maxCombo = static_cast<int>(value[8]);
    // A combo never outruns the notes.
    if (value[8] > value[4] + value[5] + value[6] + value[7])
        return false;
    read.practice = words[13] == "practice";
    read.failed = words[14] == "failed";
    entry = read;
    return true;
}

bool PlayHistory::Read(const std::string &path, std::vector<Entry> &entries, std::string *problem)
{
    entries.clear();
    std::string head;
    std::string body;
    bool missing = false;
    if (!ReadCapped(path, head, body, missing, problem))
        return false;
    if (missing)
        return true;
    const int version = VersionOf(head);
    if (version > VERSION) {
        if (problem != nullptr)
            *problem = "written by a newer version of the game";
        return false;
    }
    // A damaged version line is one more bad line: the games after it still count.
    Entry entry;
    if (version == 0 && ParseLine(head, entry))
        entries.push_back(entry);
    size_t at = 0;
    while (at < body.size()) {
        size_t end = body.find('\n', at);
        // A last line without its end was cut short by something other than this game.
        if (end == std::string::npos)
            break;
        if (end - at <= MAX_LINE && body[at] != '#' && ParseLine(body.substr(at, end - at), entry))
            entries.push_back(entry);
        at = end + 1;
    }
    if (entries.size() > MAX_ENTRIES)
        entries.erase(entries.begin(), entries.end() - static_cast<long>(MAX_ENTRIES));
    return true;
}

bool PlayHistory::Append(const std::string &path, const Entry &entry, std::string *problem)
{
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !GamePaths::IsFolder(path.substr(0, slash))) {
        std::string reason;
        if (!GamePaths::MakeFolders(path.substr(0, slash), reason)) {
            if (problem != nullptr)
                *problem = reason;
            return false;
        }
    }
    // Two games sharing the folder add their lines in turn; neither loses the other's.
    std::vector<Entry> entries;
    if (!CanHold(path, problem))
        return false;
    const FileLock lock(path);
    if (!Read(path, entries, problem))
        return false;
    entries.push_back(entry);
    if (entries.size() > MAX_ENTRIES)
        entries.erase(entries.begin(), entries.end() - static_cast<long>(MAX_ENTRIES));
    std::string text =
        std::string(kVersionWord) + " " + std::to_string(VERSION) + "\n" + kColumns + "\n";
    for (const Entry &game : entries)
        text += FormatLine(game) + "\n";
    return ReplaceFileAtomically(path, text, problem);
}

PlayHistory::Stats PlayHistory::StatsOf(const std::vector<Entry> &entries, int part, int keys)
{
    Stats stats;
    for (const Entry &entry : entries) {
        if (entry.part != part || entry.keys != keys)
            continue;
        stats.plays++;
        stats.last = entry.score;
        if (!entry.practice && !entry.failed)
            stats.best = std::max(stats.best, entry.score);
        stats.recent.push_back(entry);
    }
    if (stats.recent.size() > static_cast<size_t>(RECENT))
        stats.recent.erase(stats.recent.begin(), stats.recent.end() - RECENT);
    return stats;
}
