// SongOrder: the search filter and the sort orders of the song selection.
#include "menus/SongOrder.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "song/MidiContainer.h"
#include "text/MessageCatalog.h"

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The best high score of any part for one number of keys.
int BestScore(const MidiContainer *song, int keyIndex)
{
    int best = 0;
    if (keyIndex < 0 || keyIndex >= MidiContainer::KEY_COUNTS ||
        song->highScore[keyIndex] == nullptr) {
        return best;
    }
    for (int c = 0; c <= song->maxChannel; ++c) {
        best = std::max(best, song->highScore[keyIndex][c]);
    }
    return best;
}

// Sort value of a song: smaller comes first.
int64_t Rank(const MidiContainer *song, SongOrder::Key key, int keyIndex)
{
    const SongSummary &s = song->summary;
    switch (key) {
    case SongOrder::kLength:
        return s.lengthMs;
    case SongOrder::kDensity:
        return s.MaxDensity();
    case SongOrder::kTempo:
        return s.tempoLevel;
    case SongOrder::kHighScore:
        return -static_cast<int64_t>(BestScore(song, keyIndex));
    case SongOrder::kRecent:
        return s.lastPlayed > 0 ? -s.lastPlayed : 0;
    default:
        return 0;
    }
}

} // namespace

const char *SongOrder::Name(Key key)
{
    static const char *const names[kKeyCount] = {
        TrNoop("name"),  TrNoop("title"),      TrNoop("length"),         TrNoop("density"),
        TrNoop("tempo"), TrNoop("high score"), TrNoop("recently played")};
    return key >= 0 && key < kKeyCount ? names[key] : "name";
}

bool SongOrder::Contains(const std::string &text, const std::string &query)
{
    auto found = std::search(text.begin(), text.end(), query.begin(), query.end(),
                             [](char a, char b) { return Lower(a) == Lower(b); });
    return found != text.end() || query.empty();
}

std::vector<int> SongOrder::Arrange(const std::vector<MidiContainer *> &songs,
                                    const std::string &query, Key key, int keyIndex)
{
    // Every word of the query must be found, each in the name or in the title.
    std::vector<std::string> words;
    size_t start = 0;
    while (start < query.size()) {
        size_t end = query.find(' ', start);
        end = end == std::string::npos ? query.size() : end;
        if (end > start) {
            words.push_back(query.substr(start, end - start));
        }
        start = end + 1;
    }
    std::vector<int> shown;
    for (size_t i = 0; i < songs.size(); ++i) {
        const bool all = std::all_of(words.begin(), words.end(), [&](const std::string &word) {
            return Contains(songs[i]->name, word) || Contains(songs[i]->summary.title, word);
        });
        if (all) {
            shown.push_back(static_cast<int>(i));
        }
    }
    // The songs come in name order; a stable sort keeps it among equals.
    if (key == kTitle) {
        std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) {
            const std::string &ta = songs[a]->summary.title;
            const std::string &tb = songs[b]->summary.title;
            if (ta.empty() != tb.empty()) {
                return tb.empty();
            }
            return std::lexicographical_compare(ta.begin(), ta.end(), tb.begin(), tb.end(),
                                                [](char x, char y) { return Lower(x) < Lower(y); });
        });
    } else if (key != kName) {
        std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) {
            return Rank(songs[a], key, keyIndex) < Rank(songs[b], key, keyIndex);
        });
    }
    return shown;
}
