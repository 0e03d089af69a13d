#pragma once

#include "tamu/CString.h"

namespace tamu {

// Wide text: UTF-16 code units (char16_t, also where wchar_t is 32 bits wide).
class CWCharString : public CString {
public:
    explicit CWCharString(const char16_t* text, int32_t byteLength = -1,
                          StringStorage storage = StringStorage::copy, int32_t charCount = -1,
                          bool zeroTerminated = false);
};

} // namespace tamu
