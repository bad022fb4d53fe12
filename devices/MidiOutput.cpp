// MidiOutput: the one open MIDI output device and the functions that send events to it.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/ConfigReader.h"
#include "devices/AlsaMidiOut.h"
#include "devices/MidiOut.h"
#include "devices/MidiOutPort.h"
#include "devices/SynthMidiOut.h"
#include "platform/GamePaths.h"

namespace {

MidiOutPort *g_hmo = nullptr;        // the open device; null while none is open
bool ownsDevice = false;             // g_hmo was made here (not the test override)
unsigned int id = 0;                 // device id of the last successful OpenMidiOut
char szPname[32] = "";               // name buffer returned by GetDevName
MidiOutPort *overridePort = nullptr; // test hook: opened instead of any device

// The GS reset system exclusive message.
const unsigned char GS_RESET[11] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                    0x00, 0x7F, 0x00, 0x41, 0xF7};
// Only a device of exactly this name receives the GS reset.
const char GS_DEVICE_NAME[] = "Microsoft GS Wavetable Synth";

Uint32 SteadyMilliseconds()
{
    using namespace std::chrono;
    return static_cast<Uint32>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The SoundFont named in config, or "" for the default.
std::string ConfiguredSoundFont()
{
    ConfigReader reader;
    reader.ReadFile(Paths().ConfigFile());
    std::string value;
    reader.GetString(value, "soundfont", "");
    return value;
}

MidiOutPort *MakeDevice(unsigned int deviceId)
{
    if (deviceId == 0) {
        return new SynthMidiOut(SteadyMilliseconds, ConfiguredSoundFont(),
                                SynthMidiOut::Output::Automatic);
    }
    std::vector<AlsaPortInfo> ports = AlsaMidiOut::ListPorts();
    if (deviceId > ports.size()) {
        return nullptr;
    }
    return new AlsaMidiOut(ports[deviceId - 1]);
}

std::string DeviceName(unsigned int deviceId)
{
    if (deviceId == 0) {
        return SynthMidiOut::PRODUCT_NAME;
    }
    std::vector<AlsaPortInfo> ports = AlsaMidiOut::ListPorts();
    return deviceId <= ports.size() ? ports[deviceId - 1].name : std::string();
}

int NoteOffSweep()
{
    int result = MIDI_OUT_INVALID_HANDLE;
    for (uint32_t status = 0x80; status <= 0x8F; ++status) {
        for (uint32_t note = 0; note < 128; ++note) {
            result = g_hmo != nullptr ? g_hmo->ShortMessage(status | note << 8)
                                      : MIDI_OUT_INVALID_HANDLE;
        }
    }
    return result;
}

int SendLong(const unsigned char *bytes, size_t length)
{
    // The port returns once it no longer needs the buffer.
    return g_hmo != nullptr ? g_hmo->LongMessage(bytes, length) : MIDI_OUT_INVALID_HANDLE;
}

char *CopyName(const std::string &name)
{
    std::memset(szPname, 0, sizeof szPname);
    std::strncpy(szPname, name.c_str(), sizeof szPname - 1);
    return szPname;
}

// Sends one channel or system message packed as MidiOutPort::ShortMessage takes it, and says on
// stderr why the device did not take it.
void SendShort(uint32_t packed)
{
    int result = g_hmo != nullptr ? g_hmo->ShortMessage(packed) : MIDI_OUT_INVALID_HANDLE;
    switch (result) {
    case MIDI_OUT_INVALID_HANDLE:
        std::fputs("INVALID HANDLE\n", stderr);
        break;
    case MIDI_OUT_NOT_READY:
        std::fputs("NOT READY\n", stderr);
        break;
    case MIDI_OUT_BAD_OPEN:
        std::fputs("BAD OPEN\n", stderr);
        break;
    default:
        break;
    }
}

} // namespace

void SetMidiOutOverride(MidiOutPort *port)
{
    overridePort = port;
}

int GetMidiOutLatency()
{
    if (g_hmo == nullptr) {
        return 0;
    }
    const int latency = g_hmo->GetLatencyMs();
    return latency < 0 ? 0 : latency > MAX_OUTPUT_LATENCY ? MAX_OUTPUT_LATENCY : latency;
}

uint64_t GetMidiOutDropped()
{
    return g_hmo == nullptr ? 0 : g_hmo->GetDroppedMessages();
}

