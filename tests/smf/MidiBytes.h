// MidiBytes: builds Standard MIDI File bytes for tests, writes them to temporary files and lists
// the real songs on the machine.
#pragma once

#include <cstdint>
#include <cstdio>
#include <glob.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/MessageBox.h"

using Bytes = std::vector<unsigned char>;

// Variable-length quantity as stored in a file.
inline Bytes Vlq(uint32_t value)
{
    Bytes out{static_cast<unsigned char>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), static_cast<unsigned char>(0x80 | (value & 0x7F)));
    }
    return out;
}

inline Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Header(uint16_t format, uint16_t tracks, uint16_t division)
{
    return Bytes{'M',
                 'T',
                 'h',
                 'd',
                 0,
                 0,
                 0,
                 6,
                 static_cast<unsigned char>(format >> 8),
                 static_cast<unsigned char>(format),
                 static_cast<unsigned char>(tracks >> 8),
                 static_cast<unsigned char>(tracks),
                 static_cast<unsigned char>(division >> 8),
                 static_cast<unsigned char>(division)};
}

// A chunk's tag and the length its header claims, which need not be the length that follows.
inline Bytes Chunk(const char *tag, uint32_t length)
{
    return Bytes{static_cast<unsigned char>(tag[0]),       static_cast<unsigned char>(tag[1]),
                 static_cast<unsigned char>(tag[2]),       static_cast<unsigned char>(tag[3]),
                 static_cast<unsigned char>(length >> 24), static_cast<unsigned char>(length >> 16),
                 static_cast<unsigned char>(length >> 8),  static_cast<unsigned char>(length)};
}

const Bytes END_OF_TRACK{0x00, 0xFF, 0x2F, 0x00};

// A track chunk around the given event bytes; the End of Track event is appended unless
// 'endOfTrack' is false.
inline Bytes Track(const Bytes &events, bool endOfTrack = true)
{
    const Bytes body = endOfTrack ? events + END_OF_TRACK : events;
    return Chunk("MTrk", static_cast<uint32_t>(body.size())) + body;
}

inline Bytes Tempo(uint32_t delta, uint32_t microseconds)
{
    return Vlq(delta) + Bytes{0xFF,
                              0x51,
                              0x03,
                              static_cast<unsigned char>(microseconds >> 16),
                              static_cast<unsigned char>(microseconds >> 8),
                              static_cast<unsigned char>(microseconds)};
}

inline Bytes NoteOn(uint32_t delta, int channel, int note, int velocity)
{
    return Vlq(delta) + Bytes{static_cast<unsigned char>(0x90 | channel),
                              static_cast<unsigned char>(note),
                              static_cast<unsigned char>(velocity)};
}

// A file in a private temporary folder, removed with the object.
class TempMidiFile
{
public:
    explicit TempMidiFile(const Bytes &bytes)
    {
        char pattern[] = "/tmp/keyrise-midi-XXXXXX";
        int fd = mkstemp(pattern);
        path = pattern;
        if (fd >= 0) {
            if (!bytes.empty()) {
                ssize_t written = write(fd, bytes.data(), bytes.size());
                (void)written;
            }
            close(fd);
        }
    }
    ~TempMidiFile() { std::remove(path.c_str()); }
    TempMidiFile(const TempMidiFile &) = delete;
    TempMidiFile &operator=(const TempMidiFile &) = delete;
    const char *Path() const { return path.c_str(); }

private:
    std::string path;
};

// Collects the warning texts shown while it lives (the part after "<file>: ").
class WarningLog
{
public:
    WarningLog()
    {
        // Earlier tests may have used up the song warnings that are written.
        ResetSongWarningLimit();
        SetWarningSink([this](const std::string &line) {
            size_t colon = line.rfind(": ");
            texts.push_back(colon == std::string::npos ? line : line.substr(colon + 2));
        });
    }
    ~WarningLog() { SetWarningSink(nullptr); }
    std::vector<std::string> texts;
};

// Debian's OpenMSX songs and, unless 'openMsxOnly', the songs that come with the game.
inline std::vector<std::string> RealSongs(bool openMsxOnly = false)
{
    std::vector<std::string> patterns{"/usr/share/games/openttd/baseset/openmsx/*.mid"};
    if (!openMsxOnly) {
        patterns.push_back(std::string(KEYRISE_SOURCE_DIR) + "/assets/songs/*.mid");
    }
    std::vector<std::string> paths;
    for (const std::string &pattern : patterns) {
        glob_t found;
        if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
            for (size_t i = 0; i < found.gl_pathc; ++i) {
                paths.push_back(found.gl_pathv[i]);
            }
        }
        globfree(&found);
    }
    return paths;
}
