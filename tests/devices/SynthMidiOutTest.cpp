// Tests of the built-in synthesizer: notes start at the frame their send time asks for, and the
// SDL mixer path makes sound.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <fluidsynth.h>

#include "devices/SynthMidiOut.h"
#include "platform/MessageBox.h"

namespace {

bool HaveSoundFont()
{
    std::ifstream font(SynthMidiOut::DEFAULT_SOUNDFONT);
    return font.good();
}

const int RATE = 48000;           // frames per second: 48 frames per ms
const int CALLBACK_FRAMES = 1024; // what a sound card asks for at a time (21.3 ms)
const int FLUID_BLOCK = 64;       // the synthesizer's own rendering block

// Plays short notes at awkward times inside audio callbacks, the way the game loop (1 ms
// steps) and an audio thread (1024-frame callbacks) interleave, and finds where each starts.
TEST(SynthMidiOutTest, NotesStartAtTheirSendTimePlusAFixedLatency)
{
    if (!HaveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    Uint32 now = 0;
    SynthMidiOut synth([&now] { return now; }, "", SynthMidiOut::Output::Manual, RATE);
    synth.SetEffects(false); // no reverb tail: each note starts from exact silence
    ASSERT_TRUE(synth.Open());
    ASSERT_TRUE(synth.HasSoundFont());
    EXPECT_EQ(synth.GetSampleRate(), RATE);

    std::vector<Uint32> sendTimes;
    for (int i = 0; i < 12; ++i) {
        sendTimes.push_back(100 + 300 * i + (i * 7) % 23); // every phase of a callback
    }
    std::vector<int16_t> stream;
    std::vector<int16_t> block(2 * CALLBACK_FRAMES);
    size_t next = 0;
    for (now = 0; now < sendTimes.back() + 400; ++now) {
        // The audio thread asks for a block once the stream has played what it had.
        while (static_cast<int64_t>(stream.size() / 2) <= static_cast<int64_t>(now) * RATE / 1000) {
            synth.Render(block.data(), CALLBACK_FRAMES);
            stream.insert(stream.end(), block.begin(), block.end());
        }
        if (next < sendTimes.size() && now == sendTimes[next]) {
            synth.ShortMessage(0x90 | 60 << 8 | 120 << 16);
        }
        if (next < sendTimes.size() && now == sendTimes[next] + 100) {
            synth.ShortMessage(0xB0 | 120 << 8); // All Sound Off: silence before the next
            ++next;
        }
    }

    const int latency = synth.GetLatencyFrames();
    EXPECT_EQ(latency, CALLBACK_FRAMES + CALLBACK_FRAMES / 2);
    EXPECT_EQ(synth.GetLatencyMs(), 32); // 1536 frames at 48 per ms; no device buffer
    std::vector<int64_t> errors;
    for (Uint32 sent : sendTimes) {
        int64_t ideal = static_cast<int64_t>(sent) * RATE / 1000;
        int64_t onset = -1;
        for (int64_t frame = ideal;
             frame < ideal + 4 * latency && frame < int64_t(stream.size() / 2); ++frame) {
            if (stream[2 * frame] != 0 || stream[2 * frame + 1] != 0) {
                onset = frame;
                break;
            }
        }
        ASSERT_GE(onset, 0) << "note sent at " << sent << " ms never sounded";
        errors.push_back(onset - ideal);
    }
    int64_t least = *std::min_element(errors.begin(), errors.end());
    int64_t most = *std::max_element(errors.begin(), errors.end());
    // One constant latency; what is left is at most one block of the synthesizer.
    EXPECT_LE(most - least, FLUID_BLOCK);
    EXPECT_GE(least, latency - FLUID_BLOCK);
    EXPECT_LE(most, latency + 2 * FLUID_BLOCK);
    synth.Close();
    EXPECT_EQ(synth.ShortMessage(0x90 | 60 << 8 | 1 << 16), MIDI_OUT_INVALID_HANDLE);
}

// Whether a burst sent at one clock time, noteOns Note Ons then 'fillers' other messages and
// last an All Sound Off, is heard: it is not when the All Sound Off is applied in the same
// block as the notes, and it is for the rest of that block when the block's limit on work
// held it back. Returns the frames that sounded, or {-1, -1} for silence.
std::pair<int64_t, int64_t> BurstSounds(int noteOns, int fillers)
{
    Uint32 now = 0;
    SynthMidiOut synth([&now] { return now; }, "", SynthMidiOut::Output::Manual, RATE);
    synth.SetEffects(false); // exact silence around the notes
    EXPECT_TRUE(synth.Open());
    std::vector<int16_t> stream;
    std::vector<int16_t> block(2 * CALLBACK_FRAMES);
    // Block 0 anchors the stream: time 0 falls due at frame 1536, inside block 1.
    synth.Render(block.data(), CALLBACK_FRAMES);
    stream.insert(stream.end(), block.begin(), block.end());
    for (int i = 0; i < noteOns; ++i) {
        synth.ShortMessage(0x90 | (48 + i % 48) << 8 | 127 << 16);
    }
    for (int i = 0; i < fillers; ++i) {
        synth.ShortMessage(0xB1 | 1 << 8 | (i & 0x7F) << 16); // modulation on another channel
    }
    synth.ShortMessage(0xB0 | 120 << 8); // All Sound Off on the notes' channel
    for (int b = 1; b < 4; ++b) {
        synth.Render(block.data(), CALLBACK_FRAMES);
        stream.insert(stream.end(), block.begin(), block.end());
    }
    std::pair<int64_t, int64_t> heard{-1, -1};
    for (size_t frame = 0; frame < stream.size() / 2; ++frame) {
        if (stream[2 * frame] != 0 || stream[2 * frame + 1] != 0) {
            heard.first = heard.first < 0 ? static_cast<int64_t>(frame) : heard.first;
            heard.second = static_cast<int64_t>(frame);
        }
    }
    return heard;
}

// One audio block applies work worth its frame count: a sounding Note On costs 8, any other
// message 1 (1,024 frames: 128 Note Ons, or one Note On and 1,016 others); the rest waits
// for the next block and is applied at its start.
TEST(SynthMidiOutTest, EachAudioBlockAppliesAtMostItsShareOfWork)
{
    if (!HaveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    // A hundred notes at once overflow the voices; that warning is not what is tested.
    SetWarningSink([](const std::string &) {});
    const std::pair<int64_t, int64_t> silent{-1, -1};
    EXPECT_EQ(BurstSounds(1, 1015), silent) << "1,023 units: the cut is applied at once";
    EXPECT_EQ(BurstSounds(127, 0), silent) << "1,016 units: the cut is applied at once";
    for (const auto &burst : {std::make_pair(1, 1016), std::make_pair(128, 0)}) {
        const std::pair<int64_t, int64_t> heard = BurstSounds(burst.first, burst.second);
        // Heard from the notes' frame to the end of block 1; the cut then starts block 2.
        EXPECT_GE(heard.first, 1536) << burst.first << " notes, " << burst.second << " others";
        EXPECT_LT(heard.first, 1536 + 2 * FLUID_BLOCK);
        EXPECT_EQ(heard.second, 2 * CALLBACK_FRAMES - 1);
    }
    SetWarningSink(nullptr);
}

// Renders 'blocks' callbacks and returns the loudest sample of the last 'tail' of them.
int LoudestOfLastBlocks(SynthMidiOut &synth, int blocks, int tail)
{
    std::vector<int16_t> block(2 * CALLBACK_FRAMES);
    int loudest = 0;
    for (int b = 0; b < blocks; ++b) {
        synth.Render(block.data(), CALLBACK_FRAMES);
        if (b >= blocks - tail) {
            for (int16_t sample : block) {
                loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
            }
        }
    }
    return loudest;
}

// Renders blocks until one is silent; returns how many it took, or 'limit' when none was.
// A note left sounding on an organ never fades, while a released one fades at the pace of the
// SoundFont's release (TimGM6mb's organ in 0.7 s, FluidR3's in 2.2 s): waiting for silence,
// not for a fixed time, tells the two apart with any SoundFont.
int BlocksUntilSilent(SynthMidiOut &synth, int limit)
{
    for (int b = 0; b < limit; ++b) {
        if (LoudestOfLastBlocks(synth, 1, 1) == 0) {
            return b + 1;
        }
    }
    return limit;
}

// At most 30 s of sound (1,400 blocks) to fall silent: far beyond any release.
const int SILENCE_LIMIT = 1400;

// A synthesizer rendered by hand on the test's clock, without effects (exact silence once every
// note has faded), its stream anchored by a first block. Skipped without a SoundFont.
class SynthFloodTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveSoundFont()) {
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        }
        synth.SetEffects(false);
        ASSERT_TRUE(synth.Open());
        LoudestOfLastBlocks(synth, 1, 0);
    }

