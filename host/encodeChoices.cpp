#include "encodeChoices.h"

#include "imageHeader.h"
#include "systemReason.h"

#include "orxa/common/CStreamPicture.h"
#include "orxa/common/IStreamPicture.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace orxa::host {

bool EncoderSetup::isPlain() const {
    return tags.empty() && pictures.empty() && padding == 0 && level < 0 && !verify &&
           seekSeconds <= 0.0 && totalSamples <= 0;
}

EncoderSetup EncodeChoices::setupFor(const std::vector<std::string>& inputTags,
                                     const Pictures& inputPictures, int64_t totalSamples) const {
    EncoderSetup setup;
    if (!noTags) {
        for (const std::string& tag : inputTags) {
            const std::string name = tagName(tag);
            if (std::none_of(removeTags.begin(), removeTags.end(), [&](const std::string& removed) {
                    return sameTagName(name, removed);
                }))
                setup.tags.push_back(tag);
        }
    }
    setup.tags.insert(setup.tags.end(), addTags.begin(), addTags.end());
    if (!noPictures)
        setup.pictures = inputPictures;
    setup.pictures.insert(setup.pictures.end(), addPictures.begin(), addPictures.end());
    setup.padding = padding;
    setup.level = level;
    setup.verify = verify;
    setup.seekSeconds = seekSeconds;
    setup.totalSamples = totalSamples;
    return setup;
}

bool isTagName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](char c) { return c >= 0x20 && c <= 0x7D && c != '='; });
}

std::string tagName(const std::string& tag) {
    return tag.substr(0, tag.find('='));
}

bool sameTagName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

tamu::P<orxa::common::IStreamPicture> loadPicture(tamu::IMemoryManager& memory,
                                                  const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(systemReason(errno));
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error("cannot read: " + systemReason(errno));
    const ImageHeader header = readImageHeader(bytes);
    // A metadata block's length has 24 bits, and the picture's fields share it.
    if (bytes.size() > (1u << 24) - 1024)
        throw std::runtime_error("too large for a FLAC picture (16 MiB at most)");
    orxa::common::CStreamPicture::Fields fields;
    fields.type = 3;
    fields.mimeType = tamu::stringConv::fromStd(header.mimeType);
    fields.description = tamu::stringConv::fromStd(std::string());
    fields.width = header.width;
    fields.height = header.height;
    fields.depth = header.depth;
    fields.colours = header.colours;
    fields.data = memory.allocate(static_cast<int32_t>(bytes.size()));
    fields.data->setSize(static_cast<int32_t>(bytes.size()));
    std::memcpy(fields.data->getData(), bytes.data(), bytes.size());
    return tamu::make<orxa::common::CStreamPicture>(fields);
}

} // namespace orxa::host
