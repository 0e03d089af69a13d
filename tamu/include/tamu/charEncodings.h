#pragma once

#include "tamu/ICharEncoding.h"
#include "tamu/P.h"

namespace tamu {

// The process-wide encoding objects. Each is created on first use and lives as long as the
// library.
P<ICharEncoding> getUTF8Encoding();
P<ICharEncoding> getUTF16Encoding();
P<ICharEncoding> getUTF32Encoding();
P<ICharEncoding> getLatin1Encoding();
// The C runtime's multibyte encoding of the current locale (read at each call). A program that
// never called setlocale runs in the "C" locale, whose ASCII-only code set would turn every
// non-ASCII character into nothing; that locale (and any other ASCII code set) is therefore
// read and written as UTF-8, which ASCII is a subset of.
P<ICharEncoding> getCPEncoding();

} // namespace tamu
