// SynthMidiOut: the built-in General MIDI synthesizer (FluidSynth), with sample-accurate timing.
#pragma once

#include <SDL.h>

#include <atomic>
#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "devices/MidiOutPort.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

// Plays messages with a SoundFont. Each message is stamped with the game clock when it is sent
// and starts at its own position in the audio stream, a fixed latency later, so notes keep the
// spacing they were sent with instead of bunching up at audio-buffer boundaries.
//
// Threads: ShortMessage, LongMessage and Reset run on the game's thread and only queue; the
// audio thread (or a test) calls Render, which applies the queued messages at their frames.
//
// Messages in flight (queued, or taken by the audio thread and not applied yet) are bounded:
// at most QUEUE_LIMIT messages and LONG_BYTES_LIMIT bytes of system exclusive. Once ordinary
// messages have filled all but ENDING_RESERVE places, only messages that end a sound the queue
// started still get in (Note Off, Note On with velocity 0, sustain or sostenuto pedal up, All
// Sound Off, Reset All Controllers, All Notes Off and the mode messages); everything else,
// and an ending message with nothing to end, is dropped and counted. A Reset always gets in;
// when the queue is that full it also drops every message before it (the audio thread lets go
// of its part at its next block). So after any flood every note that was started is ended.
class SynthMidiOut : public MidiOutPort
{
public:
    // Where the sound goes.
    enum class Output
    {
        Automatic, ///< FluidSynth's own audio driver, else the SDL mixer's music hook
        Manual,    ///< nowhere: the owner calls Render (tests, benchmarks, tools)
    };

    static const char *const DEFAULT_SOUNDFONT; ///< Debian's General MIDI SoundFont link
    static const char *const PRODUCT_NAME;      ///< the name listed among the devices

    // clock: the game clock in ms; soundFont: SoundFont path ("" for the default);
    // sampleRate: frames per second for Output::Manual (the other outputs choose their own).
    SynthMidiOut(std::function<Uint32()> clock, std::string soundFont, Output output,
                 int sampleRate = 44100);
    ~SynthMidiOut() override;
    SynthMidiOut(const SynthMidiOut &) = delete;
    SynthMidiOut &operator=(const SynthMidiOut &) = delete;

    // Creates the synthesizer and starts the output. Without a usable SoundFont (or without any
    // audio output) it still opens and plays silence, and says so once on stderr.
    bool Open() override;
    void Close() override;
    int ShortMessage(uint32_t packed) override;
    int LongMessage(const unsigned char *bytes, size_t length) override;
    void Reset() override;
    std::string Name() const override { return PRODUCT_NAME; }
    // Messages dropped since Open: over the queue's bounds (see above), or Note Ons that could
    // not be applied within STALE_NOTE_MS of their time. Any thread.
    uint64_t GetDroppedMessages() const override { return dropped.load(); }

    static constexpr size_t QUEUE_LIMIT = 1 << 17;      ///< messages in flight at most
    static constexpr size_t ENDING_RESERVE = 4096;      ///< places only ending messages take
    static constexpr size_t LONG_BYTES_LIMIT = 1 << 20; ///< system exclusive bytes in flight
    // A Note On that could not be applied within this many ms of its time is dropped: so late
    // it would not be music any more, and a flood's backlog of notes then costs nothing.
    static constexpr int STALE_NOTE_MS = 500;
    // From a message's send to its sound leaving the device (ms): the scheduling latency plus
    // the device's buffer (FluidSynth's periods, or one SDL callback). Known once the output
    // runs (SDL's path: after its first callback); 0 before. Any thread.
    int GetLatencyMs() const override { return reportedLatencyMs.load(); }

    // Renders 'frames' interleaved stereo 16-bit frames, applying each queued message at its
    // frame. The first call anchors the stream to the clock.
    void Render(int16_t *stereo, int frames);
    // The same into two float channels (FluidSynth's audio driver callback).
    void RenderFloat(float *left, float *right, int frames);

    // Reverb and chorus (on by default); takes effect at the next Open. Off gives a dry sound
    // whose silences are exact, which tools measuring note starts need.
    void SetEffects(bool on) { effects = on; }

