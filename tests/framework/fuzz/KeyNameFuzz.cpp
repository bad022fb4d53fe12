// Fuzz target for key names: any text maps to a binding, and a binding's name maps back to it.
// Build and run: scripts/fuzz.sh [seconds]
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/KeyMapper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const KeyMapper *mapper = new KeyMapper;
    const std::string name(reinterpret_cast<const char *>(data), size);
    const KeyAssign key = mapper->GetID(name);
    const std::string back = mapper->GetName(key);
    const bool known = mapper->nameToKey.count(name) != 0;
    // A known name gives a binding with a name; that name gives the same binding again.
    if (known && (back.empty() || mapper->GetID(back) != key)) {
        std::abort();
    }
    // An unknown name gives the default binding, which nobody can hold.
    if (!known && key != KeyAssign()) {
        std::abort();
    }
    return 0;
}
