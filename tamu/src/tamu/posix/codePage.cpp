#include "tamu/platform.h"

#include <langinfo.h>

#include <cstring>

namespace tamu::platform {

bool codePageIsUTF8() {
    const char* codeSet = nl_langinfo(CODESET);
    if (!codeSet)
        return true;
    // glibc names the "C" locale's code set ANSI_X3.4-1968; other libraries say ASCII.
    return std::strcmp(codeSet, "UTF-8") == 0 || std::strcmp(codeSet, "ANSI_X3.4-1968") == 0 ||
           std::strcmp(codeSet, "ASCII") == 0 || std::strcmp(codeSet, "US-ASCII") == 0;
}

} // namespace tamu::platform
