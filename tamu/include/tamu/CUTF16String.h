#pragma once

#include "tamu/CString.h"

namespace tamu {

// UTF-16 text given as bytes (native byte order); the same encoding as CWCharString.
class CUTF16String : public CString {
public:
    explicit CUTF16String(const void* text, int32_t byteLength = -1,
                          StringStorage storage = StringStorage::copy, int32_t charCount = -1,
                          bool zeroTerminated = false);
};

} // namespace tamu
