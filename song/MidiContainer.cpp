// MidiContainer: one song: parsed file, merged events timed in ms, levels for its card, scores.
#include "song/MidiContainer.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

#include "config/ConfigReaderWriter.h"
#include "config/ConfigSyntax.h"
#include "framework/SceneManager.h"
#include "platform/DirectorySearch.h"
#include "platform/GamePaths.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "platform/WarningCapture.h"
#include "smf/CompactSong.h"
#include "smf/MidiHeap.h"
#include "smf/MidiHeapScope.h"
#include "smf/PageBlock.h"
#include "smf/ReadMidi.h"
#include "song/PlaySong.h"
#include "text/MessageCatalog.h"
#include "text/TextConversion.h"

namespace {

const unsigned int NORMAL_TEMPO = 500000; // µs per quarter note at 120 bpm
const size_t MAX_PATH_BYTES = 255;        // longest "data/<name>" path a song may have
const int MAX_TIME_MS = INT32_MAX;        // song times are kept in signed 32-bit ms
// The score file's key of the song's own offset (ms). Earlier versions keep it as a key they
// do not know; a file without it reads as 0.
const char *const OFFSET_KEY = "offset";

std::string ScoreKey(const char *kind, int part, int keys)
{
    char key[64];
    std::snprintf(key, sizeof key, "%s_ins%d_key%d", kind, part, keys);
    return key;
}

// Moves the events and what was worked out from them between a song and a SongEvents record,
// whose fields have the same names; the song's own heap is not touched.
template <typename From, typename To> void MoveAnalysis(From &from, To &to)
{
    to.midi = from.midi;
    to.firstEvent = from.firstEvent;
    to.positions = std::move(from.positions);
    to.maxChannel = from.maxChannel;
    std::copy(std::begin(from.programs), std::end(from.programs), to.programs);
    std::copy(std::begin(from.density), std::end(from.density), to.density);
    std::copy(std::begin(from.noteCounts), std::end(from.noteCounts), to.noteCounts);
    to.tempoLevel = from.tempoLevel;
    to.lengthLevel = from.lengthLevel;
    to.startTempo = from.startTempo;
}

} // namespace

MidiContainer::MidiContainer()
{
    std::fill(std::begin(programs), std::end(programs), 0);
    std::fill(std::begin(density), std::end(density), 0);
    for (int k = 0; k < KEY_COUNTS; ++k) {
        highScore[k] = highRate[k] = savedHighScore[k] = savedHighRate[k] = nullptr;
    }
}

MidiContainer::~MidiContainer()
{
    FreeScoreArrays();
}

void MidiContainer::FreeScoreArrays()
{
    for (int k = 0; k < KEY_COUNTS; ++k) {
        delete[] highScore[k];
        delete[] highRate[k];
        delete[] savedHighScore[k];
        delete[] savedHighRate[k];
        highScore[k] = highRate[k] = savedHighScore[k] = savedHighRate[k] = nullptr;
    }
    scoreParts = 0;
}

void MidiContainer::AllocateScoreArrays()
{
    FreeScoreArrays();
    int parts = maxChannel + 1;
    scoreParts = parts;
    for (int k = 0; k < KEY_COUNTS; ++k) {
        highScore[k] = new int[parts];
        savedHighScore[k] = new int[parts];
        highRate[k] = new int[parts];
        savedHighRate[k] = new int[parts];
        std::fill(highScore[k], highScore[k] + parts, 0);
        std::fill(savedHighScore[k], savedHighScore[k] + parts, 0);
        std::fill(highRate[k], highRate[k] + parts, -1);
        std::fill(savedHighRate[k], savedHighRate[k] + parts, -1);
    }
}

void MidiContainer::Load(SceneManager *manager, std::string fileName, ImageSet *images)
{
    path = "data/" + fileName;
    scorePath.clear();
    name = fileName;
    if (manager != nullptr) {
        title.LoadString(manager->GetContentsManager(), name, 0xFFFFFFFF);
    }
    ReadFile();
    numWriter = manager != nullptr ? manager->GetNumWriter() : nullptr;
    instrumentImages = images;
    ReadScores();
}

