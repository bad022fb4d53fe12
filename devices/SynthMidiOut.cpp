// SynthMidiOut: the built-in General MIDI synthesizer (FluidSynth), with sample-accurate timing.
#include "devices/SynthMidiOut.h"

#include <SDL_mixer.h>
#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "devices/SynthLog.h"
#include "platform/MessageBox.h"
#include "text/MessageCatalog.h"

const char *const SynthMidiOut::DEFAULT_SOUNDFONT = "/usr/share/sounds/sf2/default-GM.sf2";
const char *const SynthMidiOut::PRODUCT_NAME = TrNoop("Built-in Synth (FluidSynth)");

namespace {

const int DRIVER_PERIOD_FRAMES = 256;     // FluidSynth driver: frames per audio callback
const int DRIVER_PERIODS = 2;             // FluidSynth driver: callbacks buffered by the device
const int DRIVER_SAMPLE_RATE = 44100;     // FluidSynth driver: frames per second
const double ANCHOR_JUMP_MS = 50;         // a stall this long re-anchors the clock at once
const double ANCHOR_SMOOTHING = 1.0 / 32; // share of each callback's estimate taken in
// Work applied in one audio block, in units of one per frame of the block: a sounding Note On
// (FluidSynth may have to steal a voice, tens of microseconds) costs NOTE_ON_COST, any other
// message 1. Real songs stay far below (SDL's block of 1,024 frames takes 128 Note Ons), while
// a flood (a huge chord, a song sent over and over) cannot hold the audio thread, and with
// SDL's mixer the audio lock the game's sound effects wait for, for long. What is left over
// is applied in the next blocks.
const int NOTE_ON_COST = 8;
// FluidSynth queues the voice updates a message causes until it renders its next 64 frames,
// and drops what does not fit (a Note Off among them leaves its note sounding). Its queue
// holds 64 updates per voice of polyphony; what one batch of messages may cause is kept to
// three quarters of that. A Note On may take NOTE_ON_UPDATES (starting a voice, or stealing
// one), any other message one per sounding voice at most (a controller touches every voice
// of its channel).
const int NOTE_ON_UPDATES = 64;
const int UPDATES_PER_VOICE = 48;
const int64_t FLUID_FRAMES = 64; // FluidSynth's own rendering block

std::atomic<bool> reportedNoSoundFont{false};
std::atomic<bool> reportedNoOutput{false};
std::atomic<bool> reportedFormat{false};

void SilentFluidLog(int, const char *, void *) {}
void SilentAlsaError(const char *, int, const char *, int, const char *, ...) {}

// Lets FluidSynth and ALSA stay quiet while outputs are probed; failures are expected there.
class QuietProbe
{
public:
    QuietProbe()
    {
        fluid_set_log_function(FLUID_ERR, SilentFluidLog, nullptr);
        fluid_set_log_function(FLUID_WARN, SilentFluidLog, nullptr);
        snd_lib_error_set_handler(SilentAlsaError);
    }
    ~QuietProbe()
    {
        RouteSynthLog();
        snd_lib_error_set_handler(nullptr);
    }
};

void CollectOption(void *data, const char *, const char *option)
{
    static_cast<std::vector<std::string> *>(data)->push_back(option);
}

bool FileExists(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

int16_t ToSample(float value)
{
    float scaled = value * 32767.0f;
    if (scaled >= 32767.0f) {
        return 32767;
    }
    if (scaled <= -32768.0f) {
        return -32768;
    }
    return static_cast<int16_t>(std::lround(scaled));
}

} // namespace

SynthMidiOut::SynthMidiOut(std::function<Uint32()> clock, std::string soundFont, Output output,
                           int sampleRate)
    : clock(std::move(clock)), soundFont(std::move(soundFont)), output(output),
      sampleRate(sampleRate > 0 ? sampleRate : 44100)
{
}

SynthMidiOut::~SynthMidiOut()
{
    Close();
}

bool SynthMidiOut::Open()
{
    Close();
    // The output decides the sample rate, so the synthesizer is made once the output is known.
    bool useDriver = false;
    if (output == Output::Automatic) {
        const char *sdlDriver = std::getenv("SDL_AUDIODRIVER");
        bool sdlWithoutDevice = sdlDriver != nullptr && (std::strcmp(sdlDriver, "dummy") == 0 ||
                                                         std::strcmp(sdlDriver, "disk") == 0);
        int frequency = 0;
        Uint16 format = 0;
        int channels = 0;
        if (sdlWithoutDevice && Mix_QuerySpec(&frequency, &format, &channels) != 0) {
            sampleRate = frequency; // follow SDL's stream (its file or its silence)
        } else {
            sampleRate = DRIVER_SAMPLE_RATE;
            useDriver = true;
        }
    }

    settings = new_fluid_settings();
    if (settings == nullptr) {
        return false;
    }
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    fluid_settings_setint(settings, "synth.threadsafe-api", 0); // one thread drives the synth
    fluid_settings_setint(settings, "audio.period-size", DRIVER_PERIOD_FRAMES);
    fluid_settings_setint(settings, "audio.periods", DRIVER_PERIODS);
    fluid_settings_setint(settings, "synth.reverb.active", effects ? 1 : 0);
    fluid_settings_setint(settings, "synth.chorus.active", effects ? 1 : 0);
    synth = new_fluid_synth(settings);
    if (synth == nullptr) {
        delete_fluid_settings(settings);
        settings = nullptr;
        return false;
    }

    std::string font = soundFont.empty() ? DEFAULT_SOUNDFONT : soundFont;
    soundFontId = -1;
    {
        QuietProbe quiet;
        if (FileExists(font)) {
            soundFontId = fluid_synth_sfload(synth, font.c_str(), 1);
        }
        if (soundFontId < 0 && font != DEFAULT_SOUNDFONT && FileExists(DEFAULT_SOUNDFONT)) {
            ShowWarning("synthesizer",
                        "cannot load SoundFont " + font + ", using " + DEFAULT_SOUNDFONT);
            soundFontId = fluid_synth_sfload(synth, DEFAULT_SOUNDFONT, 1);
        }
    }
    if (soundFontId < 0 && !reportedNoSoundFont.exchange(true)) {
        ShowWarning("synthesizer", "no SoundFont at " + font +
                                       " (install timgm6mb-soundfont or set 'soundfont' in "
                                       "config); the built-in synthesizer plays silence");
    }

    renderedFrames = 0;
    batchLimit =
        static_cast<int64_t>(UPDATES_PER_VOICE) * std::max(1, fluid_synth_get_polyphony(synth));
    batchUpdates = batchLimit;
    anchored = false;
    anchor = 0;
    rendering.clear();
    released = Load{};
    ClearQueue(true);
    dropped = 0;
    toldOverflow = false;
    open = true;

    if (output == Output::Manual) {
        latencyFrames = 0; // set from the first block's size
        outputName = "manual";
        return true;
    }
    if ((useDriver && StartFluidDriver()) || StartMixerHook()) {
        return true;
    }
    // Nothing can carry the sound: the device stays usable and silent.
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        accepting = false;
    }
    outputName = "none";
    if (!reportedNoOutput.exchange(true)) {
        ShowWarning("synthesizer", "no audio output available; playing silence");
    }
    return true;
}

