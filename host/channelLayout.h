#pragma once

#include <cstdint>
#include <string>
#include <vector>

// FLAC's channel layouts as the sound files around it name them: the layout names `info`
// prints, the WAVE channel masks of FLAC's orders, and the reordering of an input whose own
// channel order differs.
namespace orxa::host::channelLayout {

// FLAC holds 1 to 8 channels.
constexpr int32_t maxChannels = 8;

// "mono", "stereo", "3.0", "quad", "5.0", "5.1", "6.1", "7.1"; "" outside 1 to 8.
const char* nameOf(int32_t channels);

// The WAVE_FORMAT_EXTENSIBLE channel mask of FLAC's order for `channels`; 0 outside 1 to 8.
uint32_t waveMaskOf(int32_t channels);

// FLAC's order for `channels` as libsndfile's positions (SF_CHANNEL_MAP_*); empty outside 1 to 8.
std::vector<int> positionsOf(int32_t channels);

// How an input's channels become FLAC's: entry i is the input channel that FLAC channel i
// takes. Empty means "as they are".
using Order = std::vector<int32_t>;

// `--channel-map`: "none" (take the channels as they are) or input channel numbers from 1,
// separated by commas, in FLAC's order. Throws std::invalid_argument with the reason.
struct Request {
    bool given = false;
    Order order; // empty with "none"
};
Request parseRequest(const std::string& text);

// The order an input is encoded in. `positions` are the input's own channel positions as
// libsndfile names them (SF_CHANNEL_MAP_*), empty when the file does not say. A file whose
// positions differ from FLAC's order for its count is refused, unless the request says how to
// map them; a request must name every channel once. Throws std::runtime_error with the reason.
Order orderFor(int32_t channels, const std::vector<int32_t>& positions, const Request& request);

// Moves the channels of `frames` interleaved frames into `order`, in place.
void reorder(int32_t* samples, int64_t frames, const Order& order);

} // namespace orxa::host::channelLayout