    int GetSampleRate() const { return sampleRate; }
    // Fixed delay between a message's clock stamp and its start in the stream, in frames:
    // one audio callback's size and half of it more (at least 10 ms more), known after the
    // first Render.
    int GetLatencyFrames() const { return latencyFrames; }
    bool HasSoundFont() const { return soundFontId >= 0; }
    // Which output is running: "fluidsynth:<driver>", "sdl-mixer", "manual" or "none".
    std::string GetOutputName() const { return outputName; }

private:
    // One queued message: its clock stamp and bytes; an empty message means a reset.
    struct Pending
    {
        Uint32 time;
        std::vector<unsigned char> bytes;
    };

    // Messages, and the bytes of the system exclusive ones among them, counted together.
    struct Load
    {
        size_t messages = 0;
        size_t bytes = 0;
        void Add(const Pending &message)
        {
            ++messages;
            bytes += LongBytes(message);
        }
        void Remove(const Load &part)
        {
            messages -= part.messages;
            bytes -= part.bytes;
        }
    };
    // Bytes a message counts against LONG_BYTES_LIMIT: those of a system exclusive one, else 0.
    static size_t LongBytes(const Pending &message);
    // Empties the queue and what it tracks; 'accept' says whether messages are taken from now.
    void ClearQueue(bool accept);
    // Queues a message under the bounds and the rule for a full queue (see the class comment);
    // an empty message is a reset. Game thread.
    void Enqueue(Pending message);
    // True for a message that ends sound the queue started (or may have started): then it
    // takes its effect on the tracked state. Called under queueMutex.
    bool EndsSound(const std::vector<unsigned char> &bytes, bool &needed);
    bool StartFluidDriver();
    bool StartMixerHook();
    static void MixerHook(void *udata, Uint8 *stream, int length);
    static int FluidCallback(void *data, int length, int fxCount, float **fx, int outCount,
                             float **out);
    // Applies queued messages due before 'frameEnd' and returns the frame of the next message
    // still waiting (or frameEnd). Render's helpers; audio thread only.
    void ApplyDue(int64_t blockStart, int64_t blockEnd, int64_t &nextFrame);
    void Apply(const std::vector<unsigned char> &bytes);
    void BeginBlock(int frames);
    template <typename Writer> void RenderSplit(int frames, Writer write);

    std::function<Uint32()> clock;
    std::string soundFont;
    Output output;
    int sampleRate;
    int latencyFrames = 0;
    std::atomic<int> reportedLatencyMs{0}; ///< see GetLatencyMs
    bool effects = true;
    std::string outputName = "none";

    fluid_settings_t *settings = nullptr;
    fluid_synth_t *synth = nullptr;
    fluid_audio_driver_t *driver = nullptr;
    bool hooked = false;
    bool open = false;
    int soundFontId = -1;

    // Guarded by queueMutex (game thread <-> audio thread):
    std::mutex queueMutex;
    std::deque<Pending> queue;     ///< messages sent but not taken by the audio thread, in order
    bool accepting = false;        ///< false when nothing renders: messages are dropped
    Load inFlight;                 ///< messages in 'queue' and 'rendering' (and applied since the
                                   ///< audio thread last took the lock)
    bool discardRendering = false; ///< a reset asks the audio thread to drop its backlog
    // What the admitted messages may have left sounding: one bit per channel and key (a Note
    // On), and per channel the sustain (bit c) and sostenuto (bit 16 + c) pedals held down.
    std::bitset<16 * 128> notesOn;
    std::bitset<32> pedalsDown;

    std::atomic<uint64_t> dropped{0};      ///< see GetDroppedMessages
    std::atomic<bool> toldOverflow{false}; ///< the overflow warning was shown for this song

    // Audio thread:
    std::deque<Pending> rendering; ///< messages taken from the queue, in order
    Load released;                 ///< messages that left 'rendering' since the last BeginBlock
    int64_t blockBudget = 0;       ///< messages this block may still apply
    int64_t batchUpdates = 0;      ///< voice updates FluidSynth's queue may still take
    int64_t batchLimit = 0;        ///< what it takes after each of its blocks (set by Open)

    // Audio thread: mapping of clock times to stream frames.
    int64_t renderedFrames = 0; ///< frames rendered since Open
    bool anchored = false;
    double anchor = 0; ///< clock time (ms) that frame 0 stands for, minus the latency
    std::vector<int16_t> mixBuffer;
    std::vector<float> floatBuffer;
};
