// SongLibrary: listing the folder, matching the index, reading new songs on a worker thread.
#include "song/SongLibrary.h"

#include <algorithm>

#include "framework/SceneManager.h"
#include "platform/DirectorySearch.h"
#include "platform/MessageBox.h"
#include "song/MidiContainer.h"

SongLibrary::SongLibrary(std::string folder, std::string indexPath)
    : SongLibrary({SongFolder{std::move(folder), "", true}}, std::move(indexPath), "")
{
}

SongLibrary::SongLibrary(std::vector<SongFolder> folders, std::string indexPath,
                         std::string scoreFolder)
    : folders(std::move(folders)), indexPath(std::move(indexPath)),
      scoreFolder(std::move(scoreFolder))
{
}

std::string SongLibrary::SongPath(size_t folder, const std::string &name) const
{
    const SongFolder &from = folders[folder];
    const std::string below =
        from.label.empty() ? name : name.substr(std::min(name.size(), from.label.size() + 1));
    return from.path + "/" + below;
}

std::string SongLibrary::ScorePath(size_t folder, const std::string &name) const
{
    if (folders[folder].writable || scoreFolder.empty()) {
        return SongPath(folder, name) + ".score";
    }
    return scoreFolder + "/" + name + ".score";
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
    // Every folder's songs under their listed names, in name order; the first folder's song
    // stays where two have the same name.
    std::vector<std::pair<FoundSongFile, size_t>> found;
    folderProblems.clear();
    for (size_t f = 0; f < folders.size(); ++f) {
        // A folder named on the command line that lists nothing would look like an empty one.
        const std::string problem = SongFolderProblem(folders[f].path);
        if (!problem.empty() && !(f == 0 && problem == "no such folder")) {
            ShowWarning(folders[f].path, "no songs listed from it: " + problem);
            folderProblems.emplace_back(folders[f].path, problem);
            continue;
        }
        for (FoundSongFile &file : FindMidiFilesBelow(folders[f].path)) {
            if (!folders[f].label.empty()) {
                file.name = folders[f].label + "/" + file.name;
            }
            found.emplace_back(std::move(file), f);
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto &a, const auto &b) { return a.first.name < b.first.name; });
    found.erase(
        std::unique(found.begin(), found.end(),
                    [](const auto &a, const auto &b) { return a.first.name == b.first.name; }),
        found.end());
    std::vector<FoundSongFile> files;
    songFolder.clear();
    ownSongs = 0;
    for (auto &entry : found) {
        files.push_back(entry.first);
        songFolder.push_back(entry.second);
        ownSongs += entry.second == 0 ? 1 : 0;
    }
    const std::vector<SongSummary> summaries = index.Match(files);
    // Deleted songs drop out of the index, and changed ones are replaced, on the next write.
    indexDirty = index.Size() != files.size();
    waiting.clear();
    songs.reserve(summaries.size());
    for (const SongSummary &summary : summaries) {
        MidiContainer *song = new MidiContainer();
        song->numWriter = manager != nullptr ? manager->GetNumWriter() : nullptr;
        song->instrumentImages = images;
        const size_t from = songFolder[songs.size()];
        song->SetSummaryAt(summary, SongPath(from, summary.name), ScorePath(from, summary.name));
        if (!summary.indexed) {
            waiting.emplace_back(static_cast<int>(songs.size()), summary.name);
        }
        songs.push_back(song);
    }
    // From now on the songs' own summaries are the index (see SaveIndex): kept once, not twice.
    index = SongIndex();
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
        // 'songFolder' and 'folders' stay as Open left them while the workers run.
        const size_t from = songFolder[static_cast<size_t>(song.first)];
        const std::string path = SongPath(from, song.second);
        const size_t slash = path.rfind('/');
        SongSummary summary =
            MidiContainer::ReadSummary(path.substr(0, slash), path.substr(slash + 1));
        summary.name = song.second;
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
            song->SetSummaryAt(entry.second, song->path, song->GetScorePath());
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
        song->SetSummaryAt(summary, song->path, song->GetScorePath());
        indexDirty = true;
        ++generation;
    }
}

void SongLibrary::MarkPlayed(const std::string &name, int64_t when)
{
    if (MidiContainer *song = Find(name)) {
        song->summary.lastPlayed = when;
        indexDirty = true;
    }
}

bool SongLibrary::SaveIndex()
{
    // Gathered from the songs for the write only.
    SongIndex current;
    for (const MidiContainer *song : songs) {
        current.Put(song->summary);
    }
    std::string problem;
    const bool saved = current.Save(indexPath, &problem);
    if (saved) {
        indexDirty = false;
    } else if (problem != indexProblem) {
        // Every song is read again at the next start: said, as that start will be slow.
        ShowWarning(indexPath, "the song index was not saved: " + problem);
    }
    indexProblem = saved ? "" : problem;
    return saved;
}
