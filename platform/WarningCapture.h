// WarningCapture: keeps the first warning shown on this thread while it lives.
#pragma once

#include <string>

// While a capture lives, the first warning text shown on this thread (ShowWarning's 'text',
// without the file name) is kept, so that a song's card can say why the song cannot be read.
// Warnings still go to their usual sink as well. Captures nest; the innermost one keeps.
class WarningCapture
{
public:
    WarningCapture();
    ~WarningCapture();
    WarningCapture(const WarningCapture &) = delete;
    WarningCapture &operator=(const WarningCapture &) = delete;

    // The first warning text shown since the capture began; empty when none was.
    const std::string &First() const { return first; }

    // Called by ShowWarning for every warning: hands the text to this thread's capture.
    static void Offer(const std::string &text);

private:
    std::string first;
    bool captured = false;
    WarningCapture *previous; ///< the capture this one hides
};