void MidiContainer::ReadFile()
{
    maxChannel = 0;
    std::fill(std::begin(noteCounts), std::end(noteCounts), 0);
    summary.title.clear();
    midi = nullptr;
    firstEvent = nullptr;
    positions.clear();
    // A path too long for the song list is skipped like an unreadable song.
    if (path.size() > MAX_PATH_BYTES || std::memchr(path.data(), 0, path.size()) != nullptr) {
        ShowWarning(path, "file name too long, song skipped");
        return;
    }
    // The song is read into one timed table without a merged list (no firstEvent): the table
    // keeps the song's bytes and its header, which 'midi' points to, for as long as anyone
    // holds it.
    auto song = std::make_shared<PlaySong>();
    if (!song->Read(path)) {
        return;
    }
    midi = song->Header();
    startTempo = song->StartTempo();
    positions = PlaySong::Table(song);
    summary.title = ToUtf8(song->Title());
    // The same levels and parts as AnalyzeMidi works out, from the totals.
    const SongSummary made = SummaryOf(*song);
    maxChannel = made.maxChannel;
    tempoLevel = static_cast<unsigned char>(made.tempoLevel);
    lengthLevel = static_cast<unsigned char>(made.lengthLevel);
    for (int c = 0; c < SongSummary::CHANNELS; ++c) {
        noteCounts[c] = made.notes[c];
        density[c] = static_cast<unsigned char>(made.density[c]);
        programs[c] = made.programs[c];
    }
}

void MidiContainer::ReadScores()
{
    // Sized for this song's parts; every entry is read below, so nothing earlier is kept.
    AllocateScoreArrays();
    songOffset = savedSongOffset = 0; // no score file: no offset of the song's own
    // Most songs of a large folder were never played: without a score file every entry
    // keeps its default, and the 24 look-ups per part are spared.
    int64_t size = 0;
    int64_t modified = 0;
    if (!StatSongFile(GetScorePath(), size, modified)) {
        return;
    }
    ConfigReaderWriter scores;
    scores.Open(GetScorePath());
    TakeScores(scores);
}

void MidiContainer::TakeScores(const ConfigReader &scores)
{
    // The file has the last word on the offset: a file without one means 0.
    songOffset = savedSongOffset = scores.GetInteger(OFFSET_KEY, 0);
    for (int c = 0; c <= maxChannel; ++c) {
        for (int k = 1; k <= KEY_COUNTS; ++k) {
            highScore[k - 1][c] = savedHighScore[k - 1][c] =
                scores.GetInteger(ScoreKey("highscore", c, k), highScore[k - 1][c]);
            highRate[k - 1][c] = savedHighRate[k - 1][c] =
                scores.GetInteger(ScoreKey("highrate", c, k), highRate[k - 1][c]);
        }
    }
}

SongSummary MidiContainer::MakeSummary(const std::string &warning) const
{
    SongSummary made;
    made.name = name;
    made.indexed = true;
    made.readable = midi != nullptr;
    made.title = summary.title;
    made.lastPlayed = summary.lastPlayed;
    if (midi == nullptr) {
        made.warning = warning.empty() ? TrNoop("cannot be read") : warning;
        return made;
    }
    made.format = midi->format;
    made.tracks = midi->trackCount;
    made.maxChannel = maxChannel;
    made.lengthMs = positions.empty() ? 0 : positions.back().time;
    made.tempoLevel = tempoLevel;
    made.lengthLevel = lengthLevel;
    for (int c = 0; c < SongSummary::CHANNELS; ++c) {
        made.notes[c] = noteCounts[c];
        made.programs[c] = programs[c];
        made.density[c] = density[c];
    }
    return made;
}

SongSummary MidiContainer::ReadSummary(const std::string &folder, const std::string &name)
{
    // Size and time first: a file changed while it is read is read again next time.
    int64_t size = 0;
    int64_t modified = 0;
    const std::string path = folder + "/" + name;
    StatSongFile(path, size, modified);

    WarningCapture capture;
    SongSummary made;
    // A path too long for the song list is skipped like an unreadable song.
    if (path.size() > MAX_PATH_BYTES || std::memchr(path.data(), 0, path.size()) != nullptr) {
        ShowWarning(path, "file name too long, song skipped");
    } else {
        // Only the totals: a summary needs no event of its own.
        CompactSong song;
        if (song.Read(path, CompactSong::Keep::Totals)) {
            made = SummaryOf(song);
        }
    }
    if (!made.readable) {
        made.indexed = true;
        made.warning = capture.First().empty() ? TrNoop("cannot be read") : capture.First();
    }
    made.name = name;
    made.size = size;
    made.modified = modified;
    return made;
}

