#pragma once

#include "tamu/IString.h"
#include "tamu/str.h"

#include <cstdint>
#include <string>

// Conversion between encodings and creation of strings from raw text.
namespace tamu::stringConv {

// Each returns a zero-terminated string of the target encoding: the same object when it is one
// already, a copy when it is a slice of one, the target's null string for a null string, and
// otherwise the text decoded and encoded again. Characters the target cannot encode are left
// out (Latin-1 writes '?' instead).
P<IString> toCP(const IString& text);
P<IString> toUTF8(const IString& text);
P<IString> toUTF16(const IString& text);
P<IString> toUTF32(const IString& text);
P<IString> toLatin1(const IString& text);
// A null pointer gives the null string of the target.
P<IString> toCP(const P<IString>& text);
P<IString> toUTF8(const P<IString>& text);
P<IString> toUTF16(const P<IString>& text);
P<IString> toUTF32(const P<IString>& text);
P<IString> toLatin1(const P<IString>& text);

// Copies of raw text. Lengths are in bytes for the 8-bit encodings and in code units for UTF-16
// and UTF-32 (-1: zero-terminated). A null pointer gives the null string of the class.
P<IString> fromUTF8(const char* text, int32_t byteLength = -1);
P<IString> fromCP(const char* text, int32_t byteLength = -1);
P<IString> fromLatin1(const char* text, int32_t byteLength = -1);
P<IString> fromUTF16(const char16_t* text, int32_t unitLength = -1);
// UTF-16 given as bytes (CUTF16String).
P<IString> fromUTF16Bytes(const void* text, int32_t byteLength = -1);
P<IString> fromUTF32(const char32_t* text, int32_t unitLength = -1);
// The C runtime's wide text (32-bit wchar_t here) becomes UTF-16 (CWCharString).
P<IString> fromWChar(const wchar_t* text, int32_t length = -1);
P<IString> fromStd(const std::string& utf8);
P<IString> fromStd(const std::u16string& utf16);

// Wide text for the C runtime (wcscoll, towupper, ...), and UTF-8 text for the standard library.
std::wstring toWString(const IString& text);
std::string toStdString(const IString& text);
std::u16string toStdU16String(const IString& text);

} // namespace tamu::stringConv
