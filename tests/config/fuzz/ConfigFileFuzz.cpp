// Fuzz target for the settings file syntax: reading, writing back and the integer conversion.
// Build and run: scripts/fuzz.sh [seconds]
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "config/ConfigSyntax.h"
#include "platform/MessageBox.h"

namespace {

// atoi's reading through the C library, saturated to int: the reference for the conversion.
int ReferenceInteger(const std::string &value)
{
    errno = 0;
    long long wide = std::strtoll(value.c_str(), nullptr, 10);
    if (wide > INT_MAX) {
        return INT_MAX;
    }
    if (wide < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(wide);
}

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = [] {
        SetWarningSink([](const std::string &) {});
        return true;
    }();
    (void)quiet;
    const std::string text(reinterpret_cast<const char *>(data), size);

    std::map<std::string, std::string> entries;
    ParseConfigText(text, entries);
    for (const auto &entry : entries) {
        Check(IsConfigToken(entry.first) && IsConfigToken(entry.second));
        // Values with a zero byte end early for the C library; compare the rest.
        if (std::memchr(entry.second.data(), 0, entry.second.size()) == nullptr) {
            Check(ParseConfigInteger(entry.second) == ReferenceInteger(entry.second));
        }
    }

    // What is written reads back as the same pairs, and writing that again gives the same bytes.
    const std::string written = FormatConfigFile(entries, "fuzz");
    std::map<std::string, std::string> again;
    ParseConfigText(written, again);
    Check(again == entries);
    Check(FormatConfigFile(again, "fuzz") == written);

    // Pairs that do not read back as one token each are left out, never written broken.
    std::map<std::string, std::string> raw;
    const size_t half = size / 2;
    raw[text.substr(0, half)] = text.substr(half);
    raw["key"] = text;
    std::map<std::string, std::string> rawBack;
    ParseConfigText(FormatConfigFile(raw, "fuzz"), rawBack);
    for (const auto &entry : rawBack) {
        const auto original = raw.find(entry.first);
        Check(original != raw.end() && original->second == entry.second);
    }
    return 0;
}
