#include "tamu/CTextFileReader.h"

#include "tamu/CException.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CStringLineTokenizerEnum.h"
#include "tamu/CUTF32String.h"
#include "tamu/IInStream.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IStreamFactory.h"
#include "tamu/IStreamManager.h"
#include "tamu/IURI.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <cstring>
#include <vector>

namespace tamu {

namespace {

constexpr int32_t copyStep = 1024;

enum class MarkDecoding { utf8, utf16BigEndian, utf16LittleEndian };

struct ByteOrderMark {
    uint8_t bytes[4];
    int32_t length;
    MarkDecoding decoding;
};

// Longest marks first, so that FF FE 00 00 is UTF-32 and not UTF-16 followed by a zero. The
// marks of encodings we have no decoder for still tell us where the text begins.
constexpr ByteOrderMark byteOrderMarks[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, MarkDecoding::utf8}, // UTF-32 big endian
    {{0xFF, 0xFE, 0x00, 0x00}, 4, MarkDecoding::utf8}, // UTF-32 little endian
    {{0xDD, 0x73, 0x66, 0x73}, 4, MarkDecoding::utf8}, // UTF-EBCDIC
    {{0x84, 0x31, 0x95, 0x33}, 4, MarkDecoding::utf8}, // GB-18030
    {{0xEF, 0xBB, 0xBF}, 3, MarkDecoding::utf8},
    {{0xF7, 0x64, 0x4C}, 3, MarkDecoding::utf8}, // UTF-1
    {{0x0E, 0xFE, 0xFF}, 3, MarkDecoding::utf8}, // SCSU
    {{0xFE, 0xFF}, 2, MarkDecoding::utf16BigEndian},
    {{0xFF, 0xFE}, 2, MarkDecoding::utf16LittleEndian},
    {{0x2B, 0x2F}, 2, MarkDecoding::utf8}, // UTF-7
    {{0xFB, 0xEE}, 2, MarkDecoding::utf8}, // BOCU-1
};

const ByteOrderMark* markOf(const uint8_t* bytes, int32_t length) {
    for (const ByteOrderMark& mark : byteOrderMarks) {
        if (length >= mark.length &&
            std::memcmp(bytes, mark.bytes, static_cast<size_t>(mark.length)) == 0)
            return &mark;
    }
    return nullptr;
}

P<IString> decodeUTF16BigEndian(const uint8_t* bytes, int32_t length) {
    std::vector<uint8_t> swapped(bytes, bytes + length);
    for (int32_t i = 0; i + 1 < length; i += 2)
        std::swap(swapped[i], swapped[i + 1]);
    return stringConv::fromUTF16Bytes(swapped.data(), length);
}

P<IString> decodeWithMark(MarkDecoding decoding, const uint8_t* bytes, int32_t length) {
    switch (decoding) {
    case MarkDecoding::utf16BigEndian:
        return decodeUTF16BigEndian(bytes, length);
    case MarkDecoding::utf16LittleEndian:
        return stringConv::fromUTF16Bytes(bytes, length);
    case MarkDecoding::utf8:
        break;
    }
    return stringConv::fromUTF8(reinterpret_cast<const char*>(bytes), length);
}

P<IString> decodeWithDefault(int32_t defaultEncoding, const uint8_t* bytes, int32_t length) {
    const auto* chars = reinterpret_cast<const char*>(bytes);
    switch (defaultEncoding) {
    case CTextFileReader::utf8:
        return stringConv::fromUTF8(chars, length);
    case CTextFileReader::utf16LittleEndian:
        return stringConv::fromUTF16Bytes(bytes, length);
    case CTextFileReader::latin1:
        return stringConv::fromLatin1(chars, length);
    case CTextFileReader::utf32:
        // Memory blocks are allocated with the alignment of any unit.
        return adopt(new CUTF32String(reinterpret_cast<const char32_t*>(bytes), length));
    default:
        return stringConv::fromCP(chars, length);
    }
}

} // namespace

CTextFileReader::CTextFileReader(IURI* uri, int32_t defaultEncoding) {
    P<IInStream> stream = getStreamManager()->openInStream(uri, shareReadersAndWriters);
    load(*stream, defaultEncoding);
}

CTextFileReader::CTextFileReader(IInStream& stream, int32_t defaultEncoding) {
    load(stream, defaultEncoding);
}

CTextFileReader::~CTextFileReader() = default;

void CTextFileReader::load(IInStream& stream, int32_t defaultEncoding) {
    auto content = make<CMemoryIOStream>();
    uint8_t step[copyStep];
    content->copyFrom(stream, step, copyStep);
    P<IMemoryBlock> block = content->getMemoryBlock();
    const uint8_t* bytes = block->getData();
    int32_t length = block->getSize();

    if (length == 0)
        m_text = emptyString();
    else if (const ByteOrderMark* mark = markOf(bytes, length))
        m_text = length == mark->length
                     ? emptyString()
                     : decodeWithMark(mark->decoding, bytes + mark->length, length - mark->length);
    else
        m_text = decodeWithDefault(defaultEncoding, bytes, length);
    m_lines = make<CStringLineTokenizerEnum>(m_text);
}

bool CTextFileReader::hasMoreLines() const {
    return m_lines->hasMore();
}

void CTextFileReader::rewind() {
    m_lines->rewind();
}

P<IString> CTextFileReader::readLine() {
    if (!m_lines->hasMore())
        throw CException(str("Exception"), str("Error readline. No more lines to read"));
    return m_lines->next();
}

P<IString> CTextFileReader::readAll() {
    std::u16string all;
    bool first = true;
    while (m_lines->hasMore()) {
        if (!first)
            all += u'\n';
        all += stringConv::toStdU16String(*m_lines->next());
        first = false;
    }
    return stringConv::fromStd(all);
}

int32_t CTextFileReader::countLines() const {
    return m_lines->countLines();
}

P<IString> CTextFileReader::getText() const {
    return m_text;
}

} // namespace tamu
