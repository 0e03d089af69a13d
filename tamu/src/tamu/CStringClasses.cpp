#include "charEncodingInstances.h"
#include "tamu/CCPString.h"
#include "tamu/CLatin1String.h"
#include "tamu/CUTF16String.h"
#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"

namespace tamu {

CUTF8String::CUTF8String(const char* text, int32_t byteLength, StringStorage storage,
                         int32_t charCount, bool zeroTerminated)
    : CString(text, byteLength, charCount, zeroTerminated, *utf8EncodingInstance(), storage) {}

CWCharString::CWCharString(const char16_t* text, int32_t byteLength, StringStorage storage,
                           int32_t charCount, bool zeroTerminated)
    : CString(text, byteLength, charCount, zeroTerminated, *utf16EncodingInstance(), storage) {}

CUTF16String::CUTF16String(const void* text, int32_t byteLength, StringStorage storage,
                           int32_t charCount, bool zeroTerminated)
    : CString(text, byteLength, charCount, zeroTerminated, *utf16EncodingInstance(), storage) {}

CUTF32String::CUTF32String(const char32_t* text, int32_t byteLength, StringStorage storage,
                           int32_t charCount, bool zeroTerminated)
    : CString(text, byteLength, charCount, zeroTerminated, *utf32EncodingInstance(), storage) {}

CLatin1String::CLatin1String(const char* text, int32_t byteLength, StringStorage storage,
                             int32_t charCount, bool zeroTerminated)
    : CString(text, byteLength, charCount, zeroTerminated, *latin1EncodingInstance(), storage) {}

CCPString::CCPString(const char* text, int32_t byteLength, StringStorage storage, int32_t charCount,
                     bool zeroTerminated)
    : CString(text, byteLength, charCount, zeroTerminated, *cpEncodingInstance(), storage) {}

} // namespace tamu
