#pragma once

namespace tamu {

// The one place numeric parsing reports a malformed text.
[[noreturn]] void throwParseError(const char* message);

} // namespace tamu
