// Sequencer: walks a song's timed table with cursors of its own and sends the events that fall due.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
#include "song/KeyPosition.h"
#include "song/KeyPositionTable.h"

// The table is shared with the song and never copied; the sequencer keeps only its place in it
// and one state byte per note of the player's part. A record is "in play" while something may
// still happen to it: every record the send position has not passed yet, and every note of the
// part that was neither hit nor missed. Positions are ms of song time; a record is due once the
// send position has passed its time. A jump (a repeated section) moves the cursors back and
// puts every record from there on in play again, without copying anything.
class Sequencer
{
public:
    // What became of one of the part's notes.
    enum NoteState : uint8_t
    {
        WAITING,   ///< not hit or missed yet: the player's to play
        HIT_EARLY, ///< hit before its time; sent when due like any other event
        DONE,      ///< hit or missed, and sent if it is to be: out of play
    };
    static constexpr size_t NO_SLOT = SIZE_MAX; ///< the record is not one of the part's notes

    // Starts at the beginning of 'table' (shared, not copied). 'part' is the player's channel;
    // -1 makes every record an ordinary event. Events go out with 'song', whose tempo the Set
    // Tempo events change.
    void Reset(const KeyPositionTable &table, int part, MidiFile *song);

    const KeyPositionTable &GetTable() const { return table; }
    // True for a playable note (Note On with velocity) of the part.
    bool IsPartNote(const KeyPosition &record) const
    {
        return record.isNote && record.channel == part;
    }
    // Notes of the part in the table.
    size_t GetPartNoteCount() const { return states.size(); }
    // True for one of the part's notes that waits for the player.
    bool IsOpen(size_t slot) const { return slot != NO_SLOT && states[slot] == WAITING; }
    NoteState GetState(size_t slot) const { return states[slot]; }
    // The send position of the last Advance (ms): records before it have gone out.
    int GetPlayedUpTo() const { return playedUpTo; }

    // Calls visit(record, slot) for every record in play, in table order, until it returns
    // false; 'slot' numbers the part's notes in table order (NO_SLOT for any other record).
    template <typename Visit> void ForEachInPlay(Visit visit);
    // True when no record is in play any more: the song is over.
    bool NothingInPlay();

    // Sends what the send position passed since the last call: every record with
    // GetPlayedUpTo() <= time < sending, in table order, the part's open notes only when
    // 'sendPartNotes' (Auto Play). The walk goes on to 'walkEnd' (ms) and asks late(record)
    // about every open note of the part it meets; a true answer takes the note out of play (a
    // miss). A non-open record leaves play once sent.
    template <typename Late> void Advance(int sending, int walkEnd, bool sendPartNotes, Late late);

    // A hit of the part's note in 'slot' that sounds now (Self Play): the note is sent and
    // leaves play. When its written Note Off has gone out already, a Note Off of the note's
    // written length is kept for send position running + length, so it does not ring on.
    void PlayHit(const KeyPosition &record, size_t slot, int running);
    // A hit of the part's note in 'slot' that is played at its time (Auto Play): out of play
    // when it was sent already, else it stays in play as an ordinary event.
    void KeepForItsTime(const KeyPosition &record, size_t slot);
    // Takes the part's note in 'slot' out of play (a miss).
    void Drop(size_t slot) { states[slot] = DONE; }
    // Sends the Note Offs kept by PlayHit whose send position 'position' (ms) has come.
    void SendPendingNoteOffs(int position);
    // The end of the song: one note-off sweep, and the kept Note Offs dropped. Once per song
    // (again after a jump).
    void StopOnce();

    // One record at a time, for a sequencer without a part (the song selection's preview,
    // which paces a flood of events itself): the next record not sent yet (null once every
    // record has gone out), and sending it.
    const KeyPosition *GetNext() const
    {
        return nextDue < table.size() ? &table[nextDue] : nullptr;
    }
    void SendNext() { Send(table[nextDue++]); }

    // Jumps to song position 'at' (ms): silence, the channels' programs, controllers and tempo
    // in effect there (up to 'until'), and every record from 'at' on in play again.
    // 'initialTempo' is the song's tempo (us per quarter) before its first Set Tempo.
    void JumpTo(int at, int until, uint32_t initialTempo);

    // Sends one record's event.
    void Send(const KeyPosition &record) const;
    // Silences every channel, also notes held by the sustain pedal.
    static void Silence();

private:
    // Moves firstInPlay over the records that have left play.
    void SkipFinished();
    // The Note Off that ends each of the part's notes.
    void FindNoteEnds();

    // A Note Off the sequencer sends itself (see PlayHit).
    struct PendingNoteOff
    {
        int time;        ///< send position (ms) at which it is due
        MidiEvent event; ///< the Note Off
    };
    static constexpr size_t NO_END = SIZE_MAX;

    KeyPositionTable table; ///< shared with the song
    int part = -1;
    MidiFile *song = nullptr;
    // nextDue: the first record the send position has not passed yet; every record before it
    // that is not one of the part's notes has gone out. It never steps back while the song is
    // held (the send position does), only on a jump.
    size_t nextDue = 0;
    size_t firstInPlay = 0;        ///< no record before it is in play
    size_t firstInPlaySlot = 0;    ///< slot of the first part's note from firstInPlay on
    std::vector<NoteState> states; ///< what became of each of the part's notes, by slot
    // Index in the table of the Note Off that ends each of the part's notes, by slot; NO_END
    // when none was found. Whether it has gone out is told by nextDue.
    std::vector<size_t> noteEnds;
    std::vector<PendingNoteOff> pendingNoteOffs;
    int playedUpTo = INT_MIN; ///< send position (ms) up to which events have been sent
    bool stopSent = false;    ///< StopOnce's sweep went out
};

template <typename Visit> void Sequencer::ForEachInPlay(Visit visit)
{
    SkipFinished();
    size_t slots = firstInPlaySlot;
    for (size_t index = firstInPlay; index < table.size(); index++) {
        const KeyPosition &record = table[index];
        size_t slot = NO_SLOT;
        if (IsPartNote(record)) {
            slot = slots++;
            if (states[slot] == DONE)
                continue;
        } else if (index < nextDue) {
            continue;
        }
        if (!visit(record, slot))
            return;
    }
}

template <typename Late>
void Sequencer::Advance(int sending, int walkEnd, bool sendPartNotes, Late late)
{
    ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        if (record.time > walkEnd)
            return false;
        const bool open = IsOpen(slot);
        // Due: not sent yet and its send time has passed. playedUpTo is the send position of
        // the previous call, so every record is due in exactly one call, and a record that is
        // not an open note leaves play in that call.
        if (record.time >= playedUpTo && record.time < sending) {
            if (!open || sendPartNotes)
                Send(record);
            if (!open) {
                if (slot != NO_SLOT)
                    states[slot] = DONE;
                return true;
            }
        }
        if (open && late(record))
            states[slot] = DONE;
        return true;
    });
    playedUpTo = sending;
    // Every record before the send position that is not the part's note has gone out now.
    while (nextDue < table.size() && table[nextDue].time < sending)
        nextDue++;
}
