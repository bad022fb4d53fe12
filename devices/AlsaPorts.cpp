// AlsaPorts: opening the ALSA sequencer quietly and listing the MIDI ports of other clients.
#include "devices/AlsaPorts.h"

#include <alsa/asoundlib.h>

#include <algorithm>

namespace {
void SilentAlsaError(const char *, int, const char *, int, const char *, ...) {}
} // namespace

snd_seq_t *OpenAlsaSequencer(int streams, int mode)
{
    snd_lib_error_set_handler(SilentAlsaError);
    snd_seq_t *sequencer = nullptr;
    int result = snd_seq_open(&sequencer, "default", streams, mode);
    snd_lib_error_set_handler(nullptr);
    return result < 0 ? nullptr : sequencer;
}

std::vector<AlsaPort> ListAlsaPorts(unsigned int capabilities)
{
    std::vector<AlsaPort> ports;
    snd_seq_t *sequencer = OpenAlsaSequencer(SND_SEQ_OPEN_OUTPUT, 0);
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
        if (clientId == self)
            continue;
        snd_seq_port_info_set_client(port, clientId);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(sequencer, port) >= 0) {
            const unsigned int type = snd_seq_port_info_get_type(port);
            if ((type & SND_SEQ_PORT_TYPE_MIDI_GENERIC) == 0 ||
                (snd_seq_port_info_get_capability(port) & capabilities) != capabilities)
                continue;
            ports.push_back({clientId, snd_seq_port_info_get_port(port),
                             snd_seq_port_info_get_name(port), type});
        }
    }
    snd_seq_close(sequencer);
    std::sort(ports.begin(), ports.end(), [](const AlsaPort &a, const AlsaPort &b) {
        return a.client != b.client ? a.client < b.client : a.port < b.port;
    });
    return ports;
}
