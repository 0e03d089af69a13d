#include "uriText.h"

#include "CodePointReader.h"
#include "unicodeCodecs.h"

#include <algorithm>
#include <charconv>

namespace tamu::uriText {

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

bool isUnreserved(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-':
    case '_':
    case '.':
    case '!':
    case '~':
    case '*':
    case '\'':
    case '(':
    case ')':
        return true;
    default:
        return false;
    }
}

std::string_view extraCharacters(EscapeSet set) {
    switch (set) {
    case EscapeSet::userInfo:
        return ";:,&=+$";
    case EscapeSet::path:
        return ";:,/@&=+$";
    case EscapeSet::queryOrFragment:
        return ";:,/?@&=+$";
    }
    return {};
}

void appendEscape(std::string& out, unsigned char byte) {
    out.push_back('%');
    out.push_back(hexDigits[byte >> 4]);
    out.push_back(hexDigits[byte & 0x0F]);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte of the escape "%XX" at `pos`, or -1 when there is none.
int escapeAt(std::string_view text, size_t pos) {
    if (pos + 3 > text.size() || text[pos] != '%')
        return -1;
    int high = hexValue(text[pos + 1]);
    int low = hexValue(text[pos + 2]);
    if (high < 0 || low < 0)
        return -1;
    return high << 4 | low;
}

// Continuation bytes after a UTF-8 lead byte; -1 for a byte that cannot lead a sequence.
// Overlong forms are refused: "%C0%AE" must not sneak a "." past dot-segment removal.
int trailCount(int lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 3;
    return -1;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool decodeSequence(const int* bytes, int count, uint32_t& code) {
    int lead = bytes[0];
    int low = 0x80;
    int high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (bytes[1] < low || bytes[1] > high)
        return false;
    for (int i = 2; i < count; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return false;
    }
    uint32_t value = static_cast<uint32_t>(lead) & (count == 2 ? 0x1F : count == 3 ? 0x0F : 0x07);
    for (int i = 1; i < count; ++i)
        value = value << 6 | (static_cast<uint32_t>(bytes[i]) & 0x3F);
    code = value;
    return true;
}

void appendUTF8(std::string& out, uint32_t code) {
    Utf8Codec codec;
    uint8_t bytes[4];
    codec.encode(code, bytes);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(codec.encodedSize(code)));
}

// The length of the valid UTF-8 character at `pos`, 0 when none starts there.
size_t validSequenceAt(std::string_view text, size_t pos) {
    Utf8Codec codec;
    uint32_t code;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int32_t end =
        codec.decode(bytes, static_cast<int32_t>(text.size()), static_cast<int32_t>(pos), code);
    return end < 0 ? 0 : static_cast<size_t>(end) - pos;
}

bool isDotDotSegment(const std::string& path, size_t i) {
    return (i == 0 || path[i - 1] == '/') && i + 1 < path.size() && path[i] == '.' &&
           path[i + 1] == '.' && (i + 2 == path.size() || path[i + 2] == '/');
}

size_t findDotDotSegment(const std::string& path, size_t from) {
    for (size_t i = from; i + 1 < path.size(); ++i) {
        if (isDotDotSegment(path, i))
            return i;
    }
    return std::string::npos;
}

} // namespace

std::string utf8Of(const StringArg& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.byteLength()));
    CodePointReader reader(text.encoding(), text.data(), text.byteLength());
    uint32_t code;
    Utf8Codec codec;
    while (reader.next(code)) {
        if (codec.encodedSize(code) > 0)
            appendUTF8(out, code);
    }
    return out;
}

std::string bytesOf(const StringArg& text) {
    if (text.encoding().getId() != utf8EncodingId)
        return utf8Of(text);
    return std::string(static_cast<const char*>(text.data()),
                       static_cast<size_t>(std::max<int32_t>(text.byteLength(), 0)));
}

std::string escapeInvalidBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t length = validSequenceAt(text, i);
        if (length > 0)
            out.append(text.substr(i, length));
        else
            appendEscape(out, static_cast<unsigned char>(text[i]));
        i += length > 0 ? length : 1;
    }
    return out;
}

std::string escape(std::string_view text, EscapeSet set) {
    std::string_view extra = extraCharacters(set);
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            size_t length = validSequenceAt(text, i);
            if (length > 0)
                out.append(text.substr(i, length));
            else
                appendEscape(out, byte);
            i += length > 0 ? length : 1;
            continue;
        }
        if (isUnreserved(byte) || extra.find(c) != std::string_view::npos)
            out.push_back(c);
        else
            appendEscape(out, byte);
        ++i;
    }
    return out;
}

