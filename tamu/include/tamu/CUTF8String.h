#pragma once

#include "tamu/CString.h"

namespace tamu {

// UTF-8 text.
class CUTF8String : public CString {
public:
    explicit CUTF8String(const char* text, int32_t byteLength = -1,
                         StringStorage storage = StringStorage::copy, int32_t charCount = -1,
                         bool zeroTerminated = false);
};

} // namespace tamu
