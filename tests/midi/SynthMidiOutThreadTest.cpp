// The synthesizer takes messages on the game's thread while its audio thread renders.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "midi/SynthMidiOut.h"

namespace {

TEST(SynthMidiOutThreadTest, MessagesAndRenderingRunOnTwoThreads)
{
    std::atomic<Uint32> now{0};
    SynthMidiOut synth([&now] { return now.load(); }, "", SynthMidiOut::Output::Manual, 22050);
    ASSERT_TRUE(synth.Open());
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<int16_t> block(2 * 256);
        while (!done.load()) {
            synth.Render(block.data(), 256);
        }
    });
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

} // namespace