std::string escapeNonASCII(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            appendEscape(out, byte);
        else
            out.push_back(c);
    }
    return out;
}

std::string decode(std::string_view text, uint32_t threshold) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        int lead = escapeAt(text, i);
        if (lead < 0) {
            out.push_back(text[i++]);
            continue;
        }
        auto code = static_cast<uint32_t>(lead);
        size_t escapeLength = 3;
        int trail = lead > 0x7F ? trailCount(lead) : 0;
        if (trail > 0) {
            int bytes[4] = {lead, 0, 0, 0};
            bool complete = true;
            for (int k = 1; k <= trail && complete; ++k) {
                bytes[k] = escapeAt(text, i + 3 * static_cast<size_t>(k));
                complete = bytes[k] >= 0;
            }
            uint32_t decoded;
            if (complete && decodeSequence(bytes, trail + 1, decoded)) {
                code = decoded;
                escapeLength = 3 * static_cast<size_t>(trail + 1);
            }
        }
        if (code > 0x7F && escapeLength == 3) {
            // A byte that starts no character: part of a file name that is not UTF-8. The raw
            // form keeps it escaped, the decoded form holds the byte, so a local path made
            // from it names the very file the escape came from.
            if (threshold == 0)
                out.push_back(static_cast<char>(code));
            else
                out.append(text.substr(i, escapeLength));
        } else if (code >= threshold) {
            appendUTF8(out, code);
        } else {
            out.append(text.substr(i, escapeLength));
        }
        i += escapeLength;
    }
    return out;
}

void removeDotSegments(std::string& path) {
    // Complete "." segments.
    size_t i = 0;
    while (i < path.size()) {
        bool atSegmentStart = i == 0 || path[i - 1] == '/';
        if (atSegmentStart && path[i] == '.' && (i + 1 == path.size() || path[i + 1] == '/'))
            path.erase(i, i + 1 == path.size() ? 1 : 2);
        else
            ++i;
    }

    // "<segment>/.." pairs, leftmost first. A ".." with nothing before it to cancel joins the
    // protected prefix, which later searches start behind.
    size_t protectedEnd = 0;
    for (;;) {
        size_t dots = findDotDotSegment(path, protectedEnd);
        if (dots == std::string::npos)
            return;
        size_t afterDots = dots + 2 < path.size() ? dots + 3 : dots + 2;
        if (dots == protectedEnd || (dots == protectedEnd + 1 && path[protectedEnd] == '/')) {
            protectedEnd = afterDots;
            continue;
        }
        size_t segmentEnd = dots - 1; // the '/' in front of ".."
        size_t slash = segmentEnd == 0 ? std::string::npos : path.rfind('/', segmentEnd - 1);
        size_t segmentStart = slash == std::string::npos ? 0 : slash + 1;
        if (segmentEnd - segmentStart == 2 && path.compare(segmentStart, 2, "..") == 0) {
            protectedEnd = afterDots;
            continue;
        }
        path.erase(segmentStart, afterDots - segmentStart);
    }
}

FileParts deriveFileParts(std::string_view path) {
    FileParts parts;
    if (path.empty())
        return parts;
    if (path.back() != '/') {
        size_t slash = path.rfind('/');
        parts.fileName = slash == std::string_view::npos ? path : path.substr(slash + 1);
        parts.name = parts.fileName;
        size_t dot = parts.fileName.rfind('.');
        if (dot != std::string::npos)
            parts.extension = parts.fileName.substr(dot);
        if (slash != std::string_view::npos)
            parts.folderPath = path.substr(0, slash + 1);
    } else if (path.size() > 1) {
        // A folder: its name is the last segment without the slash. A relative "a/" has no slash
        // in front of its name, so it has a name but no folder path.
        size_t slash = path.rfind('/', path.size() - 2);
        size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
        parts.name = path.substr(nameStart, path.size() - 1 - nameStart);
        if (slash != std::string_view::npos)
            parts.folderPath = path.substr(0, slash + 1);
    } else {
        parts.folderPath = "/";
    }
    return parts;
}

bool parseDecimal(std::string_view text, int32_t& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    // from_chars takes a '-' but not a '+'.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+')
        ++first;
    if (first == last)
        return false;
    int32_t parsed = 0;
    auto result = std::from_chars(first, last, parsed, 10);
    if (result.ec != std::errc() || result.ptr != last)
        return false;
    value = parsed;
    return true;
}

} // namespace tamu::uriText
