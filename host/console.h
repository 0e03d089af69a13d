#pragma once

#include <string>

// Standard error shared by the progress bar, the plug-in's log and the job messages: one line is
// never cut by another, and a message first wipes a progress bar that is on screen.
namespace orxa::host::console {

// A whole line; the newline is added.
void message(const std::string& line);
// "orxa-host: FILE: reason".
void error(const std::string& file, const std::string& reason);
// Replaces the bar shown on the terminal's last line (no newline).
void showProgress(const std::string& bar);
void clearProgress();

} // namespace orxa::host::console
