// AlsaMidiIn: input from MIDI keyboards through the ALSA sequencer.
#include "devices/AlsaMidiIn.h"

#include <alsa/asoundlib.h>

#include <utility>

AlsaMidiIn::AlsaMidiIn(std::vector<AlsaPort> sources) : sources(std::move(sources)) {}

AlsaMidiIn::~AlsaMidiIn()
{
    Close();
}

std::vector<AlsaPort> AlsaMidiIn::ListSources()
{
    return ListAlsaPorts(SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
}

bool AlsaMidiIn::IsHardware(const AlsaPort &port)
{
    return (port.type & (SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_PORT)) != 0;
}

bool AlsaMidiIn::Open()
{
    Close();
    sequencer = OpenAlsaSequencer(SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (sequencer == nullptr)
        return false;
    snd_seq_set_client_name(sequencer, "Keyrise");
    const int own = snd_seq_create_simple_port(
        sequencer, "Keyrise in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (own < 0) {
        Close();
        return false;
    }
    // A source that cannot be connected (unplugged meanwhile) is skipped.
    for (const AlsaPort &source : sources)
        snd_seq_connect_from(sequencer, own, source.client, source.port);
    return true;
}

void AlsaMidiIn::Close()
{
    if (sequencer != nullptr) {
        snd_seq_close(sequencer);
        sequencer = nullptr;
    }
}

bool AlsaMidiIn::Poll(MidiInMessage &message)
{
    while (sequencer != nullptr) {
        snd_seq_event_t *event = nullptr;
        if (snd_seq_event_input(sequencer, &event) < 0 || event == nullptr)
            return false;
        if (event->type == SND_SEQ_EVENT_NOTEON || event->type == SND_SEQ_EVENT_NOTEOFF) {
            const uint8_t kind = event->type == SND_SEQ_EVENT_NOTEON ? 0x90 : 0x80;
            message.status = static_cast<uint8_t>(kind | (event->data.note.channel & 0x0F));
            message.data1 = event->data.note.note & 0x7F;
            message.data2 = event->data.note.velocity & 0x7F;
            return true;
        }
        // Every other kind of event (controllers, clock, port announcements) is not play.
    }
    return false;
}
