// Feeds arbitrary bytes to the text file reader: the first byte picks the default encoding, the
// rest is the file. Whatever the bytes, the lines must agree with the decoded text: no carriage
// return in any line, as many lines as countLines says, readAll equal to the lines joined with
// line feeds, a rewind starting over, and readLine past the end failing with its message.
#include "tamu/CException.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CTextFileReader.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/stringConv.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tamu;

namespace {

std::u16string units(const P<IString>& s) {
    return stringConv::toStdU16String(*s);
}

void fail(const char* what, const std::u16string& a = {}, const std::u16string& b = {}) {
    std::fprintf(stderr, "%s\n  first:  '%s'\n  second: '%s'\n", what,
                 stringConv::toStdString(*stringConv::fromStd(a)).c_str(),
                 stringConv::toStdString(*stringConv::fromStd(b)).c_str());
    std::abort();
}

// The decoded text as the lines should show it: no carriage returns, no final line feed.
std::u16string expectedLines(std::u16string text) {
    std::erase(text, u'\r');
    if (!text.empty() && text.back() == u'\n')
        text.pop_back();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // 0 to 4 are the decoders, 5 stands for every other value.
    int32_t defaultEncoding = data[0] % 6;
    auto file = make<CMemoryIOStream>(make<CMemoryBlock>(static_cast<int32_t>(size - 1), data + 1));
    auto reader = make<CTextFileReader>(*file, defaultEncoding);

    std::u16string joined;
    int32_t lines = 0;
    while (reader->hasMoreLines()) {
        std::u16string line = units(reader->readLine());
        if (line.find(u'\r') != std::u16string::npos)
            fail("a line holds a carriage return", line);
        if (lines > 0)
            joined += u'\n';
        joined += line;
        ++lines;
    }
    if (lines != reader->countLines())
        fail("countLines disagrees with the lines read");
    if (joined != expectedLines(units(reader->getText())))
        fail("the lines are not the text", joined, expectedLines(units(reader->getText())));
    try {
        reader->readLine();
        fail("readLine past the end did not fail");
    } catch (const CException& e) {
        if (stringConv::toStdString(*e.getMessage()) != "Error readline. No more lines to read")
            fail("readLine past the end failed with another message", units(e.getMessage()));
    }

    reader->rewind();
    if (lines > 0)
        reader->readLine();
    std::u16string rest = units(reader->readAll());
    std::u16string expectedRest = lines > 1 ? joined.substr(joined.find(u'\n') + 1) : u"";
    if (rest != expectedRest)
        fail("readAll after one line is not the rest", rest, expectedRest);
    if (reader->hasMoreLines())
        fail("lines left after readAll");
    return 0;
}