bool SynthMidiOut::StartFluidDriver()
{
    std::vector<std::string> available;
    fluid_settings_foreach_option(settings, "audio.driver", &available, CollectOption);
    latencyFrames = DRIVER_PERIOD_FRAMES * DRIVER_PERIODS;
    QuietProbe quiet;
    for (const char *name : {"pipewire", "pulseaudio", "alsa"}) {
        if (std::find(available.begin(), available.end(), name) == available.end()) {
            continue;
        }
        fluid_settings_setstr(settings, "audio.driver", name);
        driver = new_fluid_audio_driver2(settings, &SynthMidiOut::FluidCallback, this);
        if (driver != nullptr) {
            outputName = std::string("fluidsynth:") + name;
            const int heard = latencyFrames + DRIVER_PERIOD_FRAMES * DRIVER_PERIODS;
            reportedLatencyMs = static_cast<int>(std::lround(heard * 1000.0 / sampleRate));
            return true;
        }
    }
    return false;
}

bool SynthMidiOut::StartMixerHook()
{
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0) {
        return false;
    }
    if (frequency != sampleRate) {
        // The synthesizer was made for the driver's rate: make it again for SDL's.
        delete_fluid_synth(synth);
        fluid_settings_setnum(settings, "synth.sample-rate", frequency);
        sampleRate = frequency;
        synth = new_fluid_synth(settings);
        if (synth == nullptr) {
            return false;
        }
        QuietProbe quiet;
        std::string font = soundFont.empty() ? DEFAULT_SOUNDFONT : soundFont;
        soundFontId = FileExists(font) ? fluid_synth_sfload(synth, font.c_str(), 1) : -1;
        if (soundFontId < 0 && FileExists(DEFAULT_SOUNDFONT)) {
            soundFontId = fluid_synth_sfload(synth, DEFAULT_SOUNDFONT, 1);
        }
    }
    latencyFrames = 0; // set from the first callback's size
    // Set before the hook goes in: from then on the audio thread reads them.
    hooked = true;
    outputName = "sdl-mixer";
    Mix_HookMusic(&SynthMidiOut::MixerHook, this);
    return true;
}

