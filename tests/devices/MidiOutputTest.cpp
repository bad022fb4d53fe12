// Tests of sending events to the open MIDI device, through the capture backend.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"

namespace {

using ByteList = std::vector<unsigned char>;

class MidiOutputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(InitMidiLib(), 0);
        SetMidiOutOverride(&port);
        ASSERT_EQ(OpenMidiOut(3), 0);
    }
    void TearDown() override
    {
        ReleaseMidiLib();
        SetMidiOutOverride(nullptr);
    }

    Uint32 now = 1000;
    CaptureMidiOut port{[this] { return now; }};
};

TEST_F(MidiOutputTest, SendEventPacksShortMessagesAndAppliesTempo)
{
    MidiFile file{};
    file.tempo = 1;
    MidiEvent next{};
    MidiEvent program{0xC0, 0x05, 0, 0, 0, nullptr, 0, &next, 0};
    EXPECT_EQ(SendEvent(&program, &file), &next);
    now = 1005;
    MidiEvent note{0x93, 60, 100, 0, 0, nullptr, 0, nullptr, 0};
    SendEvent(&note, &file);
    ASSERT_EQ(port.Messages().size(), 2u);
    EXPECT_EQ(port.Messages()[0].bytes, ByteList({0xC0, 0x05}));
    EXPECT_EQ(port.Messages()[0].time, 1000u);
    EXPECT_EQ(port.Messages()[1].bytes, ByteList({0x93, 60, 100}));
    EXPECT_EQ(port.Messages()[1].time, 1005u);

    // Meta events are applied, never sent.
    unsigned char tempo[3] = {0x07, 0xA1, 0x20};
    MidiEvent setTempo{0xFF, 0, 0, 0x51, 3, tempo, 0, &next, 0};
    EXPECT_EQ(SendEvent(&setTempo, &file), &next);
    EXPECT_EQ(file.tempo, 500000u);
    unsigned char text[4] = {'t', 'e', 'x', 't'};
    MidiEvent name{0xFF, 0, 0, 0x03, 4, text, 0, &next, 0};
    EXPECT_EQ(SendEvent(&name, &file), &next);
    EXPECT_EQ(port.Messages().size(), 2u);
    EXPECT_EQ(SendEvent(nullptr, &file), nullptr);

    // A tempo event too short to hold a tempo changes nothing.
    MidiEvent broken{0xFF, 0, 0, 0x51, 1, tempo, 0, nullptr, 0};
    SendEvent(&broken, &file);
    EXPECT_EQ(file.tempo, 500000u);
}

TEST_F(MidiOutputTest, SysExAndEscapeEventsGoOutAsStored)
{
    unsigned char sysex[4] = {0xF0, 0x7E, 0x7F, 0xF7};
    MidiEvent event{0xF0, 0, 0, 0, 4, sysex, 0, nullptr, 0};
    SendEvent(&event, nullptr);
    unsigned char raw[2] = {0xF8, 0xFA};
    MidiEvent escape{0xF7, 0, 0, 0, 2, raw, 0, nullptr, 0};
    SendEvent(&escape, nullptr);
    ASSERT_EQ(port.Messages().size(), 2u);
    EXPECT_EQ(port.Messages()[0].bytes, ByteList(sysex, sysex + 4));
    EXPECT_EQ(port.Messages()[1].bytes, ByteList(raw, raw + 2));
}

TEST_F(MidiOutputTest, SweepResetAndCloseSendWhatTheyPromise)
{
    SendStopEvent();
    ASSERT_EQ(port.Messages().size(), 2048u);
    EXPECT_EQ(port.Messages().front().bytes, ByteList({0x80, 0, 0}));
    EXPECT_EQ(port.Messages()[127].bytes, ByteList({0x80, 127, 0}));
    EXPECT_EQ(port.Messages()[128].bytes, ByteList({0x81, 0, 0}));
    EXPECT_EQ(port.Messages().back().bytes, ByteList({0x8F, 127, 0}));

    port.Clear();
    SendResetMessage();
    EXPECT_EQ(port.GetResetCount(), 1);
    ASSERT_EQ(port.Messages().size(), 16u);
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(port.Messages()[c].bytes, ByteList({static_cast<unsigned char>(0xC0 | c), 0}));
    }

    port.Clear();
    EXPECT_EQ(CloseMidiOut(), 0);
    EXPECT_EQ(port.Messages().size(), 2048u); // the sweep before closing
    EXPECT_FALSE(port.IsOpen());
    port.Clear();
    EXPECT_EQ(CloseMidiOut(), 0);
    EXPECT_TRUE(port.Messages().empty());
    EXPECT_EQ(port.GetCloseCount(), 1);
}

TEST_F(MidiOutputTest, DeviceErrorsAreReportedOnStderr)
{
    MidiEvent note{0x90, 60, 1, 0, 0, nullptr, 0, nullptr, 0};
    struct
    {
        int code;
        const char *text;
    } cases[] = {{MIDI_OUT_NOT_READY, "NOT READY\n"},
                 {MIDI_OUT_BAD_OPEN, "BAD OPEN\n"},
                 {MIDI_OUT_OK, ""},
                 {12, ""}};
    for (const auto &c : cases) {
        port.SetShortResult(c.code);
        testing::internal::CaptureStderr();
        SendEvent(&note, nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.text);
    }
    CloseMidiOut();
    testing::internal::CaptureStderr();
    SendEvent(&note, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "INVALID HANDLE\n");
}

TEST_F(MidiOutputTest, FailedOpenLeavesNoDevice)
{
    CloseMidiOut();
    port.Clear();
    port.SetOpenResult(false);
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenMidiOut(1), -1);
    testing::internal::GetCapturedStderr();
    port.SetOpenResult(true);
    SendStopEvent();
    EXPECT_TRUE(port.Messages().empty());
    port.SetLatencyMs(40);
    EXPECT_EQ(GetMidiOutLatency(), 0); // no device open
}

TEST_F(MidiOutputTest, TheOpenDevicesLatencyWithinItsBounds)
{
    EXPECT_EQ(GetMidiOutLatency(), 0);
    port.SetLatencyMs(40);
    EXPECT_EQ(GetMidiOutLatency(), 40);
    port.SetLatencyMs(-5);
    EXPECT_EQ(GetMidiOutLatency(), 0);
    port.SetLatencyMs(5000);
    EXPECT_EQ(GetMidiOutLatency(), MAX_OUTPUT_LATENCY);
}

TEST_F(MidiOutputTest, DeviceNamesAndGsReset)
{
    // The built-in synthesizer is always listed first; names fit the 31-character limit.
    EXPECT_GE(GetDevIDNum(), 1u);
    char *first = GetDevName(0);
    std::string synthName = first;
    EXPECT_FALSE(synthName.empty());
    EXPECT_LE(synthName.size(), 31u);
    char *second = GetDevName(GetDevIDNum() + 5); // no such device
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "");
    EXPECT_EQ(GetActiveDevName(), first);

    // None of the devices is the one that takes the GS reset.
    for (unsigned int i = 0; i < GetDevIDNum(); ++i) {
        EXPECT_FALSE(IsGsResetDevice(GetDevName(i))) << i;
    }
    EXPECT_TRUE(IsGsResetDevice("Microsoft GS Wavetable Synth"));
    EXPECT_FALSE(IsGsResetDevice("Microsoft GS Wavetable Synth "));

    SendMSWavetableGSSynthResetGS();
    ASSERT_EQ(port.Messages().size(), 1u);
    EXPECT_EQ(port.Messages()[0].bytes,
              ByteList({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
}

} // namespace
