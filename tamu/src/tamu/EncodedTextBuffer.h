#pragma once

#include "tamu/CString.h"

#include <cstdint>

namespace tamu {

// A string of the class that belongs to `encoding` (CUTF8String for UTF-8, CWCharString for
// UTF-16, ...; a plain CString for an encoding of elsewhere).
P<IString> makeString(ICharEncoding& encoding, const void* text, int32_t byteLength,
                      int32_t charCount, bool zeroTerminated, StringStorage storage);
// The same for a text argument, in its own encoding: a copy of its bytes, or a string that
// refers to them (for a lookup key that lives no longer than the argument).
P<IString> makeString(const StringArg& text, StringStorage storage);

// Collects text in one encoding and hands it over to a new string without another copy.
class EncodedTextBuffer {
public:
    explicit EncodedTextBuffer(ICharEncoding& encoding, int32_t reserveBytes = 0);
    EncodedTextBuffer(const EncodedTextBuffer&) = delete;
    EncodedTextBuffer& operator=(const EncodedTextBuffer&) = delete;
    ~EncodedTextBuffer();

    // Bytes already in this buffer's encoding; `charCount` -1 when unknown.
    void appendBytes(const void* bytes, int32_t byteLength, int32_t charCount);
    // Leaves out a character the encoding cannot hold.
    void appendChar(uint32_t codePoint);
    // Copied as bytes when in this encoding, else decoded and encoded.
    void appendText(const StringArg& text);

    // A zero-terminated string that takes the buffer over.
    P<IString> finish();

private:
    void reserve(int32_t extraBytes);

    ICharEncoding& m_encoding;
    int32_t m_unitSize;
    uint8_t* m_data = nullptr;
    int32_t m_byteLength = 0;
    int32_t m_capacity = 0;
    // -1 once a piece of unknown or uncertain length was added: finish() counts then.
    int32_t m_charCount = 0;
};

} // namespace tamu
