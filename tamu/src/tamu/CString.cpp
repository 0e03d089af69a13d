#include "tamu/CString.h"

#include "CodePointReader.h"
#include "EncodedTextBuffer.h"
#include "caseFolding.h"
#include "tamu/CStringSlice.h"
#include "tamu/interfaceCast.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <vector>

namespace tamu {

namespace {

// The text of strings without text of their own: an empty, zero-terminated text in every
// encoding.
alignas(8) const uint8_t zeroText[8] = {};

std::vector<uint32_t> decodeAll(const StringArg& text) {
    std::vector<uint32_t> codePoints;
    codePoints.reserve(static_cast<size_t>(text.knownCharCount() >= 0 ? text.knownCharCount()
                                                                      : text.byteLength()));
    CodePointReader reader(text.encoding(), text.data(), text.byteLength());
    uint32_t c;
    while (reader.next(c))
        codePoints.push_back(c);
    return codePoints;
}

std::wstring wideOf(const StringArg& text) {
    static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32 on this platform");
    std::wstring wide;
    CodePointReader reader(text.encoding(), text.data(), text.byteLength());
    uint32_t c;
    while (reader.next(c))
        wide.push_back(static_cast<wchar_t>(c));
    return wide;
}

int32_t countOf(const StringArg& text) {
    return text.knownCharCount() >= 0
               ? text.knownCharCount()
               : text.encoding().countChars(text.data(), text.byteLength(), 0);
}

// An occurrence of a pattern: character index and byte range.
struct Match {
    int32_t index = -1;
    int32_t start = -1;
    int32_t end = -1;
};

// The first occurrence of `pattern` (non-empty) at or after the character that starts at byte
// `from` with index `fromIndex`.
Match findMatch(const ICharEncoding& encoding, const uint8_t* data, int32_t byteLength,
                const std::vector<uint32_t>& pattern, int32_t from, int32_t fromIndex) {
    CodePointReader reader(encoding, data, byteLength, from);
    uint32_t c;
    for (int32_t index = fromIndex; reader.next(c); ++index) {
        if (c != pattern[0])
            continue;
        int32_t start = reader.lastOffset();
        CodePointReader candidate(encoding, data, byteLength, start);
        size_t matched = 0;
        uint32_t d;
        while (matched < pattern.size() && candidate.next(d) && d == pattern[matched])
            ++matched;
        if (matched == pattern.size()) {
            int32_t last = candidate.lastOffset();
            return {index, start, last + encoding.getCharSizeAt(data, byteLength, last)};
        }
    }
    return {};
}

} // namespace

CString::CString(const void* text, int32_t byteLength, int32_t charCount, bool zeroTerminated,
                 ICharEncoding& encoding, StringStorage storage)
    : m_data(zeroText), m_byteLength(0), m_zeroTerminated(true), m_ownsData(false),
      m_encoding(&encoding), m_charCount(0) {
    if (!text)
        return;
    if (byteLength < 0) {
        byteLength = encoding.getTerminatedByteLength(text);
        zeroTerminated = true;
    }
    switch (storage) {
    case StringStorage::copy: {
        size_t terminator = static_cast<size_t>(encoding.getEncodedSize(0));
        auto* copy =
            static_cast<uint8_t*>(std::malloc(static_cast<size_t>(byteLength) + terminator));
        if (!copy)
            throw std::bad_alloc();
        std::memcpy(copy, text, static_cast<size_t>(byteLength));
        std::memset(copy + byteLength, 0, terminator);
        m_data = copy;
        m_ownsData = true;
        m_zeroTerminated = true;
        break;
    }
    case StringStorage::adopt:
        m_data = static_cast<const uint8_t*>(text);
        m_ownsData = true;
        m_zeroTerminated = zeroTerminated;
        break;
    case StringStorage::reference:
        m_data = static_cast<const uint8_t*>(text);
        m_zeroTerminated = zeroTerminated;
        break;
    }
    m_byteLength = byteLength;
    m_charCount = charCount >= 0 ? charCount : encoding.countChars(m_data, byteLength, 0);
}

CString::~CString() {
    if (m_ownsData)
        std::free(const_cast<uint8_t*>(m_data));
}

P<IString> CString::toString() const {
    return P<IString>(const_cast<CString*>(this));
}

int32_t CString::compareTo(const IBase* other) const {
    if (!other)
        return 1;
    if (const IString* text = interfaceCast<IString>(other, true))
        return compare(*text);
    return compare(other->toString());
}

const IBase& CString::dataOwner() const {
    return *this;
}

// --- characters and positions

StringPosition CString::getPosition(int32_t charIndex) const {
    if (charIndex < 0 || charIndex >= m_charCount)
        return {m_charCount, m_byteLength};
    // All characters of the smallest size (and no invalid bytes): the offset is a product.
    int32_t unit = m_encoding->getEncodedSize(0);
    if (int64_t{m_charCount} * unit == m_byteLength)
        return {charIndex, charIndex * unit};
    return {charIndex, m_encoding->getOffsetOfChar(m_data, m_byteLength, charIndex)};
}

StringPosition CString::getNextPosition(const StringPosition& position) const {
    StringPosition end{m_charCount, m_byteLength};
    if (position.charIndex < 0 || position.byteOffset < 0 || position.byteOffset >= m_byteLength)
        return end;
    uint32_t c;
    int32_t after = m_encoding->decodeNextChar(c, m_data, m_byteLength, position.byteOffset);
    int32_t next = after < 0 ? -1 : m_encoding->findCharStart(m_data, m_byteLength, after);
    if (next < 0)
        return end;
    return {position.charIndex + 1, next};
}

bool CString::isUnicode() const {
    return m_encoding->isUnicode();
}

uint32_t CString::getCharAt(const StringPosition& position) const {
    if (position.charIndex < 0 || position.byteOffset < 0 || position.byteOffset >= m_byteLength)
        return 0;
    uint32_t c = 0;
    return m_encoding->decodeNextChar(c, m_data, m_byteLength, position.byteOffset) < 0 ? 0 : c;
}

uint32_t CString::getCharAt(int32_t charIndex) const {
    if (charIndex < 0 || charIndex >= m_charCount)
        return 0;
    return getCharAt(getPosition(charIndex));
}

uint32_t CString::hashCode() const {
    uint32_t h = 0;
    CodePointReader reader(*m_encoding, m_data, m_byteLength);
    uint32_t c;
    while (reader.next(c))
        h = ((h & 0x0FFFFFFFu) << 3) ^ (((h >> 2) ^ c) & 0x7FFFFFFFu);
    return h;
}

// --- comparison

void CString::byteRange(int32_t start, int32_t length, int32_t& first, int32_t& end) const {
    first = start == 0 ? 0 : getPosition(start).byteOffset;
    if (length < 0 || start < 0 || int64_t{start} + length >= m_charCount)
        end = m_byteLength;
    else
        end = getPosition(start + length).byteOffset;
}

int32_t CString::compareRange(int32_t start, int32_t length, const StringArg& other,
                              int32_t maxChars, bool foldCase, bool prefix) const {
    int32_t first, end;
    byteRange(start, length, first, end);
    // The same bytes in the same encoding are the same characters.
    if (&other.encoding() == m_encoding.get() && other.byteLength() == end - first &&
        (first == end ||
         std::memcmp(m_data + first, other.data(), static_cast<size_t>(end - first)) == 0))
        return 0;
    CodePointReader mine(*m_encoding, m_data, end, first);
    CodePointReader theirs(other.encoding(), other.data(), other.byteLength());
    const CaseFoldTable* folding = foldCase ? &caseFoldTable() : nullptr;
    for (int32_t i = 0; maxChars < 0 || i < maxChars; ++i) {
        uint32_t a, b;
        bool hasMine = mine.next(a);
        if (!theirs.next(b))
            return hasMine && !prefix ? 1 : 0;
        if (!hasMine)
            return -1;
        if (folding) {
            a = folding->fold(a);
            b = folding->fold(b);
        }
        if (a != b)
            return a < b ? -1 : 1;
    }
    return 0;
}

int32_t CString::compare(StringArg other, int32_t maxChars) const {
    return compareRange(0, -1, other, maxChars, false, false);
}

int32_t CString::compareIgnoreCase(StringArg other, int32_t maxChars) const {
    return compareRange(0, -1, other, maxChars, true, false);
}

int32_t CString::collate(StringArg other) const {
    std::wstring mine = wideOf(*this);
    std::wstring theirs = wideOf(other);
    return std::wcscoll(mine.c_str(), theirs.c_str());
}

bool CString::equals(StringArg other, int32_t start, int32_t length) const {
    // Equal texts have equal numbers of characters.
    if (start == 0 && length < 0 && other.knownCharCount() >= 0 &&
        other.knownCharCount() != m_charCount)
        return false;
    return compareRange(start, length, other, -1, false, false) == 0;
}

bool CString::equalsIgnoreCase(StringArg other, int32_t start, int32_t length) const {
    return compareRange(start, length, other, -1, true, false) == 0;
}

bool CString::startsWith(StringArg prefix, int32_t start, int32_t length) const {
    return compareRange(start, length, prefix, -1, false, true) == 0;
}

bool CString::startsWithIgnoreCase(StringArg prefix, int32_t start, int32_t length) const {
    return compareRange(start, length, prefix, -1, true, true) == 0;
}

bool CString::endsWith(StringArg suffix) const {
    int32_t count = countOf(suffix);
    return count <= m_charCount &&
           compareRange(m_charCount - count, -1, suffix, -1, false, false) == 0;
}

bool CString::endsWithIgnoreCase(StringArg suffix) const {
    int32_t count = countOf(suffix);
    return count <= m_charCount &&
           compareRange(m_charCount - count, -1, suffix, -1, true, false) == 0;
}

// --- searching

StringPosition CString::find(StringArg pattern, const StringPosition& from) const {
    StringPosition start = from;
    if (start.charIndex < 0 || start.byteOffset > m_byteLength)
        start = {m_charCount, m_byteLength};
    std::vector<uint32_t> codePoints = decodeAll(pattern);
    if (codePoints.empty())
        return start;
    Match match =
        findMatch(*m_encoding, m_data, m_byteLength, codePoints, start.byteOffset, start.charIndex);
    return match.index < 0 ? notFound : StringPosition{match.index, match.start};
}

int32_t CString::indexOf(StringArg pattern, int32_t fromIndex) const {
    if (fromIndex > m_charCount)
        return -1;
    return find(pattern, getPosition(fromIndex < 0 ? 0 : fromIndex)).charIndex;
}

int32_t CString::lastIndexOf(StringArg pattern) const {
    std::vector<uint32_t> codePoints = decodeAll(pattern);
    if (codePoints.empty())
        return m_charCount;
    int32_t last = -1;
    Match match{-1, 0, 0};
    while ((match = findMatch(*m_encoding, m_data, m_byteLength, codePoints, match.start,
                              match.index + 1))
               .index >= 0) {
        last = match.index;
        // Occurrences may overlap: go on after the first character of this one.
        match.start += m_encoding->getCharSizeAt(m_data, m_byteLength, match.start);
    }
    return last;
}

int32_t CString::indexOfChar(uint32_t codePoint, int32_t fromIndex) const {
    if (fromIndex >= m_charCount)
        return -1;
    if (fromIndex < 0)
        fromIndex = 0;
    CodePointReader reader(*m_encoding, m_data, m_byteLength, getPosition(fromIndex).byteOffset);
    uint32_t c;
    for (int32_t index = fromIndex; reader.next(c); ++index) {
        if (c == codePoint)
            return index;
    }
    return -1;
}

int32_t CString::lastIndexOfChar(uint32_t codePoint) const {
    CodePointReader reader(*m_encoding, m_data, m_byteLength);
    uint32_t c;
    int32_t last = -1;
    for (int32_t index = 0; reader.next(c); ++index) {
        if (c == codePoint)
            last = index;
    }
    return last;
}

// --- derived strings

P<IString> CString::substring(const StringPosition& start, const StringPosition& end) const {
    StringPosition last{m_charCount, m_byteLength};
    StringPosition first = start.charIndex < 0 || start.byteOffset > m_byteLength ? last : start;
    StringPosition stop = end.charIndex < 0 || end.byteOffset > m_byteLength ? last : end;
    if (stop.byteOffset < first.byteOffset)
        stop = first;
    if (first.byteOffset == 0 && stop.byteOffset == m_byteLength)
        return P<IString>(const_cast<CString*>(this));
    return adopt(new CStringSlice(
        dataOwner(), *m_encoding, m_data + first.byteOffset, stop.byteOffset - first.byteOffset,
        stop.charIndex - first.charIndex, m_zeroTerminated && stop.byteOffset == m_byteLength));
}

P<IString> CString::substring(int32_t startIndex, int32_t endIndex) const {
    StringPosition start = getPosition(startIndex < 0 ? 0 : startIndex);
    StringPosition end =
        endIndex < 0 ? StringPosition{m_charCount, m_byteLength} : getPosition(endIndex);
    return substring(start, end);
}

P<IString> CString::concat(StringArg text) const {
    if (text.byteLength() == 0)
        return P<IString>(const_cast<CString*>(this));
    EncodedTextBuffer buffer(*m_encoding, m_byteLength + text.byteLength());
    buffer.appendBytes(m_data, m_byteLength, m_charCount);
    buffer.appendText(text);
    return buffer.finish();
}

P<IString> CString::prepend(StringArg text) const {
    if (text.byteLength() == 0)
        return P<IString>(const_cast<CString*>(this));
    EncodedTextBuffer buffer(*m_encoding, m_byteLength + text.byteLength());
    buffer.appendText(text);
    buffer.appendBytes(m_data, m_byteLength, m_charCount);
    return buffer.finish();
}

P<IString> CString::replace(StringArg pattern, StringArg replacement) const {
    std::vector<uint32_t> codePoints = decodeAll(pattern);
    if (codePoints.empty())
        return P<IString>(const_cast<CString*>(this));
    Match match = findMatch(*m_encoding, m_data, m_byteLength, codePoints, 0, 0);
    if (match.index < 0)
        return P<IString>(const_cast<CString*>(this));
    EncodedTextBuffer buffer(*m_encoding, m_byteLength + replacement.byteLength());
    int32_t done = 0;
    while (match.index >= 0) {
        buffer.appendBytes(m_data + done, match.start - done, -1);
        buffer.appendText(replacement);
        done = match.end;
        match = findMatch(*m_encoding, m_data, m_byteLength, codePoints, done,
                          match.index + static_cast<int32_t>(codePoints.size()));
    }
    buffer.appendBytes(m_data + done, m_byteLength - done, -1);
    return buffer.finish();
}

P<IString> CString::mapCase(bool upper) const {
    EncodedTextBuffer buffer(*m_encoding, m_byteLength);
    CodePointReader reader(*m_encoding, m_data, m_byteLength);
    uint32_t c;
    while (reader.next(c)) {
        auto wide = static_cast<wint_t>(c);
        buffer.appendChar(static_cast<uint32_t>(upper ? std::towupper(wide) : std::towlower(wide)));
    }
    return buffer.finish();
}

P<IString> CString::toLowerCase() const {
    return mapCase(false);
}

P<IString> CString::toUpperCase() const {
    return mapCase(true);
}

P<IString> CString::trim() const {
    CodePointReader reader(*m_encoding, m_data, m_byteLength);
    StringPosition first{-1, -1};
    StringPosition last{-1, -1};
    uint32_t c;
    for (int32_t index = 0; reader.next(c); ++index) {
        if (c <= 0x20)
            continue;
        if (first.charIndex < 0)
            first = {index, reader.lastOffset()};
        last = {index, reader.lastOffset()};
    }
    if (first.charIndex < 0)
        return substring(StringPosition{0, 0}, StringPosition{0, 0});
    StringPosition end{last.charIndex + 1,
                       last.byteOffset +
                           m_encoding->getCharSizeAt(m_data, m_byteLength, last.byteOffset)};
    return substring(first, end);
}

// --- storage

bool CString::isNull() const {
    return false;
}

uint32_t CString::getEncodingId() const {
    return m_encoding->getId();
}

bool CString::hasEncoding(uint32_t encodingId) const {
    return getEncodingId() == encodingId;
}

P<ICharEncoding> CString::getEncoding() const {
    return m_encoding;
}

int32_t CString::getLength() const {
    return m_charCount;
}

bool CString::isEmpty() const {
    return m_charCount == 0;
}

bool CString::isZeroTerminated() const {
    return m_zeroTerminated;
}

const void* CString::getData() const {
    return m_data;
}

int32_t CString::getByteLength() const {
    return m_byteLength;
}

} // namespace tamu
