#pragma once

// Ctrl-C and termination end the jobs cleanly, so that their temporary outputs are removed.
namespace orxa::host::interruption {

void install();
bool requested();
// Throws std::runtime_error("interrupted") once an interruption has been asked for.
void check();

} // namespace orxa::host::interruption