    Uint32 now = 0;
    SynthMidiOut synth{[this] { return now; }, "", SynthMidiOut::Output::Manual, RATE};
};

// A flood while the audio thread is stalled: a held organ chord (it never fades by itself)
// with the sustain pedal down, more messages than the queue holds, then the chord's Note Offs
// and the pedal up. The queue drops messages, counts them, and still ends every note.
TEST_F(SynthFloodTest, AFloodDropsMessagesButNeverANoteEnd)
{
    const MidiOutPort &port = synth;
    synth.ShortMessage(0xC0 | 19 << 8); // Church Organ
    synth.ShortMessage(0xB0 | 64 << 8 | 127 << 16);
    for (int key = 48; key < 60; ++key) {
        synth.ShortMessage(0x90 | key << 8 | 100 << 16);
    }
    for (size_t i = 0; i < SynthMidiOut::QUEUE_LIMIT; ++i) {
        synth.ShortMessage(0xB1 | 1 << 8 | (i & 0x7F) << 16); // modulation, another channel
    }
    for (int key = 48; key < 60; ++key) {
        synth.ShortMessage(key % 2 ? 0x80 | key << 8 : 0x90 | key << 8); // Note On velocity 0
    }
    synth.ShortMessage(0xB0 | 64 << 8);
    EXPECT_GT(port.GetDroppedMessages(), 0u);
    // Sounding while the backlog is worked off (one block applies 1,024 messages), silent once
    // it is done and the release has faded, and silent from then on.
    EXPECT_GT(LoudestOfLastBlocks(synth, 20, 1), 1000);
    EXPECT_LT(BlocksUntilSilent(synth, SILENCE_LIMIT), SILENCE_LIMIT) << "a note was left sounding";
    EXPECT_EQ(LoudestOfLastBlocks(synth, 10, 10), 0) << "a note sounded again";
}

