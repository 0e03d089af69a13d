#include "soundFileTags.h"

#include "encodeChoices.h"
#include "soundFileLibrary.h"

namespace orxa::host {

namespace {

struct StringTag {
    int type;
    const char* name;
};

constexpr StringTag stringTags[] = {
    {SF_STR_TITLE, "TITLE"},
    {SF_STR_ARTIST, "ARTIST"},
    {SF_STR_ALBUM, "ALBUM"},
    {SF_STR_DATE, "DATE"},
    {SF_STR_COMMENT, "COMMENT"},
    {SF_STR_GENRE, "GENRE"},
    {SF_STR_TRACKNUMBER, "TRACKNUMBER"},
};

bool isUTF8(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || at + length > text.size())
            return false;
        for (size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
                return false;
        at += length;
    }
    return true;
}

// Older recorders wrote their strings in a Latin code page, which Vorbis comments cannot hold
// as they are; Latin-1 is the closest guess that keeps every byte readable.
std::string asUTF8(const std::string& text) {
    if (isUTF8(text))
        return text;
    std::string converted;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            converted += c;
        } else {
            converted += static_cast<char>(0xC0 | byte >> 6);
            converted += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return converted;
}

} // namespace

std::vector<std::string> readSoundFileTags(SNDFILE* file) {
    std::vector<std::string> tags;
    for (const StringTag& tag : stringTags) {
        const char* value = soundfile::api().getString(file, tag.type);
        if (value && *value)
            tags.push_back(std::string(tag.name) + "=" + asUTF8(value));
    }
    return tags;
}

void writeSoundFileTags(SNDFILE* file, const std::vector<std::string>& tags) {
    for (const StringTag& wanted : stringTags) {
        for (const std::string& tag : tags) {
            if (!sameTagName(tagName(tag), wanted.name) || tag.size() <= tagName(tag).size() + 1)
                continue;
            // A string the file's type has no place for is refused; the others still go in.
            soundfile::api().setString(file, wanted.type, tag.c_str() + tagName(tag).size() + 1);
            break;
        }
    }
}

} // namespace orxa::host