SongSummary MidiContainer::SummaryOf(const CompactSong &song)
{
    SongSummary made = SummaryOfTotals(song.Totals(), song.Format(), song.TrackCount());
    const SongTotals &totals = song.Totals();
    if (totals.titleLength > 0) {
        made.title = ToUtf8(std::string(
            reinterpret_cast<const char *>(song.Image()) + totals.titleOffset, totals.titleLength));
    }
    return made;
}

SongSummary MidiContainer::SummaryOf(PlaySong &song)
{
    SongSummary made =
        SummaryOfTotals(song.Totals(), song.Header()->format, song.Header()->trackCount);
    made.title = ToUtf8(song.Title());
    return made;
}

SongSummary MidiContainer::SummaryOfTotals(const SongTotals &totals, int format, int tracks)
{
    SongSummary made;
    made.indexed = true;
    made.readable = true;
    made.format = format;
    made.tracks = tracks;
    const int time = totals.lastTime;
    made.lengthMs = time;
    // The slowest tempo sets the level: 80 at 120 bpm, at most 100; 80 without tempo changes.
    const unsigned int level = std::min(totals.slowestTempo * 80u / NORMAL_TEMPO, 100u);
    made.tempoLevel = level != 0 ? static_cast<int>(level) : 80;
    made.lengthLevel = std::min(time / 6000, 100);
    for (int c = 0; c < SongSummary::CHANNELS; ++c) {
        const int64_t notes = totals.notes[c];
        if (notes > 0) {
            made.maxChannel = c;
        }
        made.notes[c] = static_cast<int>(std::min<int64_t>(notes, INT_MAX));
        made.programs[c] = totals.programs[c];
        // A song that ends at 0 ms has no note density.
        made.density[c] =
            time > 0 ? static_cast<int>(std::min<int64_t>(notes * 10000 / time, 100)) : 0;
    }
    return made;
}

void MidiContainer::SetSummary(const SongSummary &songSummary, const std::string &folder)
{
    SetSummaryAt(songSummary, folder + "/" + songSummary.name, "");
}

void MidiContainer::SetSummaryAt(const SongSummary &songSummary, const std::string &songPath,
                                 const std::string &scoreFile)
{
    summary = songSummary;
    name = summary.name;
    path = songPath;
    scorePath = scoreFile == path + ".score" ? "" : scoreFile;
    maxChannel = summary.maxChannel;
    std::fill(std::begin(programs), std::end(programs), 0);
    std::fill(std::begin(density), std::end(density), 0);
    for (int c = 0; c < SongSummary::CHANNELS; ++c) {
        programs[c] = summary.programs[c];
        density[c] = static_cast<unsigned char>(summary.density[c]);
        noteCounts[c] = summary.notes[c];
    }
    tempoLevel = static_cast<unsigned char>(summary.tempoLevel);
    lengthLevel = static_cast<unsigned char>(summary.lengthLevel);
    // A song without a score file (never played) holds no score tables: every record is at its
    // default, and 48 tables per song would be most of what a large library costs. A card
    // handing records back gives the song its tables then.
    int64_t size = 0;
    int64_t modified = 0;
    if (StatSongFile(GetScorePath(), size, modified)) {
        ReadScores();
    } else {
        FreeScoreArrays();
        songOffset = savedSongOffset = 0; // no offset of the song's own either
    }
}

bool MidiContainer::LoadEvents()
{
    if (midi != nullptr) {
        return true;
    }
    return TakeEvents(ReadEvents(path, name));
}

SongEvents MidiContainer::ReadEvents(const std::string &path, const std::string &name)
{
    // Size and time first: a file changed while it is read is read again next time.
    SongEvents read;
    StatSongFile(path, read.summary.size, read.summary.modified);
    WarningCapture capture;
    MidiContainer song;
    song.name = name;
    song.path = path;
    song.ReadFile();
    const int64_t size = read.summary.size;
    const int64_t modified = read.summary.modified;
    read.summary = song.MakeSummary(capture.First());
    read.summary.size = size;
    read.summary.modified = modified;
    MoveAnalysis(song, read);
    return read;
}

