#pragma once

#include "tamu/CObject.h"
#include "tamu/ITextFileReader.h"

#include <cstdint>

namespace tamu {

class CStringLineTokenizerEnum;
class IInStream;
class IURI;

// Reads a text resource whole. A byte-order mark decides the decoding: UTF-16 in either byte
// order is decoded as such, every other mark (UTF-8, UTF-32, UTF-7, UTF-1, UTF-EBCDIC, SCSU,
// BOCU-1, GB-18030) with the UTF-8 decoder. Without a mark `defaultEncoding` decides.
class CTextFileReader : public CObject, public virtual ITextFileReader {
public:
    // Decoders of text without a byte-order mark; a value not listed counts as codePage.
    enum DefaultEncoding : int32_t {
        codePage = 0,
        latin1 = 1,
        utf8 = 2,
        utf16LittleEndian = 3,
        utf32 = 4
    };

    // Opens `uri` through the stream manager, other readers and writers allowed.
    CTextFileReader(IURI* uri, int32_t defaultEncoding);
    // Reads `stream` to its end.
    CTextFileReader(IInStream& stream, int32_t defaultEncoding);
    ~CTextFileReader() override;

    bool hasMoreLines() const override;
    void rewind() override;
    P<IString> readLine() override;
    P<IString> readAll() override;
    int32_t countLines() const override;
    P<IString> getText() const override;

private:
    void load(IInStream& stream, int32_t defaultEncoding);

    P<IString> m_text;
    P<CStringLineTokenizerEnum> m_lines;
};

} // namespace tamu
