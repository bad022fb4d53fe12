// MessageBox: the warning notice shown to the player (one line on the standard error stream).
#pragma once

#include <functional>
#include <string>

// Shows a warning about 'context' (a file name, a device, a subsystem) with the message 'text'.
// The default sink writes one line "warning: <context>: <text>" to stderr; line breaks inside
// the two texts are replaced by spaces so each warning stays on one line. Safe to call from
// any thread: warnings are serialised.
// Warnings about songs that cannot be read (those shown while a WarningCapture lives on the
// thread) are written only up to SONG_WARNING_LINES in all; later ones are counted, and
// ReportHiddenSongWarnings writes the count. A folder of thousands of broken files thus gives a
// few lines, while every card still says why its song cannot be played.
void ShowWarning(const std::string &context, const std::string &text);

// Song warnings written before the rest are only counted.
const int SONG_WARNING_LINES = 20;

// Writes one line with the number of song warnings not written since the last report (nothing
// when there were none). Called when the song library has read every song, and at exit.
void ReportHiddenSongWarnings();

// Song warnings are written again from the first (tests; a program that reads its songs anew).
void ResetSongWarningLimit();

// Replaces where warnings go. The sink receives the line without its line end. An empty
// function restores the stderr sink. Meant for tests and for a graphical notice later.
void SetWarningSink(std::function<void(const std::string &line)> sink);
