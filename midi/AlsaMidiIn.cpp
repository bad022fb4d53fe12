// AlsaMidiIn: input from MIDI keyboards through the ALSA sequencer.
#include "midi/AlsaMidiIn.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <utility>

namespace {

void SilentAlsaError(const char *, int, const char *, int, const char *, ...) {}

// Opens the sequencer without ALSA's own error lines (a machine without one is normal).
snd_seq_t *OpenSequencer(int mode)
{
    snd_lib_error_set_handler(SilentAlsaError);
    snd_seq_t *sequencer = nullptr;
    int result = snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_INPUT, mode);
    snd_lib_error_set_handler(nullptr);
    return result < 0 ? nullptr : sequencer;
}

} // namespace

AlsaMidiIn::AlsaMidiIn(std::vector<AlsaSourceInfo> sources) : sources(std::move(sources)) {}

AlsaMidiIn::~AlsaMidiIn()
{
    Close();
}

std::vector<AlsaSourceInfo> AlsaMidiIn::ListSources()
{
    std::vector<AlsaSourceInfo> ports;
    snd_seq_t *sequencer = OpenSequencer(0);
    if (sequencer == nullptr)
        return ports;
    const int self = snd_seq_client_id(sequencer);
    snd_seq_client_info_t *client;
    snd_seq_port_info_t *port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(sequencer, client) >= 0) {
        const int clientId = snd_seq_client_info_get_client(client);
        // Client 0 is the sequencer's own (timer, announcements).
        if (clientId == self || clientId == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(port, clientId);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(sequencer, port) >= 0) {
            const unsigned int wanted = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
            const unsigned int type = snd_seq_port_info_get_type(port);
            if ((type & SND_SEQ_PORT_TYPE_MIDI_GENERIC) == 0 ||
                (snd_seq_port_info_get_capability(port) & wanted) != wanted)
                continue;
            const bool hardware =
                (type & (SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_PORT)) != 0;
            ports.push_back({clientId, snd_seq_port_info_get_port(port),
                             snd_seq_port_info_get_name(port), hardware});
        }
    }
    snd_seq_close(sequencer);
    std::sort(ports.begin(), ports.end(), [](const AlsaSourceInfo &a, const AlsaSourceInfo &b) {
        return a.client != b.client ? a.client < b.client : a.port < b.port;
    });
    return ports;
}

bool AlsaMidiIn::Open()
{
    Close();
    sequencer = OpenSequencer(SND_SEQ_NONBLOCK);
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
    for (const AlsaSourceInfo &source : sources)
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
