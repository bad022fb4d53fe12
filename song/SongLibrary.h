// SongLibrary: the song list, its index file and the background reader of new songs.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/GamePaths.h"
#include "song/SongIndex.h"

class ImageSet;
class MidiContainer;
class SceneManager;

// Opening lists the song folder and its sub-folders and gives every song file a container
// at once: songs the index file knows unchanged (same size and modification time) get their
// summary from it; the others are read on worker threads (one fewer than the processor has
// cores, at least one, at most four), which touch nothing but the list of names to read, a
// shared counter of the next one and a queue of finished summaries. The main thread moves the
// finished summaries into their containers with Poll, so containers and cards are only ever touched
// by the game's own threads in their usual order. The index is written when the reader is
// done and when the library goes, holding only the songs that are still there.
class SongLibrary
{
public:
    // folder: the song folder ("data"); indexPath: the index file ("songindex").
    explicit SongLibrary(std::string folder = "data", std::string indexPath = "songindex");
    // Songs of several folders in one list: those of the first are named as below it, those
    // of the others as "<label>/<path below it>" (a song of the first folder whose name is
    // taken by another's is left out). Score files of songs in folders not writable go below
    // scoreFolder by that name.
    SongLibrary(std::vector<SongFolder> folders, std::string indexPath, std::string scoreFolder);
    // Stops the reader (a song being read is finished first), writes the index when it
    // changed and deletes the containers.
    ~SongLibrary();
    SongLibrary(const SongLibrary &) = delete;
    SongLibrary &operator=(const SongLibrary &) = delete;

    // Lists the folder and builds the containers; the songs the index does not know wait for
    // the readers, which the first Poll starts (so that the first picture is not slowed by
    // them). manager and images go to every container (number writer, instrument names);
    // either may be null.
    void Open(SceneManager *manager, ImageSet *images);
    // Main thread: starts the readers the first time, then moves the summaries read since the
    // last call into their containers. Returns how many it moved; writes the index once every
    // song is read.
    int Poll();
    // Blocks until the reader has finished, then polls (tests and tools).
    void Finish();

    std::vector<MidiContainer *> &GetSongs() { return songs; }
    // How many songs the first folder (the player's own) gave.
    int GetOwnSongCount() const { return ownSongs; }
    // Songs read by the worker so far, and how many it had to read.
    int GetReadCount() const { return readCount.load(); }
    int GetToRead() const { return toRead; }
    // True until every summary the worker read has reached its container.
    bool IsReading() const { return applied < toRead; }
    // Counts changes of song summaries; a screen showing songs redraws when it moved.
    uint64_t GetGeneration() const { return generation; }

    // A song's summary changed outside the reader (read again before play): the container
    // of that name takes it, and the index is written again when the library goes.
    void Update(const SongSummary &summary);
    // Remembers that a game of the named song started now (s since 1970).
    void MarkPlayed(const std::string &name, int64_t when);

    // Writes the index now. False when it could not be written; the reason is said on stderr
    // (once while it stays the same) and kept for GetIndexProblem.
    bool SaveIndex();
    // Why the last write of the index failed ("" when it succeeded or none was tried).
    const std::string &GetIndexProblem() const { return indexProblem; }
    // The folders Open could list no song from, with the reason (see SongFolderProblem), in
    // the order given; each is said once on stderr. The first folder (the player's own) is
    // left out while it is merely missing: the song selection tells where it goes.
    const std::vector<std::pair<std::string, std::string>> &GetFolderProblems() const
    {
        return folderProblems;
    }

private:
    // A worker: takes the next waiting song until none is left, reads it and queues its
    // summary.
    void ReadWaiting();
    // Starts the workers unless they were started or nothing waits.
    void StartReaders();
    // Waits for every worker to end.
    void JoinReaders();
    MidiContainer *Find(const std::string &name);
    // The song file and score file of a listed name in folder number 'folder'.
    std::string SongPath(size_t folder, const std::string &name) const;
    std::string ScorePath(size_t folder, const std::string &name) const;

    std::vector<SongFolder> folders; ///< fixed at construction; read by the workers
    std::string indexPath;
    std::string scoreFolder;
    std::vector<size_t> songFolder; ///< the folder of each entry of 'songs'
    int ownSongs = 0;
    std::vector<MidiContainer *> songs; ///< owned, in name order
    SongIndex index; ///< the index file while Open matches the songs to it; empty afterwards

    std::vector<std::thread> readers;
    // (song number, song file) of the songs to read; fixed before the workers start.
    std::vector<std::pair<int, std::string>> waiting;
    std::atomic<size_t> nextWaiting{0}; ///< the next entry of 'waiting' a worker takes
    std::atomic<bool> stopping{false};
    bool readersStarted = false;
    std::atomic<int> readCount{0};
    std::mutex finishedMutex;
    std::vector<std::pair<int, SongSummary>> finished; ///< (song number, summary), guarded
    int toRead = 0;
    int applied = 0;
    uint64_t generation = 0;
    bool indexDirty = false;
    std::string indexProblem; ///< why the last index write failed; "" if it did not
    std::vector<std::pair<std::string, std::string>> folderProblems; ///< (folder, reason)
};