extern "C" {

int InitMidiLib(void)
{
    if (CreateMidiHeap() != 0) {
        CloseMidiOut();
        return -1;
    }
    return 0;
}

void ReleaseMidiLib(void)
{
    CloseMidiOut();
    FreeMidiHeap();
}

int OpenMidiOut(unsigned int deviceId)
{
    // One device at a time: a device still open is silenced and closed first.
    CloseMidiOut();
    MidiOutPort *port = overridePort;
    bool owned = false;
    if (port == nullptr) {
        port = MakeDevice(deviceId);
        owned = true;
    }
    if (port == nullptr || !port->Open()) {
        if (owned) {
            delete port;
        }
        std::fprintf(stderr, "MIDI output %u cannot be opened\n", deviceId);
        return -1;
    }
    g_hmo = port;
    ownsDevice = owned;
    id = deviceId;
    return 0;
}

int CloseMidiOut(void)
{
    if (g_hmo == nullptr) {
        return 0;
    }
    NoteOffSweep();
    g_hmo->Close();
    if (ownsDevice) {
        delete g_hmo;
    }
    g_hmo = nullptr;
    ownsDevice = false;
    return 0;
}

MidiEvent *SendEvent(MidiEvent *event, MidiFile *midi)
{
    if (event == nullptr) {
        return nullptr;
    }
    if (event->status == 0xFF) {
        if (event->metaType == 0x51 && midi != nullptr && event->length >= 3 &&
            event->data != nullptr) {
            midi->tempo = event->data[0] << 16 | event->data[1] << 8 | event->data[2];
        }
        return event->next;
    }
    if (event->status == 0xF0 || event->status == 0xF7) {
        // SysEx, and escape events whose stored bytes go out as they are.
        if (event->length > 0 && event->data != nullptr) {
            SendLong(event->data, static_cast<size_t>(event->length));
        }
        return event->next;
    }
    SendShort(event->status | event->data1 << 8 | event->data2 << 16);
    return event->next;
}

int SendStopEvent(void)
{
    return NoteOffSweep();
}

void SendResetMessage(void)
{
    if (g_hmo == nullptr) {
        return;
    }
    g_hmo->Reset();
    for (uint32_t channel = 0; channel < 16; ++channel) {
        g_hmo->ShortMessage(0xC0 | channel);
    }
}

void SendMSWavetableGSSynthResetGS(void)
{
    MidiEvent *event = static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent)));
    unsigned char *data = static_cast<unsigned char *>(Alloc(sizeof GS_RESET));
    if (event == nullptr || data == nullptr) {
        SendLong(GS_RESET, sizeof GS_RESET); // no heap: send from the constant
        return;
    }
    std::memcpy(data, GS_RESET, sizeof GS_RESET);
    event->status = 0xF0;
    event->length = sizeof GS_RESET;
    event->data = data;
    SendLong(event->data, static_cast<size_t>(event->length));
}

unsigned int GetDevIDNum(void)
{
    return 1 + static_cast<unsigned int>(AlsaMidiOut::ListPorts().size());
}

char *GetDevName(unsigned int deviceId)
{
    return CopyName(DeviceName(deviceId));
}

char *GetActiveDevName(void)
{
    return CopyName(DeviceName(id));
}

} // extern "C"

void SendPlayEvent(const PlayEvent &event, MidiFile *midi)
{
    if (MidiEvent *record = event) {
        SendEvent(record, midi);
        return;
    }
    if (!event.IsEvent()) {
        return;
    }
    // As SendEvent sends the same event read into a list.
    const uint8_t status = event.Status();
    if (status == 0xFF) {
        const unsigned char *data = event.MetaData();
        if (event.MetaType() == 0x51 && midi != nullptr && event.MetaLength() >= 3 &&
            data != nullptr) {
            midi->tempo = data[0] << 16 | data[1] << 8 | data[2];
        }
        return;
    }
    if (status == 0xF0 || status == 0xF7) {
        // Most are a few bytes long; a long one gets a buffer of its own.
        unsigned char small[256];
        const uint32_t count = event.LongBytes(nullptr, 0);
        if (count == 0) {
            return;
        }
        if (count <= sizeof small) {
            event.LongBytes(small, count);
            SendLong(small, count);
        } else {
            std::vector<unsigned char> bytes(count);
            event.LongBytes(bytes.data(), count);
            SendLong(bytes.data(), count);
        }
        return;
    }
    SendShort(status | event.Data1() << 8 | event.Data2() << 16);
}

// Keeps the name of the device that takes the GS reset next to the other device rules.
bool IsGsResetDevice(const char *name)
{
    return name != nullptr && std::strcmp(name, GS_DEVICE_NAME) == 0;
}
