#pragma once

#include "tamu/P.h"

#include <cstdint>
#include <type_traits>

namespace tamu {

class ICharEncoding;
class IString;
class String;

// The text argument of string operations: a borrowed view of bytes in an encoding, made
// implicitly from a UTF-8 C string (`const char*`: literals in this code base are UTF-8, so the
// narrow argument is read as UTF-8, not in the locale's code page), a UTF-16 C string
// (`const char16_t*`, as `u"..."`), or another string. A null pointer is an empty text. The view
// lives for the call it is passed to: it neither copies nor references the text.
class StringArg {
public:
    StringArg(const char* utf8) noexcept;
    StringArg(const char16_t* utf16) noexcept;
    StringArg(const IString& text) noexcept;
    StringArg(const String& text) noexcept;
    template <class T, class = std::enable_if_t<std::is_convertible_v<T*, const IString*>>>
    StringArg(const P<T>& text) noexcept : StringArg(static_cast<const IString*>(text.get())) {}
    // `charCount` is the number of characters when known, else -1.
    StringArg(const void* data, int32_t byteLength, const ICharEncoding& encoding,
              int32_t charCount = -1) noexcept
        : m_data(data), m_byteLength(byteLength), m_charCount(charCount), m_encoding(&encoding) {}

    const void* data() const { return m_data; }
    int32_t byteLength() const { return m_byteLength; }
    // -1 until someone counted.
    int32_t knownCharCount() const { return m_charCount; }
    const ICharEncoding& encoding() const { return *m_encoding; }

private:
    explicit StringArg(const IString* text) noexcept;

    const void* m_data;
    int32_t m_byteLength;
    int32_t m_charCount;
    const ICharEncoding* m_encoding;
};

} // namespace tamu
