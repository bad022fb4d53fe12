// TestSongs: small Standard MIDI Files written by tests into a game folder's data/.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// One note of a test song: channel 0-15, note number, start and length in ticks (480 per
// quarter note, 120 bpm unless a tempo is given, so 480 ticks are 500 ms).
struct TestNote
{
    int channel;
    int note;
    int start;
    int length;
};

// A format-0 file with a Set Tempo event at tick 0 (when tempo > 0) and one per entry of
// tempoChanges (tick, tempo), a Program Change per entry of programs (channel, program) and the
// notes. Events at one tick come in the order
// note offs, then note ons.
inline std::string MakeTestSong(const std::vector<TestNote> &notes,
                                const std::vector<std::pair<int, int>> &programs = {},
                                int tempo = 500000,
                                const std::vector<std::pair<int, int>> &tempoChanges = {})
{
    struct Timed
    {
        int tick;
        int order;
        std::vector<unsigned char> bytes;
    };
    std::vector<Timed> events;
    if (tempo > 0) {
        events.push_back(
            {0,
             0,
             {0xFF, 0x51, 0x03, static_cast<unsigned char>(tempo >> 16),
              static_cast<unsigned char>(tempo >> 8), static_cast<unsigned char>(tempo)}});
    }
    for (const auto &change : tempoChanges) { // (tick, us per quarter note)
        const int value = change.second;
        events.push_back(
            {change.first,
             0,
             {0xFF, 0x51, 0x03, static_cast<unsigned char>(value >> 16),
              static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)}});
    }
    for (const auto &program : programs) {
        events.push_back({0,
                          1,
                          {static_cast<unsigned char>(0xC0 | program.first),
                           static_cast<unsigned char>(program.second)}});
    }
    for (const TestNote &n : notes) {
        events.push_back({n.start,
                          3,
                          {static_cast<unsigned char>(0x90 | n.channel),
                           static_cast<unsigned char>(n.note), 100}});
        events.push_back({n.start + n.length,
                          2,
                          {static_cast<unsigned char>(0x80 | n.channel),
                           static_cast<unsigned char>(n.note), 0}});
    }
    for (size_t i = 1; i < events.size(); i++) {
        for (size_t j = i; j > 0; j--) {
            const Timed &a = events[j - 1];
            const Timed &b = events[j];
            if (a.tick > b.tick || (a.tick == b.tick && a.order > b.order)) {
                std::swap(events[j - 1], events[j]);
            }
        }
    }
    std::vector<unsigned char> track;
    int last = 0;
    for (const Timed &event : events) {
        unsigned int delta = static_cast<unsigned int>(event.tick - last);
        last = event.tick;
        unsigned char vlq[4];
        int count = 0;
        vlq[count++] = delta & 0x7F;
        while ((delta >>= 7) != 0) {
            vlq[count++] = static_cast<unsigned char>((delta & 0x7F) | 0x80);
        }
        while (count > 0) {
            track.push_back(vlq[--count]);
        }
        track.insert(track.end(), event.bytes.begin(), event.bytes.end());
    }
    const unsigned char end[] = {0x00, 0xFF, 0x2F, 0x00};
    track.insert(track.end(), end, end + 4);

    std::string file("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14); // format 0, 1 track, 480
    file += "MTrk";
    const size_t size = track.size();
    file += static_cast<char>(size >> 24);
    file += static_cast<char>(size >> 16);
    file += static_cast<char>(size >> 8);
    file += static_cast<char>(size);
    file.append(track.begin(), track.end());
    return file;
}

// Writes bytes to path; false on failure.
inline bool WriteTestFile(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

// Reads a whole file; empty when it is missing.
inline std::string ReadTestFile(const std::string &path)
{
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, count);
    }
    fclose(file);
    return bytes;
}
