// The synthesizer takes messages on the game's thread while its audio thread renders.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "devices/SynthMidiOut.h"

namespace {

// Renders blocks of 256 frames on a thread of its own, as an audio callback does, until 'done'.
std::thread StartAudioThread(SynthMidiOut &synth, const std::atomic<bool> &done)
{
    return std::thread([&synth, &done] {
        std::vector<int16_t> block(2 * 256);
        while (!done.load()) {
            synth.Render(block.data(), 256);
        }
    });
}

TEST(SynthMidiOutThreadTest, MessagesAndRenderingRunOnTwoThreads)
{
    std::atomic<Uint32> now{0};
    SynthMidiOut synth([&now] { return now.load(); }, "", SynthMidiOut::Output::Manual, 22050);
    ASSERT_TRUE(synth.Open());
    std::atomic<bool> done{false};
    std::thread audio = StartAudioThread(synth, done);
    for (Uint32 t = 0; t < 2000; ++t) {
        now = t;
        synth.ShortMessage(0x90 | (40 + t % 40) << 8 | 100 << 16);
        synth.ShortMessage(0x80 | (40 + (t + 20) % 40) << 8);
        if (t % 100 == 0) {
            unsigned char sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
            synth.LongMessage(sysex, sizeof sysex);
            synth.Reset();
        }
    }
    done = true;
    audio.join();
    synth.Close();
    EXPECT_EQ(synth.ShortMessage(0x90), MIDI_OUT_INVALID_HANDLE);
}

// A flood from the game's thread while the audio thread renders: the queue drops what it
// cannot hold (Note Ons, never their Note Offs) and a reset in the middle of it clears the
// backlog; once the audio thread has worked off the rest, nothing sounds.
TEST(SynthMidiOutThreadTest, AFloodWhileRenderingEndsInSilence)
{
    std::atomic<Uint32> now{0};
    SynthMidiOut synth([&now] { return now.load(); }, "", SynthMidiOut::Output::Manual, 22050);
    synth.SetEffects(false);
    ASSERT_TRUE(synth.Open());
    std::atomic<bool> done{false};
    std::thread audio = StartAudioThread(synth, done);
    for (int round = 0; round < 3; ++round) {
        for (uint32_t i = 0; i < SynthMidiOut::QUEUE_LIMIT; ++i) {
            const uint32_t key = 36 + i % 48;
            synth.ShortMessage(0x90 | key << 8 | 100 << 16);
            synth.ShortMessage(0xB0 | 1 << 8 | (i & 0x7F) << 16);
            synth.ShortMessage(0x80 | key << 8);
        }
        now = now.load() + 10;
        if (round == 1) {
            synth.Reset();
        }
    }
    EXPECT_GT(synth.GetDroppedMessages(), 0u);
    done = true;
    audio.join();
    // What is left is worked off here, the clock running with the sound: 20 s at most, the
    // last 100 ms silent.
    std::vector<int16_t> block(2 * 256);
    int loudest = 0;
    for (int b = 0; b < 22050 * 20 / 256; ++b) {
        now = now.load() + (b % 7 == 0 ? 11 : 12); // 256 frames: 11.6 ms
        synth.Render(block.data(), 256);
        if (b >= 22050 * 20 / 256 - 9) {
            for (int16_t sample : block) {
                loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
            }
        }
    }
    EXPECT_EQ(loudest, 0) << "a note was left sounding";
    synth.Close();
}

} // namespace
