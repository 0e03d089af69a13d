#include "soundFileTags.h"

#include "encodeChoices.h"

#include <sndfile.h>

namespace orxa::host {

namespace {

struct StringTag {
    int type;
    const char* name;
};

constexpr StringTag stringTags[] = {
    {SF_STR_TITLE, "TITLE"},     {SF_STR_ARTIST, "ARTIST"}, {SF_STR_ALBUM, "ALBUM"},
    {SF_STR_DATE, "DATE"},       {SF_STR_COMMENT, "COMMENT"}, {SF_STR_GENRE, "GENRE"},
    {SF_STR_TRACKNUMBER, "TRACKNUMBER"},
};

} // namespace

std::vector<std::string> readSoundFileTags(SNDFILE* file) {
    std::vector<std::string> tags;
    for (const StringTag& tag : stringTags) {
        const char* value = sf_get_string(file, tag.type);
        if (value && *value)
            tags.push_back(std::string(tag.name) + "=" + value);
    }
    return tags;
}

void writeSoundFileTags(SNDFILE* file, const std::vector<std::string>& tags) {
    for (const StringTag& wanted : stringTags) {
        for (const std::string& tag : tags) {
            if (!sameTagName(tagName(tag), wanted.name) || tag.size() <= tagName(tag).size() + 1)
                continue;
            // A string the file's type has no place for is refused; the others still go in.
            sf_set_string(file, wanted.type, tag.c_str() + tagName(tag).size() + 1);
            break;
        }
    }
}

} // namespace orxa::host
