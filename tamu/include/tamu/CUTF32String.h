#pragma once

#include "tamu/CString.h"

namespace tamu {

// UTF-32 text (native 32-bit units, not validated).
class CUTF32String : public CString {
public:
    explicit CUTF32String(const char32_t* text, int32_t byteLength = -1,
                          StringStorage storage = StringStorage::copy, int32_t charCount = -1,
                          bool zeroTerminated = false);
};

} // namespace tamu
