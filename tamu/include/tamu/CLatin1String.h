#pragma once

#include "tamu/CString.h"

namespace tamu {

// Latin-1 text: one byte per character.
class CLatin1String : public CString {
public:
    explicit CLatin1String(const char* text, int32_t byteLength = -1,
                           StringStorage storage = StringStorage::copy, int32_t charCount = -1,
                           bool zeroTerminated = false);
};

} // namespace tamu
