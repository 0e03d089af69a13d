#pragma once

namespace tamu::posix {

// True when the calling thread's LC_CTYPE code set is UTF-8, or is the ASCII of the "C" and
// "POSIX" locales: a program that never calls setlocale still reads and writes UTF-8 text.
bool codePageIsUTF8();

} // namespace tamu::posix
