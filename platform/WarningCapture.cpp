// WarningCapture: a per-thread keeper of the first warning.
#include "platform/WarningCapture.h"

namespace {

thread_local WarningCapture *currentCapture = nullptr;

} // namespace

WarningCapture::WarningCapture() : previous(currentCapture)
{
    currentCapture = this;
}

WarningCapture::~WarningCapture()
{
    currentCapture = previous;
}

bool WarningCapture::Offer(const std::string &text)
{
    WarningCapture *capture = currentCapture;
    if (capture != nullptr && !capture->captured) {
        capture->first = text;
        capture->captured = true;
    }
    return capture != nullptr;
}
