// AlsaErrorCapture: keeps ALSA's own error lines off stderr while a sound device is opened.
#include "platform/AlsaErrorCapture.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

std::mutex captureMutex;
std::string firstError; ///< guarded by captureMutex

// ALSA's error handler: the message with the function that failed, as ALSA would print it.
void KeepAlsaError(const char *, int, const char *function, int, const char *format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    std::lock_guard<std::mutex> lock(captureMutex);
    if (firstError.empty()) {
        firstError = std::string("ALSA ") + (function != nullptr ? function : "") + ": " + text;
    }
}

} // namespace

AlsaErrorCapture::AlsaErrorCapture()
{
    {
        std::lock_guard<std::mutex> lock(captureMutex);
        firstError.clear();
    }
    snd_lib_error_set_handler(KeepAlsaError);
}

AlsaErrorCapture::~AlsaErrorCapture()
{
    snd_lib_error_set_handler(nullptr);
}

std::string AlsaErrorCapture::First() const
{
    std::lock_guard<std::mutex> lock(captureMutex);
    return firstError;
}
