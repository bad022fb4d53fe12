// Tests of the song library: the index file across added, changed, deleted and damaged songs,
// a damaged index, sub-folders, unreadable songs and songs changed between index and play.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/ScratchFolder.h"
#include "menus/TestSongs.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "smf/MidiBytes.h"
#include "song/MidiContainer.h"
#include "song/SongIndex.h"
#include "song/SongLibrary.h"
#include "tests/support/ChildCheck.h"

namespace {

namespace fs = std::filesystem;

// Bytes of address space the process has mapped (a sanitizer maps terabytes of it).
rlim_t AddressSpace()
{
    unsigned long long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

class SongLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(scratch.Path("data/rock/old"));
        Write("a.mid", MakeTestSong({{0, 60, 0, 240}, {2, 64, 480, 960}}, {{2, 40}}));
        Write("rock/b.mid", MakeTestSong({{1, 50, 0, 4800}}));
        Write("rock/old/c.MID", MakeTestSong({{0, 70, 0, 240}}));
        Write("broken.mid", "MThd but not a song");
        Write("notes.txt", "not a song at all");
    }

    void Write(const std::string &name, const std::string &bytes)
    {
        ASSERT_TRUE(WriteTestFile(scratch.Path("data/" + name), bytes));
    }

    // Opens a library on the scratch folder, reads every new song and returns the summaries
    // by name together with how many songs had to be read.
    std::map<std::string, SongSummary> Open(int *read = nullptr)
    {
        SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
        library.Open(nullptr, nullptr);
        library.Finish();
        if (read != nullptr) {
            *read = library.GetToRead();
        }
        std::map<std::string, SongSummary> byName;
        for (MidiContainer *song : library.GetSongs()) {
            EXPECT_TRUE(song->summary.indexed) << song->name;
            byName[song->name] = song->summary;
        }
        return byName;
    }

    ScratchFolder scratch;
};

TEST_F(SongLibraryTest, SongsOfEveryFolderAreSummarisedOnceAndKeptInTheIndex)
{
    int read = 0;
    const auto first = Open(&read);
    EXPECT_EQ(read, 4);
    ASSERT_EQ(first.size(), 4u);
    const std::vector<std::string> names = {"a.mid", "broken.mid", "rock/b.mid", "rock/old/c.MID"};
    size_t i = 0;
    for (const auto &entry : first) {
        EXPECT_EQ(entry.first, names[i++]);
    }
    const SongSummary &a = first.at("a.mid");
    EXPECT_TRUE(a.readable);
    EXPECT_EQ(a.maxChannel, 2);
    EXPECT_EQ(a.notes[0], 1);
    EXPECT_EQ(a.notes[2], 1);
    EXPECT_EQ(a.programs[2], 40);
    EXPECT_EQ(a.lengthMs, 1500);
    EXPECT_EQ(a.tempoLevel, 80);
    const SongSummary &broken = first.at("broken.mid");
    EXPECT_FALSE(broken.readable);
    EXPECT_EQ(broken.warning, "File is NOT midi.");
    EXPECT_EQ(first.at("rock/b.mid").lengthMs, 5000);

    // The second start reads nothing and knows the same.
    const auto second = Open(&read);
    EXPECT_EQ(read, 0);
    ASSERT_EQ(second.size(), first.size());
    for (const auto &entry : first) {
        EXPECT_EQ(SongIndex::Format(second.at(entry.first)), SongIndex::Format(entry.second));
    }
}

// Thousands of broken songs must not flood stderr: the first few are named, the rest counted
// in one line once the library has read them all, and every card still says why.
TEST_F(SongLibraryTest, ManyBrokenSongsGiveAFewLinesAndACountButEachKeepsItsReason)
{
    const int broken = SONG_WARNING_LINES + 40; // with broken.mid
    for (int i = 1; i < broken; ++i) {
        Write("empty" + std::to_string(i) + ".mid", "");
    }
    WarningLog log; // from the first song warning on
    SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
    library.Open(nullptr, nullptr);
    library.Finish();

    int unreadable = 0;
    for (MidiContainer *song : library.GetSongs()) {
        if (!song->summary.readable) {
            ++unreadable;
            EXPECT_FALSE(song->summary.warning.empty()) << song->name << " says why";
        }
    }
    EXPECT_EQ(unreadable, broken);
    // The count comes once every song is read, not when the program ends.
    ASSERT_EQ(log.texts.size(), static_cast<size_t>(SONG_WARNING_LINES + 1));
    EXPECT_EQ(log.texts.back(), "40 more songs cannot be read (not listed; each card says why)");
}

