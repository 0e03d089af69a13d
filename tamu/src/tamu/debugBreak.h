#pragma once

namespace tamu {

// Stops the process at a use of the library that can only be a programming error: under a
// debugger it traps into it first; in any case it writes `message` to standard error and
// aborts, so such a fault never turns into a silent hang.
[[noreturn]] void debugBreak(const char* message);

} // namespace tamu
