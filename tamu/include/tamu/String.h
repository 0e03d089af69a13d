#pragma once

#include "tamu/IString.h"
#include "tamu/str.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace tamu {

// A string held by value: a P<IString> with value comparison and hashing, for use as a key of
// TSimpleHashTable and wherever text is stored. A default String holds no string and behaves as
// an empty text.
class String {
public:
    String() noexcept = default;
    String(const P<IString>& text) noexcept : m_text(text) {}
    String(P<IString>&& text) noexcept : m_text(std::move(text)) {}
    template <size_t N>
    String(const char (&literal)[N]) : m_text(str(literal)) {}
    template <size_t N>
    String(const char16_t (&literal)[N]) : m_text(str(literal)) {}

    const P<IString>& get() const noexcept { return m_text; }
    operator const P<IString>&() const noexcept { return m_text; }
    IString* operator->() const noexcept { return m_text.get(); }
    IString& operator*() const noexcept { return *m_text; }
    bool isNull() const noexcept { return m_text.isNull(); }

    uint32_t hashCode() const { return m_text ? m_text->hashCode() : 0; }
    bool operator==(const String& other) const;
    // Whether the text equals `other` (a default String equals any empty text).
    bool equals(StringArg other) const;
    // Code point order.
    bool operator<(const String& other) const;

private:
    P<IString> m_text;
};

// Hooks for TSimpleHashTable.
inline uint32_t hashOf(const String& key) {
    return key.hashCode();
}
inline bool keysEqual(const String& a, const String& b) {
    return a == b;
}

} // namespace tamu
