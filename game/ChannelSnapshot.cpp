// ChannelSnapshot: the channel state and tempo in effect at a point of a song.
#include "game/ChannelSnapshot.h"

#include "devices/MidiOut.h"

namespace {
// One slot per channel for each controller 0..119 (120..127 are channel mode messages, not
// state), the program, the channel pressure and the pitch bend.
const int PROGRAM = 128;
const int PRESSURE = 129;
const int BEND = 130;
const int SLOTS = 131;

// The slot an event sets, or -1 when it sets no channel state.
int SlotOf(const MidiEvent &event)
{
    switch (event.status & 0xF0) {
    case 0xB0:
        return event.data1 < 120 ? event.data1 : -1;
    case 0xC0:
        return PROGRAM;
    case 0xD0:
        return PRESSURE;
    case 0xE0:
        return BEND;
    default:
        return -1;
    }
}

MidiEvent PowerOnValue(int channel, int slot)
{
    MidiEvent event{};
    if (slot == PROGRAM) {
        event.status = static_cast<uint8_t>(0xC0 | channel);
    } else if (slot == PRESSURE) {
        event.status = static_cast<uint8_t>(0xD0 | channel);
    } else if (slot == BEND) {
        event.status = static_cast<uint8_t>(0xE0 | channel);
        event.data2 = 0x40; // centre: 0x2000
    } else {
        event.status = static_cast<uint8_t>(0xB0 | channel);
        event.data1 = static_cast<uint8_t>(slot);
        switch (slot) {
        case 7: // volume
            event.data2 = 100;
            break;
        case 10: // pan
            event.data2 = 64;
            break;
        case 11: // expression
            event.data2 = 127;
            break;
        case 98: // parameter numbers: none selected
        case 99:
        case 100:
        case 101:
            event.data2 = 127;
            break;
        default:
            break;
        }
    }
    return event;
}

// The status and data bytes of an event, which is all a channel message sends.
MidiEvent ChannelMessage(const PlayEvent &event)
{
    MidiEvent message{};
    message.status = event.Status();
    message.data1 = event.Data1();
    message.data2 = event.Data2();
    return message;
}
} // namespace

ChannelSnapshot::ChannelSnapshot(const KeyPositionTable &song, int at, int until,
                                 uint32_t initialTempo)
    : tempo(initialTempo)
{
    std::vector<int> last(16 * SLOTS, -1);
    std::vector<bool> changed(16 * SLOTS, false);
    for (size_t i = 0; i < song.size(); i++) {
        const KeyPosition &record = song[i];
        if (!record.event.IsEvent() || record.time >= until)
            break;
        const MidiEvent event = ChannelMessage(record.event);
        const unsigned char *data = record.event.MetaData();
        if (record.time < at && event.status == 0xFF && record.event.MetaType() == 0x51 &&
            record.event.MetaLength() >= 3 && data) {
            tempo = static_cast<uint32_t>(data[0]) << 16 | static_cast<uint32_t>(data[1]) << 8 |
                    data[2];
            continue;
        }
        const int slot = SlotOf(event);
        if (slot < 0)
            continue;
        const int index = (event.status & 0x0F) * SLOTS + slot;
        if (record.time < at)
            last[index] = static_cast<int>(i);
        else
            changed[index] = true;
    }
    for (int index = 0; index < 16 * SLOTS; index++) {
        if (changed[index] && last[index] < 0)
            events.push_back(PowerOnValue(index / SLOTS, index % SLOTS));
    }
    std::vector<bool> replay(song.size(), false);
    for (int i : last) {
        if (i >= 0)
            replay[static_cast<size_t>(i)] = true;
    }
    for (size_t i = 0; i < song.size(); i++) {
        if (replay[i]) {
            events.push_back(ChannelMessage(song[i].event));
        }
    }
}

void ChannelSnapshot::Send() const
{
    for (const MidiEvent &event : events) {
        MidiEvent copy = event;
        SendEvent(&copy, nullptr);
    }
}
