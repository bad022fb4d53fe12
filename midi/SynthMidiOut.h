// SynthMidiOut: the built-in General MIDI synthesizer (FluidSynth), with sample-accurate timing.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "midi/MidiOutPort.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

// Plays messages with a SoundFont. Each message is stamped with the game clock when it is sent
// and starts at its own position in the audio stream, a fixed latency later, so notes keep the
// spacing they were sent with instead of bunching up at audio-buffer boundaries.
//
// Threads: ShortMessage, LongMessage and Reset run on the game's thread and only queue; the
// audio thread (or a test) calls Render, which applies the queued messages at their frames.
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

    std::mutex queueMutex;          ///< guards 'queue' (game thread <-> audio thread)
    std::vector<Pending> queue;     ///< messages sent but not yet applied, in send order
    bool accepting = false;         ///< false when nothing renders: messages are dropped
    std::vector<Pending> rendering; ///< audio thread: messages taken from the queue
    int64_t blockBudget = 0;        ///< audio thread: messages this block may still apply

    // Audio thread: mapping of clock times to stream frames.
    int64_t renderedFrames = 0; ///< frames rendered since Open
    bool anchored = false;
    double anchor = 0; ///< clock time (ms) that frame 0 stands for, minus the latency
    std::vector<int16_t> mixBuffer;
    std::vector<float> floatBuffer;
};
