#pragma once

#include "tamu/CString.h"

namespace tamu {

// Text in the C runtime's multibyte encoding of the current locale (UTF-8 in the "C" locale).
class CCPString : public CString {
public:
    explicit CCPString(const char* text, int32_t byteLength = -1,
                       StringStorage storage = StringStorage::copy, int32_t charCount = -1,
                       bool zeroTerminated = false);
};

} // namespace tamu