void SynthMidiOut::Close()
{
    if (driver != nullptr) {
        delete_fluid_audio_driver(driver); // joins the driver's thread
        driver = nullptr;
    }
    if (hooked) {
        Mix_HookMusic(nullptr, nullptr); // waits for a running callback to finish
        hooked = false;
    }
    ClearQueue(false);
    rendering.clear();
    if (synth != nullptr) {
        delete_fluid_synth(synth);
        synth = nullptr;
    }
    if (settings != nullptr) {
        delete_fluid_settings(settings);
        settings = nullptr;
    }
    open = false;
    outputName = "none";
    reportedLatencyMs = 0;
}

int SynthMidiOut::ShortMessage(uint32_t packed)
{
    if (!open) {
        return MIDI_OUT_INVALID_HANDLE;
    }
    unsigned char status = packed & 0xFF;
    if (status < 0x80 || status >= 0xF0) {
        return MIDI_OUT_OK; // nothing a synthesizer acts on
    }
    size_t length = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    Pending message{clock ? clock() : 0, {}};
    message.bytes.assign({status, static_cast<unsigned char>((packed >> 8) & 0x7F),
                          static_cast<unsigned char>((packed >> 16) & 0x7F)});
    message.bytes.resize(length);
    Enqueue(std::move(message));
    return MIDI_OUT_OK;
}

int SynthMidiOut::LongMessage(const unsigned char *bytes, size_t length)
{
    if (!open) {
        return MIDI_OUT_INVALID_HANDLE;
    }
    if (bytes == nullptr || length == 0) {
        return MIDI_OUT_OK;
    }
    Enqueue(Pending{clock ? clock() : 0, std::vector<unsigned char>(bytes, bytes + length)});
    return MIDI_OUT_OK;
}

void SynthMidiOut::Reset()
{
    if (!open) {
        return;
    }
    ForgetSynthLogKinds(); // a reset starts another song: its complaints may be told again
    toldOverflow = false;
    Enqueue(Pending{clock ? clock() : 0, {}});
}

