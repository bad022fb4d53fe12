// MessageBox: the warning notice, written to stderr unless a replacement sink is set.
#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "platform/WarningCapture.h"

namespace {

std::mutex warningMutex;
std::function<void(const std::string &)> warningSink;
int songWarnings = 0;        ///< song warnings written since the last reset; guarded
long hiddenSongWarnings = 0; ///< song warnings counted but not written, not yet reported; guarded

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

void WriteToStderr(const std::string &line)
{
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// Called with warningMutex held.
void Emit(const std::string &line)
{
    if (warningSink) {
        warningSink(line);
        return;
    }
    WriteToStderr(line);
}

std::string HiddenLine(long count)
{
    return "warning: songs: " + std::to_string(count) +
           " more songs cannot be read (not listed; each card says why)";
}

// At exit the count of song warnings not reported yet still reaches stderr (a test's sink may
// be gone by then). Declared after the mutex, so it goes before it.
struct ExitReport
{
    ~ExitReport()
    {
        std::lock_guard<std::mutex> lock(warningMutex);
        if (hiddenSongWarnings > 0) {
            WriteToStderr(HiddenLine(hiddenSongWarnings));
            hiddenSongWarnings = 0;
        }
    }
} exitReport;

} // namespace

void ShowWarning(const std::string &context, const std::string &text)
{
    const bool aboutSong = WarningCapture::Offer(OneLine(text));
    const std::string line = "warning: " + OneLine(context) + ": " + OneLine(text);
    std::lock_guard<std::mutex> lock(warningMutex);
    if (aboutSong) {
        if (songWarnings >= SONG_WARNING_LINES) {
            ++hiddenSongWarnings;
            return;
        }
        ++songWarnings;
    }
    Emit(line);
}

void ReportHiddenSongWarnings()
{
    std::lock_guard<std::mutex> lock(warningMutex);
    if (hiddenSongWarnings > 0) {
        Emit(HiddenLine(hiddenSongWarnings));
        hiddenSongWarnings = 0;
    }
}

void ResetSongWarningLimit()
{
    std::lock_guard<std::mutex> lock(warningMutex);
    songWarnings = 0;
    hiddenSongWarnings = 0;
}

void SetWarningSink(std::function<void(const std::string &line)> sink)
{
    std::lock_guard<std::mutex> lock(warningMutex);
    warningSink = std::move(sink);
}
