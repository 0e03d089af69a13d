#pragma once

#include "tamu/IString.h"

#include <cstddef>
#include <cstdint>

namespace tamu {

P<IString> wrapUTF8Literal(const char* text, int32_t byteLength);
P<IString> wrapUTF16Literal(const char16_t* text, int32_t unitLength);
P<IString> wrapUTF32Literal(const char32_t* text, int32_t unitLength);

// Wraps a literal ("...", u"...", U"...") without copying it: UTF-8, UTF-16 and UTF-32
// strings that reference the literal's bytes. Only for text with static storage.
template <size_t N>
P<IString> str(const char (&literal)[N]) {
    return wrapUTF8Literal(literal, static_cast<int32_t>(N - 1));
}
template <size_t N>
P<IString> str(const char16_t (&literal)[N]) {
    return wrapUTF16Literal(literal, static_cast<int32_t>(N - 1));
}
template <size_t N>
P<IString> str(const char32_t (&literal)[N]) {
    return wrapUTF32Literal(literal, static_cast<int32_t>(N - 1));
}

// The shared empty string (UTF-8, not null).
P<IString> emptyString();

} // namespace tamu
