// keyrise-latency: measures how long the built-in synthesizer takes from a note being sent to
// its first sample being heard on the SDL mixer path, using SDL's disk audio driver.
//
// Usage: keyrise-latency [buffer-frames [notes [flood]]]
//        (defaults: the game's buffer, 24 notes, no flood)
//
// The disk driver writes each buffer to a file and then sleeps for SDL_DISKAUDIODELAY ms; the
// tool sets that to the buffer's duration, so buffers are asked for at the pace of a sound
// card. A post-mix hook sees every buffer as it leaves the mixer with the clock of that
// moment; a sample at offset f of a buffer is heard when the buffer before it has played out:
// clock + (buffer + f) / rate. Notes are sent at every phase of a buffer, with reverb off so
// that each starts from exact silence.
//
// With 'flood' > 0 it then sends that many Note On / Note Off pairs at one instant, more than
// the synthesizer's queue holds, and tells how long the sound takes to die away: it must,
// since the queue drops Note Ons before Note Offs. Either way it prints how many messages the
// synthesizer dropped.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include <unistd.h>

#include "devices/SynthMidiOut.h"
#include "framework/SceneManager.h"

namespace {
const int RATE = SceneManager::AUDIO_RATE;

std::mutex onsetMutex;
std::vector<double> onsets; // clock (ms) at which each note's first sample is heard
std::atomic<bool> armed{false};
std::atomic<Uint32> lastLoud{0}; // clock (ms) of the last buffer with a loud sample
int bufferFrames = 0;

// Post-mix: notes the first loud sample after each note was sent.
void PostMix(void *, Uint8 *stream, int length)
{
    const Uint32 now = SDL_GetTicks();
    const Sint16 *samples = reinterpret_cast<const Sint16 *>(stream);
    const int frames = length / 4;
    for (int i = 0; i < 2 * frames; i++) {
        if (std::abs(samples[i]) > 64) {
            lastLoud = now;
            break;
        }
    }
    if (!armed.load())
        return;
    for (int i = 0; i < frames; i++) {
        if (std::abs(samples[2 * i]) > 64 || std::abs(samples[2 * i + 1]) > 64) {
            std::lock_guard<std::mutex> lock(onsetMutex);
            onsets.push_back(now + (bufferFrames + i) * 1000.0 / RATE);
            armed = false;
            return;
        }
    }
}
} // namespace

int main(int argc, char **argv)
{
    bufferFrames = argc > 1 ? std::atoi(argv[1]) : SceneManager::AUDIO_BUFFER_FRAMES;
    const int notes = argc > 2 ? std::atoi(argv[2]) : 24;
    const long flood = argc > 3 ? std::atol(argv[3]) : 0;
    if (bufferFrames < 64 || notes < 1 || flood < 0) {
        std::fprintf(stderr, "usage: keyrise-latency [buffer-frames [notes [flood]]]\n");
        return 2;
    }
    const std::string file = "/tmp/keyrise-latency-" + std::to_string(getpid()) + ".raw";
    const std::string delay = std::to_string(bufferFrames * 1000 / RATE);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", delay.c_str(), 1);
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_TIMER) < 0 ||
        Mix_OpenAudio(RATE, AUDIO_S16SYS, 2, bufferFrames) < 0) {
        std::fprintf(stderr, "keyrise-latency: cannot open audio: %s\n", SDL_GetError());
        return 1;
    }
    Mix_SetPostMix(PostMix, nullptr);
    int result = 0;
    {
        SynthMidiOut synth([] { return SDL_GetTicks(); }, "", SynthMidiOut::Output::Automatic);
        synth.SetEffects(false);
        if (!synth.Open() || !synth.HasSoundFont()) {
            std::fprintf(stderr, "keyrise-latency: the synthesizer has no sound\n");
            result = 1;
        }
        SDL_Delay(500); // the stream settles
        std::vector<double> latencies;
        for (int n = 0; n < notes && result == 0; n++) {
            // Every note at another phase of a buffer: a step that is not a divisor of it.
            SDL_Delay(250 + (n * 7) % 23);
            const size_t before = onsets.size();
            const Uint32 sent = SDL_GetTicks();
            armed = true;
            synth.ShortMessage(0x90 | 60 << 8 | 127 << 16);
            SDL_Delay(400);
            synth.ShortMessage(0xB0 | 120 << 8); // All Sound Off: silence before the next
            std::lock_guard<std::mutex> lock(onsetMutex);
            if (onsets.size() > before)
                latencies.push_back(onsets.back() - sent);
        }
        const int reported = synth.GetLatencyMs();
        if (flood > 0 && result == 0) {
            const Uint32 start = SDL_GetTicks();
            for (long i = 0; i < flood; i++) {
                const uint32_t key = 36 + i % 48;
                synth.ShortMessage(0x90 | key << 8 | 100 << 16);
                synth.ShortMessage(0x80 | key << 8);
            }
            const Uint32 sent = SDL_GetTicks();
            // Silence once no loud buffer came for a second; a note left on never gets there.
            while (SDL_GetTicks() - sent < 20000 &&
                   static_cast<Sint32>(SDL_GetTicks() - lastLoud.load()) < 1000)
                SDL_Delay(50);
            const Sint32 quietAfter = static_cast<Sint32>(lastLoud.load() - sent);
            if (SDL_GetTicks() - sent >= 20000) {
                std::printf("flood of %ld pairs (sent in %u ms): still sounding after 20 s\n",
                            flood, sent - start);
                result = 1;
            } else {
                std::printf("flood of %ld pairs (sent in %u ms): silent %d ms after it\n", flood,
                            sent - start, quietAfter < 0 ? 0 : quietAfter);
            }
        }
        std::printf("the synthesizer dropped %llu messages\n",
                    static_cast<unsigned long long>(synth.GetDroppedMessages()));
        synth.Close();
        if (!latencies.empty()) {
            std::sort(latencies.begin(), latencies.end());
            double sum = 0;
            for (double latency : latencies)
                sum += latency;
            std::printf(
                "buffer %d frames (%.1f ms), scheduling offset %d frames: note sent to "
                "first sample heard: median %.1f ms, mean %.1f, min %.1f, max %.1f over %zu notes; "
                "the synthesizer reports %d ms\n",
                bufferFrames, bufferFrames * 1000.0 / RATE, synth.GetLatencyFrames(),
                latencies[latencies.size() / 2], sum / latencies.size(), latencies.front(),
                latencies.back(), latencies.size(), reported);
        } else if (result == 0) {
            std::fprintf(stderr, "keyrise-latency: no note was heard\n");
            result = 1;
        }
    }
    Mix_CloseAudio();
    SDL_Quit();
    std::remove(file.c_str());
    return result;
}
