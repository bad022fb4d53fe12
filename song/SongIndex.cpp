// SongIndex: reading, matching and writing the song index file.
#include "song/SongIndex.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/SafeFile.h"

namespace {

const char *const kHeader = "keyrise song index 1";
const int kFields = 16; // fields of one entry line

// Tabs, line ends and backslashes would break the line into the wrong fields.
std::string Escape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool Unescape(const std::string &text, std::string &out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

// A whole decimal number within [low, high].
bool ToNumber(const std::string &text, long long low, long long high, long long &value)
{
    if (text.empty() || text.size() > 20) {
        return false;
    }
    errno = 0;
    char *end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end == text.c_str() + text.size() && value >= low && value <= high;
}

template <typename T> bool ToField(const std::string &text, long long low, long long high, T &out)
{
    long long value = 0;
    if (!ToNumber(text, low, high, value)) {
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

// 16 comma-separated numbers within [low, high].
bool ToList(const std::string &text, long long low, long long high, int (&out)[16])
{
    std::stringstream stream(text);
    std::string item;
    int i = 0;
    while (std::getline(stream, item, ',')) {
        if (i == 16 || !ToField(item, low, high, out[i])) {
            return false;
        }
        ++i;
    }
    return i == 16;
}

std::string FromList(const int (&values)[16])
{
    std::string out;
    for (int i = 0; i < 16; ++i) {
        out += (i ? "," : "") + std::to_string(values[i]);
    }
    return out;
}

} // namespace

std::string SongIndex::Format(const SongSummary &s)
{
    std::string line = Escape(s.name);
    for (long long value :
         {static_cast<long long>(s.size), static_cast<long long>(s.modified),
          static_cast<long long>(s.readable), static_cast<long long>(s.format),
          static_cast<long long>(s.tracks), static_cast<long long>(s.maxChannel),
          static_cast<long long>(s.lengthMs), static_cast<long long>(s.tempoLevel),
          static_cast<long long>(s.lengthLevel)}) {
        line += '\t' + std::to_string(value);
    }
    line += '\t' + FromList(s.notes) + '\t' + FromList(s.programs) + '\t' + FromList(s.density);
    line += '\t' + Escape(s.title) + '\t' + Escape(s.warning) + '\t' + std::to_string(s.lastPlayed);
    return line;
}

bool SongIndex::Parse(const std::string &line, SongSummary &s)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) {
            break;
        }
        start = tab + 1;
    }
    if (fields.size() != kFields) {
        return false;
    }
    SongSummary parsed;
    const long long kMax = 0x7FFFFFFFFFFFFFFFLL;
    const bool ok =
        Unescape(fields[0], parsed.name) && !parsed.name.empty() &&
        ToField(fields[1], 0, kMax, parsed.size) &&
        ToField(fields[2], -kMax, kMax, parsed.modified) &&
        ToField(fields[3], 0, 1, parsed.readable) && ToField(fields[4], 0, 65535, parsed.format) &&
        ToField(fields[5], 0, 65535, parsed.tracks) &&
        ToField(fields[6], 0, 15, parsed.maxChannel) &&
        ToField(fields[7], 0, 0x7FFFFFFF, parsed.lengthMs) &&
        ToField(fields[8], 0, 100, parsed.tempoLevel) &&
        ToField(fields[9], 0, 100, parsed.lengthLevel) &&
        ToList(fields[10], 0, 0x7FFFFFFF, parsed.notes) &&
        ToList(fields[11], 0, 127, parsed.programs) && ToList(fields[12], 0, 100, parsed.density) &&
        Unescape(fields[13], parsed.title) && Unescape(fields[14], parsed.warning) &&
        ToField(fields[15], 0, kMax, parsed.lastPlayed);
    if (!ok) {
        return false;
    }
    parsed.indexed = true;
    s = parsed;
    return true;
}

bool SongIndex::Load(const std::string &path)
{
    entries.clear();
    std::string text;
    std::string reason;
    const SafeReadResult result = ReadRegularFile(path, MAX_INDEX_FILE_BYTES, text, &reason);
    if (result != SafeReadResult::Read) {
        if (result != SafeReadResult::Missing) {
            WarnRefusedFileOnce(path, reason + "; every song is read again");
        }
        return false;
    }
    size_t end = text.find('\n');
    if (end == std::string::npos || text.compare(0, end, kHeader) != 0) {
        return false;
    }
    for (size_t start = end + 1; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        SongSummary summary;
        if (Parse(text.substr(start, end - start), summary)) {
            entries[summary.name] = summary;
        }
    }
    return true;
}

bool SongIndex::Save(const std::string &path, std::string *problem) const
{
    std::vector<const SongSummary *> sorted;
    sorted.reserve(entries.size());
    for (const auto &entry : entries) {
        sorted.push_back(&entry.second);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const SongSummary *a, const SongSummary *b) { return a->name < b->name; });
    // A file the player may not read is never replaced (ReplaceFileAtomically refuses it); one
    // the reader refused (a FIFO, a file past the cap) holds nothing the game can use, and is
    // rebuilt.
    std::string text = std::string(kHeader) + "\n";
    for (const SongSummary *summary : sorted) {
        const std::string line = Format(*summary) + "\n";
        // The reader refuses a larger file, which would cost every song a new reading.
        if (text.size() + line.size() <= MAX_INDEX_FILE_BYTES) {
            text += line;
        }
    }
    return ReplaceFileAtomically(path, text, problem);
}

std::vector<SongSummary> SongIndex::Match(const std::vector<FoundSongFile> &files) const
{
    std::vector<SongSummary> matched;
    matched.reserve(files.size());
    for (const FoundSongFile &file : files) {
        auto known = entries.find(file.name);
        if (known != entries.end() && known->second.size == file.size &&
            known->second.modified == file.modified) {
            matched.push_back(known->second);
            continue;
        }
        SongSummary waiting;
        waiting.name = file.name;
        waiting.size = file.size;
        waiting.modified = file.modified;
        if (known != entries.end()) {
            waiting.lastPlayed = known->second.lastPlayed;
        }
        matched.push_back(waiting);
    }
    return matched;
}

void SongIndex::Put(const SongSummary &summary)
{
    if (summary.indexed) {
        entries[summary.name] = summary;
    }
}