// Controller changes on a channel with many sounding voices cause one voice update each in
// FluidSynth, which holds a limited number until it renders: a burst of them must not push
// out the Note Offs that follow in the same block.
TEST_F(SynthFloodTest, ControllerBurstsOverManyVoicesDoNotLoseNoteOffs)
{
    SetWarningSink([](const std::string &) {});
    synth.ShortMessage(0xC0 | 19 << 8); // Church Organ: it never fades by itself
    for (int key = 30; key < 120; ++key) {
        synth.ShortMessage(0x90 | key << 8 | 100 << 16);
    }
    LoudestOfLastBlocks(synth, 2, 0); // the chord sounds
    now = 50;
    for (int i = 0; i < 900; ++i) {
        synth.ShortMessage(0xB0 | 1 << 8 | (i & 0x7F) << 16);
    }
    for (int key = 30; key < 120; ++key) {
        synth.ShortMessage(0x80 | key << 8);
    }
    EXPECT_LT(BlocksUntilSilent(synth, SILENCE_LIMIT), SILENCE_LIMIT) << "a note was left sounding";
    EXPECT_EQ(LoudestOfLastBlocks(synth, 10, 10), 0) << "a note sounded again";
    SetWarningSink(nullptr);
}

// The audio thread takes every queued message at each block but applies only its share: what
// it holds counts against the queue's bound too, so a song that sends faster than the sound
// is made cannot fill the memory.
TEST(SynthMidiOutTest, MessagesInFlightStayBoundedWhileTheAudioThreadTakesThem)
{
    Uint32 now = 0;
    SynthMidiOut synth([&now] { return now; }, "", SynthMidiOut::Output::Manual, RATE);
    ASSERT_TRUE(synth.Open());
    std::vector<int16_t> block(2 * CALLBACK_FRAMES);
    const size_t sent = 1000000;
    const int blocks = 50;
    for (size_t i = 0; i < sent; ++i) {
        synth.ShortMessage(0xB0 | 1 << 8 | (i & 0x7F) << 16);
        if (i % (sent / blocks) == 0) {
            synth.Render(block.data(), CALLBACK_FRAMES);
        }
    }
    // Taken in at most: the bound, and what the blocks applied (their frames' worth).
    const size_t admitted = sent - synth.GetDroppedMessages();
    EXPECT_LE(admitted, SynthMidiOut::QUEUE_LIMIT + blocks * CALLBACK_FRAMES);
    EXPECT_GE(admitted, SynthMidiOut::QUEUE_LIMIT - SynthMidiOut::ENDING_RESERVE);
    // Raw bytes of an escape event may carry any data bytes; they are read as 7-bit ones.
    const unsigned char raw[] = {0x9F, 0xFF, 0xFF, 0x8F, 0xFF};
    EXPECT_EQ(synth.LongMessage(raw, 3), MIDI_OUT_OK);
    EXPECT_EQ(synth.LongMessage(raw + 3, 2), MIDI_OUT_OK);
    // System exclusive messages are bounded by their bytes as well.
    std::vector<unsigned char> sysex(64 * 1024, 0x10);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    synth.Close();
    ASSERT_TRUE(synth.Open());
    for (int i = 0; i < 64; ++i) {
        synth.LongMessage(sysex.data(), sysex.size());
    }
    EXPECT_EQ(synth.GetDroppedMessages(), 64u - SynthMidiOut::LONG_BYTES_LIMIT / sysex.size());
}