bool MidiContainer::TakeEvents(SongEvents &&read)
{
    MoveAnalysis(read, *this);
    summary.title = read.summary.title;
    if (!summary.indexed || read.summary.size != summary.size ||
        read.summary.modified != summary.modified || summary.readable != (midi != nullptr)) {
        const int64_t lastPlayed = summary.lastPlayed;
        summary = read.summary;
        summary.lastPlayed = lastPlayed;
        summaryChanged = true;
    }
    // The song may have gained or lost parts since its scores were sized.
    if (maxChannel + 1 != scoreParts) {
        ReadScores();
    }
    songHeap = midi != nullptr ? std::move(read.heap) : nullptr;
    read = SongEvents();
    return midi != nullptr;
}

void MidiContainer::ReleaseEvents()
{
    midi = nullptr;
    firstEvent = nullptr;
    positions.clear();
    songHeap.reset();
}

MidiEvent *MidiContainer::AnalyzeMidi()
{
    maxChannel = 0;
    long long counts[128] = {};
    std::fill(std::begin(noteCounts), std::end(noteCounts), 0);
    if (midi == nullptr) {
        return nullptr;
    }
    uint32_t savedTempo = midi->tempo;
    size_t count = 0;
    std::shared_ptr<PageBlock> block;
    MidiEvent *head = MargeTrackCounted(midi, &count, &block);
    positions.clear();
    // The table is written record by record into a block of the exact size: for a huge song the
    // one that held the track lists (twice as large, its pages already in memory).
    if (!block) {
        block = std::make_shared<PageBlock>();
    }
    if (!block->Resize(count * sizeof(KeyPosition))) {
        throw std::bad_alloc();
    }
    KeyPosition *records = static_cast<KeyPosition *>(block->Data());
    size_t stored = 0;

    // The running time is kept exactly, as whole milliseconds plus a remainder in
    // tick-microseconds below one millisecond (division × 1000), and truncated only when
    // stored, so that rounding does not build up over thousands of events. This is the sum of
    // GetDeltaMilliSecond over the events, without its floating-point steps.
    const uint64_t perMs = static_cast<uint64_t>(midi->division) * 1000;
    uint64_t wholeMs = 0;
    uint64_t remainder = 0;
    int time = 0;
    // The merged records lie one after the other: walking them by index spares the loop a
    // load of 'next' before each record.
    uint64_t tick = 0;
    startTempo = NORMAL_TEMPO;
    for (size_t index = 0; head != nullptr && index < count; ++index) {
        MidiEvent *event = head + index;
        tick += event->delta;
        if (event->delta != 0 && perMs != 0) {
            // delta < 2^32 and tempo < 2^24: the product fits in 64 bits.
            const uint64_t step = static_cast<uint64_t>(event->delta) * midi->tempo;
            wholeMs += step / perMs;
            remainder += step % perMs;
            if (remainder >= perMs) {
                remainder -= perMs;
                ++wholeMs;
            }
            time = wholeMs >= static_cast<uint64_t>(MAX_TIME_MS) ? MAX_TIME_MS
                                                                 : static_cast<int>(wholeMs);
        }

        const int status = event->status;
        const int type = status == 0xFF ? 0xFF : status & 0xF0;
        if (type == 0xFF && event->metaType == 0x51 && event->length >= 3) {
            midi->tempo = event->data[0] << 16 | event->data[1] << 8 | event->data[2];
            if (tick == 0) {
                startTempo = midi->tempo;
            }
            unsigned int level = midi->tempo * 80u / NORMAL_TEMPO;
            if (tempoLevel < level) {
                tempoLevel = static_cast<unsigned char>(std::min(level, 100u));
            }
        }
        const bool isNote = type == 0x90 && event->data2 != 0;
        if (isNote) {
            const int channel = status & 0x0F;
            maxChannel = std::max(maxChannel, channel);
            ++counts[channel];
            records[stored++] = KeyPosition{event, time, type, event->data1, channel, true};
        } else {
            records[stored++] = KeyPosition{event, time, type, -1, -1, false};
            if (type == 0xC0) {
                programs[status & 0x0F] = event->data1;
            }
        }
    }
    positions = KeyPositionTable(block, stored);

    for (int c = 0; c < 16; ++c) {
        noteCounts[c] = static_cast<int>(std::min<long long>(counts[c], INT_MAX));
    }
    // A song that ends at 0 ms has no note density.
    for (int j = 0; j < 128; ++j) {
        density[j] =
            time > 0 ? static_cast<unsigned char>(std::min(counts[j] * 10000 / time, 100LL)) : 0;
    }
    if (tempoLevel == 0) {
        tempoLevel = 80;
    }
    lengthLevel = static_cast<unsigned char>(std::min(time / 6000, 100));
    midi->tempo = savedTempo;
    return head;
}

