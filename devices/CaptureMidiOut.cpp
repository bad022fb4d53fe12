// CaptureMidiOut: records every message with the clock time it was sent.
#include "devices/CaptureMidiOut.h"

#include <utility>

CaptureMidiOut::CaptureMidiOut(std::function<Uint32()> clock) : clock(std::move(clock)) {}

bool CaptureMidiOut::Open()
{
    if (!openResult) {
        return false;
    }
    open = true;
    ++openCount;
    return true;
}

void CaptureMidiOut::Close()
{
    open = false;
    ++closeCount;
}

size_t CaptureMidiOut::ShortMessageLength(unsigned char status)
{
    if (status < 0x80) {
        return 3;
    }
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 2;
    case 0xF0:
        break;
    default:
        return 3;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default:
        return 1;
    }
}

int CaptureMidiOut::ShortMessage(uint32_t packed)
{
    if (!open) {
        return MIDI_OUT_INVALID_HANDLE;
    }
    CapturedMidiMessage message;
    message.time = clock ? clock() : 0;
    unsigned char bytes[3] = {static_cast<unsigned char>(packed & 0xFF),
                              static_cast<unsigned char>((packed >> 8) & 0xFF),
                              static_cast<unsigned char>((packed >> 16) & 0xFF)};
    message.bytes.assign(bytes, bytes + ShortMessageLength(bytes[0]));
    messages.push_back(std::move(message));
    return shortResult;
}

int CaptureMidiOut::LongMessage(const unsigned char *bytes, size_t length)
{
    if (!open) {
        return MIDI_OUT_INVALID_HANDLE;
    }
    CapturedMidiMessage message;
    message.time = clock ? clock() : 0;
    if (bytes != nullptr) {
        message.bytes.assign(bytes, bytes + length);
    }
    messages.push_back(std::move(message));
    return MIDI_OUT_OK;
}

void CaptureMidiOut::Reset()
{
    ++resetCount;
}

std::string CaptureMidiOut::Name() const
{
    return "Capture";
}

void CaptureMidiOut::Clear()
{
    messages.clear();
}
