#include "tamu/StringArg.h"

#include "charEncodingInstances.h"
#include "tamu/IString.h"
#include "tamu/String.h"

#include <cstring>
#include <string>

namespace tamu {

namespace {
alignas(4) const char16_t noText[2] = {};
} // namespace

StringArg::StringArg(const char* utf8) noexcept
    : m_data(utf8 ? utf8 : reinterpret_cast<const char*>(noText)),
      m_byteLength(utf8 ? static_cast<int32_t>(std::strlen(utf8)) : 0), m_charCount(-1),
      m_encoding(utf8EncodingInstance()) {}

StringArg::StringArg(const char16_t* utf16) noexcept
    : m_data(utf16 ? utf16 : noText), m_byteLength(0), m_charCount(-1),
      m_encoding(utf16EncodingInstance()) {
    if (utf16)
        m_byteLength = static_cast<int32_t>(std::char_traits<char16_t>::length(utf16) * 2);
}

StringArg::StringArg(const IString* text) noexcept
    : m_data(noText), m_byteLength(0), m_charCount(0), m_encoding(utf8EncodingInstance()) {
    if (!text)
        return;
    m_data = text->getData();
    m_byteLength = text->getByteLength();
    m_charCount = text->getLength();
    // The string keeps its encoding alive for as long as the view may be used.
    m_encoding = text->getEncoding().get();
}

StringArg::StringArg(const IString& text) noexcept : StringArg(&text) {}

StringArg::StringArg(const String& text) noexcept : StringArg(text.get().get()) {}

} // namespace tamu
