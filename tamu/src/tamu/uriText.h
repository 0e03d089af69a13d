#pragma once

#include "tamu/StringArg.h"

#include <cstdint>
#include <string>
#include <string_view>

// The text rules of URIs, on UTF-8 text held in standard strings: escaping, decoding,
// dot-segment removal and the file parts of a path. A file name is bytes, and bytes that are
// no UTF-8 character travel through a URI as escapes: its raw components hold them as "%XX",
// its decoded components as the bytes themselves.
namespace tamu::uriText {

// Characters that escaping keeps besides the unreserved ones.
enum class EscapeSet { userInfo, path, queryOrFragment };

// The text as valid UTF-8 (bytes that are no character are left out).
std::string utf8Of(const StringArg& text);
// The bytes of UTF-8 text as they are, invalid ones included; other encodings as utf8Of.
std::string bytesOf(const StringArg& text);

// Every byte that is not part of a valid UTF-8 character becomes "%XX"; the rest stays.
std::string escapeInvalidBytes(std::string_view text);

// Keeps unreserved characters, the set's extra characters and every non-ASCII character;
// everything else, bytes that are no UTF-8 character among them, becomes "%" and two
// upper-case hexadecimal digits.
std::string escape(std::string_view text, EscapeSet set);

// Every non-ASCII character becomes the escapes of its UTF-8 bytes.
std::string escapeNonASCII(std::string_view text);

// Replaces each escape (or run of escapes forming one UTF-8 character) whose character code is
// at least `threshold`; the others and malformed escapes stay as written. An escaped byte that
// starts no UTF-8 character is no character: with threshold 0 it becomes that byte, otherwise
// it stays escaped.
std::string decode(std::string_view text, uint32_t threshold);

// Removes complete "." segments, then "<segment>/.." pairs; a leading ".." (one that has no
// segment before it to cancel) is kept.
void removeDotSegments(std::string& path);

struct FileParts {
    std::string fileName;
    std::string name;
    std::string extension;
    std::string folderPath;
};

FileParts deriveFileParts(std::string_view path);

// The whole text is a decimal number (optional sign, digits) that fits 32 bits.
bool parseDecimal(std::string_view text, int32_t& value);

} // namespace tamu::uriText