bool MidiContainer::IsChanged()
{
    if (songOffset != savedSongOffset) {
        return true;
    }
    if (highScore[0] == nullptr) {
        return false;
    }
    for (int k = 0; k < KEY_COUNTS; ++k) {
        for (int c = 0; c <= maxChannel; ++c) {
            if (highScore[k][c] != savedHighScore[k][c] || highRate[k][c] != savedHighRate[k][c]) {
                return true;
            }
        }
    }
    return false;
}

bool MidiContainer::IsScoreKey(const std::string &key)
{
    // Read back the way ScoreKey writes it; the number must come out in the same spelling, so
    // "highscore_ins03_key4" is not the game's.
    if (key == OFFSET_KEY) {
        return true;
    }
    char kind[16];
    int part = -1;
    int keys = -1;
    int length = 0;
    if (key.size() > 40 ||
        std::sscanf(key.c_str(), "%15[a-z]_ins%d_key%d%n", kind, &part, &keys, &length) != 3 ||
        static_cast<size_t>(length) != key.size() || part < 0 || part >= SongSummary::CHANNELS ||
        keys < 1 || keys > KEY_COUNTS) {
        return false;
    }
    return (std::strcmp(kind, "highscore") == 0 || std::strcmp(kind, "highrate") == 0) &&
           ScoreKey(kind, part, keys) == key;
}

bool MidiContainer::Save()
{
    leftOutKeys.clear();
    if (highScore[0] == nullptr) {
        return false;
    }
    if (!scorePath.empty()) {
        // A record kept apart from its song goes into a folder made when it is first saved;
        // when it cannot be made the save below fails and says so.
        std::string problem;
        GamePaths::MakeFolders(scorePath.substr(0, scorePath.rfind('/')), problem);
    }
    ConfigReaderWriter scores;
    scores.ownKey = IsScoreKey;
    scores.Open(GetScorePath());
    for (int c = 0; c <= maxChannel; ++c) {
        for (int k = 1; k <= KEY_COUNTS; ++k) {
            scores.Write(ScoreKey("highscore", c, k), highScore[k - 1][c]);
            scores.Write(ScoreKey("highrate", c, k), highRate[k - 1][c]);
        }
    }
    // The offset is written only when the player trimmed it here: one trimmed in another game
    // sharing the folder meanwhile is kept otherwise. 0 is the same as none.
    if (songOffset != savedSongOffset) {
        if (songOffset == 0) {
            scores.Erase(OFFSET_KEY);
        } else {
            scores.Write(OFFSET_KEY, songOffset);
        }
    }
    // Another game sharing the folder may have saved a better record since this one read the
    // file: a record only ever rises, so each cell keeps the higher of the two. The offset is
    // the latest trim, whatever the file holds.
    const auto higher = [](const std::string &key, const std::string *onDisk,
                           const std::string &mine) {
        if (onDisk == nullptr || key == OFFSET_KEY) {
            return mine;
        }
        const int disk = ParseConfigInteger(*onDisk);
        return disk > ParseConfigInteger(mine) ? std::to_string(disk) : mine;
    };
    if (!scores.Save(higher)) {
        // Told on screen by the song selection; here for the terminal with the cause ("File too
        // large"), once a run, as the save is tried again on every return to the selection.
        const std::string &problem =
            scores.readProblem.empty() ? scores.writeProblem : scores.readProblem;
        const size_t colon = problem.rfind(": ");
        WarnRefusedFileOnce(GetScorePath(),
                            "high scores not saved: " +
                                (colon == std::string::npos ? problem : problem.substr(colon + 2)));
        return false;
    }
    leftOutKeys = scores.leftOut;
    // The merged records, the other game's better ones included, are now what is saved.
    TakeScores(scores);
    return true;
}

void MidiContainer::ReLoadImage(SceneManager *manager, ImageSet *images)
{
    // Songs of the song list render no title of their own (their cards do).
    if (manager != nullptr && title.surface != nullptr) {
        title.LoadString(manager->GetContentsManager(), name, 0xFFFFFFFF);
    }
    instrumentImages = images;
}
