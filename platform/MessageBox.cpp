// MessageBox: the warning notice, written to stderr unless a replacement sink is set.
#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "platform/WarningCapture.h"

namespace {

std::mutex warningMutex;
std::function<void(const std::string &)> warningSink;

// Keeps a warning on one line: a CR or LF inside a text would split it.
std::string OneLine(const std::string &text)
{
    std::string line = text;
    for (char &c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line;
}

} // namespace

void ShowWarning(const std::string &context, const std::string &text)
{
    WarningCapture::Offer(OneLine(text));
    const std::string line = "warning: " + OneLine(context) + ": " + OneLine(text);
    std::lock_guard<std::mutex> lock(warningMutex);
    if (warningSink) {
        warningSink(line);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void SetWarningSink(std::function<void(const std::string &line)> sink)
{
    std::lock_guard<std::mutex> lock(warningMutex);
    warningSink = std::move(sink);
}