// A reset (another song starts) while the queue is flooded drops the backlog before it, both
// what waits in the queue and what the audio thread has taken, so the next song is heard at
// once instead of after the flood has been worked off.
TEST_F(SynthFloodTest, AResetAfterAFloodLetsTheNextSongSoundAtOnce)
{
    for (int taken = 0; taken < 2; ++taken) {
        for (size_t i = 0; i < SynthMidiOut::QUEUE_LIMIT; ++i) {
            synth.ShortMessage(0xB0 | 1 << 8 | (i & 0x7F) << 16);
        }
        if (taken == 0) {
            LoudestOfLastBlocks(synth, 1, 0); // the audio thread takes the first flood
        }
    }
    now = 10;
    synth.Reset();
    synth.ShortMessage(0x90 | 60 << 8 | 120 << 16);
    // Due in block 1 (10 ms plus the latency of 1.5 blocks), so at once in block 2; heard by
    // block 4.
    EXPECT_GT(LoudestOfLastBlocks(synth, 3, 1), 100) << "the new song waited behind the flood";
    // And it goes on: its next notes get in as well.
    const uint64_t dropped = synth.GetDroppedMessages();
    synth.ShortMessage(0x80 | 60 << 8);
    synth.ShortMessage(0x90 | 64 << 8 | 120 << 16);
    EXPECT_EQ(synth.GetDroppedMessages(), dropped) << "the song after the flood lost notes";
}

