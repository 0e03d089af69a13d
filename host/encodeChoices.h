#pragma once

// Held by value in the setups, so their owners need the whole type.
#include "orxa/common/IStreamPicture.h"
#include "tamu/P.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tamu {
class IMemoryManager;
}

namespace orxa::host {

using Pictures = std::vector<tamu::P<orxa::common::IStreamPicture>>;

// What one FLAC file gets beyond its audio, and how hard the encoder works for it.
struct EncoderSetup {
    std::vector<std::string> tags; // "NAME=value", in file order
    Pictures pictures;
    int32_t padding = 0;
    int32_t level = -1; // -1: the plug-in's fixed settings
    bool verify = false;
    double seekSeconds = 0.0;
    int64_t totalSamples = 0; // expected length, 0 when unknown

    // Nothing asked beyond what a format writes without settings.
    bool isPlain() const;
};

// What the user asked of every FLAC file a batch writes, and how the input's tags and pictures
// change on the way. The defaults are flac's.
struct EncodeChoices {
    int32_t level = -1;
    bool verify = false;
    int32_t padding = 8192;
    double seekSeconds = 10.0;
    bool noTags = false;
    bool noPictures = false;
    std::vector<std::string> removeTags; // names
    std::vector<std::string> addTags;    // "NAME=value"
    Pictures addPictures;

    // The input's tags less the removed ones (all with noTags), then the added ones; its
    // pictures (none with noPictures), then the added ones.
    EncoderSetup setupFor(const std::vector<std::string>& inputTags, const Pictures& inputPictures,
                          int64_t totalSamples) const;
};

// A Vorbis comment field name: printable ASCII without '=' (0x20 to 0x7D), not empty.
bool isTagName(const std::string& name);
// The name of "NAME=value"; the whole text when it has no '='.
std::string tagName(const std::string& tag);
// Vorbis comment names ignore ASCII case.
bool sameTagName(const std::string& a, const std::string& b);

// An image file as a front cover, its MIME type and dimensions read from its header. Throws
// std::runtime_error.
tamu::P<orxa::common::IStreamPicture> loadPicture(tamu::IMemoryManager& memory,
                                                  const std::string& path);

} // namespace orxa::host