TEST_F(SongLibraryTest, AddedAndChangedSongsAreReadAgainAndDeletedOnesDropOut)
{
    Open();
    Write("rock/b.mid", MakeTestSong({{1, 50, 0, 480}, {5, 52, 0, 480}})); // now 6 parts
    Write("new.mid", MakeTestSong({{3, 40, 0, 480}}));
    fs::remove(scratch.Path("data/a.mid"));
    // Same size, new contents: only the modification time tells.
    const std::string c = scratch.Path("data/rock/old/c.MID");
    const auto written = fs::last_write_time(c);
    Write("rock/old/c.MID", MakeTestSong({{1, 70, 0, 240}}));
    fs::last_write_time(c, written + std::chrono::seconds(5));
    int read = 0;
    const auto after = Open(&read);
    EXPECT_EQ(read, 3);
    EXPECT_EQ(after.at("rock/old/c.MID").maxChannel, 1);
    EXPECT_EQ(after.count("a.mid"), 0u);
    EXPECT_EQ(after.at("rock/b.mid").maxChannel, 5);
    EXPECT_EQ(after.at("new.mid").maxChannel, 3);
    EXPECT_EQ(scratch.Read("songindex").find("a.mid\t"), std::string::npos)
        << "a deleted song leaves the index";
    fs::remove(scratch.Path("data/new.mid")); // only a deletion this time
    EXPECT_EQ(Open(&read).size(), 3u);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(scratch.Read("songindex").find("new.mid\t"), std::string::npos);
}

TEST_F(SongLibraryTest, ADamagedOrForeignIndexIsNeverTrusted)
{
    Open();
    const std::string good = scratch.Read("songindex");
    ASSERT_NE(good.find("rock/b.mid\t"), std::string::npos);

    // Damaged lines cost a new reading of those songs only; out-of-range values count as
    // damage too (a part count of 17 would overrun the score tables).
    std::string damaged = good;
    const size_t b = damaged.find("rock/b.mid\t");
    damaged.replace(damaged.find('\t', b), 1, "\tx");
    const size_t c = damaged.find("rock/old/c.MID\t");
    const size_t cEnd = damaged.find('\n', c);
    SongSummary summary;
    ASSERT_TRUE(SongIndex::Parse(damaged.substr(c, cEnd - c), summary));
    summary.maxChannel = 17;
    damaged.replace(c, cEnd - c, SongIndex::Format(summary));
    scratch.Write("songindex", damaged + "a.mid\t1\t2\n\xff\xfe\x00garbage");
    int read = 0;
    auto after = Open(&read);
    EXPECT_EQ(read, 2);
    EXPECT_EQ(after.at("rock/old/c.MID").maxChannel, 0);

    // Not an index at all, or an empty or cut-off file: every song is read again.
    for (const std::string &foreign :
         {std::string("config 1\n") + good.substr(good.find('\n')), std::string(),
          good.substr(0, 10), std::string("\0\0\0", 3)}) {
        scratch.Write("songindex", foreign);
        after = Open(&read);
        EXPECT_EQ(read, 4);
        EXPECT_EQ(after.size(), 4u);
    }
}

