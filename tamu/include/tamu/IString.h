#pragma once

#include "tamu/ICharEncoding.h"
#include "tamu/IComparable.h"
#include "tamu/P.h"
#include "tamu/StringArg.h"

#include <cstdint>

namespace tamu {

// A place in a string: the character index and the byte offset of that character. The end of
// a string is (getLength(), getByteLength()); a character index of -1 passed in means the end.
struct StringPosition {
    int32_t charIndex = 0;
    int32_t byteOffset = 0;

    bool operator==(const StringPosition&) const = default;
};

inline constexpr StringPosition notFound{-1, -1};

// An immutable run of characters in some encoding. Every operation works on code points, so
// strings of different encodings mix freely; operations that would change a string return a
// new one (or the receiver itself when the text stays the same).
//
// Text arguments (StringArg) accept a UTF-8 `const char*`, a UTF-16 `const char16_t*`, an
// IString or a P<IString>. Where an operation takes (start, length), they select characters of
// the receiver (length -1: up to the end) that the argument is matched against.
class TAMU_API IString : public virtual IComparable, public virtual IBase {
public:
    // --- characters and positions
    // -1, or any index at or past the end, gives the end position.
    virtual StringPosition getPosition(int32_t charIndex) const = 0;
    // The position of the character after the one at `position` (the end stays the end).
    virtual StringPosition getNextPosition(const StringPosition& position) const = 0;
    virtual bool isUnicode() const = 0;
    // The code point at a position or character index; 0 at or past the end.
    virtual uint32_t getCharAt(const StringPosition& position) const = 0;
    virtual uint32_t getCharAt(int32_t charIndex) const = 0;
    // Depends only on the code points: equal texts hash alike in every encoding.
    virtual uint32_t hashCode() const = 0;

    // --- comparison (-1, 0, 1 by code point; a proper prefix orders first)
    // `maxChars` limits the comparison to that many characters (-1: all).
    virtual int32_t compare(StringArg other, int32_t maxChars = -1) const = 0;
    // The same after simple Unicode case folding of both sides.
    virtual int32_t compareIgnoreCase(StringArg other, int32_t maxChars = -1) const = 0;
    // Locale order (wcscoll in the current LC_COLLATE): <0, 0, >0.
    virtual int32_t collate(StringArg other) const = 0;
    virtual bool equals(StringArg other, int32_t start = 0, int32_t length = -1) const = 0;
    virtual bool equalsIgnoreCase(StringArg other, int32_t start = 0,
                                  int32_t length = -1) const = 0;
    virtual bool startsWith(StringArg prefix, int32_t start = 0, int32_t length = -1) const = 0;
    virtual bool startsWithIgnoreCase(StringArg prefix, int32_t start = 0,
                                      int32_t length = -1) const = 0;
    virtual bool endsWith(StringArg suffix) const = 0;
    virtual bool endsWithIgnoreCase(StringArg suffix) const = 0;

    // --- searching (case-sensitive; an empty pattern is found where the search starts)
    // The first occurrence at or after `from`, or notFound.
    virtual StringPosition find(StringArg pattern, const StringPosition& from = {}) const = 0;
    // Character index of the first occurrence at or after `fromIndex`, or -1.
    virtual int32_t indexOf(StringArg pattern, int32_t fromIndex = 0) const = 0;
    // Character index of the last occurrence, or -1.
    virtual int32_t lastIndexOf(StringArg pattern) const = 0;
    virtual int32_t indexOfChar(uint32_t codePoint, int32_t fromIndex = 0) const = 0;
    virtual int32_t lastIndexOfChar(uint32_t codePoint) const = 0;

    // --- derived strings
    // A view (no copy) of the characters from `start` up to `end`; it keeps this text alive.
    virtual P<IString> substring(const StringPosition& start, const StringPosition& end) const = 0;
    // The same by character indices; -1 as end index: up to the end.
    virtual P<IString> substring(int32_t startIndex, int32_t endIndex = -1) const = 0;
    // New strings in the receiver's encoding; other encodings are decoded and re-encoded.
    virtual P<IString> concat(StringArg text) const = 0;
    virtual P<IString> prepend(StringArg text) const = 0;
    // Replaces every occurrence of `pattern` (case-sensitive, left to right, not overlapping).
    virtual P<IString> replace(StringArg pattern, StringArg replacement) const = 0;
    // Case mapping of each character through the C runtime's towlower / towupper.
    virtual P<IString> toLowerCase() const = 0;
    virtual P<IString> toUpperCase() const = 0;
    // Without leading and trailing characters up to U+0020 (blanks and control characters).
    virtual P<IString> trim() const = 0;

    // --- storage
    virtual bool isNull() const = 0;
    virtual uint32_t getEncodingId() const = 0;
    virtual bool hasEncoding(uint32_t encodingId) const = 0;
    virtual P<ICharEncoding> getEncoding() const = 0;
    // Number of characters (invalid bytes are not characters).
    virtual int32_t getLength() const = 0;
    virtual bool isEmpty() const = 0;
    // Whether the encoding's terminator follows the text in memory.
    virtual bool isZeroTerminated() const = 0;
    virtual const void* getData() const = 0;
    virtual int32_t getByteLength() const = 0;
};

} // namespace tamu
