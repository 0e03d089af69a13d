#pragma once

#include "tamu/P.h"

namespace tamu {

class IString;

// The message of an exception as zero-terminated text in the process code page, for what().
// Converted text lives in a buffer of the calling thread, valid until its next call.
const char* exceptionText(const P<IString>& message) noexcept;

} // namespace tamu
