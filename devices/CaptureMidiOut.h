// CaptureMidiOut: output backend that records every message with the clock time it was sent.
#pragma once

#include <SDL.h>

#include <functional>
#include <vector>

#include "devices/MidiOutPort.h"

// One recorded message: the clock when it was sent and its bytes (a short message keeps as
// many bytes as its status calls for; a status-less short message keeps all three).
struct CapturedMidiMessage
{
    Uint32 time; ///< clock value (ms) when the message was sent
    std::vector<unsigned char> bytes;
};

// For tests and benchmarks: records instead of playing. The results it returns can be set to
// imitate a failing device.
class CaptureMidiOut : public MidiOutPort
{
public:
    explicit CaptureMidiOut(std::function<Uint32()> clock);
    ~CaptureMidiOut() override = default;

    bool Open() override;
    void Close() override;
    int ShortMessage(uint32_t packed) override;
    int LongMessage(const unsigned char *bytes, size_t length) override;
    void Reset() override;
    std::string Name() const override;
    int GetLatencyMs() const override { return latencyMs; }
    uint64_t GetDroppedMessages() const override { return droppedMessages; }

    const std::vector<CapturedMidiMessage> &Messages() const { return messages; }
    void Clear();

    // Imitation of a device: what Open and ShortMessage return (default true and 0).
    void SetOpenResult(bool result) { openResult = result; }
    void SetShortResult(int result) { shortResult = result; }
    // Imitation of a device whose sound comes out 'ms' after a message is sent.
    void SetLatencyMs(int ms) { latencyMs = ms; }
    // Imitation of a device that could not keep up and dropped 'count' messages.
    void SetDroppedMessages(uint64_t count) { droppedMessages = count; }
    bool IsOpen() const { return open; }
    int GetOpenCount() const { return openCount; }
    int GetCloseCount() const { return closeCount; }
    int GetResetCount() const { return resetCount; }

    // Bytes a short message carries for its status: 3, 2 or 1 (3 when the status is missing).
    static size_t ShortMessageLength(unsigned char status);

private:
    std::function<Uint32()> clock;
    std::vector<CapturedMidiMessage> messages;
    bool openResult = true;
    int shortResult = MIDI_OUT_OK;
    int latencyMs = 0; ///< reported output latency (ms)
    uint64_t droppedMessages = 0;
    bool open = false;
    int openCount = 0;
    int closeCount = 0;
    int resetCount = 0;
};