TEST_F(SongLibraryTest, AnIndexThatIsNotAFileNeverHoldsUpTheStartAndIsRebuilt)
{
    Open();
    std::string big = scratch.Read("songindex");
    big.resize(MAX_INDEX_FILE_BYTES + 1, '\n'); // a real index, one byte past the cap
    ASSERT_EQ(::mkfifo(scratch.Path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", scratch.Path("zero").c_str()), 0);
    scratch.Write("big", big);
    for (const char *name : {"fifo", "zero", "big"}) {
        fs::remove(scratch.Path("songindex"));
        fs::rename(scratch.Path(name), scratch.Path("songindex"));
        // In a child: a read that waits or never ends is ended by its alarm, and memory is
        // bounded so that one that grows without end fails quickly.
        EXPECT_TRUE(PassesInChild([&] {
            rlimit memory{AddressSpace() + (1u << 30), RLIM_INFINITY};
            ::setrlimit(RLIMIT_AS, &memory);
            int warnings = 0;
            SetWarningSink([&](const std::string &line) {
                warnings += line.find("songindex") != std::string::npos;
            });
            int read = 0;
            const bool allRead = Open(&read).size() == 4u && read == 4;
            // The link to a device is also not saved over, which is said once more.
            return allRead && warnings == (name == std::string("zero") ? 2 : 1);
        })) << name
            << ": refused with one warning, every song read again";
        // The FIFO and the oversized file are rebuilt: the next start reads no song. The
        // link to a device is left alone by the save, and every start reads the songs again.
        struct stat info;
        ASSERT_EQ(::lstat(scratch.Path("songindex").c_str(), &info), 0);
        EXPECT_EQ(S_ISLNK(info.st_mode), name == std::string("zero")) << name;
        if (name != std::string("zero")) {
            EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
            EXPECT_LE(info.st_size, static_cast<off_t>(MAX_INDEX_FILE_BYTES)) << name;
            int read = -1;
            EXPECT_EQ(Open(&read).size(), 4u) << name;
            EXPECT_EQ(read, 0) << name << ": the rebuilt index serves the next start";
        }
    }
}

TEST_F(SongLibraryTest, AnIndexIsNeverWrittenLargerThanItsReaderAccepts)
{
    SongIndex index;
    SongSummary song;
    song.indexed = true;
    song.title = std::string(1u << 20, 't'); // a track name of 1 MB
    for (int i = 0; i < 20; ++i) {
        song.name = "song" + std::to_string(i) + ".mid";
        index.Put(song);
    }
    ASSERT_TRUE(index.Save(scratch.Path("songindex")));
    SongIndex next;
    ASSERT_TRUE(next.Load(scratch.Path("songindex")));
    EXPECT_GE(next.Size(), 14u);
    EXPECT_LT(next.Size(), 20u) << "the songs past the limit are read again instead";
}

TEST_F(SongLibraryTest, NamesAndTitlesWithAnyBytesSurviveTheIndex)
{
    SongSummary odd;
    odd.name = "tab\there/new\nline\\back.mid";
    odd.title = "\\t is not a tab\r";
    odd.warning = "INVALID TRACK";
    odd.indexed = true;
    odd.size = 1234567890123LL;
    odd.modified = -5;
    odd.density[15] = 100;
    odd.programs[3] = 127;
    odd.notes[7] = 99999;
    odd.lastPlayed = 1700000000;
    const std::string line = SongIndex::Format(odd);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    SongSummary back;
    ASSERT_TRUE(SongIndex::Parse(line, back));
    EXPECT_EQ(back.name, odd.name);
    EXPECT_EQ(back.title, odd.title);
    EXPECT_EQ(SongIndex::Format(back), line);
    // One field too few, or a bad escape, is no entry.
    EXPECT_FALSE(SongIndex::Parse(line.substr(0, line.rfind('\t')), back));
    EXPECT_FALSE(SongIndex::Parse("a\\q.mid" + line.substr(line.find('\t')), back));
}

TEST_F(SongLibraryTest, TheFirstTrackNameIsTheTitle)
{
    const Bytes named =
        Header(1, 2, 480) +
        Track(Bytes{0x00, 0xFF, 0x03, 0x05, 'S', 'o', 'n', 'g', '!'} + Tempo(0, 500000)) +
        Track(Bytes{0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's'} + NoteOn(0, 0, 60, 100) +
              NoteOn(480, 0, 60, 0));
    Write("named.mid", std::string(named.begin(), named.end()));
    const auto songs = Open();
    EXPECT_EQ(songs.at("named.mid").title, "Song!");
    EXPECT_EQ(songs.at("named.mid").format, 1);
    EXPECT_EQ(songs.at("named.mid").tracks, 2);
    EXPECT_EQ(songs.at("a.mid").title, "");
}

TEST_F(SongLibraryTest, ASongChangedAfterItWasIndexedIsReadAsItIsNowBeforePlay)
{
    Open();
    SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
    library.Open(nullptr, nullptr);
    ASSERT_EQ(library.GetToRead(), 0);
    MidiContainer *a = library.GetSongs()[0];
    ASSERT_EQ(a->name, "a.mid");
    ASSERT_EQ(a->maxChannel, 2);

    Write("a.mid", MakeTestSong({{0, 60, 0, 240}, {7, 64, 480, 9600}}));
    ASSERT_TRUE(a->LoadEvents());
    EXPECT_TRUE(a->summaryChanged);
    EXPECT_EQ(a->maxChannel, 7);
    EXPECT_EQ(a->summary.maxChannel, 7);
    EXPECT_EQ(a->summary.lengthMs, 10500);
    ASSERT_NE(a->highScore[0], nullptr);
    a->highScore[0][7] = 5; // the score tables were sized for the new parts (ASan checks)
    a->highScore[0][7] = 0;
    a->ReleaseEvents();
    EXPECT_EQ(a->midi, nullptr);
    EXPECT_TRUE(a->positions.empty());

    // A song that became unreadable says why.
    Write("a.mid", "MThd");
    EXPECT_FALSE(a->LoadEvents());
    EXPECT_FALSE(a->summary.readable);
    EXPECT_EQ(a->summary.warning, "File is NOT midi.");
    EXPECT_EQ(a->maxChannel, 0);
}

TEST_F(SongLibraryTest, LastPlayedSurvivesARestartAChangedSongAndAReadBeforePlay)
{
    Open();
    {
        SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
        library.Open(nullptr, nullptr);
        library.MarkPlayed("a.mid", 1700000000);
        library.MarkPlayed("rock/b.mid", 1700000500);
    }
    auto songs = Open();
    EXPECT_EQ(songs.at("a.mid").lastPlayed, 1700000000) << "after a restart";
    EXPECT_EQ(songs.at("rock/b.mid").lastPlayed, 1700000500);
    EXPECT_EQ(songs.at("rock/old/c.MID").lastPlayed, 0) << "never played";

    // The song was edited since: it is read again at the start, and still was played then.
    Write("a.mid", MakeTestSong({{0, 60, 0, 240}, {4, 64, 480, 960}}));
    int read = 0;
    songs = Open(&read);
    EXPECT_EQ(read, 1);
    EXPECT_EQ(songs.at("a.mid").maxChannel, 4);
    EXPECT_EQ(songs.at("a.mid").lastPlayed, 1700000000) << "after the song was read again";

    // Edited while the game runs: read again as the game starts, the time stays too.
    SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
    library.Open(nullptr, nullptr);
    MidiContainer *b = library.GetSongs()[2];
    ASSERT_EQ(b->name, "rock/b.mid");
    Write("rock/b.mid", MakeTestSong({{1, 50, 0, 480}, {6, 52, 0, 480}}));
    ASSERT_TRUE(b->LoadEvents());
    ASSERT_TRUE(b->summaryChanged);
    EXPECT_EQ(b->summary.maxChannel, 6);
    EXPECT_EQ(b->summary.lastPlayed, 1700000500) << "after a read before play";
    b->ReleaseEvents();
}

TEST_F(SongLibraryTest, EachIndexFieldIsTrustedUpToItsLimitAndNoFurther)
{
    // A value past what the game can show or size its tables for (17 parts, a 101 % meter,
    // instrument 128) is damage: the song is read again instead of showing a wrong card.
    SongSummary summary;
    summary.name = "a.mid";
    summary.indexed = true;
    const std::string line = SongIndex::Format(summary);
    std::vector<std::string> fields;
    for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
        tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    }
    ASSERT_EQ(fields.size(), 16u);
    // One field changed; a list field (notes, programs, density) changes its last item.
    auto with = [&](size_t field, const std::string &value) {
        std::vector<std::string> changed = fields;
        std::string &text = changed[field];
        const size_t comma = text.rfind(',');
        text = comma == std::string::npos ? value : text.substr(0, comma + 1) + value;
        std::string joined;
        for (const std::string &part : changed) {
            joined += (joined.empty() ? "" : "\t") + part;
        }
        return joined;
    };
    struct Limit
    {
        size_t field;
        const char *what, *highest, *past;
    };
    const Limit limits[] = {
        {3, "readable", "1", "2"},
        {6, "highest part", "15", "16"},
        {8, "tempo meter", "100", "101"},
        {9, "length meter", "100", "101"},
        {11, "instrument", "127", "128"},
        {12, "density meter", "100", "101"},
        {4, "format", "65535", "65536"},
        {5, "tracks", "65535", "65536"},
        {7, "length", "2147483647", "2147483648"},
    };
    for (const Limit &limit : limits) {
        SongSummary parsed;
        EXPECT_TRUE(SongIndex::Parse(with(limit.field, limit.highest), parsed)) << limit.what;
        EXPECT_FALSE(SongIndex::Parse(with(limit.field, limit.past), parsed)) << limit.what;
        EXPECT_FALSE(SongIndex::Parse(with(limit.field, "-1"), parsed)) << limit.what;
    }
    SongSummary parsed;
    EXPECT_FALSE(SongIndex::Parse(with(15, "-1"), parsed)) << "played before 1970";
    EXPECT_FALSE(SongIndex::Parse(with(1, "-1"), parsed)) << "a negative size";
}

TEST_F(SongLibraryTest, FilesAndFoldersThePlayerCannotReadCostNothingElse)
{
    // Run as nobody even under root (as CI runs): root reads every file, a player does not.
    Open();
    fs::create_directories(scratch.Path("data/locked"));
    Write("locked/d.mid", MakeTestSong({{0, 60, 0, 240}}));
    Write("secret.mid", MakeTestSong({{0, 60, 0, 240}}));
    for (const char *path : {"", "/data", "/data/rock", "/data/rock/old"})
        ASSERT_EQ(::chmod((scratch.Folder() + path).c_str(), 0777), 0);
    for (const char *name :
         {"data/a.mid", "data/rock/b.mid", "data/rock/old/c.MID", "data/broken.mid", "songindex"})
        ASSERT_EQ(::chmod(scratch.Path(name).c_str(), 0666), 0);
    ASSERT_EQ(::chmod(scratch.Path("data/secret.mid").c_str(), 0), 0);
    ASSERT_EQ(::chmod(scratch.Path("data/locked").c_str(), 0), 0);
    EXPECT_TRUE(PassesInChild(
        [&] {
            // Songs other tests of this process could not read are not counted against it.
            ResetSongWarningLimit();
            std::vector<std::string> warnings;
            SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
            const auto songs = Open();
            // The readable songs are all there, read from the index; the locked one has a
            // card that says why it cannot be played; the locked folder adds nothing.
            const bool listed = songs.size() == 5 && songs.at("a.mid").readable &&
                                songs.at("rock/b.mid").readable && songs.count("secret.mid") &&
                                !songs.at("secret.mid").readable &&
                                !songs.at("secret.mid").warning.empty();
            bool told = false;
            for (const std::string &line : warnings)
                told = told || line.find("secret.mid") != std::string::npos;
            return listed && told;
        },
        true));

    // An index the player may not read: said once, and every song is read again.
    ASSERT_EQ(::chmod(scratch.Path("data/locked").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(scratch.Path("songindex").c_str(), 0), 0);
    EXPECT_TRUE(PassesInChild(
        [&] {
            std::vector<std::string> warnings;
            SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
            int read = 0;
            const auto songs = Open(&read);
            bool told = false;
            for (const std::string &line : warnings)
                told = told || line.find("songindex") != std::string::npos;
            return songs.size() == 6 && read == 6 && told;
        },
        true));
}

// An index that is a link to a device is not written through, and that is said: once on stderr
// naming the file and why, and kept for the screen; a save that works again clears it.
TEST_F(SongLibraryTest, AnIndexLinkedToADeviceIsNotSavedAndSaysSo)
{
    ASSERT_EQ(::symlink("/dev/null", scratch.Path("songindex").c_str()), 0);
    std::vector<std::string> warnings;
    SetWarningSink([&](const std::string &line) { warnings.push_back(line); });
    {
        SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
        library.Open(nullptr, nullptr);
        library.Finish();
        EXPECT_FALSE(library.SaveIndex());
        EXPECT_NE(library.GetIndexProblem().find(scratch.Path("songindex")), std::string::npos)
            << library.GetIndexProblem();
        EXPECT_FALSE(library.SaveIndex());
    } // neither the second try nor the last one at the end says it again
    SetWarningSink(nullptr);
    int saves = 0;
    for (const std::string &line : warnings)
        saves += line.find("song index was not saved") != std::string::npos &&
                 line.find(scratch.Path("songindex")) != std::string::npos;
    EXPECT_EQ(saves, 1) << "said " << saves << " times";
    struct stat info;
    ASSERT_EQ(::lstat(scratch.Path("songindex").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link was replaced";

    fs::remove(scratch.Path("songindex"));
    SongLibrary library(scratch.Path("data"), scratch.Path("songindex"));
    library.Open(nullptr, nullptr);
    library.Finish();
    EXPECT_EQ(library.GetIndexProblem(), "");
}

} // namespace
