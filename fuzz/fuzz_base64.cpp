// Feeds arbitrary bytes to the Base64 streams, twice over. As text: the decoder must deliver
// (L * 6) / 8 bytes for the L characters before the first zero byte, the same bytes in pieces
// as in one read, and a text in the encoder's own form must encode back to itself. As data:
// encoding and decoding the bytes must give them back.
#include "tamu/CBase64InStream.h"
#include "tamu/CBase64OutStream.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IURI.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tamu;

namespace {

const char* const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void fail(const char* what, size_t a, size_t b) {
    std::fprintf(stderr, "%s (%zu, %zu)\n", what, a, b);
    std::abort();
}

// One manager for every run: the streams' 1 MiB blocks are recycled instead of mapped anew.
const P<IMemoryManager>& manager() {
    static const P<IMemoryManager> shared = make<CMemoryManager>(CMemoryManager::maxBucketCount);
    return shared;
}

P<CMemoryIOStream> holding(const void* bytes, size_t size) {
    return make<CMemoryIOStream>(make<CMemoryBlock>(static_cast<int32_t>(size), bytes));
}

std::string decodedWhole(const P<CMemoryIOStream>& text, size_t room) {
    auto in = make<CBase64InStream>(text, manager());
    std::string bytes(room, '\0');
    bytes.resize(static_cast<size_t>(in->read(bytes.data(), static_cast<int32_t>(room))));
    if (!in->isEOF() || in->getPosition() != static_cast<int64_t>(bytes.size()))
        fail("a whole read leaves the decoder unfinished", bytes.size(),
             static_cast<size_t>(in->getPosition()));
    return bytes;
}

// Reads and skips in pieces whose sizes come from the text itself.
std::string decodedInPieces(const P<CMemoryIOStream>& text, const uint8_t* sizes, size_t count) {
    auto in = make<CBase64InStream>(text, manager());
    std::string bytes;
    for (size_t i = 0; !in->isEOF(); ++i) {
        int32_t piece = 1 + (count ? sizes[i % count] % 7 : 0);
        std::string part(static_cast<size_t>(piece), '\0');
        int32_t got = in->read(part.data(), piece);
        // A text too short for a byte ends without delivering one.
        if (got == 0 && in->isEOF())
            break;
        if (got <= 0 || got > piece)
            fail("a read before the end delivered nothing or too much", static_cast<size_t>(got),
                 static_cast<size_t>(piece));
        bytes.append(part.data(), static_cast<size_t>(got));
    }
    return bytes;
}

std::string encoded(const std::string& bytes) {
    auto target = make<CMemoryIOStream>();
    auto out = make<CBase64OutStream>(target, manager());
    out->write(bytes.data(), static_cast<int32_t>(bytes.size()));
    out->flush();
    P<IMemoryBlock> block = target->getMemoryBlock();
    return std::string(reinterpret_cast<const char*>(block->getData()),
                       static_cast<size_t>(block->getSize()));
}

// What the encoder writes: alphabet characters only, never a lone last character, and no bits
// set beyond the last byte.
bool encoderForm(const uint8_t* text, size_t length) {
    if (length % 4 == 1)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (!std::memchr(alphabet, text[i], 64) || text[i] == 0)
            return false;
    if (length == 0)
        return true;
    auto last = static_cast<uint8_t>(std::strchr(alphabet, text[length - 1]) - alphabet);
    return length % 4 == 2 ? (last & 15) == 0 : length % 4 == 3 ? (last & 3) == 0 : true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const void* zero = std::memchr(data, 0, size);
    size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : size;
    size_t expected = length * 6 / 8;

    std::string whole = decodedWhole(holding(data, size), expected + 16);
    if (whole.size() != expected)
        fail("the decoded length is not (L * 6) / 8", whole.size(), expected);
    std::string pieces = decodedInPieces(holding(data, size), data, size);
    if (pieces != whole)
        fail("reading in pieces gives other bytes", pieces.size(), whole.size());

    if (encoderForm(data, length)) {
        std::string again = encoded(whole);
        if (again != std::string(reinterpret_cast<const char*>(data), length) + '\0')
            fail("a text in the encoder's form does not encode back to itself", again.size(),
                 length + 1);
    }

    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text = encoded(bytes);
    if (text.size() != (size * 8 + 5) / 6 + 1 || text.back() != '\0')
        fail("the text has the wrong length or no zero byte", text.size(), (size * 8 + 5) / 6 + 1);
    if (decodedWhole(holding(text.data(), text.size()), size + 16) != bytes)
        fail("encoding and decoding does not give the bytes back", size, text.size());
    return 0;
}
