#include "riffChunks.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <fstream>

namespace orxa::host::riffChunks {

namespace {

uint32_t littleEndian32(const unsigned char* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint32_t bigEndian32(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}

// Whether the sub-chunks of the LIST body [begin, end) each fit inside it; a pad byte after an
// odd-sized last sub-chunk may stand one past the end.
bool subChunksFit(std::ifstream& in, int64_t begin, int64_t end) {
    int64_t at = begin;
    unsigned char header[8];
    while (end - at >= 8) {
        in.seekg(at);
        if (!in.read(reinterpret_cast<char*>(header), sizeof header))
            return true; // the file ends first: a truncated file, which libsndfile reports
        const int64_t size = littleEndian32(header + 4);
        if (at + 8 + size > end)
            return false;
        at += 8 + size + (size & 1);
    }
    return true;
}

} // namespace

// The header's own count: a WAV's data chunk size in frames, an AIFF's numSampleFrames.
int64_t promisedFrames(const std::string& path, int type, int64_t frameBytes) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[12];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return -1;
    bool wav = type == SF_FORMAT_WAV && std::memcmp(header, "RIFF", 4) == 0 &&
               std::memcmp(header + 8, "WAVE", 4) == 0;
    bool aiff = type == SF_FORMAT_AIFF && std::memcmp(header, "FORM", 4) == 0;
    if (!wav && !aiff)
        return -1;
    unsigned char chunk[8];
    while (in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) {
        uint32_t size = wav ? littleEndian32(chunk + 4) : bigEndian32(chunk + 4);
        if (wav && std::memcmp(chunk, "data", 4) == 0)
            // A size that was never filled in (streamed output) promises nothing.
            return size == 0 || size == 0xFFFFFFFFu ? -1 : size / frameBytes;
        if (aiff && std::memcmp(chunk, "COMM", 4) == 0) {
            unsigned char comm[6];
            if (!in.read(reinterpret_cast<char*>(comm), sizeof comm))
                return -1;
            return bigEndian32(comm + 2);
        }
        in.seekg(size + (size & 1), std::ios::cur);
    }
    return -1;
}

std::vector<int64_t> damagedListChunks(const std::string& path) {
    std::vector<int64_t> damaged;
    std::ifstream in(path, std::ios::binary);
    unsigned char header[12];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) ||
        std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return damaged;
    in.seekg(0, std::ios::end);
    const int64_t fileSize = in.tellg();
    int64_t at = 12;
    unsigned char chunk[8];
    while (fileSize - at >= 8) {
        in.clear();
        in.seekg(at);
        if (!in.read(reinterpret_cast<char*>(chunk), sizeof chunk))
            break;
        const int64_t size = littleEndian32(chunk + 4);
        // The LIST type (INFO, adtl) takes the first four bytes of the body.
        if (std::memcmp(chunk, "LIST", 4) == 0 && size >= 4 &&
            !subChunksFit(in, at + 12, std::min(at + 8 + size, fileSize)))
            damaged.push_back(at);
        at += 8 + size + (size & 1);
    }
    return damaged;
}

} // namespace orxa::host::riffChunks
