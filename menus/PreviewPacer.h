// PreviewPacer: how soon the song selection's preview may play a song again, and how much per turn.
#pragma once

// A song that lasts (almost) nothing (every event at one tick, or a tempo of 0) would
// otherwise be sent whole on every main-loop turn, and a huge chord in one turn stalls the
// loop and floods the synthesizer. The pacer keeps the preview near what music sounds like:
// a pass through the song lasts at least MIN_PASS_MS, and at least PASS_MS_PER_EVENT for each
// event sent in it, and one turn sends at most MAX_EVENTS_PER_TURN events (the rest follow in
// the next turns, late). Ordinary songs are never held back.
class PreviewPacer
{
public:
    static const unsigned MIN_PASS_MS = 1000;        ///< shortest pass through a song (ms)
    static constexpr double PASS_MS_PER_EVENT = 0.5; ///< ms a pass lasts at least per event
    static const int MAX_EVENTS_PER_TURN = 256;      ///< events one loop turn may send

    // A pass through the song starts at 'now' (ms, the scene's clock).
    void StartPass(double now);
    // A loop turn begins: its share of events is available again.
    void StartTurn() { turnEvents = 0; }
    // Counts one event sent; false once this turn has sent its share.
    bool CountEvent();
    // The pass that began at StartPass ended at 'now': ms to wait, beyond the song's own
    // delay before its first event, before the next pass may start.
    double ExtraWait(double now) const;

private:
    double passStart = 0; ///< ms
    long passEvents = 0;  ///< events sent since passStart
    int turnEvents = 0;   ///< events sent in this loop turn
};