bool SynthMidiOut::EndsSound(const std::vector<unsigned char> &bytes, bool &needed)
{
    needed = false;
    if (bytes.size() < 2 || bytes[0] < 0x80 || bytes[0] >= 0xF0) {
        return false;
    }
    const int type = bytes[0] & 0xF0;
    const int channel = bytes[0] & 0x0F;
    const int data1 = bytes[1] & 0x7F; // as Apply reads it
    const int data2 = bytes.size() > 2 ? bytes[2] & 0x7F : 0;
    if (type == 0x80 || (type == 0x90 && data2 == 0)) {
        needed = notesOn.test(channel * 128 + data1);
        notesOn.reset(channel * 128 + data1);
        return true;
    }
    if (type == 0x90) {
        notesOn.set(channel * 128 + data1); // starts a sound: not an ending message
        return false;
    }
    if (type != 0xB0) {
        return false;
    }
    if (data1 == 64 || data1 == 66) {
        const int pedal = (data1 == 64 ? 0 : 16) + channel;
        if (data2 >= 64) {
            pedalsDown.set(pedal);
            return false;
        }
        needed = pedalsDown.test(pedal);
        pedalsDown.reset(pedal);
        return true;
    }
    if (data1 == 121) { // Reset All Controllers: the pedals come up
        needed = pedalsDown.test(channel) || pedalsDown.test(16 + channel);
        pedalsDown.reset(channel);
        pedalsDown.reset(16 + channel);
        return true;
    }
    if (data1 == 120 || data1 >= 123) { // All Sound Off, All Notes Off and the mode messages
        for (int key = 0; key < 128; ++key) {
            needed = needed || notesOn.test(channel * 128 + key);
            notesOn.reset(channel * 128 + key);
        }
        return true;
    }
    return false;
}

void SynthMidiOut::ClearQueue(bool accept)
{
    std::lock_guard<std::mutex> lock(queueMutex);
    queue.clear();
    inFlight = Load{};
    discardRendering = false;
    notesOn.reset();
    pedalsDown.reset();
    accepting = accept;
}

size_t SynthMidiOut::LongBytes(const Pending &message)
{
    return message.bytes.size() > 3 ? message.bytes.size() : 0;
}

void SynthMidiOut::Enqueue(Pending message)
{
    bool warn = false;
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        if (!accepting) {
            return; // nothing renders: silence, not an overflow
        }
        const bool flooded = inFlight.messages >= QUEUE_LIMIT - ENDING_RESERVE;
        bool admit = true;
        if (message.bytes.empty()) {
            // A reset ends everything. When the queue is full, what waits before it would only
            // sound until the reset: it is dropped, here and in the audio thread's backlog.
            notesOn.reset();
            pedalsDown.reset();
            if (flooded) {
                // Everything in flight but the reset goes: the queue here, what the audio thread
                // holds at its next block (no longer counted from now on).
                dropped += queue.size();
                queue.clear();
                inFlight = Load{};
                discardRendering = true;
            }
        } else {
            // Only messages admitted change the tracked state; a dropped Note On starts nothing.
            const std::bitset<16 * 128> notesBefore = notesOn;
            const std::bitset<32> pedalsBefore = pedalsDown;
            bool needed = false;
            const bool ending = EndsSound(message.bytes, needed);
            // Beyond the ordinary share only an ending message with something to end gets in:
            // each clears one of 2,048 notes or 32 pedals, and nothing sets them again there,
            // so the reserve never runs out.
            const bool fits = inFlight.bytes + LongBytes(message) <= LONG_BYTES_LIMIT;
            admit = flooded ? ending && needed : fits;
            if (!admit) {
                notesOn = notesBefore;
                pedalsDown = pedalsBefore;
            }
        }
        if (admit) {
            inFlight.Add(message);
            queue.push_back(std::move(message));
        } else {
            ++dropped;
            warn = !toldOverflow.exchange(true);
        }
    }
    if (warn) {
        ShowWarning("synthesizer", "too many notes at once; some are left out");
    }
}

