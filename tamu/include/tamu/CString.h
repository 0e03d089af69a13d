#pragma once

#include "tamu/CObject.h"
#include "tamu/IString.h"

#include <cstdint>

namespace tamu {

// How a string gets at its bytes.
enum class StringStorage : int32_t {
    copy = 0,     // allocates a copy (plus terminator) that the string owns
    adopt = 1,    // takes over a buffer from std::malloc and frees it
    reference = 2 // points at bytes that outlive the string (literals, static text, slices)
};

// The string object: bytes plus the encoding that gives them meaning. The encoding-specific
// classes only choose the encoding.
class CString : public CObject, public virtual IString {
public:
    // `byteLength` -1: the text is zero-terminated, measure it. `charCount` -1: count it.
    // `zeroTerminated` tells whether a terminator follows the text (copies always get one).
    // A null `text` makes an empty string.
    CString(const void* text, int32_t byteLength, int32_t charCount, bool zeroTerminated,
            ICharEncoding& encoding, StringStorage storage);
    CString(const CString&) = delete;
    CString& operator=(const CString&) = delete;
    ~CString() override;

    // A string describes itself by its text.
    P<IString> toString() const override;
    int32_t compareTo(const IBase* other) const override;

    StringPosition getPosition(int32_t charIndex) const override;
    StringPosition getNextPosition(const StringPosition& position) const override;
    bool isUnicode() const override;
    uint32_t getCharAt(const StringPosition& position) const override;
    uint32_t getCharAt(int32_t charIndex) const override;
    uint32_t hashCode() const override;

    int32_t compare(StringArg other, int32_t maxChars = -1) const override;
    int32_t compareIgnoreCase(StringArg other, int32_t maxChars = -1) const override;
    int32_t collate(StringArg other) const override;
    bool equals(StringArg other, int32_t start = 0, int32_t length = -1) const override;
    bool equalsIgnoreCase(StringArg other, int32_t start = 0, int32_t length = -1) const override;
    bool startsWith(StringArg prefix, int32_t start = 0, int32_t length = -1) const override;
    bool startsWithIgnoreCase(StringArg prefix, int32_t start = 0,
                              int32_t length = -1) const override;
    bool endsWith(StringArg suffix) const override;
    bool endsWithIgnoreCase(StringArg suffix) const override;

    StringPosition find(StringArg pattern, const StringPosition& from = {}) const override;
    int32_t indexOf(StringArg pattern, int32_t fromIndex = 0) const override;
    int32_t lastIndexOf(StringArg pattern) const override;
    int32_t indexOfChar(uint32_t codePoint, int32_t fromIndex = 0) const override;
    int32_t lastIndexOfChar(uint32_t codePoint) const override;

    P<IString> substring(const StringPosition& start, const StringPosition& end) const override;
    P<IString> substring(int32_t startIndex, int32_t endIndex = -1) const override;
    P<IString> concat(StringArg text) const override;
    P<IString> prepend(StringArg text) const override;
    P<IString> replace(StringArg pattern, StringArg replacement) const override;
    P<IString> toLowerCase() const override;
    P<IString> toUpperCase() const override;
    P<IString> trim() const override;

    bool isNull() const override;
    uint32_t getEncodingId() const override;
    bool hasEncoding(uint32_t encodingId) const override;
    P<ICharEncoding> getEncoding() const override;
    int32_t getLength() const override;
    bool isEmpty() const override;
    bool isZeroTerminated() const override;
    const void* getData() const override;
    int32_t getByteLength() const override;

protected:
    // The object whose life keeps the bytes valid; views of this string hold it.
    virtual const IBase& dataOwner() const;

private:
    // Byte range of the characters [start, start + length) (length -1: to the end).
    void byteRange(int32_t start, int32_t length, int32_t& first, int32_t& end) const;
    int32_t compareRange(int32_t start, int32_t length, const StringArg& other, int32_t maxChars,
                         bool foldCase, bool prefix) const;
    P<IString> mapCase(bool upper) const;

    const uint8_t* m_data;
    int32_t m_byteLength;
    bool m_zeroTerminated;
    bool m_ownsData;
    P<ICharEncoding> m_encoding;
    int32_t m_charCount;
};

} // namespace tamu
