// SongOrder: which songs the song selection shows for a search text, and in which order.
#pragma once

#include <string>
#include <vector>

class MidiContainer;

// The orders the player cycles through on the song selection, and the filter by typed text.
class SongOrder
{
public:
    enum Key
    {
        kName,      ///< file name (with its folder), A to Z
        kTitle,     ///< the song's own title, A to Z; songs without one after the others
        kLength,    ///< shortest first
        kDensity,   ///< calmest first (the busiest part of each song counts)
        kTempo,     ///< fastest first (the tempo level grows as the tempo falls)
        kHighScore, ///< best high score of any part for the number of keys, highest first
        kRecent,    ///< last played first; songs never played after the others
        kKeyCount
    };

    // The name shown for an order ("name", "title", ...).
    static const char *Name(Key key);
    // The next order, after the last the first again.
    static Key Next(Key key) { return static_cast<Key>((key + 1) % kKeyCount); }

    // Numbers (into songs) of the songs whose file name or title contains each word of
    // 'query' (words split at spaces, ASCII letters in any case), in the order 'key'; equal songs
    // keep name order. keyIndex: the number of keys - 1 whose high scores count.
    static std::vector<int> Arrange(const std::vector<MidiContainer *> &songs,
                                    const std::string &query, Key key, int keyIndex);

    // True when 'text' contains 'query', ASCII letters compared without case.
    static bool Contains(const std::string &text, const std::string &query);
};
