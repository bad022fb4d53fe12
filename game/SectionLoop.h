// SectionLoop: the section of a song the player repeats: its marked start and end (song ms).
#pragma once

class SectionLoop
{
public:
    static constexpr int MIN_LENGTH = 250; ///< ms of song time a loop lasts at least

    // Marks the start at song position 'position' (ms); a loop that was running ends.
    void MarkStart(int position);
    // Marks the end at 'position': the loop runs from the marked start (the song's start when
    // none was marked) to here. False, and nothing changes, when that is shorter than
    // MIN_LENGTH.
    bool MarkEnd(int position);
    // Forgets the marks and ends the loop.
    void Clear();

    // True while a loop runs.
    bool IsActive() const { return active; }
    // True once a loop has run in this game.
    bool WasUsed() const { return used; }
    // True when a start is marked but no loop runs yet.
    bool IsStartMarked() const { return startMarked && !active; }
    int GetStart() const { return start; }
    int GetEnd() const { return end; }
    // Times the section has started over since the loop began.
    int GetRepeats() const { return repeats; }
    // True when the running loop must start over at 'position' (ms): the end has been reached.
    bool IsPastEnd(int position) const { return active && position >= end; }
    // Counts a start-over.
    void Repeated() { repeats++; }

private:
    int start = 0;
    int end = 0;
    int repeats = 0;
    bool startMarked = false;
    bool active = false;
    bool used = false;
};