void SynthMidiOut::Apply(const std::vector<unsigned char> &bytes)
{
    if (bytes.empty()) {
        fluid_synth_system_reset(synth);
        return;
    }
    unsigned char status = bytes[0];
    if (status == 0xF0) {
        // FluidSynth takes the message without its F0 and F7 framing.
        size_t length = bytes.size() - 1;
        if (length > 0 && bytes.back() == 0xF7) {
            --length;
        }
        fluid_synth_sysex(synth, reinterpret_cast<const char *>(bytes.data() + 1),
                          static_cast<int>(length), nullptr, nullptr, nullptr, 0);
        return;
    }
    if (status < 0x80 || status >= 0xF0) {
        return;
    }
    int channel = status & 0x0F;
    int data1 = bytes.size() > 1 ? bytes[1] & 0x7F : 0;
    int data2 = bytes.size() > 2 ? bytes[2] & 0x7F : 0;
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth, channel, data1);
        break;
    case 0x90:
        if (data2 == 0) {
            fluid_synth_noteoff(synth, channel, data1);
        } else {
            fluid_synth_noteon(synth, channel, data1, data2);
        }
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, channel, data1, data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, channel, data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
        break;
    default:
        break;
    }
}

void SynthMidiOut::BeginBlock(int frames)
{
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        if (discardRendering) {
            // A reset came while the queue was full: the backlog before it goes. It left
            // inFlight with the reset, and so did what was applied since the last block.
            dropped += rendering.size();
            rendering.clear();
            released = Load{};
            discardRendering = false;
        }
        inFlight.Remove(released);
        released = Load{};
        if (!queue.empty()) {
            std::move(queue.begin(), queue.end(), std::back_inserter(rendering));
            queue.clear();
        }
    }
    if (latencyFrames <= 0) {
        // A message is sent at most one block's time before the callback that renders it;
        // one block plus a margin for the callback's wake-up jitter (half a block, at least
        // 10 ms) keeps every message ahead of the stream when it arrives, and no later.
        latencyFrames = frames + std::max(frames / 2, sampleRate / 100);
        // Heard after the scheduling latency and, on SDL's path, the device's one buffer.
        const int heard = latencyFrames + (hooked ? frames : 0);
        reportedLatencyMs = static_cast<int>(std::lround(heard * 1000.0 / sampleRate));
    }
    // The clock time this block starts at, seen from now: the latency ago. Estimates jitter
    // with the callback's wake-up, so they are smoothed; a stall re-anchors at once.
    double latencyMs = latencyFrames * 1000.0 / sampleRate;
    double now = clock ? static_cast<double>(clock()) : 0.0;
    double estimate = now - latencyMs - renderedFrames * 1000.0 / sampleRate;
    if (!anchored || std::fabs(estimate - anchor) > ANCHOR_JUMP_MS) {
        anchor = estimate;
        anchored = true;
    } else {
        anchor += (estimate - anchor) * ANCHOR_SMOOTHING;
    }
}

void SynthMidiOut::ApplyDue(int64_t blockStart, int64_t blockEnd, int64_t &nextFrame)
{
    size_t applied = 0;
    nextFrame = blockEnd;
    const int64_t staleFrames = static_cast<int64_t>(sampleRate) * STALE_NOTE_MS / 1000;
    for (const Pending &message : rendering) {
        if (blockBudget <= 0) {
            break; // the rest waits for the next block
        }
        if (batchUpdates <= 0) {
            // The rest waits until FluidSynth has taken its queue: at its next 64 frames.
            nextFrame = std::min(blockEnd, (blockStart / FLUID_FRAMES + 1) * FLUID_FRAMES);
            break;
        }
        int64_t frame = std::llround((message.time - anchor) * sampleRate / 1000.0);
        if (frame > blockStart) {
            nextFrame = std::min(frame, blockEnd);
            break;
        }
        const bool noteOn =
            message.bytes.size() == 3 && (message.bytes[0] & 0xF0) == 0x90 && message.bytes[2] != 0;
        ++applied;
        released.Add(message);
        if (noteOn && frame < blockStart - staleFrames) {
            ++dropped;
            continue;
        }
        Apply(message.bytes);
        blockBudget -= noteOn ? NOTE_ON_COST : 1;
        batchUpdates -= noteOn ? NOTE_ON_UPDATES : 1 + fluid_synth_get_active_voice_count(synth);
    }
    rendering.erase(rendering.begin(), rendering.begin() + applied);
}

