// Fuzz target for replay files: any bytes are refused with a reason or read; what is read is
// written back to a text that reads back the same.
// Build and run: scripts/fuzz.sh [seconds]
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    Replay replay;
    std::string reason;
    if (!replay.Parse(text, reason)) {
        if (reason.empty())
            std::abort(); // a refusal always says why
        return 0;
    }
    const std::string written = replay.Text();
    Replay again;
    if (!again.Parse(written, reason) || again.Text() != written)
        std::abort();
    return 0;
}
