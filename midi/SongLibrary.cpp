// SongLibrary: listing the folder, matching the index, reading new songs on a worker thread.
#include "midi/SongLibrary.h"

#include <algorithm>

#include "framework/SceneManager.h"
#include "midi/MidiContainer.h"
#include "platform/DirectorySearch.h"
#include "platform/MessageBox.h"

SongLibrary::SongLibrary(std::string folder, std::string indexPath)
    : folder(std::move(folder)), indexPath(std::move(indexPath))
{
}

SongLibrary::~SongLibrary()
{
    stopping = true;
    JoinReaders();
    readersStarted = true; // none start now
    Poll();
    ReportHiddenSongWarnings();
    if (indexDirty) {
        SaveIndex();
    }
    for (MidiContainer *song : songs) {
        delete song;
    }
}

void SongLibrary::Open(SceneManager *manager, ImageSet *images)
{
    index.Load(indexPath);
    const std::vector<FoundSongFile> files = FindMidiFilesBelow(folder);
    const std::vector<SongSummary> summaries = index.Match(files);
    // Deleted songs drop out of the index, and changed ones are replaced, on the next write.
    indexDirty = index.Size() != files.size();
    waiting.clear();
    songs.reserve(summaries.size());
    for (const SongSummary &summary : summaries) {
        MidiContainer *song = new MidiContainer();
        song->numWriter = manager != nullptr ? manager->GetNumWriter() : nullptr;
        song->instrumentImages = images;
        song->SetSummary(summary, folder);
        if (!summary.indexed) {
            waiting.emplace_back(static_cast<int>(songs.size()), summary.name);
        }
        songs.push_back(song);
    }
    index.Clear();
    for (const SongSummary &summary : summaries) {
        index.Put(summary);
    }
    toRead = static_cast<int>(waiting.size());
    indexDirty = indexDirty || !waiting.empty();
}

void SongLibrary::StartReaders()
{
    if (readersStarted || waiting.empty()) {
        return;
    }
    readersStarted = true;
    // The main thread and the preview keep one core; more than four readers only wait for
    // the disk.
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const int workers = std::clamp(cores - 1, 1, std::min(4, toRead));
    for (int i = 0; i < workers; ++i) {
        readers.emplace_back(&SongLibrary::ReadWaiting, this);
    }
}

void SongLibrary::JoinReaders()
{
    for (std::thread &reader : readers) {
        if (reader.joinable()) {
            reader.join();
        }
    }
    readers.clear();
}

void SongLibrary::ReadWaiting()
{
    while (!stopping) {
        const size_t next = nextWaiting++;
        if (next >= waiting.size()) {
            return;
        }
        const auto &song = waiting[next];
        SongSummary summary = MidiContainer::ReadSummary(folder, song.second);
        {
            std::lock_guard<std::mutex> lock(finishedMutex);
            finished.emplace_back(song.first, std::move(summary));
        }
        ++readCount;
    }
}

int SongLibrary::Poll()
{
    StartReaders();
    std::vector<std::pair<int, SongSummary>> taken;
    {
        std::lock_guard<std::mutex> lock(finishedMutex);
        taken.swap(finished);
    }
    for (auto &entry : taken) {
        MidiContainer *song = songs[static_cast<size_t>(entry.first)];
        // A song read again before play already holds the newer summary.
        if (!song->summary.indexed) {
            entry.second.lastPlayed = song->summary.lastPlayed;
            song->SetSummary(entry.second, folder);
            index.Put(entry.second);
        }
    }
    applied += static_cast<int>(taken.size());
    if (!taken.empty()) {
        ++generation;
        if (applied == toRead && !readers.empty()) {
            JoinReaders();
            SaveIndex();
        }
        if (applied == toRead) {
            // The songs that could not be read beyond the first few are counted in one line.
            ReportHiddenSongWarnings();
        }
    }
    return static_cast<int>(taken.size());
}

void SongLibrary::Finish()
{
    StartReaders();
    JoinReaders();
    Poll();
}

MidiContainer *SongLibrary::Find(const std::string &name)
{
    auto at =
        std::lower_bound(songs.begin(), songs.end(), name,
                         [](MidiContainer *song, const std::string &n) { return song->name < n; });
    return at != songs.end() && (*at)->name == name ? *at : nullptr;
}

void SongLibrary::Update(const SongSummary &summary)
{
    if (MidiContainer *song = Find(summary.name)) {
        song->SetSummary(summary, folder);
        index.Put(summary);
        indexDirty = true;
        ++generation;
    }
}

void SongLibrary::MarkPlayed(const std::string &name, int64_t when)
{
    if (MidiContainer *song = Find(name)) {
        song->summary.lastPlayed = when;
        index.Put(song->summary);
        indexDirty = true;
    }
}

bool SongLibrary::SaveIndex()
{
    const bool saved = index.Save(indexPath);
    if (saved) {
        indexDirty = false;
    }
    return saved;
}
