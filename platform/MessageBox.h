// MessageBox: the warning notice shown to the player (one line on the standard error stream).
#pragma once

#include <functional>
#include <string>

// Shows a warning about 'context' (a file name, a device, a subsystem) with the message 'text'.
// The default sink writes one line "warning: <context>: <text>" to stderr; line breaks inside
// the two texts are replaced by spaces so each warning stays on one line. Safe to call from
// the scene-change worker thread: warnings are serialised.
void ShowWarning(const std::string &context, const std::string &text);

// Replaces where warnings go. The sink receives the line without its line end. An empty
// function restores the stderr sink. Meant for tests and for a graphical notice later.
void SetWarningSink(std::function<void(const std::string &line)> sink);
