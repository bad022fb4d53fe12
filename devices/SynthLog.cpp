// SynthLog: FluidSynth's own messages, passed on as our warnings, each kind once per song.
#include "devices/SynthLog.h"

#include <fluidsynth.h>

#include <mutex>
#include <set>

#include "platform/MessageBox.h"

namespace {

const size_t MAX_KINDS = 64; // kinds remembered per song; beyond that the rest stay silent

std::mutex kindsMutex;
std::set<std::string> toldKinds;

void LogToWarning(int level, const char *message, void *)
{
    if (message == nullptr) {
        return;
    }
    const std::string text = message;
    {
        std::lock_guard<std::mutex> lock(kindsMutex);
        if (toldKinds.size() >= MAX_KINDS || !toldKinds.insert(SynthLogKind(text)).second) {
            return;
        }
    }
    ShowWarning(level <= FLUID_ERR ? "synthesizer error" : "synthesizer", text);
}

} // namespace

std::string SynthLogKind(const std::string &message)
{
    std::string kind;
    kind.reserve(message.size());
    for (char c : message) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit) {
            kind += c;
        } else if (kind.empty() || kind.back() != '#') {
            kind += '#';
        }
    }
    return kind;
}

void RouteSynthLog()
{
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) {
        fluid_set_log_function(level, LogToWarning, nullptr);
    }
}

void ForgetSynthLogKinds()
{
    std::lock_guard<std::mutex> lock(kindsMutex);
    toldKinds.clear();
}