template <typename Writer> void SynthMidiOut::RenderSplit(int frames, Writer write)
{
    BeginBlock(frames);
    blockBudget = std::max(frames, NOTE_ON_COST);
    int64_t start = renderedFrames;
    int64_t end = start + frames;
    int done = 0;
    while (done < frames) {
        int64_t next = end;
        ApplyDue(start + done, end, next);
        int count = static_cast<int>(next - (start + done));
        if (count <= 0) {
            count = frames - done;
        }
        write(done, count);
        // FluidSynth renders 64 frames at a time from the stream's start, and takes the
        // voice updates queued so far whenever it begins such a block.
        if ((start + done + count - 1) / FLUID_FRAMES != (start + done - 1) / FLUID_FRAMES ||
            start + done == 0) {
            batchUpdates = batchLimit;
        }
        done += count;
    }
    renderedFrames = end;
}

void SynthMidiOut::Render(int16_t *stereo, int frames)
{
    if (frames <= 0 || stereo == nullptr) {
        return;
    }
    // Rendered as floats and converted here: FluidSynth's own 16-bit output adds dither noise,
    // so silence would never be silent.
    if (floatBuffer.size() < static_cast<size_t>(2 * frames)) {
        floatBuffer.resize(2 * frames);
    }
    float *left = floatBuffer.data();
    float *right = left + frames;
    RenderFloat(left, right, frames);
    for (int i = 0; i < frames; ++i) {
        stereo[2 * i] = ToSample(left[i]);
        stereo[2 * i + 1] = ToSample(right[i]);
    }
}

void SynthMidiOut::RenderFloat(float *left, float *right, int frames)
{
    if (frames <= 0 || left == nullptr || right == nullptr) {
        return;
    }
    if (synth == nullptr) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        return;
    }
    RenderSplit(frames, [&](int offset, int count) {
        fluid_synth_write_float(synth, count, left, offset, 1, right, offset, 1);
    });
}

int SynthMidiOut::FluidCallback(void *data, int length, int, float **, int outCount, float **out)
{
    if (outCount < 2 || out == nullptr) {
        return FLUID_FAILED;
    }
    static_cast<SynthMidiOut *>(data)->RenderFloat(out[0], out[1], length);
    return FLUID_OK;
}

void SynthMidiOut::MixerHook(void *udata, Uint8 *stream, int length)
{
    SynthMidiOut *self = static_cast<SynthMidiOut *>(udata);
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    if (format != AUDIO_S16SYS || (channels != 1 && channels != 2)) {
        std::memset(stream, 0, length);
        if (!reportedFormat.exchange(true)) {
            ShowWarning("synthesizer", "unsupported mixer format; playing silence");
        }
        return;
    }
    int frames = length / (2 * channels);
    if (self->mixBuffer.size() < static_cast<size_t>(2 * frames)) {
        self->mixBuffer.resize(2 * frames);
    }
    int16_t *samples = reinterpret_cast<int16_t *>(stream);
    if (channels == 2) {
        self->Render(samples, frames);
        return;
    }
    self->Render(self->mixBuffer.data(), frames);
    for (int i = 0; i < frames; ++i) {
        samples[i] =
            static_cast<int16_t>((self->mixBuffer[2 * i] + self->mixBuffer[2 * i + 1]) / 2);
    }
}
