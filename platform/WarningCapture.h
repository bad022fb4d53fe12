// WarningCapture: keeps the first warning shown on this thread while it lives.
#pragma once

#include <string>

// While a capture lives, the first warning text shown on this thread (ShowWarning's 'text',
// without the file name) is kept, so that a song's card can say why the song cannot be read.
// Warnings still go to their usual sink as well (a warning shown while a capture lives is one
// about a song, and only the first few of those are written). Captures nest; the innermost one
// keeps.
class WarningCapture
{
public:
    WarningCapture();
    ~WarningCapture();
    WarningCapture(const WarningCapture &) = delete;
    WarningCapture &operator=(const WarningCapture &) = delete;

    // The first warning text shown since the capture began; empty when none was.
    const std::string &First() const { return first; }

    // Called by ShowWarning for every warning: hands the text to this thread's capture. True
    // when a capture lives on this thread (the warning is about the song being read).
    static bool Offer(const std::string &text);

private:
    std::string first;
    bool captured = false;
    WarningCapture *previous; ///< the capture this one hides
};