TEST(SynthMidiOutTest, StaysUsableAndSilentWithoutSoundFont)
{
    Uint32 now = 0;
    SynthMidiOut synth([&now] { return now; }, "/nonexistent/font.sf2",
                       SynthMidiOut::Output::Manual, RATE);
    // Falls back to the default font when there is one; otherwise plays silence.
    testing::internal::CaptureStderr();
    ASSERT_TRUE(synth.Open());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(synth.Name(), SynthMidiOut::PRODUCT_NAME);
    EXPECT_EQ(synth.ShortMessage(0x90 | 60 << 8 | 100 << 16), MIDI_OUT_OK);
    unsigned char sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}; // GM on
    EXPECT_EQ(synth.LongMessage(sysex, sizeof sysex), MIDI_OUT_OK);
    synth.Reset();
    std::vector<int16_t> block(2 * 256, 1);
    synth.Render(block.data(), 256);
    if (!synth.HasSoundFont()) {
        for (int16_t sample : block) {
            ASSERT_EQ(sample, 0);
        }
    }
}

// With SDL's disk audio driver the synthesizer plays through the mixer into a file.
TEST(SynthMidiOutTest, MixerHookMakesSoundThroughSdl)
{
    if (!HaveSoundFont()) {
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    if (SDL_WasInit(SDL_INIT_AUDIO) != 0) {
        GTEST_SKIP() << "audio already in use in this process";
    }
    char pattern[] = "/tmp/keyrise-disk-audio-XXXXXX";
    int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    close(fd);
    const char *previous = std::getenv("SDL_AUDIODRIVER");
    std::string previousDriver = previous != nullptr ? previous : "";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", pattern, 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();

    SynthMidiOut synth([] { return SDL_GetTicks(); }, "", SynthMidiOut::Output::Automatic);
    ASSERT_TRUE(synth.Open());
    EXPECT_EQ(synth.GetOutputName(), "sdl-mixer");
    EXPECT_EQ(synth.GetSampleRate(), 22050);
    synth.ShortMessage(0x90 | 60 << 8 | 120 << 16);
    SDL_Delay(400);
    // Heard after the scheduling latency (1024 + 512 frames) and SDL's one buffer (1024).
    EXPECT_EQ(synth.GetLatencyMs(), 116);
    synth.Close();
    EXPECT_EQ(synth.GetLatencyMs(), 0);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", previousDriver.c_str(), 1);

    std::ifstream in(pattern, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(pattern);
    size_t loud = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        int16_t sample = static_cast<int16_t>(
            static_cast<uint16_t>((bytes[i] & 0xFF) | (bytes[i + 1] & 0xFF) << 8));
        if (sample > 300 || sample < -300) {
            ++loud;
        }
    }
    EXPECT_GT(bytes.size(), 0u);
    EXPECT_GT(loud, 100u);
}

} // namespace

namespace {

// FluidSynth's complaints about a hostile song come thousands of times a second; they reach
// the player as one warning per kind until the synthesizer is reset for another song.
TEST(SynthMidiOutTest, SynthesizerMessagesBecomeOneWarningPerKindPerSong)
{
    std::vector<std::string> warnings;
    SetWarningSink([&warnings](const std::string &line) { warnings.push_back(line); });
    SynthMidiOut synth([] { return 0u; }, "", SynthMidiOut::Output::Manual, RATE);
    ASSERT_TRUE(synth.Open());
    warnings.clear(); // what opening said (no SoundFont, ...) is not counted here
    testing::internal::CaptureStderr();
    for (int i = 0; i < 1000; ++i) {
        fluid_log(FLUID_WARN, "Failed to allocate a synthesis process. (chan=%d,key=%d)", i % 16,
                  i % 128);
        fluid_log(FLUID_ERR, "Ringbuffer full, try increasing synth.polyphony!");
    }
    synth.Reset();
    fluid_log(FLUID_WARN, "Failed to allocate a synthesis process. (chan=%d,key=%d)", 3, 4);
    const std::string stderrText = testing::internal::GetCapturedStderr();
    SetWarningSink(nullptr);
    EXPECT_EQ(stderrText, "") << "nothing bypasses the warnings";
    EXPECT_EQ(warnings,
              (std::vector<std::string>{
                  "warning: synthesizer: Failed to allocate a synthesis process. (chan=0,key=0)",
                  "warning: synthesizer error: Ringbuffer full, try increasing synth.polyphony!",
                  "warning: synthesizer: Failed to allocate a synthesis process. (chan=3,key=4)",
              }));
}

} // namespace
