// AlsaMidiOut: output to a port of the ALSA sequencer (hardware synthesizers, software synths).
#include "devices/AlsaMidiOut.h"

#include <alsa/asoundlib.h>

#include <utility>

#include "devices/AlsaPorts.h"

AlsaMidiOut::AlsaMidiOut(AlsaPortInfo destination) : destination(std::move(destination)) {}

AlsaMidiOut::~AlsaMidiOut()
{
    Close();
}

std::vector<AlsaPortInfo> AlsaMidiOut::ListPorts()
{
    std::vector<AlsaPortInfo> ports;
    for (const AlsaPort &port :
         ListAlsaPorts(SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE)) {
        ports.push_back({port.client, port.port, port.name});
    }
    return ports;
}

bool AlsaMidiOut::Open()
{
    Close();
    sequencer = OpenAlsaSequencer(SND_SEQ_OPEN_OUTPUT, 0);
    if (sequencer == nullptr) {
        return false;
    }
    snd_seq_set_client_name(sequencer, "Keyrise");
    ownPort = snd_seq_create_simple_port(
        sequencer, "Keyrise out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    // A SysEx message of any practical size fits the encoder's buffer.
    if (ownPort < 0 || snd_midi_event_new(65536, &encoder) < 0) {
        Close();
        return false;
    }
    return true;
}

void AlsaMidiOut::Close()
{
    if (encoder != nullptr) {
        snd_midi_event_free(encoder);
        encoder = nullptr;
    }
    if (sequencer != nullptr) {
        snd_seq_drain_output(sequencer);
        snd_seq_close(sequencer);
        sequencer = nullptr;
    }
    ownPort = -1;
}

int AlsaMidiOut::SendBytes(const unsigned char *bytes, size_t length)
{
    if (sequencer == nullptr || encoder == nullptr) {
        return MIDI_OUT_INVALID_HANDLE;
    }
    snd_midi_event_reset_encode(encoder);
    size_t offset = 0;
    while (offset < length) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        long used = snd_midi_event_encode(encoder, bytes + offset, length - offset, &event);
        if (used <= 0) {
            break;
        }
        offset += used;
        if (event.type == SND_SEQ_EVENT_NONE) {
            continue; // an incomplete message: the encoder waits for more bytes
        }
        snd_seq_ev_set_source(&event, ownPort);
        snd_seq_ev_set_dest(&event, destination.client, destination.port);
        snd_seq_ev_set_direct(&event);
        if (snd_seq_event_output_direct(sequencer, &event) < 0) {
            return MIDI_OUT_NOT_READY;
        }
    }
    return MIDI_OUT_OK;
}

int AlsaMidiOut::ShortMessage(uint32_t packed)
{
    unsigned char bytes[3] = {static_cast<unsigned char>(packed & 0xFF),
                              static_cast<unsigned char>((packed >> 8) & 0xFF),
                              static_cast<unsigned char>((packed >> 16) & 0xFF)};
    if (bytes[0] < 0x80) {
        return sequencer != nullptr ? MIDI_OUT_OK : MIDI_OUT_INVALID_HANDLE;
    }
    size_t length = (bytes[0] & 0xF0) == 0xC0 || (bytes[0] & 0xF0) == 0xD0 ? 2 : 3;
    if (bytes[0] >= 0xF0) {
        length = bytes[0] == 0xF2 ? 3 : (bytes[0] == 0xF1 || bytes[0] == 0xF3) ? 2 : 1;
    }
    return SendBytes(bytes, length);
}

int AlsaMidiOut::LongMessage(const unsigned char *bytes, size_t length)
{
    if (bytes == nullptr || length == 0) {
        return sequencer != nullptr ? MIDI_OUT_OK : MIDI_OUT_INVALID_HANDLE;
    }
    return SendBytes(bytes, length);
}

void AlsaMidiOut::Reset()
{
    // All Sound Off, Reset All Controllers and All Notes Off on every channel.
    for (unsigned char channel = 0; channel < 16; ++channel) {
        for (unsigned char controller : {120, 121, 123}) {
            unsigned char bytes[3] = {static_cast<unsigned char>(0xB0 | channel), controller, 0};
            SendBytes(bytes, 3);
        }
    }
}

std::string AlsaMidiOut::Name() const
{
    return destination.name.substr(0, 31);
}
