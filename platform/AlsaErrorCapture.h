// AlsaErrorCapture: keeps ALSA's own error lines off stderr while a sound device is opened.
#pragma once

#include <string>

// While one lives, the errors ALSA's library would print on stderr (one line per probed
// device: a start without a sound card printed eight) are kept instead, so that the caller
// says what failed in its own one line. Make it on the main thread, around the opening only.
class AlsaErrorCapture
{
public:
    AlsaErrorCapture();
    ~AlsaErrorCapture();
    AlsaErrorCapture(const AlsaErrorCapture &) = delete;
    AlsaErrorCapture &operator=(const AlsaErrorCapture &) = delete;

    // The first error ALSA reported meanwhile ("" for none).
    std::string First() const;
};
