// Sequencer: walks a song's timed table with cursors of its own and sends the events that fall due.
#include "game/Sequencer.h"

#include <algorithm>
#include <map>

#include "game/ChannelSnapshot.h"

void Sequencer::Reset(const KeyPositionTable &newTable, int newPart, MidiFile *newSong)
{
    table = newTable;
    part = newPart;
    song = newSong;
    nextDue = firstInPlay = firstInPlaySlot = 0;
    // Every record is in play at the start, and each of the part's notes waits for the player.
    const size_t partNotes = static_cast<size_t>(
        std::count_if(table.begin(), table.end(),
                      [this](const KeyPosition &record) { return IsPartNote(record); }));
    states.assign(partNotes, WAITING);
    pendingNoteOffs.clear();
    playedUpTo = INT_MIN;
    stopSent = false;
    FindNoteEnds();
}

void Sequencer::FindNoteEnds()
{
    noteEnds.assign(states.size(), NO_END);
    // For each sounding note of the part, the first later Note Off (or Note On with velocity
    // 0) of the same channel and note ends it.
    std::map<int, std::vector<size_t>> open; // note -> slots of the Note Ons waiting for an end
    size_t slots = 0;
    for (size_t index = 0; index < table.size(); index++) {
        const KeyPosition &record = table[index];
        const bool partNote = IsPartNote(record);
        const size_t slot = partNote ? slots++ : NO_SLOT;
        if (!record.event.IsEvent())
            continue;
        const int status = record.event.Status();
        const int type = status & 0xF0;
        const int channel = status & 0x0F;
        if (channel != part || (type != 0x80 && type != 0x90))
            continue;
        const int note = record.event.Data1();
        if (partNote) {
            open[note].push_back(slot);
        } else {
            auto waiting = open.find(note);
            if (waiting == open.end())
                continue;
            for (size_t start : waiting->second)
                noteEnds[start] = index;
            open.erase(waiting);
        }
    }
}

void Sequencer::SkipFinished()
{
    // Records only ever leave play (until a jump), so the first one in play only moves on.
    while (firstInPlay < table.size()) {
        if (IsPartNote(table[firstInPlay])) {
            if (states[firstInPlaySlot] != DONE)
                return;
            firstInPlaySlot++;
        } else if (firstInPlay >= nextDue) {
            return;
        }
        firstInPlay++;
    }
}

bool Sequencer::NothingInPlay()
{
    SkipFinished();
    return firstInPlay >= table.size();
}

void Sequencer::Send(const KeyPosition &record) const
{
    SendPlayEvent(record.event, song);
}

void Sequencer::PlayHit(const KeyPosition &record, size_t slot, int running)
{
    // Whether the written Note Off went out is what was sent, not where the send position
    // stands: held in wait mode, that steps back behind Note Offs sent before the hold.
    Send(record);
    const size_t end = noteEnds[slot];
    if (end != NO_END && end < nextDue) {
        PendingNoteOff off;
        off.time = running + (table[end].time - record.time);
        off.event = MidiEvent{};
        off.event.status = static_cast<uint8_t>(0x80 | (record.event.Status() & 0x0F));
        off.event.data1 = record.event.Data1();
        pendingNoteOffs.push_back(off);
    }
    states[slot] = DONE;
}

void Sequencer::KeepForItsTime(const KeyPosition &record, size_t slot)
{
    states[slot] = record.time < playedUpTo ? DONE : HIT_EARLY;
}

void Sequencer::SendPendingNoteOffs(int position)
{
    for (auto off = pendingNoteOffs.begin(); off != pendingNoteOffs.end();) {
        if (off->time < position) {
            SendEvent(&off->event, song);
            off = pendingNoteOffs.erase(off);
        } else {
            ++off;
        }
    }
}

void Sequencer::StopOnce()
{
    // Nothing is sent after the sweep, so it is not repeated while the song stays over.
    if (stopSent)
        return;
    SendStopEvent();
    pendingNoteOffs.clear();
    stopSent = true;
}

void Sequencer::Silence()
{
    // All Sound Off cuts what the sustain pedal holds; the note-off sweep is for devices that
    // do not know it.
    for (int channel = 0; channel < 16; channel++) {
        MidiEvent soundOff{};
        soundOff.status = static_cast<uint8_t>(0xB0 | channel);
        soundOff.data1 = 120;
        SendEvent(&soundOff, nullptr);
    }
    SendStopEvent();
}

void Sequencer::JumpTo(int at, int until, uint32_t initialTempo)
{
    Silence();
    ChannelSnapshot snapshot(table, at, until, initialTempo);
    snapshot.Send();
    if (song)
        song->tempo = snapshot.Tempo();
    // Every record from 'at' on is in play again, each of the part's notes waiting for the
    // player; nothing before 'at' is. The cursor walks from where it stands to 'at', counting
    // the part's notes it passes.
    const size_t target = static_cast<size_t>(
        std::partition_point(table.begin(), table.end(),
                             [at](const KeyPosition &record) { return record.time < at; }) -
        table.begin());
    while (firstInPlay > target)
        if (IsPartNote(table[--firstInPlay]))
            firstInPlaySlot--;
    while (firstInPlay < target)
        if (IsPartNote(table[firstInPlay++]))
            firstInPlaySlot++;
    nextDue = target;
    // The states of the notes before the cursor are never read again.
    std::fill(states.begin() + static_cast<std::ptrdiff_t>(firstInPlaySlot), states.end(), WAITING);
    pendingNoteOffs.clear();
    stopSent = false;
    playedUpTo = at;
}
