// MidiKeyboard: a MIDI keyboard as a game controller.
#include "devices/MidiKeyboard.h"

#include "devices/AlsaMidiIn.h"
#include "devices/MidiInPort.h"
#include "text/MessageCatalog.h"

namespace {
MidiInPort *overridePort = nullptr;
} // namespace

void MidiKeyboard::SetOverride(MidiInPort *port)
{
    overridePort = port;
}

std::vector<std::string> MidiKeyboard::DeviceNames()
{
    std::vector<std::string> names{TrNoop("All MIDI keyboards")};
    for (const AlsaPort &source : AlsaMidiIn::ListSources())
        names.push_back(source.name);
    return names;
}

MidiKeyboard::MidiKeyboard(int deviceId)
{
    MidiInPort *chosen = overridePort;
    if (chosen == nullptr) {
        std::vector<AlsaPort> sources = AlsaMidiIn::ListSources();
        std::vector<AlsaPort> connect;
        if (deviceId <= 0) {
            for (const AlsaPort &source : sources)
                if (AlsaMidiIn::IsHardware(source))
                    connect.push_back(source);
        } else if (static_cast<size_t>(deviceId) <= sources.size()) {
            connect.push_back(sources[static_cast<size_t>(deviceId) - 1]);
        }
        if (connect.empty())
            return;
        ownedPort.reset(new AlsaMidiIn(connect));
        chosen = ownedPort.get();
    }
    if (chosen->Open())
        port = chosen;
    else
        ownedPort.reset();
}

MidiKeyboard::~MidiKeyboard()
{
    if (port != nullptr)
        port->Close();
}

std::vector<int> MidiKeyboard::Poll()
{
    std::vector<int> pressed;
    if (port == nullptr)
        return pressed;
    MidiInMessage message;
    while (port->Poll(message)) {
        const int type = message.status & 0xF0;
        const int note = message.data1 & 0x7F;
        if (type == 0x90 && message.data2 > 0) {
            held[note] = true;
            pressed.push_back(note);
        } else if (type == 0x80 || type == 0x90) {
            held[note] = false;
        }
    }
    return pressed;
}
