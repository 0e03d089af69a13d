#include "channelLayout.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace orxa::host::channelLayout {

namespace {

// FLAC's channel orders in WAVE speaker bits: front left 0x1, front right 0x2, front centre 0x4,
// LFE 0x8, back left 0x10, back right 0x20, back centre 0x100, side left 0x200, side right 0x400.
constexpr std::array<uint32_t, maxChannels> waveMasks = {0x4,  0x3,  0x7,   0x33,
                                                         0x37, 0x3F, 0x70F, 0x63F};

// The same orders as libsndfile's positions (it reads WAVE's front speakers as plain left, right
// and centre). Quad, 5.0 and 5.1 also come with their rear pair named as sides (WAVE's "5.1
// side" mask), which FLAC takes as the same layout.
std::vector<std::vector<int32_t>> flacPositionsOf(int32_t channels) {
    const int32_t L = SF_CHANNEL_MAP_LEFT, R = SF_CHANNEL_MAP_RIGHT, C = SF_CHANNEL_MAP_CENTER,
                  LFE = SF_CHANNEL_MAP_LFE,
                  BL = SF_CHANNEL_MAP_REAR_LEFT, BR = SF_CHANNEL_MAP_REAR_RIGHT,
                  BC = SF_CHANNEL_MAP_REAR_CENTER, SL = SF_CHANNEL_MAP_SIDE_LEFT,
                  SR = SF_CHANNEL_MAP_SIDE_RIGHT;
    switch (channels) {
    case 1:
        return {{C}};
    case 2:
        return {{L, R}};
    case 3:
        return {{L, R, C}};
    case 4:
        return {{L, R, BL, BR}, {L, R, SL, SR}};
    case 5:
        return {{L, R, C, BL, BR}, {L, R, C, SL, SR}};
    case 6:
        return {{L, R, C, LFE, BL, BR}, {L, R, C, LFE, SL, SR}};
    case 7:
        return {{L, R, C, LFE, BC, SL, SR}};
    case 8:
        return {{L, R, C, LFE, BL, BR, SL, SR}};
    default:
        return {};
    }
}

} // namespace

std::vector<int> positionsOf(int32_t channels) {
    std::vector<std::vector<int32_t>> orders = flacPositionsOf(channels);
    return orders.empty() ? std::vector<int>{} : orders.front();
}

const char* nameOf(int32_t channels) {
    static const char* const names[maxChannels] = {"mono", "stereo", "3.0", "quad",
                                                   "5.0",  "5.1",    "6.1", "7.1"};
    return channels >= 1 && channels <= maxChannels ? names[channels - 1] : "";
}

uint32_t waveMaskOf(int32_t channels) {
    return channels >= 1 && channels <= maxChannels ? waveMasks[channels - 1] : 0;
}

Request parseRequest(const std::string& text) {
    Request request;
    request.given = true;
    if (text == "none")
        return request;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(',', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string number = text.substr(at, end - at);
        if (number.empty() || number.size() > 2 ||
            !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            throw std::invalid_argument("--channel-map wants 'none' or input channel numbers "
                                        "from 1, separated by commas (such as 1,2,5,6,3,4)");
        request.order.push_back(std::stoi(number) - 1);
        at = end + 1;
    }
    return request;
}

Order orderFor(int32_t channels, const std::vector<int32_t>& positions, const Request& request) {
    if (channels < 1 || channels > maxChannels)
        throw std::runtime_error("has " + std::to_string(channels) +
                                 " channels; FLAC holds 1 to 8");
    if (request.given) {
        if (request.order.empty())
            return {};
        Order sorted = request.order;
        std::sort(sorted.begin(), sorted.end());
        bool everyOnce = static_cast<int32_t>(sorted.size()) == channels;
        for (int32_t i = 0; everyOnce && i < channels; ++i)
            everyOnce = sorted[static_cast<size_t>(i)] == i;
        if (!everyOnce)
            throw std::runtime_error("--channel-map must name each of its " +
                                     std::to_string(channels) + " channels once");
        return request.order;
    }
    if (positions.empty())
        return {};
    // Other headers (AIFF's channel chunk) name the fronts as front speakers, and mono as mono.
    std::vector<int32_t> plain = positions;
    for (int32_t& position : plain) {
        if (position == SF_CHANNEL_MAP_FRONT_LEFT)
            position = SF_CHANNEL_MAP_LEFT;
        else if (position == SF_CHANNEL_MAP_FRONT_RIGHT)
            position = SF_CHANNEL_MAP_RIGHT;
        else if (position == SF_CHANNEL_MAP_FRONT_CENTER || position == SF_CHANNEL_MAP_MONO)
            position = SF_CHANNEL_MAP_CENTER;
    }
    for (const std::vector<int32_t>& flac : flacPositionsOf(channels))
        if (plain == flac)
            return {};
    throw std::runtime_error("its channel mask orders the channels unlike FLAC's " +
                             std::string(nameOf(channels)) +
                             " layout; say how to map them with --channel-map (or "
                             "--channel-map=none to keep them as they are)");
}

void reorder(int32_t* samples, int64_t frames, const Order& order) {
    if (order.empty())
        return;
    const size_t channels = order.size();
    std::array<int32_t, maxChannels> frame{};
    for (int64_t f = 0; f < frames; ++f, samples += channels) {
        std::copy_n(samples, channels, frame.begin());
        for (size_t c = 0; c < channels; ++c)
            samples[c] = frame[static_cast<size_t>(order[c])];
    }
}

} // namespace orxa::host::channelLayout
