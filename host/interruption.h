#pragma once

#include <string>

// SIGINT, SIGTERM and SIGHUP end the jobs cleanly, so that their temporary outputs are removed.
// A job blocked where it cannot notice (writing into a full pipe, say) is not waited for: about
// half a second after the signal the tool removes its named temporaries and exits by itself.
namespace orxa::host::interruption {

void install();
bool requested();
// 128 + the signal's number once one came, else 0.
int exitStatus();
// Throws std::runtime_error("interrupted") once an interruption has been asked for.
void check();

// The files under way, so that a tool that ends by itself still names what it interrupted.
void jobBegins(const std::string& file);
void jobEnds(const std::string& file);
// True for the first report of an interruption: it is said once, by a job or by the tool
// ending by itself, never twice and never lost between the two.
bool claimReport();

// Temporary files that must not outlive the tool.
void removeOnInterruption(const std::string& path);
void keepOnInterruption(const std::string& path);

} // namespace orxa::host::interruption
